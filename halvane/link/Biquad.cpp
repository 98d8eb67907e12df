#include "halvane/link/Biquad.h"

#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/WireText.h"

#include <bit>
#include <stdexcept>

namespace halvane {

std::uint32_t ToCoefficientWord(double x) {
    if (!(x >= -1.0 && x <= 1.0)) throw std::out_of_range("");
    // Truncation toward zero; -0.0 takes the non-negative branch.
    const std::int32_t v = x < 0.0 ? static_cast<std::int32_t>(x * 8388608.0 - 0.5)
                                   : static_cast<std::int32_t>(x * 8388607.0 + 0.5);
    return static_cast<std::uint32_t>(v) & 0xFFFFFFu;
}

std::string FormatUploadWord(std::int32_t value) {
    return Comm::FormatInt("%06X", static_cast<std::int64_t>(static_cast<std::uint32_t>(value) & 0xFFFFFFu));
}

bool ReadDspWord(ReadBackContext& context, std::uint32_t& word) {
    if (context.port == nullptr || context.nextAddress == nullptr) return false;
    const std::int32_t address = (*context.nextAddress)++;
    std::string command = Comm::FormatInt(context.commandTemplate, address & 0xFFFFFF);
    command += "\n";
    if (!context.port->Write(command)) return false;
    for (int line = 0; line < Comm::LinkTiming::kDspReplyLines; ++line) {
        // A line that does not come ends the look: no later one will.
        std::string reply;
        if (!context.port->ReadReply("\n", &reply, Comm::CBasicTessikPort::kCommandTimes)) return false;
        unsigned value = 0;
        if (Comm::ScanValue(reply, context.replyFormat, value).fields == 1) {
            word = value;
            return true;
        }
    }
    return false;
}

bool VerifyUploadWord(std::int32_t value, ReadBackContext& context) {
    std::uint32_t word = 0;
    if (!ReadDspWord(context, word)) return false;
    return word == (static_cast<std::uint32_t>(value) & 0xFFFFFFu);
}

std::uint32_t Biquad::Word(int n) const {
    switch (n) {
    case 0: return ToCoefficientWord(b2_2);
    case 1: return ToCoefficientWord(b1_2);
    case 2: return ToCoefficientWord(b0_2);
    case 3: return ToCoefficientWord(a2_2);
    case 4: return ToCoefficientWord(a1_2);
    case 5: return static_cast<std::uint32_t>(static_cast<std::int32_t>(flag)) & 0xFFFFFFu;
    default: throw std::out_of_range("biquad word number");
    }
}

std::string Biquad::FormatWord(int n) const { return Comm::FormatInt("%06X", static_cast<std::int64_t>(Word(n))); }

namespace {

void putDouble(std::uint8_t* at, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

double getDouble(const std::uint8_t* at) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

}  // namespace

Biquad::Stored Biquad::ToStored() const {
    Stored out{};
    const double values[5] = {b2_2, b1_2, b0_2, a2_2, a1_2};
    for (int i = 0; i < 5; ++i) putDouble(out.data() + 8 * i, values[i]);
    out[40] = static_cast<std::uint8_t>(flag);
    out[41] = inUse;
    return out;
}

Biquad Biquad::FromStored(const Stored& bytes) {
    Biquad b;
    b.b2_2 = getDouble(bytes.data());
    b.b1_2 = getDouble(bytes.data() + 8);
    b.b0_2 = getDouble(bytes.data() + 16);
    b.a2_2 = getDouble(bytes.data() + 24);
    b.a1_2 = getDouble(bytes.data() + 32);
    b.flag = static_cast<std::int8_t>(bytes[40]);
    b.inUse = bytes[41];
    return b;
}

bool Biquad::VerifyReadBack(ReadBackContext& context) const {
    std::uint32_t read[kWordCount] = {};
    for (auto& w : read)
        if (!ReadDspWord(context, w)) return false;
    for (int n = 0; n < kWordCount; ++n)
        if (read[n] != Word(n)) return false;
    return true;
}

}  // namespace halvane

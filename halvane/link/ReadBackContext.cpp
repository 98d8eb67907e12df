#include "halvane/link/ReadBackContext.h"

#include "halvane/link/BiquadWords.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/LinkTiming.h"
#include "halvane/link/WireText.h"

namespace halvane::link {

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

bool VerifyReadBack(const design::Biquad& stage, ReadBackContext& context) {
    std::uint32_t read[kStageWordCount] = {};
    for (auto& w : read)
        if (!ReadDspWord(context, w)) return false;
    for (int n = 0; n < kStageWordCount; ++n)
        if (read[n] != StageWord(n, stage)) return false;
    return true;
}

}  // namespace halvane::link

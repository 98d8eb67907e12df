#pragma once

#include <cstdint>
#include <string>

namespace halvane::link::Comm {
class CBasicTessikPort;
}

namespace halvane::design {
struct Biquad;
}

namespace halvane::link {


// Reads back DSP memory one word at a time: each read formats the command
// template with the next address and then moves the address on.
struct ReadBackContext {
    Comm::CBasicTessikPort* port = nullptr;
    std::string replyFormat = "%06X";
    std::string commandTemplate;  // the generation's read prefix and "%06X"
    std::int32_t* nextAddress = nullptr;
};

// "%06X" of a 24-bit memory word; bits above the low 24 are not part of it.
std::string FormatUploadWord(std::int32_t value);

// Reads the next word of DSP memory: writes the read command and takes the
// first of up to 5 reply lines that reads as a hexadecimal word.
bool ReadDspWord(ReadBackContext& context, std::uint32_t& word);

// Reads one word and compares it with value's 24 bits.
bool VerifyUploadWord(std::int32_t value, ReadBackContext& context);

// Reads the stage's six consecutive words and compares them with its
// words (StageWord); any failed read gives false.
bool VerifyReadBack(const design::Biquad& stage, ReadBackContext& context);

}  // namespace halvane::link

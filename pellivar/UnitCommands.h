#pragma once

#include "pellivar/CommandSpec.h"

#include <string>

namespace pellivar {

// Commands of the processor that belong to no video setting.
struct UnitCommands {
    // Main-zone power: "P1P1" on, "P1P?" query; replies "P1P1" / "P1P0".
    static constexpr const char* kPowerPrefix = "P1P";
    // Source select: "P1S" and the source's channel character; the unit
    // reports a change with the same line.
    static constexpr const char* kSourcePrefix = "P1S";
    // Power on, then ask: handed over as it is (no "\n"); on the wire it
    // becomes "P1P1;P1P?;;".
    static constexpr const char* kPowerOnLine = "P1P1;P1P?;";

    static CommandSpec Power() { return CommandSpec(kPowerPrefix, CommandSpec::kDecimal, -1); }
    static CommandSpec Source() { return CommandSpec(kSourcePrefix, CommandSpec::kCharacter, -1); }
    // "P1S" + channel character of the source (0-16).
    static std::string SelectSource(int source) { return std::string(kSourcePrefix) + CommandSpec::ChannelChar(source); }
    // The source a "P1S<c>" reply names: code - 48 below '9' + 1, else code - 90;
    // -1 for a line too short or a source outside 0-16.
    static int SourceOfReply(const std::string& line) {
        const std::size_t at = std::string(kSourcePrefix).size();
        if (line.size() <= at) return -1;
        const int c = static_cast<unsigned char>(line[at]);
        const int source = c < 58 ? c - 48 : c - 90;
        return source >= 0 && source <= 16 ? source : -1;
    }

    // The end marker of a bulk exchange: the query of the input offset of
    // source 16 ("fT?j"); its reply begins with "fTj".
    static CommandSpec EndMarker() { return CommandSpec("fT", CommandSpec::kDecimal, 16); }
};

}  // namespace pellivar

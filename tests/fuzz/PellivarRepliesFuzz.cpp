// Any bytes as Pellivar's processor's replies (besides the gamma points):
// split into lines as the reader does, each read as a setting of every
// format and channel, as a source reply and as an output timing half. Every
// reading ends; a source read is one of the 17.

#include "FuzzCheck.h"
#include "pellivar/CommandSpec.h"
#include "pellivar/LineSplitter.h"
#include "pellivar/OutputTiming.h"
#include "pellivar/UnitCommands.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const pellivar::CommandSpec specs[] = {
        {"fc", pellivar::CommandSpec::kDecimal, 3},
        {"P1P", pellivar::CommandSpec::kDecimal, -1},
        {"fm", pellivar::CommandSpec::kCharacter, 0},
        {"OTH", pellivar::CommandSpec::kDecimal, -1},
    };
    pellivar::LineSplitter splitter([](const std::string& line) {
        for (const auto& spec : specs) {
            int value = 0;
            (void)spec.Parse(line, value);
        }
        const int source = pellivar::UnitCommands::SourceOfReply(line);
        if (source < -1 || source > 16) suitefuzz::fail("a source outside the 17");
        std::int64_t rate = 0;
        (void)pellivar::OutputTiming::ApplyHalfReply(line, rate);
    });
    splitter.Feed(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}

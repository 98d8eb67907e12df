// Any bytes as the processor's gamma replies, one per line: whatever comes,
// every curve stays one that can be drawn and sent (5 to 30 points on the
// 0-1023 grid).

#include "FuzzSupport.h"
#include "pellivar/GammaCurveExchange.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pellivar::fuzz::SilentPrompt prompt;
    std::array<pellivar::CGammaList, 4> curves;
    pellivar::GammaCurveExchange exchange(curves, nullptr, &prompt);
    std::string line;
    auto feed = [&] {
        exchange.OnGammaReply(line);
        for (const pellivar::CGammaList& c : curves)
            if (!c.IsValid()) pellivar::fuzz::fail("a gamma curve that cannot be drawn or sent");
        line.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') feed();
        else line.push_back(static_cast<char>(data[i]));
    }
    feed();
    return 0;
}

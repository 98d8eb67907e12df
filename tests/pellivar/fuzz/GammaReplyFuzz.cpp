// Any bytes as the processor's gamma replies, one per line: whatever comes,
// every curve keeps 5 to 30 points on the 0-1023 grid, and a curve that its
// end marker closes is one that can be drawn and sent (x rising), or the
// default. While a curve's points are still arriving, its x values may be
// out of order: the end marker decides.

#include "FuzzSupport.h"
#include "pellivar/GammaCurveExchange.h"

#include <string>

namespace {

bool PointsInBounds(const pellivar::CGammaList& c) {
    if (c.GetCount() < pellivar::CGammaList::kMinPoints || c.GetCount() > pellivar::CGammaList::kMaxPoints)
        return false;
    for (int i = 0; i < c.GetCount(); ++i)
        if (!c.GetAt(i)->InRange()) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pellivar::fuzz::SilentPrompt prompt;
    std::array<pellivar::CGammaList, 4> curves;
    pellivar::GammaCurveExchange exchange(curves, nullptr, &prompt);
    std::string line;
    auto feed = [&] {
        const auto reply = exchange.OnGammaReply(line);
        for (const pellivar::CGammaList& c : curves)
            if (!PointsInBounds(c)) pellivar::fuzz::fail("a gamma curve with too few, too many or stray points");
        using Reply = pellivar::GammaCurveExchange::Reply;
        if (reply == Reply::Cut || reply == Reply::Reset) {
            const int curve = line[2] - '0';
            if (!curves[static_cast<std::size_t>(curve)].IsValid())
                pellivar::fuzz::fail("a closed gamma curve that cannot be drawn or sent");
        }
        line.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') feed();
        else line.push_back(static_cast<char>(data[i]));
    }
    feed();
    return 0;
}

#include "halvane/design/CurveCollection.h"

#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::design {

void CollectMainCurves(CurveList& curves, const signal::CCurveSet& set) {
    curves.clear();
    for (int ch = 0; ch < signal::ChannelTable::kSubwoofer; ++ch) {
        if (signal::CCurve* c = set.Find(ch)) curves.push_back(c);
    }
}

void CollectPairCurves(int channel, CurveList& curves, const signal::CCurveSet& set) {
    curves.clear();
    if (!signal::ChannelTable::IsChannel(channel)) return;
    if (signal::CCurve* c = set.Find(channel)) curves.push_back(c);
    const int partner = signal::ChannelTable::kPairs[static_cast<std::size_t>(channel)];
    if (signal::ChannelTable::IsChannel(partner)) {
        if (signal::CCurve* c = set.Find(partner)) curves.push_back(c);
    }
}

}  // namespace halvane::design

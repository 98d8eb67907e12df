#include "halvane/design/CurveCollection.h"

#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/ChannelTable.h"

void CollectMainCurves(CurveList& curves, const CCurveSet& set) {
    curves.clear();
    for (int ch = 0; ch < ChannelTable::kSubwoofer; ++ch) {
        if (CCurve* c = set.Find(ch)) curves.push_back(c);
    }
}

void CollectPairCurves(int channel, CurveList& curves, const CCurveSet& set) {
    curves.clear();
    if (!ChannelTable::IsChannel(channel)) return;
    if (CCurve* c = set.Find(channel)) curves.push_back(c);
    const int partner = ChannelTable::kPairs[static_cast<std::size_t>(channel)];
    if (ChannelTable::IsChannel(partner)) {
        if (CCurve* c = set.Find(partner)) curves.push_back(c);
    }
}

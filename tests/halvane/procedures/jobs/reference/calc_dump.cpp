// Prints what the calculation job stores for a synthetic room of unit kind
// 2 (or the kind given), for calc_reference.py to check with scipy: per
// configuration, channel and rate slot the gain word and the halved stages,
// and for the design-rate slot the measured and calculated magnitudes.

#include <cstdio>
#include <cstdlib>

#include "halvane/link/CSampFS.h"

#include "tests/halvane/procedures/jobs/RoadProject.h"

int main(int argc, char** argv) {
    const std::int32_t kind = argc > 1 ? std::atoi(argv[1]) : 2;
    roadtest::ScriptedDoc s;
    if (!roadtest::CalculatedRoad(s.doc, kind)) {
        std::fprintf(stderr, "calculation failed\n");
        return 1;
    }
    const int rates = halvane::UnitClassLimits::RateCount();
    const int stages = halvane::UnitClassLimits::StageCount();
    std::printf("design %d\n", halvane::DesignRateHz());
    for (int c = 0; c < 2; ++c)
        for (int ch : roadtest::kRoadChannels) {
            for (int r = 0; r < rates; ++r) {
                const auto& set = s.doc.FilterSets[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]
                                                  [static_cast<std::size_t>(ch)];
                std::printf("set %d %d %d %d %d\n", c, ch, halvane::CSampFS(r).GetFrequency(), set.Gain, set.Filled);
                for (int b = 0; b < stages; ++b) {
                    const auto& q = set.Stages[static_cast<std::size_t>(b)];
                    std::printf("stage %.17g %.17g %.17g %.17g %.17g %d\n", q.b2_2, q.b1_2, q.b0_2, q.a2_2, q.a1_2,
                                q.inUse);
                }
            }
            auto m = s.doc.CurveSetSlot(c)->Find(ch)->Clone();
            auto k = s.doc.CurveSetSlot(c + 2)->Find(ch)->Clone();
            m->ToPolar();
            k->ToPolar();
            for (int i = 0; i < m->Count(); ++i)
                std::printf("point %d %d %.17g %.17g %.17g\n", c, ch, m->X()[i], m->A()[i], k->A()[i]);
        }
    return 0;
}

// Prints what the calculation job stores for a synthetic room of unit kind
// 2 (or the kind given), for calc_reference.py to check with scipy: per
// configuration, channel and rate slot the gain word and the halved stages,
// and for the design-rate slot the measured and calculated magnitudes.
// With "words" after the kind: for held_words_reference.py, the subwoofer's
// and the left front's Movie sets at 96, 176.4 and 192 kHz as their upload
// words, and the same calculation's exact coefficients.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "halvane/link/BiquadWords.h"
#include "halvane/link/CSampFS.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"

#include "tests/halvane/procedures/jobs/RoadProject.h"

int main(int argc, char** argv) {
    const std::int32_t kind = argc > 1 ? std::atoi(argv[1]) : 2;
    roadtest::ScriptedDoc s;
    if (!roadtest::CalculatedRoad(s.doc, kind)) {
        std::fprintf(stderr, "calculation failed\n");
        return 1;
    }
    if (argc > 2 && std::string(argv[2]) == "words") {
        const halvane::document::DocumentData::FilterSetArray held = s.doc.FilterSets;
        testsupport::TestProcHost host;
        halvane::procedures::CEqCalcProc exact(s.doc, halvane::procedures::CEqCalcProc::Coefficients::Exact);
        if (halvane::procedures::DoProcedure(&exact, {}, &host) != 1) return 1;
        const int stages = s.doc.Limits().StageCount();
        for (int ch : {7, 0})
            for (int r : {3, 7, 6}) {
                const auto& h = held[0][static_cast<std::size_t>(r)][static_cast<std::size_t>(ch)];
                const auto& e = s.doc.FilterSets[0][static_cast<std::size_t>(r)][static_cast<std::size_t>(ch)];
                std::printf("set %d %d %d %d\n", ch, halvane::link::CSampFS(r).GetFrequency(), h.Gain, e.Gain);
                for (int b = 0; b < stages; ++b) {
                    const auto& q = h.Stages[static_cast<std::size_t>(b)];
                    std::printf("words");
                    for (int k = 0; k < halvane::link::kStageWordCount; ++k)
                        std::printf(" %s", halvane::link::FormatWord(k, q).c_str());
                    const auto& x = e.Stages[static_cast<std::size_t>(b)];
                    std::printf("\nexact %.17g %.17g %.17g %.17g %.17g\n", x.b2_2, x.b1_2, x.b0_2, x.a2_2, x.a1_2);
                }
            }
        return 0;
    }
    const int rates = s.doc.Limits().RateCount();
    const int stages = s.doc.Limits().StageCount();
    // The same calculation's exact coefficients ("exact" lines after each
    // set), which the rate conversion works on; the sets hold the values
    // the processor's words hold.
    auto exactDoc = std::make_unique<roadtest::ScriptedDoc>();
    if (!roadtest::CalculatedRoad(exactDoc->doc, kind)) return 1;
    {
        testsupport::TestProcHost host;
        halvane::procedures::CEqCalcProc exact(exactDoc->doc, halvane::procedures::CEqCalcProc::Coefficients::Exact);
        if (halvane::procedures::DoProcedure(&exact, {}, &host) != 1) return 1;
    }
    std::printf("design %d\n", halvane::procedures::DesignRateHz(s.doc.Limits()));
    for (int c = 0; c < 2; ++c)
        for (int ch : roadtest::kRoadChannels) {
            for (int r = 0; r < rates; ++r) {
                const auto& set = s.doc.FilterSets[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]
                                                  [static_cast<std::size_t>(ch)];
                std::printf("set %d %d %d %d %d\n", c, ch, halvane::link::CSampFS(r).GetFrequency(), set.Gain, set.Filled);
                for (int b = 0; b < stages; ++b) {
                    const auto& q = set.Stages[static_cast<std::size_t>(b)];
                    std::printf("stage %.17g %.17g %.17g %.17g %.17g %d\n", q.b2_2, q.b1_2, q.b0_2, q.a2_2, q.a1_2,
                                q.inUse);
                }
                const auto& e = exactDoc->doc.FilterSets[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]
                                                         [static_cast<std::size_t>(ch)];
                std::printf("exactgain %d\n", e.Gain);
                for (int b = 0; b < stages; ++b) {
                    const auto& q = e.Stages[static_cast<std::size_t>(b)];
                    std::printf("exact %.17g %.17g %.17g %.17g %.17g %d\n", q.b2_2, q.b1_2, q.b0_2, q.a2_2, q.a1_2,
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

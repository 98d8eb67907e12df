// The crossover detection and target regeneration jobs, and the document
// updates around a measurement and a load.

#include <cmath>

#include "halvane/design/BuildTargetCurves.h"
#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "platform/ArchiveWriter.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UserPrompt.h"

#include "tests/halvane/procedures/jobs/RoadProject.h"

#include <gtest/gtest.h>

using namespace halvane::design;
using namespace halvane::signal;

using halvane::document::DocumentData;

namespace {

class CrossoverTargetTest : public ::testing::Test {
protected:
    roadtest::ScriptedDoc s_;
    testsupport::TestProcHost host_;
};

std::vector<double> Magnitudes(const CCurve& curve) {
    auto c = curve.Clone();
    c->ToPolar();
    return {c->A(), c->A() + c->Count()};
}

}  // namespace

TEST_F(CrossoverTargetTest, FiledMeasurementIsAveragedWithAWorkingCopy) {
    roadtest::FillMeasurements(s_.doc, 3);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(s_.doc.MeasSetSlot(c + 6)->Count(), 5);
        EXPECT_EQ(s_.doc.CurveSetSlot(c)->Count(), 5);
        EXPECT_EQ(Magnitudes(*s_.doc.CurveSetSlot(c + 8)->Find(7)), Magnitudes(*s_.doc.CurveSetSlot(c)->Find(7)));
    }
    // Filing again without a new measurement keeps the measurement set and
    // drops the calculated curves.
    s_.doc.CurveSetSlot(2)->Add(0, s_.doc.CurveSetSlot(0)->Find(0)->Clone());
    const auto before = Magnitudes(*s_.doc.CurveSetSlot(0)->Find(0));
    halvane::procedures::UpdateDocMeasurements(nullptr, 0, s_.doc);
    EXPECT_EQ(s_.doc.CurveSetSlot(2)->Count(), 0);
    const auto again = Magnitudes(*s_.doc.CurveSetSlot(0)->Find(0));
    ASSERT_EQ(again.size(), before.size());
    for (std::size_t i = 0; i < again.size(); ++i) EXPECT_NEAR(again[i], before[i], 1e-9 * before[i]);
}

TEST_F(CrossoverTargetTest, LoadRebuildAddsPoint8DbOnceAndTakesOutAnOldCorrection) {
    roadtest::FillMeasurements(s_.doc, 5);
    const auto averaged = Magnitudes(*s_.doc.CurveSetSlot(0)->Find(1));
    // 10^(0.8/20), by /usr/bin/python3 -c 'print(10**(0.8/20))'.
    const double factor = 1.0964781961431852;
    for (int pass = 0; pass < 2; ++pass) {  // a second load gives the same curves
        halvane::procedures::RebuildGroupCurves(s_.doc);
        const auto rebuilt = Magnitudes(*s_.doc.CurveSetSlot(0)->Find(1));
        for (std::size_t i = 0; i < rebuilt.size(); i += 11) EXPECT_NEAR(rebuilt[i], averaged[i] * factor, 1e-9 * rebuilt[i]);
        const auto copy = Magnitudes(*s_.doc.CurveSetSlot(8)->Find(1));  // taken before the gain
        for (std::size_t i = 0; i < copy.size(); i += 11) EXPECT_NEAR(copy[i], averaged[i], 1e-9 * copy[i]);
    }

    s_.doc.m_bOlderVersion = 1;
    s_.doc.m_nCorrectionKind = 2;
    halvane::procedures::RebuildGroupCurves(s_.doc);
    CCurve expected = *s_.doc.CurveSetSlot(8)->Find(1);
    MakeCorrectionCurve(expected, 2);
    const auto old = Magnitudes(*s_.doc.CurveSetSlot(0)->Find(1));
    const auto corrected = Magnitudes(expected);
    for (std::size_t i = 0; i < old.size(); i += 11) EXPECT_NEAR(old[i], corrected[i] * factor, 1e-9 * old[i]);
}

TEST_F(CrossoverTargetTest, FiveRateUnitGetsTargetsAt96kAndCalculatedCurvesAreDropped) {
    ASSERT_TRUE(roadtest::PrepareRoad(s_.doc, 1));
    EXPECT_EQ(halvane::procedures::DesignRateHz(s_.doc.Limits()), 96000);
    CCurveSet expected;
    BuildTargetCurves(1, 0, *s_.doc.CurveSetSlot(0), s_.doc.m_TargetConfig, 96000, expected, true);
    const CCurveSet& targets = *s_.doc.CurveSetSlot(DocumentData::TargetMovie);
    ASSERT_EQ(targets.Count(), expected.Count());
    for (int ch : {0, 7}) EXPECT_EQ(Magnitudes(*targets.Find(ch)), Magnitudes(*expected.Find(ch)));

    s_.doc.CurveSetSlot(3)->Add(0, s_.doc.CurveSetSlot(1)->Find(0)->Clone());
    EXPECT_EQ(halvane::procedures::RunRecalcTarg(s_.doc, &host_, {}), 1);
    EXPECT_EQ(s_.doc.CurveSetSlot(3)->Count(), 0);
    EXPECT_EQ(s_.doc.CurveSetSlot(1)->Count(), 5) << "the measured curves come back";
}

TEST_F(CrossoverTargetTest, FailuresEndBothJobsWithTwoAndKeepTheDocument) {
    roadtest::FillMeasurements(s_.doc, 2);
    s_.doc.m_nUnitKind = 3;  // no such class
    s_.doc.m_TargetConfig.MusicUsesMovie = 1;
    // Each failure comes back with its reason, for the caller to show.
    std::string failure;
    EXPECT_EQ(halvane::procedures::RunAutoDetectXOvers(&host_, {}, *s_.doc.CurveSetSlot(0), *s_.doc.CurveSetSlot(1),
                                           s_.doc.m_TargetConfig, 3, &failure),
              2);
    EXPECT_EQ(failure, "Could not detect the crossovers for this unit class.");
    EXPECT_EQ(s_.doc.m_TargetConfig.MusicUsesMovie, 1);

    s_.doc.CurveSetSlot(4)->Add(0, s_.doc.CurveSetSlot(0)->Find(0)->Clone());
    testsupport::TestProcHost host;
    EXPECT_EQ(halvane::procedures::RunRecalcTarg(s_.doc, &host, {}, &failure), 2);
    EXPECT_EQ(failure, "Could not build the target curves for this unit class.");
    EXPECT_EQ(host.Results(), std::vector<int>{2});
    EXPECT_EQ(s_.doc.CurveSetSlot(4)->Count(), 1) << "the old targets stay";
    EXPECT_EQ(s_.doc.CurveSetSlot(0)->Count(), 5);
}

TEST_F(CrossoverTargetTest, LevelUpdateOfAnUnknownKindIsReportedAndChangesNothing) {
    roadtest::FillMeasurements(s_.doc, 4);
    s_.doc.m_nUnitKind = 0;  // no such class
    const auto config = [&] {
        platform::ArchiveWriter w;
        s_.doc.m_TargetConfig.Serialize(w);
        return w.bytes();
    };
    const auto before = config();
    const auto movie = Magnitudes(*s_.doc.CurveSetSlot(0)->Find(0));
    platform::ScriptedUserPrompt prompt;
    platform::SetUserPrompt(&prompt);
    halvane::procedures::ProcedurePostLoad().UpdateLevels(s_.doc);
    platform::SetUserPrompt(nullptr);
    EXPECT_EQ(config(), before);
    EXPECT_EQ(Magnitudes(*s_.doc.CurveSetSlot(0)->Find(0)), movie);
    ASSERT_EQ(prompt.askCount(), 1u);
    EXPECT_EQ(prompt.asks()[0].text, "Critical Error (7257F592-B44A-4bf6-A1A3-43CEBE7433F1)");
    EXPECT_EQ(prompt.asks()[0].caption, "Error");
}

TEST_F(CrossoverTargetTest, ALevelThatIsNoNumberGivesNoTrim) {
    // A front whose squares overflow (a damaged older document: its levels
    // are updated after the load) has an infinite level, and the reference
    // then minus that level is no number. It must not reach the trim's
    // conversion to steps (undefined for NaN; the document fuzz target found
    // it): that channel gets no trim, the others stay within their range.
    roadtest::FillMeasurements(s_.doc, 4);
    s_.doc.m_nUnitKind = 2;
    CCurve* front = s_.doc.CurveSetSlot(0)->Find(2);
    ASSERT_NE(front, nullptr);
    for (int i = 0; i < front->Count(); ++i) front->A()[i] = 1e200;
    halvane::procedures::ProcedurePostLoad().UpdateLevels(s_.doc);
    for (const int trim : s_.doc.m_TargetConfig.ChannelTrim) {
        EXPECT_GE(trim, -24);
        EXPECT_LE(trim, 24);
    }
    EXPECT_EQ(s_.doc.m_TargetConfig.ChannelTrim[2], 0);
}

// The crossover, target and calculation jobs on a synthetic room: which
// slots each unit class fills, what the stored records hold, and what a
// failure or an abort leaves behind.

#include <cmath>
#include <complex>

#include "halvane/design/FilterDesign.h"
#include "halvane/design/HeldCoefficients.h"
#include "halvane/link/HeldWordLattices.h"
#include "halvane/link/CSampFS.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"

#include "tests/halvane/procedures/jobs/RoadProject.h"

#include <gtest/gtest.h>

using namespace halvane::design;
using namespace halvane::signal;

using halvane::document::DocumentData;
using halvane::document::FilterSet;

namespace {

class CalculationTest : public ::testing::Test {
protected:

    const FilterSet& Set(int c, int r, int ch) const {
        return s_.doc.FilterSets[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)][static_cast<std::size_t>(ch)];
    }
    // The chain of a design-rate record converted to another rate, as the
    // job must do it for every slot but 32000 Hz.
    static FilterDesign Converted(const FilterSet& design, std::int32_t fromHz, std::int32_t toHz, int stages) {
        FilterDesign d;
        d.InitStages(stages);
        d.SampleRate = fromHz;
        for (int i = 0; i < stages; ++i) d.LoadStage(design.Stages[static_cast<std::size_t>(i)], i);
        d.LoadGainWord(design.Gain);
        d.ChangeSampleRate(toHz);
        return d;
    }

    roadtest::ScriptedDoc s_;
    testsupport::TestProcHost host_;
};

// The gain word as a signed count of 0.5 dB steps.
int SignedGain(std::int32_t word) { return (word & 0x800000) != 0 ? (word | ~0xFFFFFF) : word; }

// |H| of the stored stages at f Hz (b = 2 x stored, a = [1, 2 a1/2, 2 a2/2])
// times the gain word, evaluated here from the record alone.
double StoredMagnitude(const FilterSet& set, int stages, double f, double rate) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / rate);
    std::complex<double> h = 1.0;
    for (int i = 0; i < stages; ++i) {
        const auto& b = set.Stages[static_cast<std::size_t>(i)];
        h *= (2.0 * b.b0_2 + 2.0 * b.b1_2 * z1 + 2.0 * b.b2_2 * z1 * z1) /
             (1.0 + 2.0 * b.a1_2 * z1 + 2.0 * b.a2_2 * z1 * z1);
    }
    return std::abs(h) * std::pow(10.0, 0.5 * SignedGain(set.Gain) / 20.0);
}

}  // namespace

TEST_F(CalculationTest, Class2DesignsAt192kAndFillsEveryRateSlot) {
    // Crossover detection, levels, targets and the calculation, as the
    // main window runs them (the file of the finished document).
    ASSERT_TRUE(roadtest::CalculatedRoad(s_.doc, 2));
    // Crossover detection leaves Music with its own values.
    EXPECT_EQ(s_.doc.m_TargetConfig.MusicUsesMovie, 0);
    ASSERT_EQ(s_.doc.CurveSetSlot(DocumentData::TargetMovie)->Count(), 5);

    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(s_.doc.CurveSetSlot(c + 2)->Count(), 5);
        EXPECT_EQ(s_.doc.CurveSetSlot(c + 10)->Count(), 0);
        for (int r = 0; r < 8; ++r)
            for (int ch : roadtest::kRoadChannels) {
                const FilterSet& set = Set(c, r, ch);
                EXPECT_EQ(set.Filled, 1) << c << r << ch;
                EXPECT_EQ(set.Gain & ~0xFFFFFF, 0);
                for (const auto& b : set.Stages) EXPECT_EQ(b.inUse, 1);
            }
        // Channels without a measured curve are untouched.
        EXPECT_EQ(Set(c, 6, 5), FilterSet{});
        EXPECT_EQ(Set(c, 6, 6), FilterSet{});
    }

    // The calculated curve is the measured one through the stored chain.
    const CCurve& measured = *s_.doc.CurveSetSlot(0)->Find(0);
    const CCurve& calculated = *s_.doc.CurveSetSlot(2)->Find(0);
    auto m = measured.Clone();
    auto k = calculated.Clone();
    m->ToPolar();
    k->ToPolar();
    for (int i = 0; i < m->Count(); i += 17) {
        const double f = m->X()[i];
        if (f > 20000.0) break;
        EXPECT_NEAR(k->A()[i] / m->A()[i], StoredMagnitude(Set(0, 6, 0), 10, f, 192000.0), 1e-6 * k->A()[i] / m->A()[i])
            << f;
    }

    // The correction brings every channel nearer its target.
    for (int ch : roadtest::kRoadChannels) {
        const CCurve& target = *s_.doc.CurveSetSlot(DocumentData::TargetMovie)->Find(ch);
        const double lower = ch == 7 ? 25.0 : 150.0, upper = ch == 7 ? 100.0 : 10000.0;
        const double before = roadtest::RmsDeviationDb(*s_.doc.CurveSetSlot(0)->Find(ch), target, lower, upper);
        const double after = roadtest::RmsDeviationDb(*s_.doc.CurveSetSlot(2)->Find(ch), target, lower, upper);
        EXPECT_LT(after, before) << ch;
    }

    // 96000 Hz is the exact 192000 Hz chain (the same calculation with its
    // exact coefficients) converted, gain word included, and then held on
    // the flagship's words; the 32000 Hz slot is a fit of its own, not a
    // conversion.
    const DocumentData::FilterSetArray held = s_.doc.FilterSets;
    halvane::procedures::CEqCalcProc exactJob(s_.doc, halvane::procedures::CEqCalcProc::Coefficients::Exact);
    ASSERT_EQ(halvane::procedures::DoProcedure(&exactJob, {}, &host_), 1);
    const DocumentData::FilterSetArray exact = s_.doc.FilterSets;
    for (int ch : {0, 7}) {
        const FilterSet& design = exact[0][6][static_cast<std::size_t>(ch)];
        FilterDesign at96 = Converted(design, 192000, 96000, 10);
        ChooseHeldCoefficients(at96, halvane::link::HeldWordLattice(false));
        const FilterSet& stored = held[0][3][static_cast<std::size_t>(ch)];
        for (int i = 0; i < 10; ++i) EXPECT_EQ(stored.Stages[static_cast<std::size_t>(i)], at96.StoredStage(i));
        EXPECT_EQ(stored.Gain, at96.GainSteps & 0xFFFFFF);
        const FilterDesign at32 = Converted(design, 192000, 32000, 10);
        bool differs = false;
        for (int i = 0; i < 10; ++i)
            differs |= !(exact[0][2][static_cast<std::size_t>(ch)].Stages[static_cast<std::size_t>(i)] ==
                         at32.StoredStage(i));
        EXPECT_TRUE(differs) << ch;
    }
}

TEST_F(CalculationTest, Class1FillsFiveSlotsAndTheReceiverKeepsAnIdentityFifthStage) {
    ASSERT_TRUE(roadtest::PrepareRoad(s_.doc, 1));
    // A flagship document prepared since lends this one neither its rates
    // nor its stages.
    roadtest::ScriptedDoc flagship;
    ASSERT_TRUE(roadtest::PrepareRoad(flagship.doc, 2));
    ASSERT_TRUE(halvane::procedures::RunEqCalcProc({}, s_.doc, &host_));
    EXPECT_EQ(host_.Results(), std::vector<int>{1});
    EXPECT_EQ(host_.DisplayStrings(),
              (std::vector<std::string>{"Calculating Movie correction...", "Calculating Music correction..."}));
    EXPECT_EQ(host_.Total(), 5 * 5);
    EXPECT_EQ(host_.Position(), 5 * 5);
    for (int r = 0; r < 8; ++r) EXPECT_EQ(Set(0, r, 0).Filled, r < 5 ? 1 : 0) << r;
    EXPECT_EQ(s_.doc.CurveSetSlot(DocumentData::CalculatedMusic)->Count(), 5);

    roadtest::ScriptedDoc receiver;
    ASSERT_TRUE(roadtest::CalculatedRoad(receiver.doc, 4));
    for (int r = 0; r < 8; ++r) {
        const FilterSet& set = receiver.doc.FilterSets[0][static_cast<std::size_t>(r)][0];
        EXPECT_EQ(set.Filled, 1);
        halvane::design::Biquad identity;
        identity.inUse = 1;
        EXPECT_EQ(set.Stages[4], identity) << r;
        // Beyond the receiver's five stages nothing is written.
        EXPECT_EQ(set.Stages[5], halvane::design::Biquad{});
    }
}

TEST_F(CalculationTest, StoredGainIsTheLow24BitsAndUnusedStagesAreIdentities) {
    s_.doc.m_nUnitKind = 2;  // ten stages per set
    FilterDesign d;
    d.InitStages(3);
    d.B1[0] = 0.5;
    d.A1[0] = -0.25;
    d.GainSteps = -3;
    halvane::procedures::StoreBiquadTable(s_.doc, d, 6, 1, 1);
    const FilterSet& set = Set(1, 6, 1);
    EXPECT_EQ(set.Gain, 0xFFFFFD);
    EXPECT_EQ(set.Filled, 1);
    EXPECT_DOUBLE_EQ(set.Stages[0].b1_2, 0.25);
    EXPECT_DOUBLE_EQ(set.Stages[0].a1_2, -0.125);
    EXPECT_DOUBLE_EQ(set.Stages[0].b0_2, 0.5);
    for (std::size_t i = 3; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(set.Stages[i].b0_2, 0.5);
        EXPECT_EQ(set.Stages[i].inUse, 1);
        EXPECT_EQ(set.Stages[i].b1_2, 0.0);
    }
}

TEST_F(CalculationTest, AbortAndUnknownClassEndAsFailuresWithoutCalculatedCurves) {
    ASSERT_TRUE(roadtest::PrepareRoad(s_.doc, 2));
    // Curves of an earlier calculation are published empty after a failure.
    s_.doc.CurveSetSlot(2)->Add(0, s_.doc.CurveSetSlot(0)->Find(0)->Clone());
    host_.OnReport = [](testsupport::TestProcHost& h, const testsupport::TestProcHost::Report& r) {
        if (r.kind == testsupport::TestProcHost::Kind::Pos && r.value == 8) h.Abort();
    };
    EXPECT_FALSE(halvane::procedures::RunEqCalcProc({}, s_.doc, &host_));
    EXPECT_EQ(host_.Results(), std::vector<int>{2});
    for (int slot : {2, 3, 10, 11}) EXPECT_EQ(s_.doc.CurveSetSlot(slot)->Count(), 0) << slot;
    // The channel finished before the abort keeps its records.
    EXPECT_EQ(Set(0, 6, 0).Filled, 1);
    EXPECT_EQ(Set(0, 6, 1).Filled, 0);

    roadtest::ScriptedDoc unknown;
    unknown.doc.m_nUnitKind = 0;
    testsupport::TestProcHost host;
    halvane::procedures::CEqCalcProc job(unknown.doc);
    EXPECT_EQ(halvane::procedures::DoProcedure(&job, {}, &host), 2);
    ASSERT_NE(job.LastError(), nullptr);
    EXPECT_NE(job.LastError()->message().find("unit class"), std::string::npos);
}

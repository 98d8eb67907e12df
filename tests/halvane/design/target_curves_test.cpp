// A configuration's target curves: which channels get one, which crossover
// each uses (MusicUsesMovie, the 170 / -1 / 165 codes), the EQ limits they
// carry, the shelf from the room gain, and the added level of the displayed
// targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SyntheticSpeakers.h"
#include "halvane/design/BuildTargetCurves.h"
#include "halvane/design/CConfigTargets.h"
#include "halvane/design/CTargetCurve.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/TargetConfig.h"
#include "platform/ScriptedUserPrompt.h"

using namespace halvane::design;
using namespace halvane::signal;

using namespace synthetic;

namespace {

constexpr int kFlagship = 1;

class PromptScope {
public:
    PromptScope() { platform::SetUserPrompt(&prompt); }
    ~PromptScope() { platform::SetUserPrompt(nullptr); }
    platform::ScriptedUserPrompt prompt;
};

void FullSet(CCurveSet& set) {
    for (int ch = 0; ch < 7; ++ch) Put(set, ch, Speaker(80.0, 40.0, 2, 0.5, static_cast<unsigned>(ch + 1)));
    Put(set, 7, Subwoofer(85.0, 95.0));
}

const CTargetCurve* TargetOf(const CCurveSet& set, int ch) { return dynamic_cast<const CTargetCurve*>(set.Find(ch)); }

}  // namespace

TEST(TargetCurves, OneCurvePerChannelWithItsGroupsCrossover) {
    CCurveSet measured;
    FullSet(measured);
    TargetConfig config;
    config.MusicUsesMovie = 0;
    config.Crossover[0] = {90, 120, TargetConfig::kNoCrossover, TargetConfig::kNoTarget, 100};
    config.MaxEqFrequency[0] = 8000;
    CConfigTargets targets(kFlagship, 0, measured, config, 96000);
    CCurveSet out;
    Put(out, 5, Flat(0.0));  // emptied first
    BuildTargetCurves(targets, out, false);
    // Surrounds (170) and rears (-1) get none.
    for (int ch : {3, 4, 5, 6}) EXPECT_FALSE(out.HasCurve(ch)) << "channel " << ch;
    for (int ch : {0, 1, 2, 7}) ASSERT_NE(TargetOf(out, ch), nullptr) << "channel " << ch;
    EXPECT_DOUBLE_EQ(TargetOf(out, 0)->LowerLimit, 30.0);
    EXPECT_DOUBLE_EQ(TargetOf(out, 2)->LowerLimit, 30.0);
    EXPECT_DOUBLE_EQ(TargetOf(out, 1)->LowerLimit, 40.0);
    EXPECT_DOUBLE_EQ(TargetOf(out, 0)->UpperLimit, 8000.0);
    EXPECT_DOUBLE_EQ(TargetOf(out, 7)->UpperLimit, 300.0);
    // The curves sit on the measured grid up to half the rate; the
    // subwoofer's peaks at 0 dB.
    const CTargetCurve* front = TargetOf(out, 0);
    EXPECT_EQ(front->X()[0], measured.Find(0)->X()[0]);
    EXPECT_LE(front->X()[front->Count() - 1], 48000.0);
    double peak = 0.0;
    const CTargetCurve* sub = TargetOf(out, 7);
    for (int i = 0; i < sub->Count(); ++i) peak = std::max(peak, MagnitudeAt(*sub, i));
    EXPECT_EQ(peak, 1.0);
    // The targets keep the last crossover they were given.
    EXPECT_EQ(targets.SpeakerTarget().CrossoverHz(), 90);
    EXPECT_EQ(targets.SubwooferTarget().CrossoverHz(), 100);
}

TEST(TargetCurves, MusicFollowsMovieWhileTheFlagIsSet) {
    CCurveSet measured;
    FullSet(measured);
    TargetConfig config;
    config.Crossover[0] = {120, 120, 120, 120, 80};
    config.Crossover[1] = {90, 90, TargetConfig::kNoCrossover, 90, 80};
    for (int flag : {1, 0}) {
        config.MusicUsesMovie = flag;
        CConfigTargets targets(kFlagship, 1, measured, config, 96000);
        CCurveSet out;
        BuildTargetCurves(targets, out, false);
        EXPECT_DOUBLE_EQ(TargetOf(out, 0)->LowerLimit, flag ? 40.0 : 30.0);
        EXPECT_EQ(out.HasCurve(3), flag == 1);
        EXPECT_EQ(targets.CrossoverOf(6), flag ? 120 : TargetConfig::kNoCrossover);
    }
}

TEST(TargetCurves, RoomGainAndAddedLevel) {
    CCurveSet measured;
    FullSet(measured);
    TargetConfig config;
    config.RoomGainDb[1] = 2.5;
    config.MusicUsesMovie = 0;
    config.RefLevel = 3;
    config.RefLevelOffsetDb = -1.25;
    CConfigTargets plain(kFlagship, 1, measured, config, 96000);
    CConfigTargets shown(kFlagship, 1, measured, config, 96000);
    CCurveSet a, b;
    BuildTargetCurves(plain, a, false);
    BuildTargetCurves(shown, b, true);
    // Both targets take the shelf ratio whose shelf lifts 2.5 dB.
    EXPECT_NEAR(40.0 * std::log10(plain.SpeakerTarget().ShelfRatio()), 2.5, 1e-12);
    EXPECT_NEAR(40.0 * std::log10(plain.SubwooferTarget().ShelfRatio()), 2.5, 1e-12);
    // Mains are raised by RefLevel + RefLevelOffsetDb, the subwoofer by the
    // room gain besides; phases are untouched.
    for (int ch = 0; ch < 8; ++ch) {
        const double want = ch == 7 ? 1.75 + 2.5 : 1.75;
        const CCurve& x = *a.Find(ch);
        const CCurve& y = *b.Find(ch);
        ASSERT_EQ(x.Count(), y.Count());
        for (int i = 0; i < x.Count(); i += 37) {
            EXPECT_NEAR(LevelDbAt(y, i) - LevelDbAt(x, i), want, 1e-9) << "channel " << ch;
            EXPECT_EQ(y.B()[i], x.B()[i]);
        }
    }
    // The plain form builds the same curves.
    CCurveSet d;
    BuildTargetCurves(kFlagship, 1, measured, config, 96000, d, true);
    ASSERT_EQ(d.Count(), b.Count());
    for (int ch = 0; ch < 8; ++ch) {
        EXPECT_TRUE(std::equal(d.Find(ch)->A(), d.Find(ch)->A() + d.Find(ch)->Count(), b.Find(ch)->A()));
        EXPECT_EQ(TargetOf(d, ch)->LowerLimit, TargetOf(b, ch)->LowerLimit);
    }
    // The shelf lifts the speaker target's lows by the room gain: compared
    // with a target without room gain, 10 Hz rises 2.5 dB against 2 kHz.
    TargetConfig flat = config;
    flat.RoomGainDb[1] = 0.0;
    CConfigTargets none(kFlagship, 1, measured, flat, 96000);
    CCurveSet c;
    BuildTargetCurves(none, c, false);
    auto index = [&](double f) {
        int i = 0;
        while (a.Find(0)->X()[i] < f) ++i;
        return i;
    };
    const int lo = index(10.0);
    const int hi = index(2000.0);
    const double lift = (LevelDbAt(*a.Find(0), lo) - LevelDbAt(*a.Find(0), hi)) -
                        (LevelDbAt(*c.Find(0), lo) - LevelDbAt(*c.Find(0), hi));
    EXPECT_NEAR(lift, 2.5, 0.05);
}

TEST(TargetCurves, TheInvalidCodeIsReportedAndUsed) {
    PromptScope scope;
    CCurveSet measured;
    FullSet(measured);
    TargetConfig config;
    config.Crossover[0][TargetConfig::Center] = TargetConfig::kInvalidCrossover;
    CConfigTargets targets(kFlagship, 0, measured, config, 96000);
    CCurveSet out;
    BuildTargetCurves(targets, out, false);
    ASSERT_EQ(scope.prompt.askCount(), 1u);
    EXPECT_EQ(scope.prompt.asks()[0].text, "Error, Map Crossover invalid value");
    EXPECT_DOUBLE_EQ(TargetOf(out, 1)->LowerLimit, 55.0);
    // The lower EQ limit lookup reports it as well.
    EXPECT_DOUBLE_EQ(targets.GetLowerEqLimit(1), 55.0);
    EXPECT_EQ(scope.prompt.askCount(), 2u);
}

TEST(TargetCurves, LowerEqLimitByCrossoverCode) {
    CCurveSet measured;
    FullSet(measured);
    TargetConfig config;
    config.Crossover[0] = {120, TargetConfig::kNoCrossover, 120, TargetConfig::kNoTarget, 100};
    CConfigTargets targets(kFlagship, 0, measured, config, 96000);
    EXPECT_DOUBLE_EQ(targets.GetLowerEqLimit(0), 40.0);
    // 170 and -1 leave the speaker target's crossover (120 from above).
    EXPECT_DOUBLE_EQ(targets.GetLowerEqLimit(1), 40.0);
    EXPECT_DOUBLE_EQ(targets.GetLowerEqLimit(4), 40.0);
    // The subwoofer at order 0: max(extension / 2, 21.2132).
    EXPECT_DOUBLE_EQ(targets.GetLowerEqLimit(7), CBaseTarget::kLowestEqLimit);
    EXPECT_EQ(targets.SubwooferTarget().CrossoverHz(), 100);
    // The rate switch of the calculation job reaches both targets.
    targets.SetSampleRate(32000);
    EXPECT_EQ(targets.SpeakerTarget().SampleRate(), 32000);
    EXPECT_EQ(targets.SubwooferTarget().SampleRate(), 32000);
    EXPECT_DOUBLE_EQ(targets.SpeakerTarget().UpperEqLimit(), 16000.0);
}

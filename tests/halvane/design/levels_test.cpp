// Target curves of a configuration and the channel levels and trims after a
// measurement. Flat curves make the levels exact (a magnitude of a reads as
// 20 log10 a over any band) and give no room gain, so the trim arithmetic is
// checked against worked examples.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "SyntheticSpeakers.h"
#include "halvane/design/BuildTargetCurves.h"
#include "halvane/design/CConfigTargets.h"
#include "halvane/design/CTargetCurve.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/design/CrossoverIterator.h"
#include "halvane/design/CurveCollection.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/TargetConfig.h"

using namespace halvane::design;
using namespace halvane::signal;

using namespace synthetic;

namespace {

// The flagship classes' crossover choices, as the processor link hands
// them in.
std::unique_ptr<halvane::design::ConTypes::CrossoverIterator> FlagshipChoices() {
    return std::make_unique<halvane::design::ConTypes::BztTolvarineCrossoverFreqIterator>();
}

// The level of a flat curve (its first point).
double LevelOf(const CCurveSet& set, int ch) { return LevelDbAt(*set.Find(ch), 0); }

// Every channel of `levels` as a flat curve (-1000: no curve).
void FlatSet(CCurveSet& set, const std::array<double, 8>& levels) {
    for (int ch = 0; ch < 8; ++ch) {
        if (levels[static_cast<std::size_t>(ch)] > -1000.0) Put(set, ch, Flat(levels[static_cast<std::size_t>(ch)]));
    }
}

constexpr double kNone = -2000.0;

}  // namespace

TEST(CurveCollection, MainsAndPairs) {
    CCurveSet set;
    FlatSet(set, {0, kNone, 0, 0, kNone, 0, 0, 0});
    CurveList list{nullptr};
    CollectMainCurves(list, set);
    EXPECT_EQ(list, (CurveList{set.Find(0), set.Find(2), set.Find(3), set.Find(5), set.Find(6)}));
    CollectPairCurves(2, list, set);
    EXPECT_EQ(list, (CurveList{set.Find(2), set.Find(0)}));
    CollectPairCurves(6, list, set);
    EXPECT_EQ(list, (CurveList{set.Find(6), set.Find(3)}));
    CollectPairCurves(4, list, set);  // Right Rear missing: only its partner
    EXPECT_EQ(list, (CurveList{set.Find(5)}));
    CollectPairCurves(7, list, set);
    EXPECT_EQ(list, (CurveList{set.Find(7)}));
    CollectPairCurves(1, list, set);
    EXPECT_TRUE(list.empty());
    CollectPairCurves(9, list, set);
    EXPECT_TRUE(list.empty());
}

TEST(ChannelLevels, FlatCurvesReadTheirLevel) {
    CCurveSet set;
    FlatSet(set, {70.0, 71.5, 69.0, 65.0, kNone, 64.0, 66.0, 80.0});
    ChannelLevelMap levels{{4, 1.0}};
    MeasureChannelLevels(*FlagshipChoices(), levels, set);
    const ChannelLevelMap want{{0, 70.0}, {1, 71.5}, {2, 69.0}, {3, 65.0}, {5, 64.0}, {6, 66.0}, {7, 80.0}};
    ASSERT_EQ(levels.size(), want.size());
    for (const auto& [ch, level] : want) EXPECT_NEAR(levels[ch], level, 1e-9) << "channel " << ch;
}

TEST(ChannelLevels, TheSubwooferIsLoweredByTheRoomGain) {
    // Mains with a 2 dB bass lift: the subwoofer's level drops by the
    // estimated room gain (within a grid step of 2 dB).
    const double v = std::pow(10.0, 2.0 / 40.0);
    CCurveSet set;
    for (int ch : {0, 1, 2}) Put(set, ch, Plus(Speaker(80.0, 12.0), [=](double f) { return ShelfDb(f, v, 96000.0); }));
    Put(set, 7, Flat(75.0));
    ChannelLevelMap levels;
    MeasureChannelLevels(*FlagshipChoices(), levels, set);
    EXPECT_NEAR(levels[7], 73.0, 0.1);
    // A main channel is judged from twice its crossover, where the lift has
    // not yet died away: a little above its own level.
    EXPECT_GT(levels[0], 80.0);
    EXPECT_LT(levels[0], 80.5);
}

TEST(LevelTrims, ReferenceMidwayBetweenTheMains) {
    // Levels -3, 0 and +5 dB: reference 1.0, trims +4, +1, -4 dB (8, 2, -8).
    CCurveSet movie, music;
    FlatSet(movie, {-3.0, 0.0, 5.0, kNone, kNone, kNone, kNone, kNone});
    FlatSet(music, {-1.0, -1.0, -1.0, kNone, kNone, kNone, kNone, kNone});
    TargetConfig config;
    config.RefLevel = 7;
    config.ChannelTrim.fill(5);
    config.MusicSubTrim = 9;
    UpdateLevels(*FlagshipChoices(), movie, music, config);
    EXPECT_NEAR(config.RefLevelOffsetDb, 1.0, 1e-9);
    EXPECT_EQ(config.RefLevel, -1);
    EXPECT_EQ(config.ChannelTrim, (std::array<std::int32_t, 8>{8, 2, -8, 0, 0, 0, 0, 0}));
    EXPECT_EQ(config.MusicSubTrim, 0);
    // Movie curves now all sit at the reference; Music mains moved by the
    // Movie trims.
    for (int ch : {0, 1, 2}) EXPECT_NEAR(LevelOf(movie, ch), 1.0, 1e-9);
    EXPECT_NEAR(LevelOf(music, 0), 3.0, 1e-9);
    EXPECT_NEAR(LevelOf(music, 1), 0.0, 1e-9);
    EXPECT_NEAR(LevelOf(music, 2), -5.0, 1e-9);
}

TEST(LevelTrims, AFarSubwooferPullsTheReference) {
    // Mains -2 and +2 dB, subwoofer -20: the reference 0 moves to
    // (2 + -20) / 2 = -9; trims -7, -11 and +11 dB (-14, -22, 22).
    CCurveSet movie, music;
    FlatSet(movie, {-2.0, kNone, 2.0, kNone, kNone, kNone, kNone, -20.0});
    FlatSet(music, {kNone, kNone, kNone, kNone, kNone, kNone, kNone, -25.0});
    TargetConfig config;
    UpdateLevelTrims(*FlagshipChoices(), movie, music, config);
    EXPECT_NEAR(config.RefLevelOffsetDb, -9.0, 1e-9);
    EXPECT_EQ(config.ChannelTrim, (std::array<std::int32_t, 8>{-14, 0, -22, 0, 0, 0, 0, 22}));
    // Music subwoofer: -9 - -25 = 16 dB, limited to +12 dB (24).
    EXPECT_EQ(config.MusicSubTrim, 24);
    EXPECT_NEAR(LevelOf(music, 7), -13.0, 1e-9);
    EXPECT_NEAR(LevelOf(movie, 7), -9.0, 1e-9);

    // Further away than 24 dB: at most 12 dB from the nearest main level.
    CCurveSet far, farMusic;
    FlatSet(far, {-2.0, kNone, 2.0, kNone, kNone, kNone, kNone, -30.0});
    UpdateLevelTrims(*FlagshipChoices(), far, farMusic, config);
    EXPECT_NEAR(config.RefLevelOffsetDb, -10.0, 1e-9);
    EXPECT_EQ(config.ChannelTrim[7], 24);
    CCurveSet loud, loudMusic;
    FlatSet(loud, {-2.0, kNone, 2.0, kNone, kNone, kNone, kNone, 15.0});
    UpdateLevelTrims(*FlagshipChoices(), loud, loudMusic, config);
    EXPECT_NEAR(config.RefLevelOffsetDb, 6.5, 1e-9);
    EXPECT_EQ(config.ChannelTrim[7], -17);
    EXPECT_EQ(config.ChannelTrim[0], 17);
    // Within 11 dB the subwoofer leaves the reference alone.
    CCurveSet near, nearMusic;
    FlatSet(near, {-2.0, kNone, 2.0, kNone, kNone, kNone, kNone, -10.5});
    UpdateLevelTrims(*FlagshipChoices(), near, nearMusic, config);
    EXPECT_NEAR(config.RefLevelOffsetDb, 0.0, 1e-9);
    EXPECT_EQ(config.ChannelTrim[7], 21);
}

TEST(LevelTrims, HalfStepsRoundAwayFromZero) {
    CCurveSet movie, music;
    FlatSet(movie, {0.26, kNone, -0.26, kNone, kNone, kNone, kNone, kNone});
    TargetConfig config;
    UpdateLevelTrims(*FlagshipChoices(), movie, music, config);
    EXPECT_EQ(config.ChannelTrim[0], -1);
    EXPECT_EQ(config.ChannelTrim[2], 1);
    CCurveSet small, smallMusic;
    FlatSet(small, {0.24, kNone, -0.24, kNone, kNone, kNone, kNone, kNone});
    UpdateLevelTrims(*FlagshipChoices(), small, smallMusic, config);
    EXPECT_EQ(config.ChannelTrim[0], 0);
    EXPECT_EQ(config.ChannelTrim[2], 0);
}

TEST(LevelTrims, OnlyASubwooferMeasured) {
    // No main level: the subwoofer is the reference and keeps trim 0 (the
    // 1e300 seeds never reach the arithmetic).
    CCurveSet movie, music;
    FlatSet(movie, {kNone, kNone, kNone, kNone, kNone, kNone, kNone, -20.0});
    FlatSet(music, {kNone, kNone, kNone, kNone, kNone, kNone, kNone, -21.0});
    TargetConfig config;
    UpdateLevelTrims(*FlagshipChoices(), movie, music, config);
    EXPECT_NEAR(config.RefLevelOffsetDb, -20.0, 1e-9);
    EXPECT_EQ(config.ChannelTrim, (std::array<std::int32_t, 8>{}));
    EXPECT_EQ(config.MusicSubTrim, 2);
    // Nothing measured at all: reference 0, all trims 0.
    CCurveSet none, noneMusic;
    config.ChannelTrim.fill(3);
    UpdateLevelTrims(*FlagshipChoices(), none, noneMusic, config);
    EXPECT_EQ(config.RefLevelOffsetDb, 0.0);
    EXPECT_EQ(config.ChannelTrim, (std::array<std::int32_t, 8>{}));
}

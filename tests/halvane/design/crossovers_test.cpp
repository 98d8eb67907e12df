// Crossover detection and the room-gain estimate, checked by properties on
// analytic speaker sets (SyntheticSpeakers.h): the scoring is this
// program's own, so the tests pin what the callers rely on (class choices
// within the searched range, the no-subwoofer rules, ordering, room gain)
// rather than particular numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "SyntheticSpeakers.h"
#include "tests/support/TestData.h"
#include "halvane/design/BuildTargetCurves.h"
#include "halvane/design/CConfigTargets.h"
#include "halvane/design/CSpeakerTarget.h"
#include "halvane/design/CSubwooferTarget.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/design/CrossoverIterator.h"
#include "halvane/design/CrossoverSearch.h"
#include "halvane/design/DetectCrossovers.h"
#include "halvane/design/TargetConfig.h"
#include "platform/ArchiveWriter.h"
#include "platform/ScriptedUserPrompt.h"

#if defined(_OPENMP)
#include <omp.h>
#endif

using namespace halvane::design;
using namespace halvane::signal;

using namespace synthetic;

namespace {

constexpr int kFlagship = 2;
constexpr int kReceiver = 4;

// A unit class's crossover choices as the processor link hands them in:
// the flagship list for classes 1 and 2, the receiver list for class 4.
std::unique_ptr<halvane::design::ConTypes::CrossoverIterator> ChoicesFor(int unitKind) {
    if (unitKind == kReceiver) return std::make_unique<halvane::design::ConTypes::UnitClassTypeVUXv1CrossoverFreqIterator>();
    return std::make_unique<halvane::design::ConTypes::BztTolvarineCrossoverFreqIterator>();
}

std::set<int> ChoicesOf(int unitKind) {
    std::set<int> out;
    auto it = ChoicesFor(unitKind);
    halvane::design::ConTypes::CrossoverChoice c;
    it->Seek(0);
    while (it->Current(&c) != nullptr) {
        out.insert(c.first);
        it->Next();
    }
    return out;
}

// A 7.1 set: mains with high-passes at `mains` Hz, surrounds and rears at
// `rears` Hz, a subwoofer (or none), mild ripple and a room mode.
void FillSet(CCurveSet& set, double mains, double rears, bool subwoofer, double ripple = 0.5) {
    const Level mode = [](double f) { return ModeDb(f, 48.0, 4.0, 0.15); };
    Put(set, 0, Plus(Speaker(80.0, mains, 2, ripple, 1), mode));
    Put(set, 1, Plus(Speaker(79.0, mains * 1.1, 2, ripple, 2), mode));
    Put(set, 2, Plus(Speaker(80.5, mains, 2, ripple, 3), mode));
    for (int ch = 3; ch <= 6; ++ch) Put(set, ch, Plus(Speaker(76.0, rears, 2, ripple, 10 + ch), mode));
    if (subwoofer) Put(set, 7, Plus(Subwoofer(85.0, 95.0), mode));
}

class PromptScope {
public:
    PromptScope() { platform::SetUserPrompt(&prompt); }
    ~PromptScope() { platform::SetUserPrompt(nullptr); }
    platform::ScriptedUserPrompt prompt;
};

}  // namespace

TEST(CrossoverSearch, ProposesAChoiceOfTheSearchedRange) {
    // Many speakers, both classes, several ranges: the proposal is always one
    // of the choices from the last one at or below the low end up to the
    // high end.
    for (int kind : {kFlagship, kReceiver}) {
        const std::set<int> all = ChoicesOf(kind);
        auto choices = ChoicesFor(kind);
        for (double fc : {20.0, 35.0, 50.0, 70.0, 90.0, 110.0, 150.0, 250.0}) {
            auto m = Curve(Speaker(75.0, fc, 2, 1.0, static_cast<unsigned>(fc)));
            for (auto [lo, hi] : {std::pair{25, 140}, std::pair{60, 140}, std::pair{62, 118}, std::pair{10, 300}}) {
                CSpeakerTarget t(96000);
                t.SetSearchLow(lo);
                t.SetSearchHigh(hi);
                const int hz = t.DetectCrossover({m.get()}, *choices);
                const auto range = CrossoverSearch::Candidates(*choices, lo, hi);
                EXPECT_NE(std::find(range.begin(), range.end(), hz), range.end())
                    << "kind " << kind << " fc " << fc << " range " << lo << ".." << hi << " gave " << hz;
                EXPECT_EQ(t.CrossoverHz(), hz);
                EXPECT_EQ(t.CrossoverValue(), hz);
                EXPECT_TRUE(all.count(hz));
            }
        }
    }
}

TEST(CrossoverSearch, SeekLandsOnTheChoiceBelowTheLowEnd) {
    auto choices = ChoicesFor(kFlagship);
    EXPECT_EQ(CrossoverSearch::Candidates(*choices, 62, 75), (std::vector<std::int32_t>{60, 65, 70, 75}));
    EXPECT_EQ(CrossoverSearch::Candidates(*choices, 10, 30), (std::vector<std::int32_t>{25, 30}));
    auto receiver = ChoicesFor(kReceiver);
    EXPECT_EQ(CrossoverSearch::Candidates(*receiver, 25, 140), (std::vector<std::int32_t>{60, 80, 100, 120}));
    EXPECT_EQ(CrossoverSearch::Candidates(*receiver, 130, 140), (std::vector<std::int32_t>{120}));
}

TEST(CrossoverSearch, NothingToJudgeGivesEighty) {
    auto choices = ChoicesFor(kFlagship);
    CSpeakerTarget t(96000);
    t.SetCrossover(120);
    EXPECT_EQ(t.DetectCrossover({}, *choices), 80);
    EXPECT_EQ(t.CrossoverHz(), 80);
    CSubwooferTarget s(96000, 20, 20, 0);
    EXPECT_EQ(s.DetectCrossover({}, *choices), 80);
    // A silent curve (every magnitude 0) cannot be judged either.
    auto silent = Curve(Flat(0.0));
    silent->ToPolar();
    std::fill(silent->A(), silent->A() + silent->Count(), 0.0);
    EXPECT_EQ(t.DetectCrossover({silent.get()}, *choices), 80);
}

TEST(CrossoverSearch, FollowsTheSpeakersRollOff) {
    // Lower-reaching speakers get lower crossovers, in the same order.
    auto choices = ChoicesFor(kFlagship);
    std::vector<int> found;
    for (double fc : {30.0, 50.0, 75.0, 100.0, 130.0}) {
        auto m = Curve(Speaker(80.0, fc, 2, 0.5, 7));
        CSpeakerTarget t(96000);
        t.SetSearchLow(25);
        t.SetSearchHigh(140);
        found.push_back(t.DetectCrossover({m.get()}, *choices));
    }
    for (std::size_t i = 1; i < found.size(); ++i) EXPECT_LT(found[i - 1], found[i]) << "at " << i;
    // Steeper speakers too, up to one that cannot be crossed over in range
    // at all (it gets the highest choice, not a lower one whose stop band
    // happens to lie where the speaker has no output left).
    int previous = 0;
    for (double fc : {30.0, 50.0, 75.0, 100.0, 130.0, 200.0, 300.0}) {
        auto m = Curve(Speaker(80.0, fc, 4, 0.5, 9));
        CSpeakerTarget t(96000);
        t.SetSearchLow(25);
        t.SetSearchHigh(140);
        const int hz = t.DetectCrossover({m.get()}, *choices);
        EXPECT_GE(hz, previous) << "fourth order at " << fc;
        previous = hz;
    }
    EXPECT_EQ(previous, 140);
    // A 50 Hz speaker is crossed over lower than a 100 Hz one with a
    // subwoofer too (search from 60 Hz), with a fourth-order roll-off too.
    for (int order : {2, 4}) {
        auto low = Curve(Speaker(80.0, 50.0, order, 0.5, 3));
        auto high = Curve(Speaker(80.0, 100.0, order, 0.5, 3));
        CSpeakerTarget t(96000);
        t.SetSearchLow(60);
        t.SetSearchHigh(140);
        const int a = t.DetectCrossover({low.get()}, *choices);
        const int b = t.DetectCrossover({high.get()}, *choices);
        EXPECT_LT(a, b) << "order " << order;
    }
}

TEST(CrossoverSearch, SubwooferFollowsItsLowPass) {
    auto choices = ChoicesFor(kFlagship);
    std::vector<int> found;
    for (double fc : {50.0, 70.0, 95.0, 140.0}) {
        auto m = Curve(Subwoofer(85.0, fc));
        CSubwooferTarget s(96000, 20, 20, 0);
        s.SetSubSearchLow(80);
        s.SetSubSearchHigh(120);
        const int hz = s.DetectCrossover({m.get()}, *choices);
        EXPECT_GE(hz, 80);
        EXPECT_LE(hz, 120);
        EXPECT_EQ(s.CrossoverHz(), hz);
        found.push_back(hz);
    }
    EXPECT_EQ(found[0], 80);  // cannot reach the search range: its low end
    for (std::size_t i = 1; i < found.size(); ++i) EXPECT_LE(found[i - 1], found[i]);
    EXPECT_LT(found[1], found[3]);
}

TEST(DetectCrossovers, WithASubwoofer) {
    PromptScope scope;
    CCurveSet set;
    FillSet(set, 50.0, 90.0, true);
    TargetConfig config;
    config.MinSubEqFrequency[0] = 33;
    config.SubHighPassFrequency[0] = 44;
    config.SubHighPassOrder[0] = 3;
    config.GroupFlag[0].fill(1);
    TargetConfig before = config;
    DetectCrossovers(*ChoicesFor(kFlagship), set, config, 0, 96000);
    const std::set<int> choices = ChoicesOf(kFlagship);
    const auto& xo = config.Crossover[0];
    for (int g = 0; g < 5; ++g) EXPECT_TRUE(choices.count(xo[g])) << "group " << g << " " << xo[g];
    EXPECT_GE(xo[TargetConfig::Subwoofer], 80);
    EXPECT_LE(xo[TargetConfig::Subwoofer], 120);
    for (int g : {TargetConfig::Front, TargetConfig::Center}) {
        EXPECT_GE(xo[g], 60);
        EXPECT_LE(xo[g], 140);
    }
    const int lowest = std::min(xo[TargetConfig::Front], xo[TargetConfig::Center]);
    EXPECT_GE(xo[TargetConfig::Surround], lowest);
    EXPECT_GE(xo[TargetConfig::Rear], lowest);
    EXPECT_EQ(config.GroupFlag[0], (std::array<std::int32_t, 5>{0, 0, 0, 0, 0}));
    EXPECT_GE(config.RoomGainDb[0], 0.0);
    EXPECT_LE(config.RoomGainDb[0], 4.0);
    EXPECT_EQ(config.MaxEqFrequency[0], 5000);
    EXPECT_EQ(config.MinSubEqFrequency[0], 20);
    EXPECT_EQ(config.SubHighPassFrequency[0], 20);
    EXPECT_EQ(config.SubHighPassOrder[0], 0);
    // Only configuration 0 changed, and no box was shown.
    EXPECT_EQ(config.Crossover[1], before.Crossover[1]);
    EXPECT_EQ(config.RoomGainDb[1], before.RoomGainDb[1]);
    EXPECT_EQ(config.MaxEqFrequency[1], before.MaxEqFrequency[1]);
    EXPECT_EQ(scope.prompt.askCount(), 0u);
    // The rears' higher roll-off gives them a higher crossover than the mains.
    EXPECT_GT(xo[TargetConfig::Rear], xo[TargetConfig::Front]);
}

TEST(DetectCrossovers, WithoutASubwooferTheFrontsRunFullRange) {
    CCurveSet set;
    FillSet(set, 30.0, 45.0, false);
    TargetConfig config;
    DetectCrossovers(*ChoicesFor(kFlagship), set, config, 1, 96000);
    const auto& xo = config.Crossover[1];
    EXPECT_EQ(xo[TargetConfig::Subwoofer], TargetConfig::kNoCrossover);
    EXPECT_EQ(config.GroupFlag[1][TargetConfig::Front], 1);
    EXPECT_EQ(config.GroupFlag[1][TargetConfig::Center], 0);
    // Searched from 25 Hz: a speaker reaching 30 Hz is crossed over below
    // the 60 Hz a subwoofer would impose.
    EXPECT_LT(xo[TargetConfig::Front], 60);
    EXPECT_GE(xo[TargetConfig::Front], 25);
    EXPECT_EQ(config.MaxEqFrequency[1], 5000);

    // The same speakers with a subwoofer: searched from 60.
    CCurveSet withSub;
    FillSet(withSub, 30.0, 45.0, true);
    DetectCrossovers(*ChoicesFor(kFlagship), withSub, config, 1, 96000);
    EXPECT_GE(config.Crossover[1][TargetConfig::Front], 60);
    EXPECT_EQ(config.GroupFlag[1][TargetConfig::Front], 0);
    EXPECT_NE(config.Crossover[1][TargetConfig::Subwoofer], TargetConfig::kNoCrossover);
}

TEST(DetectCrossovers, GroupsWithoutCurvesStayUncrossed) {
    // Only the fronts measured: centre, surrounds and rears stay 170; the
    // receiver class proposes only its own choices; at 48 kHz the maximum
    // EQ frequency stays 5000 (below half the rate).
    CCurveSet set;
    Put(set, 0, Speaker(80.0, 70.0, 2, 0.5, 1));
    Put(set, 2, Speaker(80.0, 70.0, 2, 0.5, 2));
    TargetConfig config;
    DetectCrossovers(*ChoicesFor(kReceiver), set, config, 0, 48000);
    const auto& xo = config.Crossover[0];
    const std::set<int> receiver = {60, 80, 100, 120};
    EXPECT_TRUE(receiver.count(xo[TargetConfig::Front])) << xo[TargetConfig::Front];
    for (int g : {TargetConfig::Center, TargetConfig::Surround, TargetConfig::Rear, TargetConfig::Subwoofer})
        EXPECT_EQ(xo[g], TargetConfig::kNoCrossover) << "group " << g;
    EXPECT_EQ(config.GroupFlag[0][TargetConfig::Front], 1);
    EXPECT_EQ(config.MaxEqFrequency[0], 5000);
    // At 8000 Hz half the rate is the limit.
    DetectCrossovers(*ChoicesFor(kReceiver), set, config, 0, 8000);
    EXPECT_EQ(config.MaxEqFrequency[0], 4000);
}

TEST(RoomGain, RecoversAShelfFromTheMainChannels) {
    // Full-range mains lifted below 200 Hz by the target's own shelf of
    // 2 dB (v = 10^0.05): the estimate lands on the grid step nearest 2 dB.
    // Flat mains give 0 dB.
    auto choices = ChoicesFor(kFlagship);
    for (double lift : {0.0, 1.0, 2.0, 3.5}) {
        const double v = std::pow(10.0, lift / 40.0);
        CCurveSet set;
        for (int ch : {0, 1, 2}) {
            Put(set, ch, Plus(Speaker(80.0 + ch, 12.0, 2, 0.3, static_cast<unsigned>(ch + 4)),
                              [=](double f) { return ShelfDb(f, v, 96000.0); }));
        }
        CurveList mains{set.Find(0), set.Find(1), set.Find(2)};
        CSpeakerTarget t(96000);
        t.SetSearchLow(60);
        t.SetSearchHigh(140);
        t.SetCrossover(80);
        t.EstimateRoomGain(mains, *choices);
        const double db = 40.0 * std::log10(t.ShelfRatio());
        EXPECT_NEAR(db, lift, 0.1) << "lift " << lift;
        // The per-curve detections leave this target's crossover and range.
        EXPECT_EQ(t.CrossoverHz(), 80);
        EXPECT_EQ(t.SearchLow(), 60);
    }
}

TEST(RoomGain, MatchesANumpyRewrite) {
    // data/make_room_gain.py rewrites the estimate with numpy and
    // scipy.signal.freqz on three rippled main curves with room modes (the
    // formulas below are the script's); every curve's own crossover is held
    // at 60 Hz by a one-choice search range, the reference band starts at
    // 80 Hz. The modes pull the estimate below the built-in lift, so the
    // choice is not simply the grid point nearest the lift.
    auto choices = ChoicesFor(kFlagship);
    int rows = 0;
    for (const auto& r : testdata::Rows("room_gain.txt")) {
        const int c = static_cast<int>(r[0]);
        const double lift = r[1];
        const double v = std::pow(10.0, lift / 40.0);
        CCurveSet set;
        for (int i = 0; i < 3; ++i) {
            Put(set, i, [=](double f) {
                const double o = std::log2(f);
                const double modes = 5.0 * std::exp(-std::pow(std::log2(f / 45.0) / 0.2, 2)) -
                                     6.0 * std::exp(-std::pow(std::log2(f / 120.0) / 0.1, 2));
                const double ripple =
                    (0.8 + 0.4 * c) * std::sin(9.0 * o + 0.3 + i) + 0.5 * std::sin(17.0 * o + 1.1 * i);
                return 78.0 + i + HighPassDb(f, 25.0, 2) + ShelfDb(f, v, 96000.0) + modes + ripple;
            });
        }
        CurveList mains{set.Find(0), set.Find(1), set.Find(2)};
        CSpeakerTarget t(96000);
        t.SetSearchLow(60);
        t.SetSearchHigh(60);
        t.SetCrossover(80);
        t.EstimateRoomGain(mains, *choices);
        EXPECT_DOUBLE_EQ(t.ShelfRatio(), r[2]) << "case " << c;
        ++rows;
    }
    EXPECT_EQ(rows, 3);
}

TEST(RoomGain, StaysWithinItsCandidates) {
    auto choices = ChoicesFor(kFlagship);
    // A huge lift, a dip, and nothing to judge (no main channel): 0 to
    // 3.95 dB, the last two 0 dB (the 3 dB default never survives).
    for (double lift : {12.0, -6.0}) {
        const double v = std::pow(10.0, lift / 40.0);
        auto m = Curve(Plus(Speaker(80.0, 12.0), [=](double f) { return ShelfDb(f, v, 96000.0); }));
        CSpeakerTarget t(96000);
        t.EstimateRoomGain({m.get()}, *choices);
        const double db = 40.0 * std::log10(t.ShelfRatio());
        EXPECT_GE(db, 0.0);
        EXPECT_LE(db, 3.95);
        if (lift > 0) {
            EXPECT_NEAR(db, 40.0 * std::log10(1.255), 1e-12);
        } else {
            EXPECT_EQ(t.ShelfRatio(), 1.0);
        }
    }
    CSpeakerTarget none(96000);
    none.EstimateRoomGain({}, *choices);
    EXPECT_EQ(none.ShelfRatio(), 1.0);

    // A subwoofer-only configuration: 0 dB of room gain.
    CCurveSet set;
    Put(set, 7, Subwoofer(85.0, 95.0));
    TargetConfig config;
    DetectCrossovers(*ChoicesFor(kFlagship), set, config, 0, 96000);
    EXPECT_EQ(config.RoomGainDb[0], 0.0);
    EXPECT_GE(config.Crossover[0][TargetConfig::Subwoofer], 80);
    EXPECT_EQ(config.Crossover[0][TargetConfig::Front], TargetConfig::kNoCrossover);
}

#if defined(_OPENMP)
namespace {

std::vector<std::uint8_t> Bytes(const TargetConfig& c) {
    platform::ArchiveWriter w;
    c.Serialize(w);
    return w.bytes();
}

}  // namespace

TEST(DetectCrossovers, SameProposalsOnOneThreadOrEight) {
    auto run = [](int threads) {
        const int saved = omp_get_max_threads();
        omp_set_num_threads(threads);
        CCurveSet set;
        FillSet(set, 55.0, 85.0, true, 2.0);
        TargetConfig config;
        DetectCrossovers(*ChoicesFor(kFlagship), set, config, 0, 96000);
        DetectCrossovers(*ChoicesFor(kFlagship), set, config, 1, 48000);
        // The level trims and the target curves that follow, too.
        CCurveSet music;
        FillSet(music, 55.0, 85.0, true, 1.0);
        UpdateLevels(*ChoicesFor(kFlagship), set, music, config);
        CConfigTargets targets(kFlagship, 0, set, config, 192000);
        CCurveSet out;
        BuildTargetCurves(targets, out, true);
        std::vector<std::uint8_t> bytes = Bytes(config);
        platform::ArchiveWriter w;
        out.Serialize(w);
        music.Serialize(w);
        bytes.insert(bytes.end(), w.bytes().begin(), w.bytes().end());
        omp_set_num_threads(saved);
        return bytes;
    };
    EXPECT_EQ(run(1), run(8));
}
#endif

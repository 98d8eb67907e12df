// The level checks after a position: thresholds (strict), which checks run
// for which measurements, the labels and texts shown, and the order in which
// ticked measurements come back on the queue.
#include "halvane/procedures/measurement/LevelChecks.h"
#include "halvane/procedures/measurement/Posn.h"
#include "halvane/signal/CMeasSet.h"
#include "platform/ScriptedUserPrompt.h"
#include "tests/halvane/procedures/measurement/ScriptedMeasurementUi.h"

#include <gtest/gtest.h>

using namespace halvane::design;
using namespace halvane::procedures;
using namespace halvane::signal;


using halvane::procedures::LevelCheckUi;
using halvane::procedures::RunLevelChecks;
namespace lc = halvane::procedures::level_checks;

namespace {

struct LevelFixture : ::testing::Test {
    CMeasSet set;
    std::vector<ChannelLevelMap> levels;
    MeasurementQueue queue;
    // A run at the default five positions.
    halvane::procedures::MeasurementSession session;
    ScriptedConflictUi conflicts;
    platform::ScriptedUserPrompt prompt;
    LevelCheckUi ui;

    void SetUp() override {
        set.SetSize(5);
        levels.assign(5, {});
        ui.conflicts = &conflicts;
        ui.prompt = &prompt;
    }
    void measured(int channel, int position, double db) {
        set.SetCurve(std::make_unique<CCurve>(1, 0, 1), channel, position);
        levels[static_cast<std::size_t>(position)][channel] = db;
    }
    bool holds(int channel, int position) { return set.Position(position)->HasCurve(channel); }
    std::vector<MeasurementItem> drain() {
        std::vector<MeasurementItem> out;
        while (!queue.IsEmpty()) out.push_back(queue.Pop());
        return out;
    }
};

}  // namespace

TEST_F(LevelFixture, LevelsWithinEveryBoundAskNothing) {
    for (int ch : {0, 1, 2, 3, 6, 7}) measured(ch, 0, 75.0);
    measured(0, 1, 85.0);  // exactly 10 dB across positions
    queue.Append({7, 0});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 0, queue, 0, 7));
    EXPECT_TRUE(conflicts.shown.empty());
    EXPECT_EQ(prompt.askCount(), 0u);
    EXPECT_EQ(queue.Count(), 1);
}

TEST_F(LevelFixture, MinimumLevelIsStrictAndLabelsEachMeasurement) {
    measured(0, 0, 40.0);  // at the bound: passes
    queue.Append({0, 0});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 0));
    EXPECT_TRUE(conflicts.shown.empty());

    levels[0][0] = 35.24;
    EXPECT_FALSE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 0));  // no scripted answer: Cancel
    ASSERT_EQ(conflicts.shown.size(), 1u);
    EXPECT_EQ(conflicts.shown[0].caption, "Halvane");
    EXPECT_EQ(conflicts.shown[0].text,
              "The speaker level was less than 40.0\r\nPlease select whichever measurements you would like to "
              "repeat.\r\n");
    EXPECT_EQ(conflicts.shown[0].labels, std::vector<std::string>{"Left Front Position 1: SPL = 35.2db"});
}

TEST_F(LevelFixture, CentreLeftRightSpreadNeedsAllThreeAndIsStrict) {
    measured(1, 0, 60.0);  // centre alone: no LCR, no pair check
    queue.Append({1, 0});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 1));
    measured(0, 0, 70.0);
    measured(2, 0, 70.0);  // spread exactly 10: passes
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 1));
    EXPECT_TRUE(conflicts.shown.empty());

    levels[0][2] = 70.01;
    conflicts.answers.push_back(std::vector<std::size_t>{});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 1));
    ASSERT_EQ(conflicts.shown.size(), 1u);
    EXPECT_EQ(conflicts.shown[0].text,
              "The speaker level variation accross the LCR was greater than 10.0\r\nPlease select whichever "
              "measurements you would like to repeat.\r\nClicking cancel will abort the measurement procedure.\r\n");
    EXPECT_EQ(conflicts.shown[0].labels.size(), 3u);
    EXPECT_EQ(conflicts.shown[0].labels[1], "Center Position 1: SPL = 60.0db");
}

TEST_F(LevelFixture, PairSpreadAndSpreadAcrossPositions) {
    // Surrounds 3 and 6 are a pair.
    measured(3, 0, 60.0);
    measured(6, 0, 71.0);
    queue.Append({6, 0});
    EXPECT_FALSE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 6));
    ASSERT_EQ(conflicts.shown.size(), 1u);
    EXPECT_EQ(conflicts.shown[0].text,
              "The speaker level variation across the L/R speakers was greater than 10.0\r\nPlease select "
              "whichever measurements you would like to repeat.\r\n");

    // A channel at one position only has no spread across positions.
    set.Clear();
    set.SetSize(5);
    levels.assign(5, {});
    measured(1, 0, 60.0);
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 1));
    measured(1, 3, 70.5);
    EXPECT_FALSE(RunLevelChecks(set, ui, levels, session, 1, queue, 3, 1));
    ASSERT_EQ(conflicts.shown.size(), 2u);
    EXPECT_EQ(conflicts.shown[1].text,
              "The speaker level variation was greater than 10.0\r\nPlease select whichever measurements you would "
              "like to repeat.\r\n");
    EXPECT_EQ(conflicts.shown[1].labels,
              (std::vector<std::string>{"Center Position 1: SPL = 60.0db", "Center Position 4: SPL = 70.5db"}));
}

TEST_F(LevelFixture, TickedMeasurementsComeNextLastTickedFirstWithTheirCurvesRemoved) {
    for (int ch : {0, 1, 2}) measured(ch, 2, 70.0);
    levels[2][2] = 50.0;  // the right front far below
    queue.Append({2, 2});
    queue.Append({0, 3});
    conflicts.answers.push_back(std::vector<std::size_t>{0, 2});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 2, 2));
    EXPECT_FALSE(holds(0, 2));
    EXPECT_TRUE(holds(1, 2));
    EXPECT_FALSE(holds(2, 2));
    // The current item stays on top (the job pops it as finished), then the
    // ticked ones, last ticked first, then the rest.
    EXPECT_EQ(drain(), (std::vector<MeasurementItem>{{2, 2}, {2, 2}, {0, 2}, {0, 3}}));
}

TEST_F(LevelFixture, EveryChannelOfThePositionIsChecked) {
    // The channel that ended the position is fine; an earlier one is too quiet.
    measured(0, 0, 30.0);
    measured(7, 0, 60.0);
    queue.Append({7, 0});
    EXPECT_FALSE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 7));
    ASSERT_EQ(conflicts.shown.size(), 1u);
    EXPECT_EQ(conflicts.shown[0].labels, std::vector<std::string>{"Left Front Position 1: SPL = 30.0db"});
}

TEST_F(LevelFixture, SubwooferWithinTwentyFourDecibelsPassesAndOnlyOnMovieAtTheFirstPosition) {
    measured(0, 0, 74.0);
    measured(2, 0, 74.0);
    measured(7, 0, 50.0);  // exactly 24 below both
    queue.Append({7, 0});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 0, queue, 0, 7));
    EXPECT_EQ(prompt.askCount(), 0u);

    levels[0][7] = 49.95;
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 1, queue, 0, 7));  // Music: not judged
    set.SetCurve(std::make_unique<CCurve>(1, 0, 1), 7, 1);
    levels[1] = levels[0];
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 0, queue, 1, 7));  // not the first position
    EXPECT_EQ(prompt.askCount(), 0u);
}

TEST_F(LevelFixture, SubwooferTooLowOrTooHighAsksAndIsMeasuredAgain) {
    measured(0, 0, 80.0);
    measured(2, 0, 74.0);
    measured(7, 0, 49.9);
    queue.Append({7, 0});
    queue.Append({0, 1});
    prompt.answer(platform::IDOK);
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 0, queue, 0, 7));
    ASSERT_EQ(prompt.askCount(), 1u);
    EXPECT_EQ(prompt.asks()[0].text, lc::kSubwooferTooLowText);
    EXPECT_EQ(prompt.asks()[0].caption, "Halvane");
    EXPECT_EQ(prompt.asks()[0].flags, platform::MB_OKCANCEL);
    EXPECT_FALSE(holds(7, 0));
    EXPECT_EQ(drain(), (std::vector<MeasurementItem>{{7, 0}, {7, 0}, {0, 1}}));

    measured(7, 0, 104.5);
    queue.Append({7, 0});
    prompt.answer(platform::IDCANCEL);
    EXPECT_FALSE(RunLevelChecks(set, ui, levels, session, 0, queue, 0, 7));
    EXPECT_EQ(prompt.asks()[1].text, lc::kSubwooferTooHighText);
}

TEST_F(LevelFixture, SubwooferBetweenButFarFromOneEndNamesADirection) {
    // 40 dB between the quietest and the loudest: the subwoofer lies more
    // than 24 dB above the quietest, so it is called too high.
    measured(0, 0, 100.0);
    measured(2, 0, 60.0);  // the front pair's spread asks first
    measured(7, 0, 90.0);
    conflicts.answers.push_back(std::vector<std::size_t>{});
    queue.Append({7, 0});
    prompt.answer(platform::IDOK);
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 0, queue, 0, 7));
    // The front pair's spread asked, and that ends the checks.
    EXPECT_EQ(conflicts.shown.size(), 1u);
    EXPECT_EQ(prompt.askCount(), 0u);

    EXPECT_TRUE(halvane::procedures::CheckSubwooferLevel(set, ui, levels, queue));
    ASSERT_EQ(prompt.askCount(), 1u);
    EXPECT_EQ(prompt.asks()[0].text, lc::kSubwooferTooHighText);
}

TEST_F(LevelFixture, SubwooferAloneAtThePositionPasses) {
    measured(7, 0, 45.0);
    queue.Append({7, 0});
    EXPECT_TRUE(RunLevelChecks(set, ui, levels, session, 0, queue, 0, 7));
    EXPECT_EQ(prompt.askCount(), 0u);
}

// The rules of "Select speakers to measure.".
#include "halvane/app/models/SpeakerSelection.h"
#include "halvane/app/models/SpeakerSelectionPrompt.h"

#include <gtest/gtest.h>

using namespace halvane::app::models;

using namespace halvane;
namespace ss = halvane::app::models::speaker_selection;
using S = SpeakerSelection;

TEST(SpeakerSelection, StartsWithEveryGroupFivePositionsTwoRearsAndMusicReusingMovie) {
    S s;
    for (const auto& configuration : s.groups)
        for (const auto g : configuration) EXPECT_EQ(g, 1);
    EXPECT_EQ(s.positions[0], 5);
    EXPECT_EQ(s.positions[1], 5);
    EXPECT_EQ(s.rearCount, 2);
    EXPECT_EQ(s.useMovieMeasurements, 1);
    const SpeakerSelectionView v = ss::Update(s);
    EXPECT_EQ(v.rearChoice, 1);
    EXPECT_TRUE(v.useMovieMeasurements);
    EXPECT_FALSE(v.checks[0][S::Front].enabled);
    EXPECT_TRUE(v.checks[0][S::Center].enabled);
    EXPECT_TRUE(v.checks[0][S::Rear].enabled);
    EXPECT_TRUE(v.positionsEnabled[0]);
    for (const auto& check : v.checks[1]) EXPECT_FALSE(check.enabled);
    EXPECT_FALSE(v.positionsEnabled[1]);
}

TEST(SpeakerSelection, NoSurroundsMeansNoRearsForThatConfiguration) {
    S s;
    s.useMovieMeasurements = 0;
    ss::SetGroup(s, 1, S::Surround, false);
    SpeakerSelectionView v = ss::Update(s);
    EXPECT_EQ(s.groups[1][S::Rear], 0);
    EXPECT_FALSE(v.checks[1][S::Rear].checked);
    EXPECT_FALSE(v.checks[1][S::Rear].enabled);
    EXPECT_EQ(s.groups[0][S::Rear], 1);
    EXPECT_TRUE(v.checks[0][S::Rear].enabled);
    // Ticking Surrounds again enables Rears, which stays off until ticked.
    ss::SetGroup(s, 1, S::Surround, true);
    v = ss::Update(s);
    EXPECT_TRUE(v.checks[1][S::Rear].enabled);
    EXPECT_FALSE(v.checks[1][S::Rear].checked);
}

TEST(SpeakerSelection, TheMusicColumnMirrorsMovieWhileMovieIsReused) {
    S s;
    ss::SetGroup(s, 0, S::Center, false);
    ss::SetPositions(s, 0, 8);
    SpeakerSelectionView v = ss::Update(s);
    EXPECT_FALSE(v.checks[1][S::Center].checked);
    EXPECT_EQ(v.positions[1], 8);
    EXPECT_EQ(s.groups[1][S::Center], 1);  // Music's own entries are kept
    // Under reuse the Music controls edit the Movie storage.
    ss::SetGroup(s, 1, S::Subwoofer, false);
    EXPECT_EQ(s.groups[0][S::Subwoofer], 0);
    ss::SetUseMovieMeasurements(s, false);
    v = ss::Update(s);
    EXPECT_TRUE(v.checks[1][S::Center].checked);
    EXPECT_EQ(v.positions[1], 5);
    EXPECT_TRUE(v.checks[1][S::Center].enabled);
    EXPECT_FALSE(v.checks[1][S::Front].enabled);
}

TEST(SpeakerSelection, PositionsStayWithinFiveToTen) {
    S s;
    ss::SetPositions(s, 0, 3);
    EXPECT_EQ(s.positions[0], 5);
    ss::SetPositions(s, 0, 11);
    EXPECT_EQ(s.positions[0], 10);
    s.positions[1] = 0;
    s.useMovieMeasurements = 0;
    EXPECT_EQ(ss::Update(s).positions[1], 5);
}

TEST(SpeakerSelection, RearChoicesOnAProcessorAndOnAReceiver) {
    S s;
    EXPECT_EQ(ss::RearChoices(s), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(ss::RearsText(s), "Rears");
    ss::ChooseRear(s, 0);
    EXPECT_EQ(s.rearCount, 1);
    EXPECT_EQ(ss::Update(s).rearChoice, 0);
    ss::ChooseRear(s, 2);  // no such choice here
    EXPECT_EQ(s.rearCount, 1);

    S r;
    r.receiver = 1;
    EXPECT_EQ(ss::RearChoices(r), (std::vector<std::string>{"One Rear", "Two Rear", "Heights"}));
    EXPECT_EQ(ss::GroupText(r, 0, S::Rear), "Rears/Heights");
    ss::ChooseRear(r, 2);
    EXPECT_EQ(r.heights, 1);
    EXPECT_EQ(r.rearCount, 0);
    EXPECT_EQ(ss::Update(r).rearChoice, 2);
    ss::ChooseRear(r, 0);
    EXPECT_EQ(r.heights, 0);
    EXPECT_EQ(r.rearCount, 1);
}

TEST(SpeakerSelectionPrompt, WithoutADialogTheAnswerIsCancelAndAShellEditsInPlace) {
    S s;
    EXPECT_FALSE(ChooseSpeakersToMeasure(s));
    auto previous = SetSpeakerSelectionShell([](S& selection, platform::WindowHandle) {
        selection.groups[0][S::Center] = 0;
        return true;
    });
    EXPECT_TRUE(ChooseSpeakersToMeasure(s));
    EXPECT_EQ(s.groups[0][S::Center], 0);
    SetSpeakerSelectionShell(std::move(previous));
}

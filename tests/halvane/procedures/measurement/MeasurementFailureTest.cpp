// The measurement job's unhappy roads: each ends with the processor's exit
// actions in their order (tone off, measurement ended, powered off,
// released), the host ended with 2 and the failure shown after "Measurement
// procedure failed."; the repeat and restart prompts measure again.
#include "halvane/link/UnitClassLimits.h"
#include "halvane/procedures/measurement/Posn.h"
#include "tests/halvane/procedures/measurement/MeasurementJobFixture.h"

using platform::IDCANCEL;
using platform::IDNO;
using platform::IDOK;

namespace {

constexpr const char* kRepeat =
    "\r\n\r\nWould you like to repeat the last measurement?\r\n(Clicking 'No' will abort the procedure)";

}  // namespace

TEST_F(MeasurementJob, NoProcessorAnswers) {
    unit.connected = false;
    EXPECT_FALSE(run());
    EXPECT_EQ(host.Results(), std::vector<int>{2});
    EXPECT_EQ(unit.calls, std::vector<std::string>{"Disconnect"});
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nCould not find a valid Tessik processor.");
    EXPECT_EQ(prompt.asks.back().caption, "Halvane");
    EXPECT_EQ(curves(6), 0);
}

TEST_F(MeasurementJob, CancelAtTheSpeakerSelectionOnlyReleasesTheProcessor) {
    selection.ok = false;
    EXPECT_FALSE(run());
    ASSERT_EQ(selection.presets.size(), 1u);
    EXPECT_EQ(selection.presets[0].receiver, 0);
    EXPECT_EQ(selection.presets[0].rearCount, 2);
    EXPECT_EQ(selection.presets[0].useMovieMeasurements, 1);
    EXPECT_EQ(unit.calls, std::vector<std::string>{"Disconnect"});
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nUser abort.");
}

TEST_F(MeasurementJob, NoMicrophoneAfterRetries) {
    recorder.failFind = 100;
    int retries = 0;
    prompt.rule = [&](const WillingPrompt::Ask& a) {
        if (a.text.rfind("Failed to find valid microphone.", 0) == 0) return ++retries < 3 ? IDOK : IDCANCEL;
        return 0;
    };
    EXPECT_FALSE(run());
    EXPECT_EQ(retries, 3);
    EXPECT_EQ(prompt.asks[0].text,
              "Failed to find valid microphone. Check microphone connection.\n Click OK to retry or CANCEL to fail. ");
    EXPECT_EQ(prompt.asks[0].flags, platform::MB_OKCANCEL);
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nFailed to find valid microphone.");
    EXPECT_EQ(count("StartTestTone(1,0)"), 0);
    EXPECT_EQ(tail(3), kExitOrder);
    EXPECT_EQ(recorder.calls.back(), "Close");
}

TEST_F(MeasurementJob, AShortTakeIsABadBufferAndYesMeasuresTheSameItemAgain) {
    measureMovieOnly({0, 1, 0, 0, 0});
    recorder.shortTakes = 1;
    ASSERT_TRUE(run()) << lastError();
    EXPECT_TRUE(asked(std::string("Bad buffer size") + kRepeat));
    // Two takes of the centre at the first position, then one per position,
    // with no move prompt between the two.
    EXPECT_EQ(count("StartTestTone(1,0)"), 2);
    EXPECT_EQ(count("StartTestTone(1,4)"), 1);
    EXPECT_EQ(prompt.asks[1].flags, platform::MB_YESNO);
    EXPECT_EQ(prompt.asks[1].caption, "Halvane");
    EXPECT_EQ(prompt.asks[2].caption, "Position done!");
    // Music takes the Movie measurements.
    EXPECT_EQ(curves(6), 5);
    EXPECT_EQ(curves(7), 5);
    EXPECT_EQ(count("StartTestTone(1,0)") + count("StartTestTone(1,1)"), 3);
    EXPECT_TRUE(std::find(host.DisplayStrings().begin(), host.DisplayStrings().end(), "Bad buffer size") !=
                host.DisplayStrings().end());
}

TEST_F(MeasurementJob, ANoisyTakeAsksToRepeatAndNoEndsTheRun) {
    measureMovieOnly({0, 1, 0, 0, 0});
    recorder.silentTakes = 1;
    prompt.rule = [](const WillingPrompt::Ask& a) { return a.flags == platform::MB_YESNO ? IDNO : 0; };
    EXPECT_FALSE(run());
    const std::string noResponse = "Error measurement was not able to acquire a proper response. (code 0x03)";
    EXPECT_TRUE(asked(noResponse + kRepeat));
    EXPECT_EQ(lastError(), "Measurement procedure failed.\n" + noResponse + ", User abort");
    const std::vector<std::string> expected = {"StartTestTone(1,0)", "StopTestTone(1,0)", "EndMeasurement",
                                               "PowerOff(0)", "Disconnect"};
    EXPECT_EQ(tail(5), expected);
}

TEST_F(MeasurementJob, ASubwooferTooQuietIsAdjustedAndMeasuredAgain) {
    measureMovieOnly({0, 1, 0, 0, 1});
    recorder.channelGainDb[7] = -30;
    prompt.onAnswer = [&](const WillingPrompt::Ask& a, int) {
        if (a.text.rfind("Subwoofer level is too low.", 0) == 0) recorder.channelGainDb.clear();  // the user turns it up
    };
    ASSERT_TRUE(run()) << lastError() << (conflicts.shown.empty() ? "" : conflicts.shown[0].labels[0]);
    EXPECT_TRUE(asked("Subwoofer level is too low.\nPlease increase it using the sub's input level control and then "
                      "click OK to re-measure."));
    EXPECT_EQ(count("StartTestTone(7,0)"), 2);
    EXPECT_EQ(count("StartTestTone(7,1)"), 1);
    EXPECT_EQ(curves(6), 10);
}

TEST_F(MeasurementJob, AbortDuringATakeStopsTheToneFirst) {
    measureMovieOnly({0, 1, 0, 0, 0});
    host.AbortOnText("Measuring Movie Center at position 2");
    EXPECT_FALSE(run());
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nProcedure aborted\n");
    const std::vector<std::string> expected = {"StartTestTone(1,1)", "StopTestTone(1,1)", "EndMeasurement",
                                               "PowerOff(0)", "Disconnect"};
    EXPECT_EQ(tail(5), expected);
    EXPECT_EQ(host.Results(), std::vector<int>{2});
    EXPECT_EQ(curves(6), 0);  // a failed run leaves the document empty
}

TEST_F(MeasurementJob, CancelAtAMovePromptIsTheUsersAbortNotARepeat) {
    measureMovieOnly({0, 1, 0, 0, 0});
    prompt.rule = [](const WillingPrompt::Ask& a) { return a.caption == "Position done!" ? IDCANCEL : 0; };
    EXPECT_FALSE(run());
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nUser abort.");
    for (const auto& a : prompt.asks) EXPECT_EQ(a.text.find("Would you like to repeat"), std::string::npos);
    EXPECT_EQ(count("StartTestTone(1,0)"), 1);
    EXPECT_EQ(tail(3), kExitOrder);
}

TEST_F(MeasurementJob, AFailedWaitRecordsTheTakeAgain) {
    measureMovieOnly({0, 1, 0, 0, 0});
    recorder.failWait = 1;
    ASSERT_TRUE(run()) << lastError();
    EXPECT_TRUE(asked("Failed to start sampling, check microphone connection. \n Click OK to retry or CANCEL to fail."));
    const std::vector<std::string> start = {"CheckFirmwareVersion", "PowerOff(1)",       "PowerOn",
                                            "PrepareMeasurement(0)", "StartTestTone(1,0)", "StopTestTone(1,0)",
                                            "StartTestTone(1,0)",    "StopTestTone(1,0)",  "StartTestTone(1,1)"};
    EXPECT_EQ(std::vector<std::string>(unit.calls.begin(), unit.calls.begin() + 9), start);
    // The input was set up anew and a fresh take recorded.
    const auto first = std::find(recorder.calls.begin(), recorder.calls.end(), "WaitForData");
    const std::vector<std::string> retried = {"WaitForData", "Close",  "FindMicrophone", "Open",
                                              "SetLevel(8192)", "Start", "WaitForData",    "StopAndReport"};
    EXPECT_EQ(std::vector<std::string>(first, first + 8), retried);
    EXPECT_EQ(curves(6), 5);
}

TEST_F(MeasurementJob, AFailingProcessorStepLeavesItOffAndReleased) {
    unit.throwOn = "PrepareMeasurement(0)";
    EXPECT_FALSE(run());
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nUnit failure at PrepareMeasurement(0)");
    // What the preparation set before it failed is ended before the power-off.
    const std::vector<std::string> expected = {"CheckFirmwareVersion",  "PowerOff(1)",    "PowerOn",
                                               "PrepareMeasurement(0)", "EndMeasurement", "PowerOff(0)",
                                               "Disconnect"};
    EXPECT_EQ(unit.calls, expected);
}

TEST_F(MeasurementJob, ASubwooferFailureCanRestartFromTheBeginning) {
    measureMovieOnly({0, 1, 0, 0, 1});
    recorder.silentFor[7] = 1;
    prompt.rule = [](const WillingPrompt::Ask& a) {
        return (a.flags & platform::MB_TYPEMASK) == platform::MB_YESNOCANCEL ? IDNO : 0;
    };
    ASSERT_TRUE(run()) << lastError();
    // The restart prompt, then the first position again (captioned "Start"
    // only when the first item is the left front, which is not measured here).
    const auto restart = std::find_if(prompt.asks.begin(), prompt.asks.end(), [](const auto& a) {
        return a.text.find("restart from the beginning?") != std::string::npos;
    });
    ASSERT_NE(restart, prompt.asks.end());
    EXPECT_EQ((restart + 1)->caption, "Position done!");
    EXPECT_EQ((restart + 1)->text, "Please move microphone to Position 1.\nPress OK to continue or CANCEL to abort.");
    EXPECT_EQ(count("StartTestTone(1,0)"), 2);
    EXPECT_EQ(count("StartTestTone(7,0)"), 2);
    EXPECT_EQ(count("StartTestTone(1,1)"), 1);
    EXPECT_EQ(curves(6), 10);
    EXPECT_EQ(host.Total(), 10);
}

namespace {

// The selection fills the run's session, the class check the run's limits.
struct SpeakerSelection : ::testing::Test {
    halvane::link::UnitClassLimits limits;
    halvane::procedures::MeasurementSession session;
};

}  // namespace

TEST_F(SpeakerSelection, GroupsBecomeChannelsAndOneRearDropsTheRightRear) {
    ScriptedSpeakerSelection ui;
    ui.edit = [](MeasurementSelection& s) {
        s.groups[0] = {0, 0, 1, 1, 0};
        s.groups[1] = {1, 0, 0, 0, 1};
        s.rearCount = 1;
        s.positions = {6, 9};
        s.useMovieMeasurements = 0;
    };
    ASSERT_TRUE(halvane::procedures::SelectSpeakersToMeasure(session, &ui, {}, 4));
    EXPECT_EQ(ui.presets[0].receiver, 1);
    EXPECT_EQ(session.MeasureMusicConfig(), 1);
    EXPECT_EQ(session.PositionsPerConfiguration()[0], 6);
    EXPECT_EQ(session.PositionsPerConfiguration()[1], 9);
    EXPECT_EQ(session.SelectedChannels()[0], (std::map<std::int32_t, std::int32_t>{{0, 3}, {1, 5}, {2, 6}}));
    EXPECT_EQ(session.SelectedChannels()[1], (std::map<std::int32_t, std::int32_t>{{0, 0}, {1, 2}, {2, 7}}));

    ui.edit = [](MeasurementSelection& s) { s.groups[1] = {1, 1, 1, 1, 1}; };
    ASSERT_TRUE(halvane::procedures::SelectSpeakersToMeasure(session, &ui, {}, 1));
    EXPECT_EQ(session.MeasureMusicConfig(), 0);
    EXPECT_TRUE(session.SelectedChannels()[1].empty());
    EXPECT_EQ(session.SelectedChannels()[0].size(), 8u);

    // Cancel leaves every channel preset and Music's choice as it was.
    ui.ok = false;
    EXPECT_FALSE(halvane::procedures::SelectSpeakersToMeasure(session, &ui, {}, 1));
    EXPECT_EQ(session.SelectedChannels()[1].size(), 8u);
    EXPECT_EQ(session.MeasureMusicConfig(), 0);
}

TEST_F(SpeakerSelection, UnitClassLimitsFollowTheClass) {
    EXPECT_TRUE(halvane::procedures::SetUnitClassLimits(limits, 4));
    EXPECT_EQ(limits.RateCount(), 8);
    EXPECT_EQ(limits.StageCount(), 5);
    EXPECT_TRUE(halvane::procedures::SetUnitClassLimits(limits, 1));
    EXPECT_EQ(limits.RateCount(), 5);
    EXPECT_FALSE(halvane::procedures::SetUnitClassLimits(limits, 3));
    EXPECT_EQ(limits.RateCount(), 5);
}

TEST_F(MeasurementJob, NothingSelectedToMeasureSaysSoBeforeTheProcessorIsTouched) {
    measureMovieOnly({0, 0, 0, 0, 0});
    EXPECT_FALSE(run());
    EXPECT_EQ(lastError(), "Measurement procedure failed.\nNo speakers were selected to measure.");
    EXPECT_EQ(unit.calls, std::vector<std::string>{"Disconnect"});
}

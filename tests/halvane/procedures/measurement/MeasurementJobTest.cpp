// The measurement job headless: a scripted processor, the simulated
// microphone in the simulated room as the recorder, scripted prompts and
// dialogs, the job under the test host. The processor's calls, the prompts'
// texts and the document's contents are checked for whole runs and for each
// way a run can fail (MeasurementFailureTest.cpp).
#include "halvane/procedures/framework/CSpkrs.h"
#include "tests/halvane/procedures/measurement/MeasurementJobFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

using namespace halvane::procedures;
using namespace halvane::signal;

TEST_F(MeasurementJob, ThreeChannelsAtFivePositionsForMovieAndMusic) {
    ASSERT_TRUE(run()) << lastError();
    EXPECT_EQ(host.Results(), std::vector<int>{1});
    EXPECT_EQ(curves(6), 15);
    EXPECT_EQ(curves(7), 15);
    EXPECT_EQ(document.CurveSetSlot(0)->Count(), 3);
    EXPECT_EQ(document.CurveSetSlot(1)->Count(), 3);
    EXPECT_EQ(document.CurveSetSlot(8)->Count(), 3);
    EXPECT_EQ(document.m_nUnitKind, 1);
    EXPECT_EQ(document.m_nCorrectionKind, 2);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(calibration.asked, 1);
    EXPECT_EQ(document.m_nCalibrationSize, 3u);
    EXPECT_EQ(document.m_CalibrationIds.First, 7);
    EXPECT_EQ(document.m_CalibrationIds.Second, 9);
    EXPECT_EQ(recorder.calls[2], "SetLevel(8192)");  // kind 2's input level
    EXPECT_TRUE(conflicts.shown.empty());

    // The processor's calls: set up, a tone per take, ended and released.
    std::vector<std::string> expected = {"CheckFirmwareVersion", "PowerOff(1)", "PowerOn", "PrepareMeasurement(0)"};
    for (int pass = 0; pass < 2; ++pass)
        for (int p = 0; p < 5; ++p)
            for (int ch : {0, 1, 2}) {
                char item[32];
                std::snprintf(item, sizeof item, "(%d,%d)", ch, p);
                expected.push_back(std::string("StartTestTone") + item);
                expected.push_back(std::string("StopTestTone") + item);
            }
    expected.insert(expected.end(), kExitOrder.begin(), kExitOrder.end());
    EXPECT_EQ(unit.calls, expected);
    EXPECT_EQ(unit.GetProgress(), nullptr);

    // The prompts between positions and at the switch to Music.
    ASSERT_EQ(prompt.asks.size(), 1u + 4 + 2 + 4);
    EXPECT_EQ(prompt.asks[0].text, "Please move the microphone to the\nfirst position and then click OK.");
    EXPECT_EQ(prompt.asks[0].caption, "Halvane");
    EXPECT_EQ(prompt.asks[0].flags, platform::MB_OK);
    EXPECT_EQ(prompt.asks[1].text, "Please move microphone to Position 2.\nPress OK to continue or CANCEL to abort.");
    EXPECT_EQ(prompt.asks[1].caption, "Position done!");
    EXPECT_EQ(prompt.asks[5].text,
              "Movie config measurement complete, press OK to begin Music config measurements");
    EXPECT_EQ(prompt.asks[6].text, "Please move microphone to Position 1.\nPress OK to continue or CANCEL to abort.");
    EXPECT_EQ(prompt.asks[6].caption, "Start");

    // Status texts and the progress: every take counted, all done at the end.
    const auto texts = host.DisplayStrings();
    EXPECT_EQ(texts.front(), "Initializing...");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Measuring Music Center at position 5"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Verifying measurements for position 3."), texts.end());
    EXPECT_EQ(texts.back(), "Measurement procedure is complete. Preprocessing measurements...");
    EXPECT_EQ(host.Total(), 30);
    EXPECT_EQ(recorder.calls.front(), "FindMicrophone");
    EXPECT_EQ(recorder.calls.back(), "Close");
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string(halvane::procedures::kNoVolumeControlText)), 0);
}

TEST_F(MeasurementJob, AnInputWithoutVolumeControlIsSaidOnceAndRecordsAtItsLevel) {
    recorder.volumeControl = false;
    measureMovieOnly({0, 1, 0, 0, 0});
    ASSERT_TRUE(run()) << lastError();
    EXPECT_EQ(curves(6), 5);
    const auto texts = host.DisplayStrings();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string(halvane::procedures::kNoVolumeControlText)), 1);
    // With a volume control (every other test) nothing is said.
}

TEST_F(MeasurementJob, TheStoredCurvesAreTheRoomsResponsesAtEachPosition) {
    // The take goes through the chirp processing, the input correction and
    // the smoothing; the truth (the room's path through the microphone's
    // level, and the processing's 10 Hz high-pass) is put through the same
    // correction and smoothing, so what is compared is the filing and the
    // deconvolution.
    // Paths without reflections or sharp modes, each position and channel
    // its own gain and a broad bump at its own frequency, so a curve filed
    // under another channel or position cannot pass. (The smoothing works on
    // the complex response, whose phase the processing re-references; sharp
    // modes would make the two smoothings differ by more than the take.)
    for (int p = 0; p < 5; ++p)
        for (int ch : {0, 1, 2}) {
            sim::SpeakerPath path;
            path.delaySamples = 200 + 40 * ch + 13 * p;
            path.gain = 0.5 + 0.1 * p + 0.03 * ch;
            path.highPassHz = 50 + 5 * ch;
            path.resonances = {{300.0 * (p + 1) + 100.0 * ch, 1.0, ch == 1 ? -3.0 : 4.0}};
            room.setPath(ch, p, path);
        }
    measureMovieOnly({1, 1, 0, 0, 0});
    ASSERT_TRUE(run());
    const CMeasSet& movie = *document.MeasSetSlot(6);
    double worst = 0;
    std::tuple<int, int, double> worstAt{};
    for (int p = 0; p < 5; ++p)
        for (int ch : {0, 1, 2}) {
            const CCurve truth = TruthCurve(room, recorder.Mic(), calibration, ch, p);
            CCurve measured = *movie.Position(p)->Find(ch);
            EXPECT_EQ(measured.Name(), CSpkrs(ch).ToString());
            measured.ToDecibel();
            ASSERT_EQ(measured.Count(), truth.Count());
            for (int i = 0; i < measured.Count(); ++i) {
                const double f = measured.X()[i];
                if (f < 100 || f > 16000) continue;
                const double error = std::fabs(measured.A()[i] - truth.A()[i]);
                if (error > worst) worstAt = {ch, p, f};
                worst = std::max(worst, error);
            }
        }
    RecordProperty("worst_db", std::to_string(worst));  // measured: 0.0007 dB
    EXPECT_LT(worst, 0.05) << "channel " << std::get<0>(worstAt) << " position " << std::get<1>(worstAt) << " at "
                          << std::get<2>(worstAt) << " Hz";
}

// Quick Measure's controller against the simulated processor on a real pty
// and the simulated sound input: the microphone hears the channel whose test
// tone the processor plays. The test thread is the user-interface thread: it
// drains the window-message queue.
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/quickmeasure/CQuickMeasureController.h"
#include "halvane/signal/CSimpleChirpProc.h"
#include "platform/ScaledClock.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/SimSoundSystem.h"
#include "platform/UiMessageQueue.h"
#include "sim/HalvaneDialect.h"
#include "sim/Microphone.h"
#include "sim/MicrophoneSource.h"
#include "sim/Room.h"
#include "sim/Simulator.h"
#include "tests/halvane/link/UnitFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

using namespace halvane::procedures;
using namespace halvane::procedures::quickmeasure;
using namespace halvane::signal;

using namespace halvane;
using namespace halvane::procedures::quickmeasure;

namespace {

class RecordingView final : public QuickMeasureView {
public:
    void EnableControls(const EnabledControls& enabled) override { controls = enabled; }
    void AppendLog(const std::string& text) override { log.push_back(text); }
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void CurvesChanged(bool rescale) override {
        ++changes;
        if (rescale) ++rescales;
    }
    bool Logged(const std::string& text) const { return std::find(log.begin(), log.end(), text) != log.end(); }

    EnabledControls controls;
    std::vector<std::string> log;
    int changes = 0;
    int rescales = 0;
};

class QuickMeasureTest : public ::testing::Test {
protected:
    void SetUp() override {
        halvane::link::ConTypes::CreateUnits(port_);
        lineClock_.holdWhileCatchingUp(true);
        Port().SetClock(lineClock_);
        Port().SetSearchAttempted(false);
        portClock_.setFactor(20);
        StartProcessor(0, "1.31c");
        (void)mic_.periodThroughRoom(2, 0);  // the room's steady state, before any time limit runs
    }
    // The processor on COM1, whose test tone the microphone hears.
    void StartProcessor(int model, const char* firmware) {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(model, firmware), portClock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        lineClock_.follow(sim_.get());
        Port().SetPortMap(linktest::MapOnly({{1, sim_->slavePath()}}));
        mic_.setToneSource(sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneSource(); }));
    }
    void TearDown() override {
        controller_.reset();
        platform::uiMessageQueue().discardAll();
        halvane::link::ConTypes::DestroyUnits();
        Port().SetPortMap(linktest::MapOnly({}));
        Port().SetClock(platform::systemClock());
        Port().SetSearchAttempted(false);
        lineClock_.follow(nullptr);
        sim_.reset();
    }

    std::shared_ptr<platform::SimInputMixer> AddMicrophone(platform::MmResult openResult = platform::mmresult::NoError) {
        platform::SimInputDevice dev;
        dev.openResult = openResult;
        dev.name = "Microphone (USB Tessik QEX-1)";
        dev.source = std::make_shared<sim::MicrophoneSource>(mic_);
        dev.pacing = platform::SimInputDevice::Pacing::RealTime;
        dev.mixer = std::make_shared<platform::SimInputMixer>(platform::SimInputMixer::typical(dev.name, 1));
        sound_.addDevice(dev);
        return dev.mixer;
    }

    // The calibration Quick Measure asks for: none to give (responses
    // uncorrected), a flat one, or (null) the program's own.
    enum class Calibration { None, Flat, Program };
    void Open(Calibration calibration = Calibration::None) {
        CQuickMeasureController::Options o;
        o.prompt = &prompt_;
        o.sound = &sound_;
        o.clock = &soundClock_;
        // A flat calibration: the kind's gain only (kind 2 has no table).
        if (calibration == Calibration::Flat) o.calibration = &flat_;
        if (calibration == Calibration::None) o.calibration = &none_;
        controller_ = std::make_unique<CQuickMeasureController>(std::move(o));
        controller_->Attach(view_);
        controller_->OnInitDialog();
    }

    // Drains the queue as the user-interface thread until `done` holds.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            platform::DrainUiMessageQueue();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        platform::DrainUiMessageQueue();
        return done();
    }
    bool PumpToState(std::int32_t state) {
        return PumpUntil([&] { return controller_->State() == state && view_.controls == ControlsFor(state); });
    }
    // The streamed response is the one the same analysis makes of a take of
    // `channel` straight from the microphone: the right channel was played
    // and heard, and the stream's samples reached the analysis whole and in
    // order (a gap or a reordered block would break the sweep's phase).
    void ExpectChannelsResponse(const CCurve& streamed, int channel) {
        const std::vector<std::int16_t> stereo = mic_.take(channel, 0);
        std::vector<double> take(QuickMeasureSampleQueue::kWindow);
        for (std::size_t i = 0; i < take.size(); ++i) take[i] = stereo[2 * i] / 32767.0;
        halvane::signal::AudioSampler::CSimpleChirpProc proc(take.data(), 65536, 131072, 16, 48000, nullptr, channel == 7);
        std::unique_ptr<CCurve> ref = proc.QuickResponse();
        ASSERT_NE(ref, nullptr);
        ref->Smooth(6, 25, 5, 48000);
        CCurve got = streamed;
        got.ToDecibel();
        ref->ToDecibel();
        ASSERT_EQ(got.Count(), ref->Count());
        double worst = 0;
        int checked = 0;
        for (int i = 0; i < got.Count(); ++i) {
            if (got.X()[i] < 100 || got.X()[i] > 10000) continue;
            worst = std::max(worst, std::fabs(got.A()[i] - ref->A()[i]));
            ++checked;
        }
        EXPECT_GT(checked, 100);
        EXPECT_LT(worst, 0.5) << "dB";
        // Another channel's response would not fit.
        const std::vector<std::int16_t> other = mic_.take(channel == 0 ? 1 : 0, 0);
        for (std::size_t i = 0; i < take.size(); ++i) take[i] = other[2 * i] / 32767.0;
        halvane::signal::AudioSampler::CSimpleChirpProc otherProc(take.data(), 65536, 131072, 16, 48000);
        std::unique_ptr<CCurve> wrong = otherProc.QuickResponse();
        ASSERT_NE(wrong, nullptr);
        wrong->Smooth(6, 25, 5, 48000);
        wrong->ToDecibel();
        double largest = 0;
        for (int i = 0; i < got.Count(); ++i)
            if (got.X()[i] >= 100 && got.X()[i] <= 10000) largest = std::max(largest, std::fabs(got.A()[i] - wrong->A()[i]));
        EXPECT_GT(largest, 2.0) << "dB";
    }

    int Tone() { return sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneChannel(); }); }
    bool PoweredOn() { return sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.power(1); }); }
    // The power, tone and (receiver) measurement-state commands the
    // processor received (queries and probes left out).
    std::vector<std::string> Switched() {
        std::vector<std::string> switched;
        for (const std::string& c : sim_->log().texts())
            if (c.size() == 4 && ((c[0] == 'P' && ((c[2] == 'P' && c[3] != '?') || (c[1] == '1' && c[2] == 'N'))) ||
                                  ((c.rfind("REQ", 0) == 0 || c.rfind("QEX", 0) == 0) && c[3] != '?')))
                switched.push_back(c);
        return switched;
    }

    // The port the units talk through, as the program hands its one port to them.
    halvane::link::Comm::CBasicTessikPort port_;
    halvane::link::Comm::CBasicTessikPort& Port() { return port_; }

    linktest::FastSleepClock portClock_;
    // The port's: replies are judged once the processor has caught up, on a
    // time that stands still while it does.
    testsupport::CatchUpClock lineClock_{portClock_};
    platform::ScaledClock soundClock_{8.0};  // the microphone streams 8 times faster than real time
    platform::SimSoundSystem sound_{soundClock_};
    platform::ScriptedUserPrompt prompt_;
    sim::Room room_{11};
    sim::Microphone mic_{room_};
    std::unique_ptr<sim::Simulator> sim_;
    RecordingView view_;
    struct FlatSource final : halvane::procedures::ICalibrationSource {
        bool GetCalibration(halvane::procedures::MicrophoneCalibration& c) override {
            c = halvane::procedures::FlatCalibration();
            return true;
        }
    } flat_;
    struct NoSource final : halvane::procedures::ICalibrationSource {
        bool GetCalibration(halvane::procedures::MicrophoneCalibration&) override { return false; }
    } none_;
    std::unique_ptr<CQuickMeasureController> controller_;
};

}  // namespace

TEST_F(QuickMeasureTest, ConnectMeasureStopAndDisconnect) {
    AddMicrophone();
    Open();
    EXPECT_EQ(view_.controls, ControlsFor(kDisconnected));
    controller_->OnSpeakerSelected(2);
    controller_->OnConnect();
    EXPECT_EQ(controller_->State(), kConnecting);
    EXPECT_EQ(view_.controls, EnabledControls{});
    ASSERT_TRUE(PumpToState(kConnected));
    EXPECT_TRUE(view_.Logged("Searching for unit"));
    EXPECT_TRUE(std::any_of(view_.log.begin(), view_.log.end(),
                            [](const std::string& s) { return s.rfind("Found unit: ", 0) == 0 && s.find(" on COM1") != std::string::npos; }));
    EXPECT_TRUE(view_.Logged("Connection established with unit"));

    controller_->OnStart();
    ASSERT_TRUE(PumpToState(kMeasuring));
    EXPECT_EQ(Tone(), 2);
    EXPECT_TRUE(view_.Logged("Measuring speaker Right Front"));
    // Curves keep coming, one per 65536 new samples; the list holds three.
    ASSERT_TRUE(PumpUntil([&] { return controller_->Curves().ShownCount() >= 4; }, 60000));
    ASSERT_EQ(controller_->Curves().Entries().size(), 3u);
    EXPECT_EQ(view_.rescales, 3);
    const CCurve& c = *controller_->Curves().Entries().back().curve;
    EXPECT_EQ(c.Name(), "Measurement");
    ExpectChannelsResponse(c, 2);

    sim_->log().clear();
    controller_->OnStop();
    ASSERT_TRUE(PumpToState(kConnected));
    EXPECT_EQ(Tone(), -1);
    EXPECT_EQ(Switched(), std::vector<std::string>(2, "P1N8"));
    EXPECT_TRUE(view_.Logged("Measurement stopped"));
    const auto shown = controller_->Curves().ShownCount();

    // A second start after a stop reuses the recorder and its ring; the
    // colours go on where they stopped.
    controller_->OnStart();
    EXPECT_TRUE(controller_->Curves().Entries().empty());
    ASSERT_TRUE(PumpToState(kMeasuring));
    ASSERT_TRUE(PumpUntil([&] { return controller_->Curves().ShownCount() > shown; }, 60000));
    EXPECT_EQ(controller_->Curves().Entries().front().colour, QuickMeasureCurves::kColours[shown % 3]);

    sim_->log().clear();
    controller_->OnDisconnect();
    ASSERT_TRUE(PumpToState(kDisconnected));
    EXPECT_EQ(Tone(), -1);
    // The tone off twice (before and after the recorder goes), the end of
    // the measurement mode, then the power off.
    std::vector<std::string> letGo(6, "P1N8");
    letGo.insert(letGo.end(), {"P1P0", "P2P0", "P3P0"});
    EXPECT_EQ(Switched(), letGo);
    EXPECT_FALSE(controller_->HasRecorder());
    EXPECT_TRUE(view_.Logged("Disconnected from unit"));
    EXPECT_EQ(prompt_.askCount(), 0u);
}

TEST_F(QuickMeasureTest, ButtonsOutsideTheirStatesSayBusy) {
    AddMicrophone();
    Open();
    controller_->OnStart();  // not connected
    controller_->OnConnect();
    controller_->OnStart();  // while connecting
    controller_->OnConnect();
    ASSERT_EQ(prompt_.askCount(), 3u);
    for (const auto& a : prompt_.asks()) {
        EXPECT_EQ(a.text, "Busy, please wait");
        EXPECT_EQ(a.caption, "Error");
    }
    ASSERT_TRUE(PumpToState(kConnected));
    controller_->OnStop();  // not measuring
    EXPECT_EQ(prompt_.askCount(), 4u);
    EXPECT_EQ(controller_->State(), kConnected);
}

TEST_F(QuickMeasureTest, AFailedStartReturnsToConnectedWithTheToneOff) {
    Open();  // no microphone on the machine yet
    controller_->OnConnect();
    ASSERT_TRUE(PumpToState(kConnected));
    controller_->OnStart();
    ASSERT_TRUE(PumpToState(kConnected));
    ASSERT_EQ(prompt_.askCount(), 1u);
    EXPECT_EQ(prompt_.asks()[0].text, "failed to initialize audio measurement (check USB connection to PC)");
    EXPECT_EQ(prompt_.asks()[0].caption, "error");
    EXPECT_TRUE(view_.controls.start);
    EXPECT_FALSE(controller_->HasRecorder());
    EXPECT_EQ(Tone(), -1);

    // The microphone is plugged in: the next Start finds it afresh.
    AddMicrophone();
    controller_->OnStart();
    ASSERT_TRUE(PumpToState(kMeasuring));
    ASSERT_TRUE(PumpUntil([&] { return controller_->Curves().ShownCount() >= 1; }, 60000));
}

TEST_F(QuickMeasureTest, ConnectWithoutAProcessorFails) {
    Port().SetPortMap(linktest::MapOnly({}));
    Open();
    controller_->OnConnect();
    ASSERT_TRUE(PumpUntil([&] { return prompt_.askCount() == 1 && controller_->State() == kDisconnected; }));
    // The ports tried follow the text, as for the measurement.
    const std::string text = prompt_.asks()[0].text;
    EXPECT_EQ(text.rfind("Could not find a valid Tessik processor.\n\nPorts tried:\n  COM1 to COM9: no device\n", 0), 0u)
        << text;
    EXPECT_EQ(prompt_.asks()[0].caption, "Error");
    ASSERT_TRUE(PumpToState(kDisconnected));
    EXPECT_TRUE(view_.Logged("Error: " + text));
    EXPECT_TRUE(view_.controls.connect);
}

TEST_F(QuickMeasureTest, TheProgramsCalibrationFollowsTheMicrophoneFound) {
    const auto mixer = AddMicrophone();  // "Microphone (USB Tessik QEX-1)"
    Open(Calibration::Program);
    controller_->OnConnect();
    ASSERT_TRUE(PumpToState(kConnected));
    controller_->OnStart();
    ASSERT_TRUE(PumpToState(kMeasuring));
    // Its correction kind 1 asks for the input level 16384.
    ASSERT_FALSE(mixer->valuesOf(10).empty());
    EXPECT_EQ(mixer->valuesOf(10).back(), 16384u);
    controller_->Close();
    EXPECT_EQ(Tone(), -1);
}

TEST_F(QuickMeasureTest, ClosingWhileMeasuringStopsTheToneAndLetsGoOfTheUnit) {
    const auto mixer = AddMicrophone();
    Open(Calibration::Flat);
    controller_->OnSpeakerSelected(7);
    controller_->OnConnect();
    ASSERT_TRUE(PumpToState(kConnected));
    controller_->OnStart();
    ASSERT_TRUE(PumpToState(kMeasuring));
    EXPECT_EQ(Tone(), 7);
    // Correction kind 2: the input level is 8192 on the volume control.
    ASSERT_FALSE(mixer->valuesOf(10).empty());
    EXPECT_EQ(mixer->valuesOf(10).back(), 8192u);
    ASSERT_TRUE(PumpUntil([&] { return controller_->AnalysisCount() >= 1; }, 60000));
    sim_->log().clear();
    controller_->Close();
    EXPECT_EQ(Tone(), -1);
    EXPECT_FALSE(controller_->HasRecorder());
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_EQ(controller_->State(), kDisconnected);
    EXPECT_EQ(prompt_.askCount(), 0u);
    // Curves still queued for the closed dialog are dropped with their
    // messages; nothing arrives later.
    controller_->Detach();
    const auto analyses = controller_->AnalysisCount();
    // Only time can show that nothing arrives later: a short look.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    platform::DrainUiMessageQueue();
    EXPECT_EQ(controller_->AnalysisCount(), analyses);
    controller_->Close();  // a second close does nothing
}

TEST_F(QuickMeasureTest, ClosingWhileConnectingWaitsForTheTaskAndAsksNothing) {
    AddMicrophone();
    Open();
    controller_->OnConnect();
    controller_->Close();  // the connect is still searching or powering
    EXPECT_EQ(controller_->State(), kDisconnected);
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_EQ(Tone(), -1);
    EXPECT_EQ(prompt_.askCount(), 0u);
    // The buttons of a closed dialog queue nothing.
    controller_->OnConnect();
    EXPECT_EQ(controller_->State(), kDisconnected);
}

TEST_F(QuickMeasureTest, AMicrophoneThatWillNotOpenFailsTheStartAndIsNotKept) {
    AddMicrophone(platform::mmresult::Allocated);  // another program holds it
    Open();
    controller_->OnConnect();
    ASSERT_TRUE(PumpToState(kConnected));
    for (int attempt = 0; attempt < 2; ++attempt) {
        controller_->OnStart();
        ASSERT_TRUE(PumpUntil([&] { return prompt_.askCount() == static_cast<std::size_t>(attempt + 1); }));
        ASSERT_TRUE(PumpToState(kConnected));
        EXPECT_EQ(prompt_.asks().back().text, "failed to open audio measurement device (check USB connection to PC)");
        EXPECT_FALSE(controller_->HasRecorder());
        EXPECT_EQ(Tone(), -1);
    }
    // Each Start tried the device afresh.
    EXPECT_GE(sound_.openLog().size(), 2u);
}

namespace {

// A step of Quick Measure the processor does not confirm, and what is left
// on the line once the user gave up: each step the task had taken is undone.
struct FailureRoad {
    const char* name;
    std::function<void(sim::HalvaneDialect&)> fault;
    int answer;          // to the step's question
    bool atStart;        // the Start task fails, not the Connect
    const char* failure; // in the question
    std::vector<std::string> exits;  // the last power, tone and measurement-state commands on the line
    int model = 0;                   // the processor's (6 and up: a receiver)
};

void PrintTo(const FailureRoad& road, std::ostream* os) { *os << road.name; }

// Switched on by the connect, and off again on its way out.
const std::vector<std::string> kOnThenOff = {"P1P1", "P1P0", "P2P0", "P3P0"};

class QuickMeasureFailure : public QuickMeasureTest, public ::testing::WithParamInterface<FailureRoad> {};

}  // namespace

TEST_P(QuickMeasureFailure, LeavesNothingOnThatTheTaskTurnedOn) {
    const FailureRoad& road = GetParam();
    if (road.model != 0) StartProcessor(road.model, "1.00");
    AddMicrophone();
    Open();
    controller_->OnSpeakerSelected(2);
    if (road.atStart) {
        controller_->OnConnect();
        ASSERT_TRUE(PumpToState(kConnected));
    }
    sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) {
        road.fault(d);
        return 0;
    });
    prompt_.answer(road.answer);
    road.atStart ? controller_->OnStart() : controller_->OnConnect();
    ASSERT_TRUE(PumpUntil([&] { return prompt_.askCount() == 2; }, 60000));
    ASSERT_TRUE(PumpToState(road.atStart ? kConnected : kDisconnected));
    EXPECT_NE(prompt_.asks()[0].text.find(road.failure), std::string::npos) << prompt_.asks()[0].text;

    const std::vector<std::string> switched = Switched();
    const auto lastPower =
        std::find_if(switched.rbegin(), switched.rend(), [](const std::string& c) { return c[2] == 'P'; });
    // A failed Start keeps the connection; a failed Connect lets go of all.
    EXPECT_EQ(PoweredOn(), road.atStart) << "last power command " << (lastPower != switched.rend() ? *lastPower : "");
    EXPECT_EQ(Port().IsOpen(), road.atStart);
    EXPECT_EQ(Tone(), -1);
    const std::size_t tail = std::min(switched.size(), road.exits.size());
    EXPECT_EQ(std::vector<std::string>(switched.end() - static_cast<std::ptrdiff_t>(tail), switched.end()), road.exits);
}

INSTANTIATE_TEST_SUITE_P(
    Roads, QuickMeasureFailure,
    ::testing::Values(
        FailureRoad{"PowerOn", [](sim::HalvaneDialect& d) { d.knobs().ignoreSets["P1VM"] = 1000; }, platform::IDABORT,
                    false, "Failed to set main zone volume to -95.5 while powering up unit.",
                    kOnThenOff},
        FailureRoad{"SpeakerSetting", [](sim::HalvaneDialect& d) {
                        d.setSetting("SZCA", "0");
                        d.knobs().ignoreSets["SZCA"] = 1000;
                    },
                    platform::IDABORT, false, "Failed to prepare unit for measurement.",
                    // The flagship's end of the measurement (the tone off) before the power-off.
                    {"P1P1", "P1N8", "P1N8", "P1P0", "P2P0", "P3P0"}},
        FailureRoad{"Tone", [](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("P1N"); }, platform::IDCANCEL,
                    true, "Failed to receive response from unit while starting test tone.",
                    // The unit's own tone off before it asks, then the exit's.
                    {"P1N2", "P1N8", "P1N8", "P1N8", "P1N8"}},
        // "REQ1" went out but was never confirmed: whether the receiver
        // took it is not known, so "REQ0" goes out before the power-off.
        FailureRoad{"ReceiverMeasurementState", [](sim::HalvaneDialect& d) { d.knobs().ignoreSets["REQ"] = 1000; },
                    platform::IDCANCEL, false,
                    "Failed to receive response from unit while trying to prepare for measurement.",
                    {"REQ1", "REQ0", "P1P0", "P2P0"}, 7}),
    [](const ::testing::TestParamInfo<FailureRoad>& info) { return std::string(info.param.name); });

// The measurement job end to end: the program's own unit objects find the
// simulated processor on a real pseudo-terminal (a flagship and a receiver),
// the program's recorder records the simulated microphone through the
// simulated sound input, and the microphone hears the channel whose test
// tone the simulated processor plays, at the listening position the user
// moved it to when the job asked.
#include "MeasurementJobFixture.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/WaveRecorder.h"
#include "platform/SimSoundSystem.h"
#include "sim/MicrophoneSource.h"
#include "tests/halvane/link/UnitFixture.h"

#include <cstdio>

namespace {

class MeasurementEndToEnd : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(GetParam(), "1.31c"), clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        Port().SetClock(clock_);
        Port().SetPortMap(linktest::MapOnly({{1, sim_->slavePath()}}));
        ConTypes::CreateUnits();

        mic_.setToneSource(sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneSource(); }));
        sim::MicKnobs knobs;
        knobs.noiseDbfs = -90;
        mic_.setKnobs(knobs);
        platform::SimInputDevice device;
        device.name = "Microphone (USB Tessik QEX-1)";
        device.source = std::make_shared<sim::MicrophoneSource>(mic_);
        device.mixer = std::make_shared<platform::SimInputMixer>(platform::SimInputMixer::typical(device.name));
        sound_.addDevice(device);

        // The user moves the microphone where the job asks before pressing OK.
        prompt_.onAnswer = [this](const WillingPrompt::Ask& ask, int answer) {
            int position = 0;
            if (answer == platform::IDOK &&
                std::sscanf(ask.text.c_str(), "Please move microphone to Position %d.", &position) == 1)
                mic_.setPosition(position - 1);
        };
        selection_.edit = [](MeasurementSelection& s) {
            for (auto& groups : s.groups) groups = {1, 1, 0, 0, 0};
            s.useMovieMeasurements = 0;
        };
        services_.recorder = &recorder_;
        services_.speakerSelection = &selection_;
        services_.conflicts = &conflicts_;
        services_.calibration = &calibration_;
        services_.prompt = &prompt_;
    }

    void TearDown() override {
        ConTypes::DestroyUnits();
        Port().SetPortMap(linktest::MapOnly({}));
        Port().SetClock(platform::systemClock());
        halvane::UnitClassLimits::Reset();
        sim_.reset();
    }

    static Comm::CBasicTessikPort& Port() { return Comm::CBasicTessikPort::Instance(); }
    template <class F>
    auto Dialect(F&& fn) {
        return sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) { return fn(d); });
    }

    linktest::FastSleepClock clock_{20};
    std::unique_ptr<sim::Simulator> sim_;
    sim::Room room_{8};
    sim::Microphone mic_{room_};
    platform::SimSoundSystem sound_{clock_};
    halvane::WaveRecorder recorder_{sound_, clock_};
    WillingPrompt prompt_;
    ScriptedSpeakerSelection selection_;
    ScriptedConflictUi conflicts_;
    SimMicCalibration calibration_;
    TestProcHost host_;
    halvane::CHalvaneDoc document_{halvane::CHalvaneDoc::Services{nullptr, &prompt_, nullptr}};
    halvane::MeasurementServices services_;
};

}  // namespace

TEST_P(MeasurementEndToEnd, ThreeChannelsAtFivePositionsForMovieAndMusic) {
    const bool ok = halvane::RunMeasurementProcedure(platform::WindowHandle{3}, &document_, &host_, services_);
    ASSERT_TRUE(ok) << (prompt_.asks.empty() ? std::string() : prompt_.asks.back().text)
                    << (conflicts_.shown.empty() ? std::string() : conflicts_.shown[0].labels[0]);
    EXPECT_EQ(host_.Results(), std::vector<int>{1});
    EXPECT_EQ(document_.m_nUnitKind, GetParam() >= 6 ? 4 : 1);
    for (int slot : {6, 7}) {
        const CMeasSet& set = *document_.MeasSetSlot(slot);
        ASSERT_EQ(set.Count(), 5);
        for (int p = 0; p < 5; ++p) EXPECT_EQ(set.Position(p)->Count(), 3) << slot << " " << p;
    }
    EXPECT_TRUE(conflicts_.shown.empty());

    // Each stored curve is the room's response of its channel at its
    // position (levels per channel and position differ in the generated
    // room, so a take heard at the wrong position or channel shows).
    double worst = 0;
    const CMeasSet& movie = *document_.MeasSetSlot(6);
    for (int p = 0; p < 5; ++p)
        for (int ch : {0, 1, 2}) {
            CCurve truth = TruthCurve(room_, mic_, calibration_, ch, p);
            CCurve measured = *movie.Position(p)->Find(ch);
            measured.ToDecibel();
            double sum = 0;
            int n = 0;
            for (int i = 0; i < measured.Count(); ++i) {
                if (measured.X()[i] < 200 || measured.X()[i] > 5000) continue;
                sum += measured.A()[i] - truth.A()[i];
                ++n;
            }
            worst = std::max(worst, std::fabs(sum / n));
        }
    EXPECT_LT(worst, 0.2);  // measured: 0.034 dB
    RecordProperty("worst_mean_db", std::to_string(worst));

    // The processor was left with no tone, powered off and released.
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }), -1);
    EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.power(1); }));
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_EQ(sound_.openCount(0), 0);
    // Every take's tone was switched on and off again on the wire.
    const std::string tone = GetParam() >= 6 ? "QEX" : "P1N";
    int on = 0, off = 0;
    for (const std::string& line : sim_->log().texts()) {
        if (line.rfind(tone, 0) != 0 || line.find('?') != std::string::npos) continue;
        (line.back() == '8' ? off : on) += 1;
    }
    EXPECT_GE(on, 30);
    EXPECT_GE(off, 30);
}

INSTANTIATE_TEST_SUITE_P(Families, MeasurementEndToEnd, ::testing::Values(0, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param >= 6 ? std::string("Receiver") : std::string("Flagship");
                         });

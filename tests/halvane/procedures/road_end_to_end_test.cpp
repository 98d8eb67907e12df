// The whole road of one request without windows, against the simulated
// processor on a real pseudo-terminal and the simulated microphone in the
// simulated room: measure, detect the crossovers, set the levels, build the
// targets, calculate and upload. The processor ends with the document's
// filters, and the correction brings every measured channel nearer its
// target.
#include "MeasurementJobFixture.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/UnitFamilies.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/CEqCalcProc.h"
#include "halvane/procedures/CEqUploadProc.h"
#include "halvane/procedures/CrossoverTargetJobs.h"
#include "halvane/procedures/WaveRecorder.h"
#include "platform/SimSoundSystem.h"
#include "sim/MicrophoneSource.h"
#include "tests/halvane/link/UnitFixture.h"

#include "RoadProject.h"

#include <cstdio>

namespace {

class RoadEndToEnd : public ::testing::TestWithParam<int> {
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

TEST_P(RoadEndToEnd, MeasureDetectTargetsCalculateUpload) {
    const bool receiver = GetParam() >= 6;
    const std::int32_t kind = receiver ? 4 : 2;
    ASSERT_TRUE(halvane::RunMeasurementProcedure(platform::WindowHandle{3}, &document_, &host_, services_));
    ASSERT_EQ(document_.m_nUnitKind, kind);
    ASSERT_EQ(document_.CurveSetSlot(0)->Count(), 3);

    TestProcHost detect;
    ASSERT_EQ(halvane::RunAutoDetectXOvers(&detect, {}, *document_.CurveSetSlot(0), *document_.CurveSetSlot(1),
                                           document_.m_TargetConfig, kind),
              1);
    ::UpdateLevels(kind, *document_.CurveSetSlot(0), *document_.CurveSetSlot(1), document_.m_TargetConfig);
    TestProcHost targets;
    ASSERT_EQ(halvane::RunRecalcTarg(document_, &targets, {}), 1);
    ASSERT_EQ(document_.CurveSetSlot(4)->Count(), 3);
    TestProcHost calculate;
    ASSERT_TRUE(halvane::RunEqCalcProc({}, document_, &calculate));
    TestProcHost upload;
    ASSERT_EQ(halvane::RunUploadProc({}, document_, &upload), 1);

    if (!receiver) {
        const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
        for (std::uint32_t c = 0; c < 2; ++c)
            for (std::uint32_t r = 0; r < 8; ++r)
                for (std::uint32_t slot = 0; slot < 8; ++slot) {
                    const int ch = ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot];
                    const auto& set = document_.FilterSets[c][r][static_cast<std::size_t>(ch)];
                    ASSERT_EQ(memory.at(0x000800 + (c * 8 + r) * 8 + slot), static_cast<std::uint32_t>(set.Gain));
                    for (std::uint32_t b = 0; b < 10; ++b)
                        for (int k = 0; k < 6; ++k)
                            ASSERT_EQ(memory.at(0x002000 + (c * 8 + r) * 640 + (slot * 10 + b) * 8 +
                                                static_cast<std::uint32_t>(k)),
                                      set.Stages[b].Word(k));
                }
    } else {
        EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.setting("AVC"); }), "1");
        EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.bitStore().empty(); }));
    }

    for (int c = 0; c < 2; ++c)
        for (int ch : {0, 1, 2}) {
            const CCurve& target = *document_.CurveSetSlot(c + 4)->Find(ch);
            const double before = roadtest::RmsDeviationDb(*document_.CurveSetSlot(c)->Find(ch), target, 150, 5000);
            const double after = roadtest::RmsDeviationDb(*document_.CurveSetSlot(c + 2)->Find(ch), target, 150, 5000);
            EXPECT_LT(after, before) << c << " " << ch;
            RecordProperty("before_after_" + std::to_string(c) + std::to_string(ch),
                           std::to_string(before) + " " + std::to_string(after));
        }
}

INSTANTIATE_TEST_SUITE_P(Families, RoadEndToEnd, ::testing::Values(4, 7),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param >= 6 ? std::string("Receiver") : std::string("Flagship");
                         });

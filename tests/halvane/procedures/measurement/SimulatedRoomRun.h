#pragma once

// A measurement run in the simulated room: the simulated processor (model
// from the test's parameter) on a real pseudo-terminal, found by the
// program's own unit objects; the simulated microphone heard through the
// simulated sound input, moved to the position the job asks for; scripted
// speaker selection, conflicts, calibration and prompts.
#include "halvane/link/Units.h"
#include "halvane/procedures/measurement/WaveRecorder.h"
#include "platform/SimSoundSystem.h"
#include "sim/MicrophoneScale.h"
#include "sim/MicrophoneSource.h"
#include "tests/halvane/link/UnitFixture.h"
#include "tests/halvane/procedures/measurement/MeasurementJobFixture.h"

#include <cstdio>
#include <memory>


class SimulatedRoomRun : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(GetParam(), "1.31c"), clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        lineClock_.follow(sim_.get());
        lineClock_.holdWhileCatchingUp(true);
        Port().SetClock(lineClock_);
        Port().SetPortMap(linktest::MapOnly({{1, sim_->slavePath()}}));
        halvane::link::ConTypes::CreateUnits(port_);

        mic_.setToneSource(sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneSource(); }));
        platform::SimInputDevice device;
        device.name = "Microphone (USB Tessik QEX-1)";
        // The room at a real room's levels, heard as that microphone would.
        mic_.setKnobs(sim::CalibratedKnobs(device.name));
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
        // The program's own calibration of the microphone found.
        services_.calibration = &calibration_;
        services_.prompt = &prompt_;
    }

    void TearDown() override {
        halvane::link::ConTypes::DestroyUnits();
        Port().SetPortMap(linktest::MapOnly({}));
        Port().SetClock(platform::systemClock());
        lineClock_.follow(nullptr);
        sim_.reset();
    }

    // The port the units talk through, as the program hands its one port to them.
    halvane::link::Comm::CBasicTessikPort port_;
    halvane::link::Comm::CBasicTessikPort& Port() { return port_; }
    template <class F>
    auto Dialect(F&& fn) {
        return sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) { return fn(d); });
    }

    linktest::FastSleepClock clock_{20};
    // The port's: replies are judged once the processor has caught up, on a
    // time that stands still while it does.
    testsupport::CatchUpClock lineClock_{clock_};
    std::unique_ptr<sim::Simulator> sim_;
    sim::Room room_{8};
    sim::Microphone mic_{room_};
    platform::SimSoundSystem sound_{clock_};
    halvane::procedures::WaveRecorder recorder_{sound_, clock_};
    WillingPrompt prompt_;
    ScriptedSpeakerSelection selection_;
    ScriptedConflictUi conflicts_;
    halvane::procedures::MicrophoneCalibrationSource calibration_{sound_};
    TestProcHost host_;
    halvane::document::CHalvaneDoc document_{halvane::document::CHalvaneDoc::Services{nullptr, &prompt_, nullptr}};
    halvane::procedures::MeasurementServices services_;
};


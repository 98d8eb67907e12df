// The program's microphone calibration: the microphone in use chooses the
// correction kind, the input level and the absolute sensitivity, and the
// simulated microphone is scaled by the same figures.
#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/procedures/measurement/MicrophoneCalibration.h"
#include "platform/SimSoundSystem.h"
#include "platform/VirtualClock.h"
#include "sim/MicrophoneScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace halvane::design;
using namespace halvane::signal;

using halvane::procedures::CalibrationForMicrophone;
using halvane::procedures::MicrophoneForDevice;

TEST(MicrophoneCalibration, TheDeviceNameChoosesKindLevelAndSensitivity) {
    struct Case {
        std::string device;
        int kind;
        std::uint32_t level;
        int id;
    };
    for (const Case& c : {Case{"Microphone (USB Tessik QEX-1)", 1, 16384, 1}, Case{"QEX-1 Tessik input", 1, 16384, 1},
                          Case{"Fenwarde JOM-1", 3, 8192, 2}, Case{"USB JOM-1 Fenwarde", 3, 8192, 2},
                          // Only accepted names count (case-sensitive): the program's own microphone.
                          Case{"fenwarde jom-1", 1, 16384, 1}, Case{"", 1, 16384, 1}}) {
        const auto cal = CalibrationForMicrophone(MicrophoneForDevice(c.device));
        EXPECT_EQ(cal.kind, c.kind) << c.device;
        EXPECT_EQ(halvane::procedures::InputLevelForKind(cal.kind), c.level) << c.device;
        EXPECT_EQ(cal.firstId, c.id) << c.device;
        EXPECT_EQ(cal.secondId, -1);
        ASSERT_TRUE(cal.data);
        EXPECT_NE(std::string(cal.data->begin(), cal.data->end()).find(MicrophoneForDevice(c.device).model),
                  std::string::npos);
        // The simulated microphone of that name is scaled by the same figure.
        EXPECT_EQ(sim::MicrophoneFullScaleSplDb(c.device), MicrophoneForDevice(c.device).fullScaleSplDb) << c.device;

        // A full-scale sweep through a flat path (4, +12 dB, out of the
        // chirp processing: see the truth curves of the measurement tests)
        // reads the microphone's full-scale level, give or take the kind's
        // built-in table in the midrange (A +0.9 dB, B +0.7 dB at 640 Hz).
        auto manager = CCurveCorrectionManager::Create(cal.kind, cal.curve);
        ASSERT_TRUE(manager);
        CCurve take = halvane::procedures::FlatCalibrationCurve(4.0, "take");
        manager->Apply(take);
        take.ToDecibel();
        const int i = take.Axis().NearestIndex(640.0);
        EXPECT_NEAR(take.A()[i], MicrophoneForDevice(c.device).fullScaleSplDb, 1.5) << c.device;
    }
    EXPECT_EQ(halvane::procedures::InputLevelForKind(2), 8192u);
    EXPECT_EQ(halvane::procedures::InputLevelForKind(0), 4096u);
}

TEST(MicrophoneCalibration, TheSourceFollowsTheDeviceTheRecorderWillChoose) {
    platform::VirtualClock clock;
    platform::SimSoundSystem sound(clock);
    halvane::procedures::MicrophoneCalibrationSource source(sound);
    halvane::procedures::MicrophoneCalibration cal;
    // Nothing connected yet: the program's own microphone.
    ASSERT_TRUE(source.GetCalibration(cal));
    EXPECT_EQ(cal.kind, 1);
    EXPECT_TRUE(source.DeviceName().empty());

    platform::SimInputDevice other, jom, qex;
    other.name = "HDA Intel PCH";
    jom.name = "JOM-1 Fenwarde";
    qex.name = "Tessik QEX-1";
    sound.addDevice(other);
    sound.addDevice(jom);
    sound.addDevice(qex);
    ASSERT_TRUE(source.GetCalibration(cal));
    EXPECT_EQ(source.DeviceName(), "JOM-1 Fenwarde");  // the lower index wins, as in the recorders
    EXPECT_EQ(cal.kind, 3);
}

// Retrieve and program of the settings memory through the boot loader,
// against the simulated processor on a pseudo-terminal: the whole road from
// the firmware at 19200 into the loader, up to 115200, byte by byte, and
// back with the clock set.

#include "MarnochSim.h"
#include "marnoch/MarnochTexts.h"

#include <gtest/gtest.h>

#include <regex>

namespace marnoch::test {

namespace {

struct Recorder final : CProgCtrl {
    int low = -1, high = -1, last = -1, positions = 0;
    bool visible = true;
    void SetRange(int l, int h) override { low = l, high = h; }
    void SetPos(int p) override { last = p, ++positions; }
    void Show(bool v) override { visible = v; }
};

bool fixedTime(std::tm& t) {
    t = {};
    t.tm_wday = 2;  // Tuesday
    t.tm_hour = 15;
    t.tm_min = 42;
    return true;
}

bool programmable(unsigned a) { return (a >= 0x010 && a < 0x040) || a >= 0x060; }

class MarnochTransfer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim_.started()) << sim_.simulator().error(); }

    // Found as the workflows find it, then handed to the transfer.
    std::unique_ptr<CSerialPort> found() {
        auto port = sim_.makePort(image_, fixedTime);
        std::string text;
        EXPECT_TRUE(port->FindBZT(text)) << text;
        return port;
    }

    MarnochSim sim_;
    SettingsImage image_;
    Recorder progress_;
};

}  // namespace

TEST_F(MarnochTransfer, RetrieveReadsTheWholeMemory) {
    const auto memory = sim_.randomMemory(1);
    auto port = found();
    std::string text;
    ASSERT_TRUE(port->RetrieveSettings(text, progress_)) << text;
    EXPECT_EQ(text, text::kRetrievedOk);
    EXPECT_EQ(image_.bytes(), memory);
    EXPECT_EQ(progress_.low, 0);
    EXPECT_EQ(progress_.high, 4096);
    EXPECT_EQ(progress_.last, 0xFF8);
    EXPECT_FALSE(progress_.visible);
    EXPECT_FALSE(port->isOpen());

    // Zones off first, the loader raised to 115200 with its divisor, and the
    // unit back in its firmware with the PC's clock afterwards.
    const auto log = sim_.simulator().log().texts();
    EXPECT_NE(std::find(log.begin(), log.end(), "P3P0"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "h 04"), log.end());
    sim_.dialect([](sim::MarnochDialect& d) {
        EXPECT_EQ(d.state(), sim::MarnochDialect::State::Firmware);
        EXPECT_FALSE(d.zoneOn(0) || d.zoneOn(1) || d.zoneOn(2));
        EXPECT_EQ(d.weekday(), 3);
        EXPECT_EQ(d.clockText(), "15:42");
        EXPECT_EQ(d.commandCount('d'), 0);
    });
    // The 3-second pause after the zones' off commands, in the unit's time.
    const auto entries = sim_.simulator().log().entries();
    std::int64_t offAt = -1, queryAt = -1;
    for (const auto& e : entries) {
        if (e.text == "P3P0" && offAt < 0) offAt = e.timeMs;
        if (e.text == "P1P?" && queryAt < 0) queryAt = e.timeMs;
    }
    EXPECT_GE(queryAt - offAt, 3000);
    // And 600 ms for the loader to start after the jump.
    std::int64_t jumpAt = -1, bannerAt = -1;
    for (const auto& e : entries) {
        if (e.text == "Z" && jumpAt < 0) jumpAt = e.timeMs;
        if (e.text == "S" && jumpAt >= 0 && bannerAt < 0) bannerAt = e.timeMs;
    }
    EXPECT_GE(bannerAt - jumpAt, 600);
    // Every byte came at the speed the unit listened at: the speed changes
    // into, within and out of the loader kept step.
    EXPECT_EQ(sim_.simulator().bytesRejected(), 0);
}

TEST_F(MarnochTransfer, ProgramWritesExactlyTheProgrammableBytes) {
    const auto before = sim_.randomMemory(2);
    std::mt19937 rng(5);
    for (auto& b : image_.bytes()) b = static_cast<std::uint8_t>(rng());
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().clock24Hour = false; });
    auto port = found();
    std::string text;
    ASSERT_TRUE(port->ProgramSettings(text, progress_)) << text;
    EXPECT_EQ(text, text::kProgrammedOk);
    sim_.dialect([&](sim::MarnochDialect& d) {
        for (unsigned a = 0; a < 4096; ++a) {
            ASSERT_EQ(d.memory()[a], programmable(a) ? image_[a] : before[a]) << a;
            // The bytes it never writes are only read, before it begins.
            ASSERT_EQ(d.written().test(a), programmable(a)) << a;
            ASSERT_TRUE(d.addressed().test(a)) << a;
        }
        EXPECT_EQ(d.clockText(), "03:42PM");
    });
    EXPECT_EQ(sim_.simulator().bytesRejected(), 0);
}

TEST_F(MarnochTransfer, ReadsMustAgreeTwice) {
    sim_.randomMemory(3);
    sim_.dialect([](sim::MarnochDialect& d) {
        d.knobs().readSequences[0x123] = {0x5A, 0x5B, 0x5B};
        d.knobs().readSequences[0x124] = {0x11, 0x11};
    });
    auto port = found();
    std::string text;
    ASSERT_TRUE(port->RetrieveSettings(text, progress_)) << text;
    EXPECT_EQ(image_[0x123], 0x5B);
    EXPECT_EQ(image_[0x124], 0x11);
}

TEST_F(MarnochTransfer, ReadsThatNeverAgreeFailTheRetrieve) {
    sim_.randomMemory(4);
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().unstableAddress = 0x200; });
    auto port = found();
    std::string text;
    EXPECT_FALSE(port->RetrieveSettings(text, progress_));
    EXPECT_EQ(FirstLine(text), text::kRetrieveFailed);
    EXPECT_NE(text.find("Reading stopped at address 0x200."), std::string::npos) << text;
    EXPECT_FALSE(progress_.visible);
    sim_.dialect([](sim::MarnochDialect& d) {
        EXPECT_TRUE(d.addressed().test(0x200));
        EXPECT_FALSE(d.addressed().test(0x201));  // the loop stopped there
        // Still sent back to the firmware.
        EXPECT_EQ(d.state(), sim::MarnochDialect::State::Firmware);
    });
}

TEST_F(MarnochTransfer, WrongReadBackFailsTheProgram) {
    sim_.randomMemory(6);
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().unstableAddress = 0x300; });
    auto port = found();
    std::string text;
    EXPECT_FALSE(port->ProgramSettings(text, progress_));
    EXPECT_EQ(FirstLine(text), text::kProgramFailed);
    // The image is read back after the stop: everything above it that the
    // unit held before differs, and the address that never reads twice
    // alike is not counted.
    int differing = 0;
    sim_.dialect([&](sim::MarnochDialect& d) {
        for (unsigned a = 0x301; a < 0x1000; ++a) differing += d.memory()[a] != image_[a];
    });
    // The reads that never agree spoil their windows, and what a lost byte
    // could have written there from the stop on is written right: the text
    // says how many such bytes of the file the unit got past the stop.
    EXPECT_TRUE(std::regex_search(
        text, std::regex("Programming stopped at address 0x300\\. (Putting right what lost bytes wrote astray, \\d+ "
                         "bytes? of the file (was|were) then written from that address on\\. )?" +
                         std::to_string(differing) + " bytes of the unit's settings differ from the file: 0 below "
                         "0x300, " + std::to_string(differing) + " from it on\\. 1 byte could not be read back\\. "
                         "The unit runs, half-programmed\\. Program the unit again\\.")))
        << text;
    sim_.dialect([](sim::MarnochDialect& d) {
        EXPECT_TRUE(d.written().test(0x2FF));
        EXPECT_FALSE(d.written().test(0x301));
        EXPECT_EQ(d.state(), sim::MarnochDialect::State::Firmware);
    });
}

// "d" never acknowledged: 7 attempts at 0x010, four sendings of "d" each.
TEST_F(MarnochTransfer, UnacknowledgedWriteFailsAtTheFirstAddress) {
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().neverAcknowledge = 'd'; });
    auto port = found();
    std::string text;
    EXPECT_FALSE(port->ProgramSettings(text, progress_));
    EXPECT_EQ(FirstLine(text), text::kProgramFailed);
    sim_.dialect([](sim::MarnochDialect& d) {
        EXPECT_EQ(d.commandCount('d'), 28);
        EXPECT_EQ(d.written().count(), 0u);
    });
}

TEST_F(MarnochTransfer, SilenceAfterTheJumpMeansNoLoader) {
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().silentAfterJump = true; });
    auto port = found();
    std::string text;
    EXPECT_FALSE(port->RetrieveSettings(text, progress_));
    EXPECT_EQ(text, text::kLoaderNotResponding);
    EXPECT_EQ(progress_.positions, 0);  // the progress bar was never touched
    EXPECT_FALSE(port->isOpen());
}

// A unit already in its loader at 115200: brought down to 19200 first, then
// up again for the transfer.
TEST(MarnochLoader, UnitAlreadyInItsLoaderAtFullSpeed) {
    sim::MarnochDialect::Config c;
    c.start = sim::MarnochDialect::State::Loader;
    c.loaderStartBaud = 115200;
    MarnochSim sim(c);
    ASSERT_TRUE(sim.started());
    sim.randomMemory(8);
    SettingsImage image;
    auto port = sim.makePort(image, fixedTime);
    port->setPortName(sim.path());
    port->setSpeedIndex(kFastSpeedIndex);
    std::string text;
    ASSERT_TRUE(port->EnterLoader(text)) << text;
    EXPECT_EQ(port->speedIndex(), 0);
    EXPECT_EQ(port->loaderVersion(), 300);
    sim.dialect([](sim::MarnochDialect& d) { EXPECT_EQ(d.loaderBaud(), 19200); });
    ASSERT_TRUE(port->SetLoaderSpeed(true, text)) << text;
    EXPECT_EQ(text, text::kLoaderBaudChanged);
    sim.dialect([](sim::MarnochDialect& d) { EXPECT_EQ(d.loaderBaud(), 115200); });
    const auto log = sim.simulator().log().texts();
    EXPECT_NE(std::find(log.begin(), log.end(), "h 1d"), log.end());
}

// Version "21" uses the other divisors; a version that is no number sends
// none, and a loader that stays at 19200 is then not found at 115200.
TEST(MarnochLoader, SpeedDivisorsFollowTheLoaderVersion) {
    for (const char* version : {"21", "x0"}) {
        sim::MarnochDialect::Config c;
        c.start = sim::MarnochDialect::State::Loader;
        c.version = version;
        MarnochSim sim(c);
        ASSERT_TRUE(sim.started());
        SettingsImage image;
        auto port = sim.makePort(image);
        port->setPortName(sim.path());
        std::string text;
        ASSERT_TRUE(port->EnterLoader(text)) << text;
        const bool numbered = std::string(version) == "21";
        EXPECT_EQ(port->loaderVersion(), numbered ? 201 : 0);
        EXPECT_EQ(port->SetLoaderSpeed(true, text), numbered) << version;
        EXPECT_EQ(text, numbered ? text::kLoaderBaudChanged : text::kLoaderNotRespondingFast);
        const auto log = sim.simulator().log().texts();
        EXPECT_EQ(std::count(log.begin(), log.end(), "h 01"), numbered ? 1 : 0);
    }
}

}  // namespace marnoch::test

namespace marnoch::test {

// Found as a programmer: no zones, back at the base speed, and no clock for
// a unit that is a programmer again after the loader.
TEST(MarnochStartModes, ProgrammerGetsNoZonesAndNoClock) {
    sim::MarnochDialect::Config c;
    c.start = sim::MarnochDialect::State::Programmer;
    MarnochSim sim(c);
    ASSERT_TRUE(sim.started());
    const auto memory = sim.randomMemory(12);
    SettingsImage image;
    auto port = sim.makePort(image);
    std::string text;
    ASSERT_TRUE(port->FindBZT(text));
    ASSERT_EQ(port->unitMode(), kModeProgrammer);
    NullProgCtrl progress;
    ASSERT_TRUE(port->RetrieveSettings(text, progress)) << text;
    EXPECT_EQ(image.bytes(), memory);
    EXPECT_EQ(port->speedIndex(), 0);
    EXPECT_EQ(sim.simulator().log().count("P1P0"), 0u);
    EXPECT_EQ(sim.simulator().log().count("STF?"), 0u);
    sim.dialect([](sim::MarnochDialect& d) { EXPECT_EQ(d.state(), sim::MarnochDialect::State::Programmer); });
}

// A loader that will not start the firmware for twelve "X" commands: the
// leave after the transfer fails, three recovery cycles fail, the fourth
// brings the unit back and the transfer counts as done.
TEST(MarnochStartModes, LeavingTheLoaderRecoversInTheFourthCycle) {
    MarnochSim sim;
    ASSERT_TRUE(sim.started());
    const auto memory = sim.randomMemory(13);
    sim.dialect([](sim::MarnochDialect& d) { d.knobs().exitFailures = 12; });
    SettingsImage image;
    auto port = sim.makePort(image);
    std::string text;
    ASSERT_TRUE(port->FindBZT(text));
    NullProgCtrl progress;
    ASSERT_TRUE(port->RetrieveSettings(text, progress)) << text;
    EXPECT_EQ(text, text::kRetrievedOk);
    EXPECT_EQ(image.bytes(), memory);
    sim.dialect([](sim::MarnochDialect& d) {
        EXPECT_EQ(d.state(), sim::MarnochDialect::State::Firmware);
        // Thirteen at least: under load an acknowledgement may come too late
        // for its 6 ms window and "X" is sent once more.
        EXPECT_GE(d.commandCount('X'), 13);
    });
}

}  // namespace marnoch::test

namespace marnoch::test {

// Firmware at 38400: the loader is entered at 19200, the transfer runs at
// 115200 and the unit is spoken to at 38400 again afterwards, never at a
// speed it is not listening at.
TEST(MarnochStartModes, FirmwareAtAnotherSpeedComesBackThere) {
    sim::MarnochDialect::Config c;
    c.firmwareBaud = 38400;
    MarnochSim sim(c);
    ASSERT_TRUE(sim.started());
    const auto memory = sim.randomMemory(14);
    SettingsImage image;
    auto port = sim.makePort(image, fixedTime);
    std::string text;
    ASSERT_TRUE(port->FindBZT(text));
    const auto rejectedInSearch = sim.simulator().bytesRejected();
    NullProgCtrl progress;
    ASSERT_TRUE(port->RetrieveSettings(text, progress)) << text;
    EXPECT_EQ(image.bytes(), memory);
    EXPECT_EQ(port->speedIndex(), 5);
    EXPECT_EQ(sim.simulator().bytesRejected(), rejectedInSearch);
    sim.dialect([](sim::MarnochDialect& d) { EXPECT_EQ(d.clockText(), "15:42"); });
}

}  // namespace marnoch::test

namespace marnoch::test {

// The cable pulled in the middle of a transfer: the transfer fails with its
// text in bounded time instead of hanging on a dead line.
TEST(MarnochStartModes, PulledCableFailsTheTransfer) {
    MarnochSim sim;
    ASSERT_TRUE(sim.started());
    sim.randomMemory(15);
    SettingsImage image;
    auto port = sim.makePort(image);
    std::string text;
    ASSERT_TRUE(port->FindBZT(text));
    sim::FaultKnobs knobs;
    knobs.disconnectAfterBytes = static_cast<std::int64_t>(sim.simulator().bytesReceived()) + 3000;
    sim.simulator().setFaults(knobs);
    NullProgCtrl progress;
    const auto started = port->waitedMs();
    EXPECT_FALSE(port->RetrieveSettings(text, progress));
    EXPECT_EQ(FirstLine(text), text::kRetrieveFailed);
    EXPECT_NE(text.find("The unit no longer answers."), std::string::npos) << text;
    EXPECT_LT(port->waitedMs() - started, 120000);
    EXPECT_FALSE(port->isOpen());
}

// A unit that goes quiet while its clock is set: the bar starts again and
// moves with every resent query (three tries of four sendings each) instead
// of standing at its end for half a minute, and the OK text says the clock
// was not set.
TEST_F(MarnochTransfer, AQuietClockMovesTheBarAndIsSaid) {
    sim_.randomMemory(9);
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().clockQuiet = true; });
    auto port = found();
    std::string text;
    ASSERT_TRUE(port->ProgramSettings(text, progress_)) << text;
    EXPECT_EQ(text, text::kProgrammedOk + "\n\n" + text::kClockNotSet);
    EXPECT_EQ(progress_.high, 3 * (4 + 2 * 4));
    EXPECT_EQ(progress_.last, 3 * 3);  // the first sending of each try waits before the bar moves
    EXPECT_FALSE(progress_.visible);
    EXPECT_EQ(sim_.simulator().log().count("STF?"), 12u);
    sim_.dialect([](sim::MarnochDialect& d) { EXPECT_TRUE(d.clockText().empty()); });
}

}  // namespace marnoch::test

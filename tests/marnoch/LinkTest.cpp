// The link and the search against the simulated processor through a real
// pseudo-terminal: the program's own port code at the program's own line
// settings, which the simulator checks on every byte.

#include "MarnochSim.h"
#include "marnoch/MarnochTexts.h"
#include "tests/support/ClosedDevice.h"

#include <gtest/gtest.h>


namespace marnoch::test {

namespace {

sim::MarnochDialect::Config firmwareAt(int baud, std::string id = "Bzt 50 v1.07") {
    sim::MarnochDialect::Config c;
    c.firmwareBaud = baud;
    c.identification = std::move(id);
    return c;
}

}  // namespace

TEST(MarnochLink, FindsFirmwareAt19200) {
    MarnochSim sim(firmwareAt(19200));
    ASSERT_TRUE(sim.started()) << sim.simulator().error();
    SettingsImage image;
    auto port = sim.makePort(image);
    std::string text;
    ASSERT_TRUE(port->FindBZT(text));
    EXPECT_EQ(text, "Bzt 50 found");
    EXPECT_EQ(port->comNumber(), 1);
    EXPECT_EQ(port->speedIndex(), 0);
    EXPECT_EQ(port->unitMode(), kModeFirmware);
    EXPECT_EQ(port->answeredSpeedIndex(), 0);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(sim.simulator().lastLineSeen(), "19200 8N2 raw");
}

// Found on COM3 at 38400, the sixth speed of the search; nothing answers at
// the speeds before it.
TEST(MarnochLink, FindsFirmwareAt38400OnCom3) {
    MarnochSim sim(firmwareAt(38400), 3);
    ASSERT_TRUE(sim.started());
    SettingsImage image;
    auto port = sim.makePort(image);
    std::string text;
    ASSERT_TRUE(port->FindBZT(text));
    EXPECT_EQ(text, "Bzt 50 found");
    EXPECT_EQ(port->comNumber(), 3);
    EXPECT_EQ(port->speedIndex(), 5);
    EXPECT_EQ(port->answeredSpeedIndex(), 5);
    EXPECT_EQ(port->model(), 5);
    EXPECT_GT(sim.simulator().bytesRejected(), 0);
}

TEST(MarnochLink, ProgrammerAndLoaderAnswers) {
    {
        sim::MarnochDialect::Config c;
        c.start = sim::MarnochDialect::State::Programmer;
        MarnochSim sim(c);
        ASSERT_TRUE(sim.started());
        SettingsImage image;
        auto port = sim.makePort(image);
        std::string text;
        ASSERT_TRUE(port->FindBZT(text));
        EXPECT_EQ(port->unitMode(), kModeProgrammer);
        EXPECT_EQ(port->model(), 8);
        EXPECT_EQ(text, "Bzt 50v found");
    }
    {
        // A unit left in its loader: "??" and the banner, then identify.
        sim::MarnochDialect::Config c;
        c.start = sim::MarnochDialect::State::Loader;
        c.banner = "TOLVARINE Z6v3 ISP\r";
        MarnochSim sim(c);
        ASSERT_TRUE(sim.started());
        SettingsImage image;
        auto port = sim.makePort(image);
        port->setPortName(sim.path());
        ASSERT_TRUE(port->IdentifyUnit(0));
        EXPECT_EQ(port->unitMode(), kModeLoader);
        EXPECT_EQ(port->model(), 12);
    }
}

TEST(MarnochLink, NoUnitGivesTheWarning) {
    SettingsImage image;
    platform::ScaledClock clock(kTimeScale);
    CSerialPort none(image, clock, [](int) { return std::string(); });
    std::string text;
    EXPECT_FALSE(none.FindBZT(text));
    EXPECT_EQ(text, text::kNotFound + "\n  COM1 to COM8: no device");

    // A device that never answers costs the whole search of its port.
    sim::MarnochDialect::Config c;
    MarnochSim sim(c);
    ASSERT_TRUE(sim.started());
    sim.simulator().setFaults([] {
        sim::FaultKnobs k;
        k.silent = true;
        return k;
    }());
    auto port = sim.makePort(image);
    EXPECT_FALSE(port->FindBZT(text));
    EXPECT_EQ(text, text::kNotFound + "\n  COM1 = " + sim.path() + ": no unit answered\n  COM2 to COM8: no device");
    EXPECT_FALSE(port->isOpen());
    // Three queries at each speed; only those at 19200 reach the unit, the
    // last perhaps after the search gave up.
    EXPECT_TRUE(WaitForCommand(sim.simulator(), "?", 3)) << "the unit heard fewer than three queries";
    EXPECT_EQ(sim.simulator().log().count("?"), 3u);
}

// A port that is there but cannot be opened is named with the system's
// reason, in the search's warning and when a later step opens it again:
// held by another program, closed to this user, or no device at its path.
TEST(MarnochLink, APortThatCannotBeOpenedSaysWhy) {
    MarnochSim sim(firmwareAt(19200));
    ASSERT_TRUE(sim.started());
    SettingsImage image;
    auto port = sim.makePort(image);
    const std::string com1 = "\n  COM1 = " + sim.path() + ": could not be opened: ";
    const std::string rest = "\n  COM2 to COM8: no device";
    platform::SerialLine other;
    ASSERT_TRUE(other.open(sim.path()));
    std::string text;
    EXPECT_FALSE(port->FindBZT(text));
    EXPECT_EQ(text, text::kNotFound + com1 + "in use by another program" + rest);
    other.close();
    {
        testsupport::ClosedDevice closed(sim.path());
        EXPECT_FALSE(port->FindBZT(text));
    }
    EXPECT_EQ(text, text::kNotFound + com1 + "permission denied (the user needs to be in the dialout group)" + rest);

    ASSERT_TRUE(port->FindBZT(text)) << text;
    ASSERT_TRUE(other.open(sim.path()));
    EXPECT_FALSE(port->OpenPort(text));
    EXPECT_EQ(text, text::kCommError + com1 + "in use by another program");

    CSerialPort missing(image, sim.clock(), [](int n) { return n == 1 ? "/nonexistent/ttyUSB0" : std::string(); });
    EXPECT_FALSE(missing.FindBZT(text));
    EXPECT_EQ(text, text::kNotFound + "\n  COM1 = /nonexistent/ttyUSB0: could not be opened: no such device" + rest);
}

// The reply rules of the two command-line exchanges, counted in the
// simulator's log.
TEST(MarnochLink, CommandLineExchangesRetryAsTheyShould) {
    MarnochSim sim(firmwareAt(19200));
    ASSERT_TRUE(sim.started());
    SettingsImage image;
    auto port = sim.makePort(image);
    port->setPortName(sim.path());
    std::string text;
    ASSERT_TRUE(port->OpenPort(text));

    EXPECT_TRUE(port->WriteToBZTAndWait("P1P0\n", 100));
    EXPECT_EQ(sim.simulator().log().count("P1P0"), 1u);
    // "OK\n" is not the bare "\n" this exchange accepts: four sendings.
    EXPECT_FALSE(port->WriteToBZTAndWait("Z31842.7\n", 100));
    EXPECT_TRUE(WaitForCommand(sim.simulator(), "Z31842.7", 4));
    EXPECT_EQ(sim.simulator().log().count("Z31842.7"), 4u);

    std::string reply;
    EXPECT_TRUE(port->WriteToBZTAndWaitFor("STF?\n", 400, reply, 5, true, 3));
    EXPECT_EQ(reply, "STF1\n");
    EXPECT_EQ(sim.simulator().log().count("STF?"), 1u);
    // Unanswered: retries 3 means four sendings.
    EXPECT_FALSE(port->WriteToBZTAndWaitFor("QQ?\n", 100, reply, 5, true, 3));
    // Nothing answered the last sending: the unit may not have read it yet.
    EXPECT_TRUE(WaitForCommand(sim.simulator(), "QQ?", 4));
    EXPECT_EQ(sim.simulator().log().count("QQ?"), 4u);
    EXPECT_TRUE(reply.empty());
}

// A unit that never stops sending: draining gives up after 1025 reads,
// reopening the port after every 128th (8 reopens). The flood keeps the line
// full on the unit's time: before a read is judged the simulator has filled
// it again, however late its thread runs on a busy machine.
TEST(MarnochLink, DrainingAFloodIsBounded) {
    MarnochSim sim(firmwareAt(19200));
    ASSERT_TRUE(sim.started());
    SettingsImage image;
    auto port = sim.makePort(image);
    port->setPortName(sim.path());
    std::string text;
    ASSERT_TRUE(port->OpenPort(text));
    // The flood has begun once the unit has sent a few of its bursts.
    const auto sentBefore = sim.simulator().bytesSent();
    sim.dialect([](sim::MarnochDialect& d) { d.knobs().flood = true; });
    ASSERT_TRUE(WaitUntil([&] { return sim.simulator().bytesSent() >= sentBefore + 3 * 2048; }, 5000));
    const int opensBefore = port->openCount();
    const auto started = port->waitedMs();
    port->DrainInput(true);
    const auto took = port->waitedMs() - started;
    sim.dialect([](sim::MarnochDialect& d) { d.knobs().flood = false; });
    EXPECT_EQ(port->openCount() - opensBefore, 8);
    EXPECT_LT(took, 1000);
    EXPECT_TRUE(port->isOpen());
}

}  // namespace marnoch::test

namespace marnoch::test {

// A unit in its service mode answers "Invalid Command" to everything: the
// search sends it back to the firmware ("dx", "@0"); the loader entry takes
// the service way in ("rk5c93").
TEST(MarnochLink, ServiceModeAnswers) {
    sim::MarnochDialect::Config c;
    c.start = sim::MarnochDialect::State::Service;
    {
        MarnochSim sim(c);
        ASSERT_TRUE(sim.started());
        SettingsImage image;
        auto port = sim.makePort(image);
        std::string text;
        ASSERT_TRUE(port->FindBZT(text));
        EXPECT_EQ(text, "Bzt 50 found");
        EXPECT_EQ(port->unitMode(), kModeFirmware);
        EXPECT_EQ(sim.simulator().log().count("dx"), 1u);
        EXPECT_EQ(sim.simulator().log().count("@0"), 1u);
    }
    {
        MarnochSim sim(c);
        ASSERT_TRUE(sim.started());
        SettingsImage image;
        auto port = sim.makePort(image);
        port->setPortName(sim.path());
        ASSERT_TRUE(port->IdentifyUnit(0));
        EXPECT_EQ(port->unitMode(), kModeInvalidCommand);
        EXPECT_EQ(port->model(), kModelNone);
        std::string text;
        ASSERT_TRUE(port->EnterLoader(text)) << text;
        EXPECT_EQ(port->unitMode(), kModeLoader);
        EXPECT_GE(sim.simulator().log().count("rk5c93"), 1u);
    }
}

}  // namespace marnoch::test

namespace marnoch::test {

// The search moves a progress bar with every query: on a silent port all
// 24 queries (8 speeds, 3 each) of the one port present, then the bar is
// hidden; a unit found at 19200 stops it early.
TEST(MarnochLink, SearchMovesTheProgressBar) {
    struct Recorder final : CProgCtrl {
        int high = -1, last = 0, moves = 0;
        bool visible = false;
        void SetRange(int, int h) override { high = h; }
        void SetPos(int p) override {
            if (p > last) ++moves;
            last = p;
        }
        void Show(bool v) override { visible = v; }
    };
    MarnochSim sim;
    ASSERT_TRUE(sim.started());
    SettingsImage image;
    std::string text;
    {
        Recorder progress;
        auto port = sim.makePort(image);
        ASSERT_TRUE(port->FindBZT(text, &progress));
        EXPECT_EQ(progress.high, 24);
        EXPECT_EQ(progress.last, 1);
        EXPECT_FALSE(progress.visible);
    }
    sim::FaultKnobs k;
    k.silent = true;
    sim.simulator().setFaults(k);
    Recorder progress;
    auto port = sim.makePort(image);
    EXPECT_FALSE(port->FindBZT(text, &progress));
    EXPECT_EQ(progress.moves, 24);
    EXPECT_EQ(progress.last, 24);
    EXPECT_FALSE(progress.visible);
}

}  // namespace marnoch::test

#include "sim/IdentDialect.h"
#include "sim/Simulator.h"

#include "platform/ScaledClock.h"
#include "platform/SerialLine.h"
#include "platform/VirtualClock.h"
#include "tests/support/CatchUpClock.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <string_view>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;
using testsupport::WaitUntil;
using namespace std::chrono_literals;

namespace {

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto d = std::make_unique<sim::IdentDialect>("Vux500 v1.00", LineSettings::eightN2(19200));
        d->setEcho(true);
        sim_ = std::make_unique<sim::Simulator>(std::move(d));
        ASSERT_TRUE(sim_->start()) << sim_->error();
        ASSERT_TRUE(line_.open(sim_->slavePath()));
        ASSERT_TRUE(line_.configure(LineSettings::eightN2(19200)));
    }

    void setFaults(void (*edit)(sim::FaultKnobs&)) {
        auto k = sim_->faults();
        edit(k);
        sim_->setFaults(k);
    }

    // Everything that comes until the line is quiet for quietMs.
    std::string collect(std::int64_t totalMs = 2000, std::int64_t quietMs = 300) {
        char buf[256];
        const long n = line_.read(buf, sizeof buf, totalMs, quietMs);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    }

    std::unique_ptr<sim::Simulator> sim_;
    SerialLine line_;
};

// A processor whose thread is held up on every byte it takes in, as a busy
// machine holds it up; it echoes the byte.
class HeldUpDialect final : public sim::Dialect {
public:
    static constexpr auto kHeldUp = 500ms;
    LineSettings expectedLine() const override { return LineSettings::eightN2(19200); }
    void onBytes(std::string_view bytes, sim::Responder& out) override {
        std::this_thread::sleep_for(kHeldUp);
        out.replyRaw(bytes);
    }
};

}  // namespace

TEST_F(SimulatorTest, EachReplyIsOneLineWithABareLineFeed) {
    ASSERT_TRUE(line_.writeAll("?\nP1P?\n"));
    EXPECT_EQ(collect(), "Vux500 v1.00\nP1P?\n");
}

TEST_F(SimulatorTest, SilenceStillLogsWhatCame) {
    setFaults([](sim::FaultKnobs& k) { k.silent = true; });
    ASSERT_TRUE(line_.writeAll("?\n"));
    EXPECT_EQ(collect(1000, 200), "");
    EXPECT_EQ(sim_->log().texts(), std::vector<std::string>{"?"});
}

TEST_F(SimulatorTest, CarriageReturnAndGarbleFaultsShapeTheReply) {
    setFaults([](sim::FaultKnobs& k) { k.crBeforeLf = true; });
    ASSERT_TRUE(line_.writeAll("?\n"));
    EXPECT_EQ(collect(), "Vux500 v1.00\r\n");

    setFaults([](sim::FaultKnobs& k) {
        k.crBeforeLf = false;
        k.garbleReplies = true;
    });
    ASSERT_TRUE(line_.writeAll("?\n"));
    const std::string g = collect();
    ASSERT_EQ(g.size(), 13u);
    EXPECT_EQ(g.back(), '\n');
    EXPECT_NE(g, "Vux500 v1.00\n");
}

TEST_F(SimulatorTest, DelayedRepliesKeepTheirOrderAndTheirDelay) {
    setFaults([](sim::FaultKnobs& k) { k.replyDelayMs = 150; });
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(line_.writeAll("A\nB\nC\n"));
    std::uint8_t b = 0;
    ASSERT_EQ(line_.readByte(b, 5000), SerialLine::ReadResult::Byte);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 140ms);
    EXPECT_EQ(b, 'A');
    EXPECT_EQ(collect(), "\nB\nC\n");
}

TEST_F(SimulatorTest, DroppedBytesLoseTheCommand) {
    // Every second byte lost: "?\n" arrives as "?", and the line never ends.
    setFaults([](sim::FaultKnobs& k) { k.dropEveryNthByte = 2; });
    ASSERT_TRUE(line_.writeAll("?\n"));
    EXPECT_EQ(collect(800, 200), "");
    EXPECT_EQ(sim_->log().size(), 0u);
}

// Random loss draws each byte's fate from its own seed: one seed gives one
// loss pattern again, another seed another, and about one byte in N goes.
TEST(Simulator, RandomLossIsItsSeedsAndOnlyItsSeeds) {
    const auto received = [](std::uint64_t seed) {
        sim::Simulator sim(std::make_unique<sim::IdentDialect>("Vux500 v1.00", LineSettings::eightN2(19200)));
        EXPECT_TRUE(sim.start()) << sim.error();
        auto k = sim.faults();
        k.dropOneIn = 10;
        k.dropSeed = seed;
        sim.setFaults(k);
        SerialLine line;
        EXPECT_TRUE(line.open(sim.slavePath()));
        EXPECT_TRUE(line.configure(LineSettings::eightN2(19200)));
        std::string sent;
        for (int i = 0; i < 300; ++i) sent += "0123456789\n";
        EXPECT_TRUE(line.writeAll(sent));
        EXPECT_TRUE(WaitUntil([&] { return sim.caughtUp(); }, 10000));
        std::string kept;
        for (const auto& t : sim.log().texts()) kept += t + "|";
        return kept;
    };
    const std::string first = received(7);
    EXPECT_EQ(received(7), first);
    EXPECT_NE(received(8), first);
    // 3300 bytes sent, 330 lost on average. A lost line end joins two
    // commands, so what arrived is every character of the log plus one end
    // ("|") a command.
    const double lost = 3300.0 - static_cast<double>(first.size());
    EXPECT_GT(lost, 250);
    EXPECT_LT(lost, 420);
}

// Caught up, the simulator has handled every byte the program wrote, also
// bytes the kernel still held on their way to its side when asked, and has
// written the answer: the answer is there to read at once.
TEST_F(SimulatorTest, CaughtUpMeansTheAnswerIsThere) {
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(line_.writeAll("?\n"));
        ASSERT_TRUE(WaitUntil([&] { return sim_->caughtUp(); }, 10000)) << "never caught up";
        char buffer[64];
        const long n = line_.readAvailable(buffer, sizeof buffer);
        ASSERT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "Vux500 v1.00\n") << "round " << round;
    }
}

TEST(Simulator, LogIsTimestampedInOrderOnItsClock) {
    // The log's times are the simulator's clock: a virtual one here, moved
    // on between the two commands.
    VirtualClock clock(1000);
    sim::Simulator sim(std::make_unique<sim::IdentDialect>("Vux500 v1.00", LineSettings::eightN2(19200)), clock);
    ASSERT_TRUE(sim.start()) << sim.error();
    SerialLine line;
    ASSERT_TRUE(line.open(sim.slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    ASSERT_TRUE(line.writeAll("one\n"));
    ASSERT_TRUE(sim.log().waitForCount(1, 10000)) << "the processor never logged \"one\"";
    clock.advance(50);
    ASSERT_TRUE(line.writeAll("two\n"));
    ASSERT_TRUE(sim.log().waitForCount(2, 10000)) << "the processor never logged \"two\"";
    const auto e = sim.log().entries();
    EXPECT_EQ(e[0].text, "one");
    EXPECT_EQ(e[1].text, "two");
    EXPECT_EQ(e[0].timeMs, 1000);
    EXPECT_EQ(e[1].timeMs, 1050);
    EXPECT_EQ(sim.log().count("two"), 1u);
}

// A program's clock that catches up with the simulator waits for it in real
// time; on a clock 20 times faster than real time that wait is 20 times as
// much of its time, unless it is told to hold still meanwhile.
TEST(Simulator, ACatchingUpClockHoldsStillWhileItWaitsOnlyWhenToldTo) {
    constexpr std::int64_t kFactor = 20;
    // The simulator's delay on that clock.
    constexpr std::int64_t kHeldUpMs = std::chrono::milliseconds(HeldUpDialect::kHeldUp).count() * kFactor;
    ScaledClock scaled(static_cast<double>(kFactor));
    sim::Simulator sim(std::make_unique<HeldUpDialect>(), scaled);
    ASSERT_TRUE(sim.start()) << sim.error();
    SerialLine line(scaled);
    ASSERT_TRUE(line.open(sim.slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    char echo = 0;

    for (const bool hold : {false, true}) {
        testsupport::CatchUpClock clock(scaled, &sim);
        clock.holdWhileCatchingUp(hold);
        const std::int64_t start = clock.nowMs();
        const std::int64_t scaledStart = scaled.nowMs();
        ASSERT_TRUE(line.writeAll("?"));
        // The pty hands the byte on a moment after the write: the simulator
        // is behind once it is there.
        ASSERT_TRUE(WaitUntil([&] { return !sim.caughtUp(); }, 2000));
        clock.sleepMs(1);  // returns once the echo has been written
        EXPECT_TRUE(sim.caughtUp());
        EXPECT_GE(scaled.nowMs() - scaledStart, kHeldUpMs - 20);
        if (hold) EXPECT_LT(clock.nowMs() - start, kHeldUpMs / 2);  // the moments around the wait only
        else EXPECT_GE(clock.nowMs() - start, kHeldUpMs - 20);
        ASSERT_EQ(line.read(&echo, 1, 2000), 1);
        EXPECT_EQ(echo, '?');
    }
}

TEST_F(SimulatorTest, RejectsACookedLineAtTheRightSpeed) {
    line_.close();
    // A program that forgot raw mode: canonical input, echo, output
    // post-processing, all at the processor's speed.
    const int fd = ::open(sim_->slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    t.c_lflag |= ICANON | ECHO;
    t.c_oflag |= OPOST | ONLCR;
    t.c_cflag |= CSTOPB;
    ::cfsetispeed(&t, B19200);
    ::cfsetospeed(&t, B19200);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
    ASSERT_EQ(::write(fd, "?\n", 2), 2);
    ASSERT_TRUE(WaitUntil([&] { return sim_->bytesRejected() > 0; }, 10000)) << "the cooked line was never rejected";
    EXPECT_EQ(sim_->log().size(), 0u);
    EXPECT_NE(sim_->lastLineSeen().find("cooked"), std::string::npos) << sim_->lastLineSeen();
    ::close(fd);
}

TEST_F(SimulatorTest, KeepsWorkingAcrossCloseAndReopenOfThePort) {
    line_.close();
    sim_->inject("queued while closed\n");  // a processor talking to nobody
    ASSERT_TRUE(sim_->waitQuiet(10000)) << "the processor never wrote to the closed line";
    ASSERT_TRUE(line_.open(sim_->slavePath()));
    ASSERT_TRUE(line_.configure(LineSettings::eightN2(19200)));
    ASSERT_TRUE(line_.writeAll("?\n"));
    const std::string got = collect();
    EXPECT_NE(got.find("Vux500 v1.00\n"), std::string::npos) << got;
}

// A cut line's name goes with it, as a pulled adapter's device does: the
// pseudo-terminal number it had is the system's to give to the next line,
// often another test's, and a program that goes on reopening the old name
// must not reach that line.
TEST(Simulator, AProgramsReconnectsNeverReachALineThatTookTheOldNumber) {
    const auto ident = [] { return std::make_unique<sim::IdentDialect>("Vux500 v1.00", LineSettings::eightN2(19200)); };
    sim::Simulator first(ident());
    ASSERT_TRUE(first.start()) << first.error();
    const std::string name = first.slavePath();
    const std::string device = std::filesystem::canonical(name);
    SerialLine line;
    ASSERT_TRUE(line.open(name)) << line.lastErrorText();
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));

    first.disconnect();
    std::uint8_t b = 0;
    EXPECT_EQ(line.readByte(b, 5000), SerialLine::ReadResult::Failed);  // the hang-up still reaches the program
    EXPECT_EQ(line.lastError(), SerialError::HungUp);
    line.close();  // frees the number

    // The system gives the lowest free number. Lines are made until one has
    // the freed number: those below it are kept (they fill lower gaps),
    // those above are let go (another process holds it for now).
    const auto number = [](const std::filesystem::path& device) { return std::stoi(device.filename()); };
    const int freed = number(device);
    std::vector<std::unique_ptr<sim::Simulator>> below;
    std::unique_ptr<sim::Simulator> second;
    for (int tries = 0; tries < 200 && !second; ++tries) {
        auto next = std::make_unique<sim::Simulator>(ident());
        ASSERT_TRUE(next->start()) << next->error();
        const int got = number(std::filesystem::canonical(next->slavePath()));
        if (got == freed) second = std::move(next);
        else if (got < freed) below.push_back(std::move(next));
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!second) GTEST_SKIP() << device << " stayed with another process: no new line took its number";

    SerialLine again;
    EXPECT_FALSE(again.open(name)) << name << " reached " << std::filesystem::canonical(second->slavePath());
    EXPECT_EQ(again.lastError(), SerialError::NotFound);
    if (again.isOpen()) {
        ASSERT_TRUE(again.configure(LineSettings::eightN2(19200)));
        ASSERT_TRUE(again.writeAll("?\n"));
        ASSERT_TRUE(WaitUntil([&] { return second->caughtUp(); }, 10000));
    }
    EXPECT_EQ(second->bytesReceived(), 0);
}

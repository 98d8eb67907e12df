// SerialLine against a simulated processor on a real pseudo-terminal: the
// simulator only answers when the slave's termios (read through the master)
// carry its speed and framing, so these tests check what reaches the tty.

#include "platform/SerialLine.h"

#include "sim/IdentDialect.h"
#include "sim/Simulator.h"
#include "tests/support/ClosedDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

const char* const kIdent = "Tolvarine Z6 v1.31c";

class SerialLineTest : public ::testing::Test {
protected:
    void startSim(LineSettings line, std::string terminators = "\n") {
        auto d = std::make_unique<sim::IdentDialect>(kIdent, line, std::move(terminators));
        dialect_ = d.get();
        sim_ = std::make_unique<sim::Simulator>(std::move(d));
        ASSERT_TRUE(sim_->start()) << sim_->error();
    }

    // Reads one "\n"-ended line, or what came before the limit.
    std::string readLine(SerialLine& line, std::int64_t limitMs = 2000) {
        std::string text;
        std::uint8_t b = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < end) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (line.readByte(b, left.count()) != SerialLine::ReadResult::Byte) break;
            if (b == '\n') return text;
            text.push_back(static_cast<char>(b));
        }
        return text + "<no line end>";
    }

    std::string identifyAt(SerialLine& line, const LineSettings& s, std::int64_t limitMs = 300) {
        EXPECT_TRUE(line.configure(s)) << line.lastErrorText();
        EXPECT_TRUE(line.writeAll("?\n"));
        return readLine(line, limitMs);
    }

    sim::IdentDialect* dialect_ = nullptr;
    std::unique_ptr<sim::Simulator> sim_;
};

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

TEST_F(SerialLineTest, AnswersOnlyAtTheProcessorsSpeedAndFraming) {
    startSim(LineSettings::eightN2(57600));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath())) << line.lastErrorText();

    for (int baud : {19200, 115200, 1200, 2400, 4800, 9600, 38400})
        EXPECT_EQ(identifyAt(line, LineSettings::eightN2(baud)), "<no line end>") << baud;
    EXPECT_EQ(identifyAt(line, LineSettings::eightN1(57600)), "<no line end>");  // one stop bit too few
    // Parity and data bits cannot be checked here: a pseudo-terminal keeps
    // CS8 without parity whatever it is asked for.
    EXPECT_GT(sim_->bytesRejected(), 0);

    EXPECT_EQ(identifyAt(line, LineSettings::eightN2(57600), 2000), kIdent);
    EXPECT_EQ(sim_->log().texts(), std::vector<std::string>{"?"});  // only the matching query got through
    const auto seen = line.settings();
    ASSERT_TRUE(seen);
    EXPECT_EQ(*seen, LineSettings::eightN2(57600));
}

TEST_F(SerialLineTest, EightN1DialectIsSilentToEightN2) {
    startSim(LineSettings::eightN1(19200), "\n;");
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    EXPECT_EQ(identifyAt(line, LineSettings::eightN2(19200)), "<no line end>");
    EXPECT_EQ(identifyAt(line, LineSettings::eightN1(19200), 2000), kIdent);
}

TEST_F(SerialLineTest, LineIsRawBothWays) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    // Bytes a cooked line would change: CR to LF, NUL, 0xFF, ^C, ^S/^Q.
    const std::string special("\r\n\0\xff\x03\x13\x11z", 8);
    sim_->inject(special);
    char buf[16] = {};
    EXPECT_EQ(line.read(buf, special.size(), 2000, 200), static_cast<long>(special.size()));
    EXPECT_EQ(std::string(buf, special.size()), special);

    // Nothing the program sends comes back (no echo), and "\n" stays "\n".
    ASSERT_TRUE(line.writeAll("AB;CD\n"));
    ASSERT_TRUE(sim_->log().waitForCount(1, 2000));
    EXPECT_EQ(sim_->log().texts().front(), "AB;CD");
    std::uint8_t b = 0;
    EXPECT_EQ(line.readByte(b, 100), SerialLine::ReadResult::Timeout);
}

TEST_F(SerialLineTest, ReadByteKeepsItsLimitAndWakesWhenAByteComes) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));

    std::uint8_t b = 0;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(line.readByte(b, 120), SerialLine::ReadResult::Timeout);
    EXPECT_GE(msSince(t0), 115.0);
    EXPECT_LT(msSince(t0), 2000.0);

    t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(line.readByte(b, 0), SerialLine::ReadResult::Timeout);
    EXPECT_LT(msSince(t0), 500.0);

    auto knobs = sim_->faults();
    knobs.replyDelayMs = 50;
    sim_->setFaults(knobs);
    ASSERT_TRUE(line.writeAll("?\n"));
    t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(line.readByte(b, 20000), SerialLine::ReadResult::Byte);
    EXPECT_EQ(b, 'T');
    EXPECT_LT(msSince(t0), 5000.0);  // woke on the byte, long before its limit
}

TEST_F(SerialLineTest, ReadHonoursCountTotalAndIntervalLimits) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));

    // The count ends the read as soon as it is reached.
    sim_->inject("0123456789");
    char buf[64] = {};
    EXPECT_EQ(line.read(buf, 4, 2000), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(line.read(buf, 64, 300, 50), 6);  // the rest, then the interval ends it
    EXPECT_EQ(std::string(buf, 6), "456789");

    // A reply in two parts 300 ms apart: an interval of 100 ms stops at the
    // gap, a longer one reads it whole.
    auto knobs = sim_->faults();
    knobs.splitReplies = true;
    knobs.splitGapMs = 300;
    sim_->setFaults(knobs);
    ASSERT_TRUE(line.writeAll("?\n"));
    const long first = line.read(buf, 64, 3000, 100);
    EXPECT_GT(first, 0);
    EXPECT_LT(first, 20);
    const long rest = line.read(buf + first, 64 - static_cast<std::size_t>(first), 3000, 100);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(first + rest)), std::string(kIdent) + "\n");

    ASSERT_TRUE(line.writeAll("?\n"));
    EXPECT_EQ(line.read(buf, 64, 3000, 1000), 20);

    // Nothing at all: the total limit.
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(line.read(buf, 8, 100, 10), 0);
    EXPECT_GE(msSince(t0), 95.0);
}

TEST_F(SerialLineTest, PortIsHeldExclusivelyAndFreedOnClose) {
    startSim(LineSettings::eightN2(19200));
    SerialLine first;
    ASSERT_TRUE(first.open(sim_->slavePath()));
    SerialLine second;
    EXPECT_FALSE(second.open(sim_->slavePath()));
    EXPECT_EQ(second.lastError(), SerialError::Busy) << second.lastErrorText();
    EXPECT_NE(second.lastErrorText().find(sim_->slavePath()), std::string::npos);
    EXPECT_FALSE(second.isOpen());

    first.close();
    EXPECT_TRUE(second.open(sim_->slavePath())) << second.lastErrorText();
    EXPECT_EQ(identifyAt(second, LineSettings::eightN2(19200), 2000), kIdent);
}

// A failed open names its reason in the user's words: a missing device, a
// port another line holds, a device closed to this user (made so with
// ClosedDevice: root opens anything), and any other failure in the system's.
TEST_F(SerialLineTest, AFailedOpenSaysWhy) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    EXPECT_FALSE(line.open("/dev/no-such-serial-device"));
    EXPECT_EQ(line.lastErrorReason(), "no such device");

    SerialLine holder;
    ASSERT_TRUE(holder.open(sim_->slavePath()));
    EXPECT_FALSE(line.open(sim_->slavePath()));
    EXPECT_EQ(line.lastErrorReason(), "in use by another program");
    holder.close();

    {
        testsupport::ClosedDevice closed(sim_->slavePath());
        EXPECT_FALSE(line.open(sim_->slavePath()));
    }
    EXPECT_EQ(line.lastError(), SerialError::Permission) << line.lastErrorText();
    EXPECT_EQ(line.lastErrorReason(), "permission denied (the user needs to be in the dialout group)");

    EXPECT_FALSE(line.open("/tmp"));
    EXPECT_EQ(line.lastErrorReason(), "system error: Is a directory");
    EXPECT_TRUE(line.open(sim_->slavePath())) << line.lastErrorText();
}

TEST_F(SerialLineTest, HangUpDuringAReadIsAFailedReadNotAHang) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    // The read below cannot be watched from here: the pause only makes the
    // hang-up land while it waits; one that comes first must fail it too.
    std::thread cutter([&] {
        std::this_thread::sleep_for(100ms);
        sim_->disconnect();
    });
    std::uint8_t b = 0;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(line.readByte(b, 20000), SerialLine::ReadResult::Failed);
    EXPECT_LT(msSince(t0), 10000.0);
    EXPECT_EQ(line.lastError(), SerialError::HungUp);
    cutter.join();

    // Reads keep failing at once; the line stays usable to close.
    EXPECT_EQ(line.readByte(b, 5000), SerialLine::ReadResult::Failed);
    EXPECT_EQ(line.read(&b, 1, 5000), -1);
    line.close();
    EXPECT_FALSE(line.isOpen());
}

TEST_F(SerialLineTest, DisconnectAfterSomeBytesFailsTheNextRead) {
    startSim(LineSettings::eightN2(19200));
    auto knobs = sim_->faults();
    knobs.disconnectAfterBytes = 3;
    sim_->setFaults(knobs);
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    ASSERT_TRUE(line.writeAll("?\n?\n"));
    std::uint8_t b = 0;
    EXPECT_EQ(line.readByte(b, 10000), SerialLine::ReadResult::Failed);
    EXPECT_TRUE(sim_->log().texts().empty() || sim_->log().texts() == std::vector<std::string>{"?"});
}

TEST_F(SerialLineTest, LargeWritesArriveWhole) {
    startSim(LineSettings::eightN2(115200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(115200)));
    std::string block;
    const int lines = 1500;  // about 16 KiB, far more than a tty buffer holds
    for (int i = 0; i < lines; ++i) block += "dq5C50001" + std::to_string(100000 + i) + "ABCDEF\n";
    ASSERT_GT(block.size(), 16000u);
    ASSERT_TRUE(line.writeAll(block, 20000)) << line.lastErrorText();
    ASSERT_TRUE(line.drainOutput());
    ASSERT_TRUE(sim_->log().waitForCount(static_cast<std::size_t>(lines), 20000));
    const auto texts = sim_->log().texts();
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i)
        ASSERT_EQ(texts[static_cast<std::size_t>(i)], "dq5C50001" + std::to_string(100000 + i) + "ABCDEF");
}

TEST_F(SerialLineTest, PurgeDropsWhatTheProcessorSentBeforeIt) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    sim_->inject("stale bytes\n");
    // The first byte read shows that the processor's one write has reached
    // the line's input queue; the purge must drop the rest of it.
    std::uint8_t first = 0;
    ASSERT_EQ(line.readByte(first, 10000), SerialLine::ReadResult::Byte) << "the stale bytes never came";
    EXPECT_EQ(first, 's');
    ASSERT_TRUE(line.purge());
    EXPECT_EQ(identifyAt(line, LineSettings::eightN2(19200), 2000), kIdent);
}

TEST(SerialLine, ClearErrorsWithoutADevice) {
    SerialLine line;
    std::uint8_t b = 0;
    EXPECT_EQ(line.readByte(b, 10), SerialLine::ReadResult::Failed);
    EXPECT_EQ(line.lastError(), SerialError::NotOpen);
    EXPECT_FALSE(line.writeAll("?\n"));
    EXPECT_FALSE(line.configure(LineSettings::eightN2(19200)));
    EXPECT_FALSE(line.purge());

    EXPECT_FALSE(line.open("/dev/no-such-serial-device"));
    EXPECT_EQ(line.lastError(), SerialError::NotFound);
    EXPECT_FALSE(line.open(""));
    EXPECT_EQ(line.lastError(), SerialError::BadArgument);

    char path[] = "/tmp/serial-line-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_FALSE(line.open(path));
    EXPECT_EQ(line.lastError(), SerialError::NotATerminal);
    ::unlink(path);
}

TEST_F(SerialLineTest, UnsupportedSettingsAreRefusedAndLeaveTheLineAsItWas) {
    startSim(LineSettings::eightN2(19200));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    EXPECT_FALSE(line.configure(LineSettings::eightN2(12345)));
    EXPECT_EQ(line.lastError(), SerialError::BadArgument);
    EXPECT_FALSE(line.configure({19200, 9, Parity::None, 2}));
    EXPECT_FALSE(line.configure({19200, 8, Parity::None, 3}));
    EXPECT_EQ(identifyAt(line, *line.settings(), 2000), kIdent);
    EXPECT_FALSE(IsSupportedBaud(12345));
    for (int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) EXPECT_TRUE(IsSupportedBaud(baud));
}

// coreutils' stty reads the device's settings on its own: an independent
// check that configure() put speed, framing and raw mode on the tty.
TEST_F(SerialLineTest, SttySeesTheConfiguredLine) {
    if (::geteuid() != 0) GTEST_SKIP() << "stty cannot open a port held exclusively unless run as root";
    startSim(LineSettings::eightN2(57600));
    SerialLine line;
    ASSERT_TRUE(line.open(sim_->slavePath()));
    ASSERT_TRUE(line.configure(LineSettings::eightN2(57600)));
    const std::string cmd = "stty -F " + sim_->slavePath() + " -a 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
    EXPECT_NE(out.find("speed 57600 baud"), std::string::npos) << out;
    std::set<std::string> words;
    std::istringstream in(out);
    for (std::string w; in >> w;) words.insert(w);
    for (const char* want : {"cs8", "cstopb", "-parenb", "-icanon", "-echo", "-ixon", "-ixoff", "-icrnl", "-opost",
                             "-crtscts", "clocal", "-hupcl", "-isig"})
        EXPECT_TRUE(words.count(want)) << want << " not in:\n" << out;
}

// The port's reply reader, value queries, drain and identification, against
// Halvane's simulated processor on a real pseudo-terminal.

#include "LinkFixture.h"
#include "tests/support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <string>

using linktest::LinkTest;

namespace {

class PortTest : public LinkTest {
protected:
    void SetUp() override { StartProcessor(); }

    // Waits (real time) until the processor has received n commands.
    void WaitForCommands(std::size_t n) { ASSERT_TRUE(sim_->log().waitForCount(n, 2000)); }
};

}  // namespace

TEST_F(PortTest, IdentifiesEveryModelByItsPrefixAndReadsTheVersion) {
    OpenAt();
    for (int model = 0; model < 9; ++model) {
        Dialect([&](sim::HalvaneDialect& d) {
            d.setModel(model);
            d.setFirmware(model % 2 ? "1.31c" : "1.02");
        });
        // A late answer to an earlier request must not pass for this model's.
        port_.Drain();
        ASSERT_TRUE(port_.Identify()) << model;
        EXPECT_EQ(port_.ModelIndex(), model);
        EXPECT_EQ(port_.VersionText(), model % 2 ? "1.31c" : "1.02");
    }
    // 8N2 raw at the identification speed is what the processor heard.
    EXPECT_EQ(sim_->lastLineSeen(), "19200 8N2 raw");
}

TEST_F(PortTest, VersionRulesAfterThePrefix) {
    OpenAt();
    // At most five characters after the 'v'.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().identOverride = "Vux500 v1.30abc"; });
    ASSERT_TRUE(port_.Identify());
    EXPECT_EQ(port_.ModelIndex(), 7);
    EXPECT_EQ(port_.VersionText(), "1.30a");

    // No 'v' after the prefix: the model is known, the version stays.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().identOverride = "Bzt 50v 2.00"; });
    ASSERT_TRUE(port_.Identify());
    EXPECT_EQ(port_.ModelIndex(), 5);
    EXPECT_EQ(port_.VersionText(), "1.30a");

    // Stale bytes ahead of the reply, long enough that counting the prefix
    // from the start of the text would land inside "Tolvarine".
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().identOverride.clear();
        d.setModel(0);
        d.setFirmware("1.31c");
        d.knobs().staleBeforeIdent = "\x7f\x80~~stale~~";
    });
    ASSERT_TRUE(port_.Identify());
    EXPECT_EQ(port_.ModelIndex(), 0);
    EXPECT_EQ(port_.VersionText(), "1.31c");

    double number = 0;
    char letter = 0;
    ASSERT_TRUE(port_.ParseVersion(number, letter));
    EXPECT_DOUBLE_EQ(number, 1.31);
    EXPECT_EQ(letter, 'c');
}

TEST_F(PortTest, IdentifyRetriesUnansweredRequestsAndGivesUpAfterFive) {
    OpenAt();
    Dialect([](sim::HalvaneDialect& d) { d.knobs().identIgnoreCount = 4; });
    const auto before = port_.IdentifyRequests();
    ASSERT_TRUE(port_.Identify());
    EXPECT_EQ(port_.IdentifyRequests() - before, 5);

    // Silent: 5 attempts of two reads of 250 ms each, on the port's clock.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().identIgnoreCount = 1000; });
    const auto t0 = clock_.nowMs();
    EXPECT_FALSE(port_.Identify());
    const auto elapsed = clock_.nowMs() - t0;
    EXPECT_EQ(port_.ModelIndex(), 9);
    EXPECT_GE(elapsed, 2500);
    EXPECT_LT(elapsed, 4000);
}

TEST_F(PortTest, ReadReplyJoinsFragmentsAndTimesOutOnSilence) {
    OpenAt();
    // A reply in five pieces 60 ms apart fits the identification limits.
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().fragments = 5;
        d.knobs().fragmentGapMs = 60;
    });
    ASSERT_TRUE(port_.Identify());
    EXPECT_EQ(port_.VersionText(), "1.31c");
    Dialect([](sim::HalvaneDialect& d) { d.knobs().fragments = 1; });

    std::string text = "x";
    auto t0 = clock_.nowMs();
    EXPECT_FALSE(port_.ReadReply("\n", &text, halvane::link::Comm::CBasicTessikPort::kIdentifyTimes));
    EXPECT_EQ(text, "");
    auto elapsed = clock_.nowMs() - t0;
    // Upper bounds leave room for a loaded machine's scheduling.
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 480);

    // Ten characters and silence earn 10 x 50 ms.
    sim_->inject("0123456789");
    t0 = clock_.nowMs();
    EXPECT_FALSE(port_.ReadReply("\n", &text, halvane::link::Comm::CBasicTessikPort::kIdentifyTimes));
    elapsed = clock_.nowMs() - t0;
    EXPECT_EQ(text, "0123456789");
    EXPECT_GE(elapsed, 500);
    EXPECT_LT(elapsed, 900);

    // Thirty would earn 1500 ms, but the maximum is 1000.
    sim_->inject(std::string(30, 'z'));
    t0 = clock_.nowMs();
    EXPECT_FALSE(port_.ReadReply("\n", &text, halvane::link::Comm::CBasicTessikPort::kIdentifyTimes));
    elapsed = clock_.nowMs() - t0;
    EXPECT_EQ(text, std::string(30, 'z'));
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 1400);

    // A complete line is the text before its terminator.
    sim_->inject("P1VM-40.0\nrest");
    ASSERT_TRUE(port_.ReadReply("\n", &text, halvane::link::Comm::CBasicTessikPort::kIdentifyTimes));
    EXPECT_EQ(text, "P1VM-40.0");
}

TEST_F(PortTest, StrictAndLooseValueQueries) {
    OpenAt();
    Dialect([](sim::HalvaneDialect& d) { d.setPower(1, true); });
    int state = -1;
    ASSERT_TRUE(port_.QueryValueSlow(state, "P1P?;", "%d", "\n", 3));
    EXPECT_EQ(state, 1);

    double volume = 0;
    ASSERT_TRUE(port_.QueryValue(volume, "P1VM?\n", "%lf", "\n", 4));
    EXPECT_EQ(volume, -40.0);

    // A reply with anything after the value fails the strict forms and
    // gives 2 in the loose one.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords = {"P1P"}; });
    sim_->inject("P1P1x\n");
    std::string raw;
    state = -1;
    EXPECT_FALSE(port_.QueryValueSlow(state, "P1P?;", "%d", "\n", 3, &raw));
    EXPECT_EQ(raw, "P1P1x");
    sim_->inject("P1P0x\n");
    EXPECT_EQ(port_.QueryValueLoose(state, "P1P?;", "%d", "\n", 3), 2);
    EXPECT_EQ(state, 0);
    // Shorter than the characters to skip.
    sim_->inject("P1\n");
    EXPECT_FALSE(port_.QueryValue(state, "P1P?;", "%d", "\n", 3, &raw));
    EXPECT_EQ(raw, "P1");

    // "\r" before the line end reads as a trailing character.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.clear(); });
    Faults([](sim::FaultKnobs& k) { k.crBeforeLf = true; });
    EXPECT_FALSE(port_.QueryValueSlow(state, "P1P?;", "%d", "\n", 3, &raw));
    EXPECT_EQ(raw, "P1P1\r");
}

TEST_F(PortTest, SendAndReceiveWaitsForTheSetsEchoAndTheStoreKeepsTheValue) {
    OpenAt();
    std::string reply;
    ASSERT_TRUE(port_.SendAndReceive("SZCXF120\n", "\n", &reply));
    EXPECT_EQ(reply, "SZCXF120");
    int value = 0;
    ASSERT_TRUE(port_.QueryValueSlow(value, "SZCXF?\n", "%d", "\n", 5));
    EXPECT_EQ(value, 120);
    ASSERT_TRUE(port_.QueryValueSlow(value, "SZCX?\n", "%d", "\n", 4));
    EXPECT_EQ(value, 80);

    // Two commands on one line, each answered.
    ASSERT_TRUE(port_.SendAndReceive("P1P1;P1VM-95.5\n", "\n", &reply));
    EXPECT_EQ(reply, "P1P1");
    ASSERT_TRUE(port_.ReadReply("\n", &reply, halvane::link::Comm::CBasicTessikPort::kCommandTimes));
    EXPECT_EQ(reply, "P1VM-95.5");
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_TRUE(d.power(1));
        EXPECT_EQ(d.setting("P1VM"), "-95.5");
    });
}

TEST_F(PortTest, DrainStopsAfter1024BytesOfEndlessInput) {
    OpenAt();
    // Quiet line: nothing to drop, and the port stays usable.
    EXPECT_EQ(port_.Drain(), 0u);
    EXPECT_TRUE(port_.Identify());

    // More junk than the line holds: it refills as fast as it is read.
    const std::int64_t sentBefore = sim_->bytesSent();
    Dialect([](sim::HalvaneDialect& d) { d.knobs().floodBytes = 1u << 20; });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return sim_->bytesSent() >= sentBefore + 4096; }, 10000))
        << "the processor never filled the line";
    // Right after its purge the drain finds the line empty until the
    // simulator has written again, which may take longer than the drain's
    // 1 ms: it must never take more than 1024 bytes, and once it finds the
    // line full it takes exactly that many. Each drain waits until the
    // processor has written again.
    std::size_t most = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (most < 1024u && std::chrono::steady_clock::now() < until) {
        const std::int64_t sent = sim_->bytesSent();
        const std::size_t n = port_.Drain();
        EXPECT_LE(n, 1024u);
        most = std::max(most, n);
        testsupport::WaitUntil([&] { return sim_->bytesSent() > sent; }, 1000);
    }
    EXPECT_EQ(most, 1024u) << "no drain found the line full within 20 s";

    // Junk that never ends the line is given up at the maximum time.
    const auto t0 = clock_.nowMs();
    std::string text;
    EXPECT_FALSE(port_.ReadReply("\n", &text, halvane::link::Comm::CBasicTessikPort::kIdentifyTimes));
    EXPECT_LT(clock_.nowMs() - t0, 1600);
    EXPECT_FALSE(text.empty());
}

TEST_F(PortTest, ClosedPortReportsFalseEverywhere) {
    std::string text;
    int v = 0;
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_FALSE(port_.Write("?\n"));
    EXPECT_FALSE(port_.ReadReply("\n", &text, 1, 1, 1));
    EXPECT_FALSE(port_.SendAndReceive("?\n", "\n", &text));
    EXPECT_FALSE(port_.QueryValue(v, "P1P?;", "%d", "\n", 3));
    EXPECT_FALSE(port_.Identify());
    EXPECT_FALSE(port_.Reopen());
    EXPECT_EQ(port_.Drain(), 0u);
    EXPECT_FALSE(port_.Open("COM4"));  // not in the port map
    EXPECT_EQ(port_.GetPortText(), "COM4@1200");
}

TEST_F(PortTest, CloseResetsTheUnitButReopenKeepsIt) {
    OpenAt();
    ASSERT_EQ(port_.ModelIndex(), 0);
    ASSERT_TRUE(port_.Reopen());
    EXPECT_EQ(port_.ModelIndex(), 0);
    EXPECT_EQ(port_.VersionText(), "1.31c");
    EXPECT_EQ(port_.Baud(), 19200);
    EXPECT_TRUE(port_.Identify());  // still talking at the stored speed

    port_.Close();
    EXPECT_EQ(port_.ModelIndex(), 9);
    EXPECT_EQ(port_.VersionText(), "");
    EXPECT_EQ(port_.Found(), 0);
    port_.Close();
    EXPECT_EQ(port_.ModelIndex(), 9);
}

TEST(ParseVersion, DigitsPointDigitsThenTheLetter) {
    double n = 0;
    char c = 0;
    ASSERT_TRUE(halvane::link::Comm::CBasicTessikPort::ParseVersionText("1.30", n, c));
    EXPECT_DOUBLE_EQ(n, 1.30);
    EXPECT_EQ(c, '`');
    ASSERT_TRUE(halvane::link::Comm::CBasicTessikPort::ParseVersionText("1.31b", n, c));
    EXPECT_DOUBLE_EQ(n, 1.31);
    EXPECT_EQ(c, 'b');
    // A letter e is a letter, not an exponent.
    ASSERT_TRUE(halvane::link::Comm::CBasicTessikPort::ParseVersionText("1.31e", n, c));
    EXPECT_DOUBLE_EQ(n, 1.31);
    EXPECT_EQ(c, 'e');
    ASSERT_TRUE(halvane::link::Comm::CBasicTessikPort::ParseVersionText("2", n, c));
    EXPECT_DOUBLE_EQ(n, 2.0);
    EXPECT_EQ(c, '`');
    EXPECT_FALSE(halvane::link::Comm::CBasicTessikPort::ParseVersionText("", n, c));
    EXPECT_FALSE(halvane::link::Comm::CBasicTessikPort::ParseVersionText("v1.3", n, c));
    EXPECT_FALSE(halvane::link::Comm::CBasicTessikPort::ParseVersionText(".", n, c));
}

TEST_F(PortTest, APulledCableFailsReadsAndIdentificationAtOnce) {
    OpenAt();
    sim_->disconnect();
    std::string text = "x";
    const auto t0 = clock_.nowMs();
    EXPECT_FALSE(port_.ReadReply("\n", &text, halvane::link::Comm::CBasicTessikPort::kCommandTimes));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(port_.Identify());
    EXPECT_EQ(port_.ModelIndex(), 9);
    // Nothing waited for the limits of a reply that cannot come.
    EXPECT_LT(clock_.nowMs() - t0, 1000);
}

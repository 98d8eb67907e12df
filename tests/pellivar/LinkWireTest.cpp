// What the communicator puts on the wire, how it paces it, and how replies
// come back: through a pty to the simulated processor.

#include "LinkFixture.h"

#include <chrono>
#include <future>

namespace pellivar::test {
namespace {

class ConnectedLink : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_EQ(searchAll(), 1);
        clearRaw();
        std::lock_guard lock(writesMutex_);
        writes_.clear();
    }

    // Queues n commands and returns the times their writes started.
    std::vector<std::int64_t> sendAndTime(int n) {
        for (int i = 0; i < n; ++i) link_->UpdateUnitWithString("fbs" + std::to_string(i) + "1");
        EXPECT_TRUE(waitForRaw("fbs" + std::to_string(n - 1) + "1;\n"));
        std::vector<std::int64_t> times;
        for (const auto& w : writes())
            if (w.text.rfind("fbs", 0) == 0) times.push_back(w.timeMs);
        EXPECT_EQ(times.size(), static_cast<std::size_t>(n));
        return times;
    }
    static std::int64_t smallestGap(const std::vector<std::int64_t>& t) {
        std::int64_t smallest = INT64_MAX;
        for (std::size_t i = 1; i < t.size(); ++i) smallest = std::min(smallest, t[i] - t[i - 1]);
        return smallest;
    }
};

TEST_F(ConnectedLink, QueuedCommandsEndInSemicolonAndLineFeed) {
    link_->UpdateUnitWithString("fcs050");
    link_->UpdateUnitWithString("P1Sd");
    ASSERT_TRUE(waitForRaw("P1Sd;\n"));
    EXPECT_EQ(raw(), "fcs050;\nP1Sd;\n");
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.source(); }), 10);
    EXPECT_TRUE(dialect([](sim::PellivarDialect& d) { return d.anomalies().empty(); }));
}

// The tree bar's power-on line carries its own separators and no "\n".
TEST_F(ConnectedLink, ThePowerOnLineGoesOutAsGiven) {
    dialect([](sim::PellivarDialect& d) { d.setPower(false); });
    link_->HandOver("P1P1;P1P?;");
    ASSERT_TRUE(waitForRaw("P1P1;P1P?;;"));
    EXPECT_EQ(raw(), "P1P1;P1P?;;");
    EXPECT_TRUE(dialect([](sim::PellivarDialect& d) { return d.power(); }));
}

TEST_F(ConnectedLink, CommandsAreDroppedWhileSendingIsPaused) {
    {
        PellivarLink::SendingPaused opening(*link_);
        link_->UpdateUnitWithString("fcs001");
    }
    link_->UpdateUnitWithString("fcs002");
    ASSERT_TRUE(waitForRaw("fcs002;\n"));
    EXPECT_EQ(raw(), "fcs002;\n");
}

TEST_F(ConnectedLink, PowerQueryOnAndOff) {
    EXPECT_EQ(comm_->QueryPower(), 1);
    EXPECT_EQ(raw(), "P1P?\n");  // five bytes, no terminating zero

    dialect([](sim::PellivarDialect& d) { d.setPower(false); });
    clearRaw();
    const std::int64_t start = clock_.nowMs();
    EXPECT_EQ(comm_->QueryPower(), 0);
    // Five attempts of five 50 ms reads.
    EXPECT_GE(clock_.nowMs() - start, 5 * 5 * 50);
    RecordProperty("power_off_clock_ms", static_cast<int>(clock_.nowMs() - start));
    EXPECT_EQ(raw(), "P1P?\nP1P?\nP1P?\nP1P?\nP1P?\n");
}

TEST_F(ConnectedLink, AUnitSilentWhileOffGivesZero) {
    dialect([](sim::PellivarDialect& d) {
        d.setPower(false);
        d.knobs().silentWhileOff = true;
    });
    EXPECT_EQ(comm_->QueryPower(), 0);
}

// Replies that arrive while the power query holds the port are still
// delivered, each line whole: the query reads them 10 bytes at a time, so
// lines are cut across its reads and attempts, and the last may be left
// half read for the reader to finish.
TEST_F(ConnectedLink, RepliesDuringThePowerQueryAreDeliveredWhole) {
    RecordingWindow window;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("f", &window)));
    dialect([](sim::PellivarDialect& d) { d.setPower(false); });

    std::string burst;
    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        expected.push_back(std::string("fc") + static_cast<char>('0' + i % 10) + std::to_string(10 + i));
        burst += expected.back() + "\n";
    }
    // Two writes of whole lines, as the processor sends them; its own answers
    // to the query come between them: the first once the query has begun,
    // the second once it has asked again.
    auto query = std::async(std::launch::async, [&] { return comm_->QueryPower(); });
    ASSERT_TRUE(waitForCommand("P1P?", 1));
    sim_->inject(burst.substr(0, 42));
    ASSERT_TRUE(waitForCommand("P1P?", 2));
    sim_->inject(burst.substr(42));
    EXPECT_EQ(query.get(), 0);

    // A last line closes the burst: nothing is delivered twice before it.
    expected.push_back("fz");
    ASSERT_TRUE(latch(window, "fz"));
    EXPECT_EQ(window.lines, expected);
}

TEST_F(ConnectedLink, ARepliedPowerStateDuringOtherTrafficIsFound) {
    RecordingWindow window;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("P1P", &window)));
    EXPECT_EQ(comm_->QueryPower(), 1);
    ASSERT_TRUE(poster_.drainUntil([&] { return !window.lines.empty(); }, 2000));
    EXPECT_EQ(window.lines.front(), "P1P1");
}

TEST_F(ConnectedLink, ARepliesSplitAcrossReadsGiveOneDelivery) {
    RecordingWindow window;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc0", &window)));
    sim::FaultKnobs split;
    split.splitReplies = true;
    split.splitGapMs = 40;
    sim_->setFaults(split);
    link_->UpdateUnitWithString("fc?0");
    ASSERT_TRUE(poster_.drainUntil([&] { return !window.lines.empty(); }, 3000));

    // In pieces, one ending inside the next line: the simulator cuts each
    // write in two and sends the halves apart ("fc07", "7\nfc", "01", "2\n").
    sim_->inject("fc077\nfc");
    sim_->inject("012\n");
    split.splitReplies = false;
    sim_->setFaults(split);
    ASSERT_TRUE(latch(window, "fc0END"));
    EXPECT_EQ(window.lines, (std::vector<std::string>{"fc050", "fc077", "fc012", "fc0END"}));
}

TEST_F(ConnectedLink, LinesMergedInOneReadGiveOneDeliveryEach) {
    RecordingWindow contrast, brightness;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc0", &contrast)));
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fb0", &brightness)));
    sim_->inject("fc050\nfb040\nfc060\nxx\n");
    ASSERT_TRUE(poster_.drainUntil([&] { return contrast.lines.size() == 2 && brightness.lines.size() == 1; }, 3000));
    EXPECT_EQ(contrast.lines, (std::vector<std::string>{"fc050", "fc060"}));
    EXPECT_EQ(brightness.lines, std::vector<std::string>{"fb040"});
}

TEST_F(ConnectedLink, TwoMatchingKeysGiveTwoDeliveries) {
    RecordingWindow shortKey, longKey, other;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc", &shortKey)));
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc0", &longKey)));
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc1", &other)));
    link_->UpdateUnitWithString("fc?0");
    ASSERT_TRUE(poster_.drainUntil([&] { return !shortKey.lines.empty() && !longKey.lines.empty(); }, 3000));
    RecordingWindow end;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("zz", &end)));
    ASSERT_TRUE(latch(end, "zz"));
    EXPECT_EQ(shortKey.lines, std::vector<std::string>{"fc050"});
    EXPECT_EQ(longKey.lines, std::vector<std::string>{"fc050"});
    EXPECT_TRUE(other.lines.empty());
}

// Pacing, measured on the link's own clock at each write: lower bounds only.
TEST_F(ConnectedLink, PacingAtFactorFiveSkipsTheLongWait) {
    comm_->SetSendPauseFactor(5);
    const auto gap = smallestGap(sendAndTime(5));
    EXPECT_GE(gap, 5 * 25 - 1);
    RecordProperty("smallest_gap_ms", static_cast<int>(gap));
}

TEST_F(ConnectedLink, PacingAtFactorOneAddsTheLongWait) {
    comm_->SetSendPauseFactor(1);
    // 25 ms per pass and 5 x speed index 4 before the write.
    const auto gap = smallestGap(sendAndTime(5));
    EXPECT_GE(gap, 25 + 20 - 1);
    RecordProperty("smallest_gap_ms", static_cast<int>(gap));
}

TEST_F(ConnectedLink, PacingAtFactorZeroFollowsTheSpeedIndex) {
    // 4 ms per pass at 19200, and 20 ms of Long Wait.
    const auto gap = smallestGap(sendAndTime(5));
    EXPECT_GE(gap, 4 + 20 - 1);
    RecordProperty("smallest_gap_ms", static_cast<int>(gap));
    comm_->SetLongWait(false);
    {
        std::lock_guard lock(writesMutex_);
        writes_.clear();
    }
    clearRaw();
    EXPECT_GE(smallestGap(sendAndTime(5)), 4 - 1);
}

// An idle worker waits for work; it does not keep waking up. Once its last
// command is out it may take one more pass's pause, and then waits: over
// the watched stretch it sleeps at most once.
TEST_F(ConnectedLink, AnIdleWorkerDoesNotSpin) {
    link_->UpdateUnitWithString("fcs001");
    ASSERT_TRUE(waitForRaw("fcs001;\n"));
    ASSERT_TRUE(waitUntil([&] { return comm_->QueuedCommands() == 0; }));
    const int before = counting_.sleeps();
    // Only time can show a worker that keeps waking: a short look, which a
    // spinning one fails many times over.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(counting_.sleeps() - before, 1);
}

TEST_F(ConnectedLink, ClearQueueDropsWhatWaits) {
    comm_->LockSection();
    link_->UpdateUnitWithString("fcs001");
    link_->UpdateUnitWithString("fcs002");
    EXPECT_EQ(comm_->QueuedCommands(), 2u);
    comm_->ClearQueue();
    comm_->UnlockSection();
    link_->UpdateUnitWithString("fcs003");
    ASSERT_TRUE(waitForRaw("fcs003;\n"));
    EXPECT_EQ(raw(), "fcs003;\n");
}

TEST_F(ConnectedLink, AHungUpLineIsSurvived) {
    sim_->disconnect();
    link_->UpdateUnitWithString("fcs001");
    ASSERT_TRUE(waitUntil([&] { return comm_->QueuedCommands() == 0; }));
    EXPECT_EQ(comm_->QueryPower(), 0);
    // The hang-up is a lost connection: nothing more is handed over.
    ASSERT_TRUE(waitUntil([&] { return !comm_->GetPort().IsConnected(); }));
    link_->UpdateUnitWithString("fcs002");
    EXPECT_EQ(comm_->QueuedCommands(), 0u);
}

}  // namespace
}  // namespace pellivar::test

// The unit search over ports and speeds, through a pty to the simulated
// processor.

#include "LinkFixture.h"
#include "pellivar/CSItemVector.h"
#include "tests/support/ClosedDevice.h"

#include <chrono>

namespace pellivar::test {
namespace {

TEST_F(LinkFixture, FindsTheUnitAt19200AndNamesItsModel) {
    ASSERT_EQ(searchAll(), 1);
    CBasicTessikPort& port = comm_->GetPort();
    EXPECT_TRUE(port.IsConnected());
    EXPECT_EQ(port.GetPortNumber(), kComPort);
    EXPECT_EQ(port.GetSpeedIndex(), 4);
    EXPECT_STREQ(port.GetModelName(), "Tolvarine Z5HD");
    EXPECT_EQ(sim_->lastLineSeen(), "19200 8N1 raw");
    // The identification on the wire is exactly "?\n".
    EXPECT_EQ(raw().substr(0, 2), "?\n");
}

class SlowUnitTest : public LinkFixture {
protected:
    SlowUnitTest() : LinkFixture(57600) {}
};

// 57600 is the last speed of the search order: seven silent speeds first.
TEST_F(SlowUnitTest, FindsAUnitThatAnswersOnlyAt57600) {
    const std::int64_t start = clock_.nowMs();
    ASSERT_EQ(searchAll(), 1);
    EXPECT_EQ(comm_->GetPort().GetSpeedIndex(), 6);
    EXPECT_TRUE(comm_->GetPort().IsConnected());
    // Seven speeds of five identification rounds of 250 ms came first.
    EXPECT_GE(clock_.nowMs() - start, 7 * 5 * 250);
    RecordProperty("search_clock_ms", static_cast<int>(clock_.nowMs() - start));
    EXPECT_EQ(sim_->lastLineSeen(), "57600 8N1 raw");
}

TEST_F(LinkFixture, NoUnitMeansNotFoundAndAClosedPort) {
    sim::FaultKnobs silent;
    silent.silent = true;
    sim_->setFaults(silent);
    ASSERT_EQ(searchAtSpeed(4), 0);
    EXPECT_FALSE(comm_->GetPort().IsOpen());
    EXPECT_FALSE(comm_->GetPort().IsConnected());
    EXPECT_STREQ(comm_->GetPort().GetModelName(), "No unit found");
}

// A re-search that fails must say so, and must not leave the port open as if
// the unit were still there.
TEST_F(LinkFixture, AFailedReSearchSaysNotFoundAndClosesThePort) {
    ASSERT_EQ(searchAll(), 1);
    sim::FaultKnobs silent;
    silent.silent = true;
    sim_->setFaults(silent);
    ASSERT_EQ(searchAtSpeed(4), 0);
    EXPECT_FALSE(comm_->GetPort().IsConnected());
    EXPECT_FALSE(comm_->GetPort().IsOpen());
    // Commands now go nowhere: nothing reaches the wire.
    // Commands are dropped as they are handed over: nothing is queued.
    clearRaw();
    link_->UpdateUnitWithString("fcs077");
    EXPECT_EQ(comm_->QueuedCommands(), 0u);
    EXPECT_EQ(raw(), "");
}

// The search names what it met on each port: the unit's port held by
// another program or closed to this user is not a silent unit, and a device
// that is not there is named as missing.
TEST_F(LinkFixture, AFailedSearchSaysWhyEachPortFailed) {
    const std::string com3 = "  COM1 to COM2: no device\n  COM3 = " + sim_->slavePath() + ": ";
    const std::string rest = "\n  COM4 to COM9: no device";
    platform::SerialLine other;
    ASSERT_TRUE(other.open(sim_->slavePath()));
    ASSERT_EQ(searchAtSpeed(4), 0);
    EXPECT_EQ(comm_->GetPort().SearchReport(), com3 + "could not be opened: in use by another program" + rest);
    other.close();
    {
        // Searched on this thread: the worker's thread keeps root's rights.
        testsupport::ClosedDevice closed(sim_->slavePath());
        EXPECT_FALSE(comm_->GetPort().FindUnitAtSpeed());
    }
    EXPECT_EQ(comm_->GetPort().SearchReport(),
              com3 + "could not be opened: permission denied (the user needs to be in the dialout group)" + rest);
    sim::FaultKnobs silent;
    silent.silent = true;
    sim_->setFaults(silent);
    ASSERT_EQ(searchAtSpeed(4), 0);
    EXPECT_EQ(comm_->GetPort().SearchReport(), com3 + "no unit answered" + rest);

    const auto replies = CSItemVector::Create(poster_);
    CBasicTessikPort missing(*replies, counting_, Timing{}, [](int n) {
        return n == 2 ? std::string("/nonexistent/ttyUSB1") : std::string();
    });
    EXPECT_FALSE(missing.FindUnit());
    EXPECT_EQ(missing.SearchReport(),
              "  COM1: no device\n  COM2 = /nonexistent/ttyUSB1: could not be opened: no such device\n"
              "  COM3 to COM6: no device");
}

TEST_F(LinkFixture, ASpeedChangeIsSentUnterminatedAndFollowedByASearchAtTheNewSpeed) {
    ASSERT_EQ(searchAll(), 1);
    clearRaw();
    ASSERT_EQ(searchAtSpeed(7), 1);
    EXPECT_EQ(comm_->GetPort().GetSpeedIndex(), 7);
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.baud(); }), 115200);
    EXPECT_EQ(sim_->lastLineSeen(), "115200 8N1 raw");
    // "SSB7" alone, then the identification at the new speed.
    EXPECT_EQ(raw().substr(0, 6), "SSB7?\n");
    EXPECT_TRUE(comm_->GetPort().IsConnected());
}

// Without a connected unit there is nobody to tell: no "SSB" is written.
TEST_F(LinkFixture, NoSpeedChangeIsSentWhileNotConnected) {
    dialect([](sim::PellivarDialect& d) { d.setBaud(38400); });
    ASSERT_EQ(searchAtSpeed(5), 1);
    EXPECT_EQ(raw().find("SSB"), std::string::npos);
}

TEST_F(LinkFixture, AnInvalidSpeedIsNotFoundAndSendsNothing) {
    ASSERT_EQ(searchAll(), 1);
    clearRaw();
    EXPECT_EQ(searchAtSpeed(8), 0);
    EXPECT_EQ(raw(), "");
    EXPECT_TRUE(comm_->GetPort().IsConnected());
}

// Commands queued ahead of a search are sent after it, as commands; the
// search is never written as one ("SSB;4").
TEST_F(LinkFixture, ASearchDoesNotTakeQueuedCommands) {
    ASSERT_EQ(searchAll(), 1);
    clearRaw();
    comm_->LockSection();
    link_->UpdateUnitWithString("fcs011");
    ASSERT_EQ(searchAtSpeed(4), 1);
    comm_->UnlockSection();
    ASSERT_TRUE(waitForRaw("fcs011;\n"));
    const std::string wire = raw();
    EXPECT_EQ(wire.substr(0, 6), "SSB4?\n");
    EXPECT_EQ(wire.find("SSB;"), std::string::npos);
    EXPECT_EQ(wire.find("SSB4;"), std::string::npos);
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.value("fc", 0); }), 11);
}

// The user interface keeps working during a search: subscribing and queuing
// take no lock the search holds.
TEST_F(LinkFixture, NothingWaitsForARunningSearch) {
    sim::FaultKnobs silent;
    silent.silent = true;
    sim_->setFaults(silent);
    int result = -1;
    comm_->SearchAllSpeeds([&](int found) { result = found; });
    // The search is under way once the processor hears its first question.
    ASSERT_TRUE(waitUntil([&] { return sim_->bytesReceived() > 0; }));
    RecordingWindow window;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 612; ++i) EXPECT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc" + std::to_string(i), &window)));
    comm_->QueueCommand("fc?0\n");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(200));
    EXPECT_EQ(result, -1);  // the search is still running
}

TEST(LinkShutdown, EndsWithinASecondWhileSearching) {
    sim::Simulator simulator(std::make_unique<sim::PellivarDialect>());
    ASSERT_TRUE(simulator.start());
    sim::FaultKnobs silent;
    silent.silent = true;
    simulator.setFaults(silent);
    const std::string path = simulator.slavePath();
    QueuedPoster poster;
    auto comm = std::make_unique<CTessikCommunicator>(poster, platform::systemClock(), Timing{},
                                                      [path](int n) { return n == 1 ? path : std::string(); });
    ASSERT_TRUE(comm->Start());
    comm->SearchAllSpeeds([](int) { ADD_FAILURE() << "a search cut short reports nothing"; });
    const auto asked = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (simulator.bytesReceived() == 0 && std::chrono::steady_clock::now() < asked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(simulator.bytesReceived(), 0);
    const auto start = std::chrono::steady_clock::now();
    comm.reset();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(1));
    RecordProperty("shutdown_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    poster.drain();
}

}  // namespace
}  // namespace pellivar::test

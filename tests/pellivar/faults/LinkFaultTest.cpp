// The link on a faulty line. Each case ends, within its stated bound (real
// time; the link's clock runs kScale times faster), in one of two honest
// outcomes: the unit found with its own model, or values read back that are
// exactly what the unit holds; or else "not found" / "connection lost" with
// the count of commands that did not reach the unit. Never a success over
// wrong data, never a hang.

#include "LinkFixture.h"

#include "pellivar/CommandSpec.h"

#include <chrono>
#include <map>
#include <optional>
#include <thread>

namespace pellivar::test {
namespace {

using Clock = std::chrono::steady_clock;

// Search bound: COM3 alone (COM1-2 and COM4-6 do not open), 8 speeds x 5
// rounds x 250 ms = 10 s of link time, 1.25 s real; with margin.
constexpr std::int64_t kSearchBoundMs = 4000;
// A dead line is noticed within the reply limit and the two queries asked
// again (3 x 2 s of link time, 750 ms real) after the first unanswered
// query, or at once on a hang-up; the sets before it are paced at a few ms
// each.
constexpr std::int64_t kLossBoundMs = 3000;

class LinkFaults : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        comm_->SetLostObserver([this](const CTessikCommunicator::ConnectionLost& l) { lost_ = l; });
    }

    // Runs a full search; checks its outcome is honest and timely.
    int connectUnder(const sim::FaultKnobs& knobs) {
        sim_->setFaults(knobs);
        const auto start = Clock::now();
        const int found = searchAll(kSearchBoundMs + 1000);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        EXPECT_GE(found, 0) << "no answer from the search";
        EXPECT_LE(took, kSearchBoundMs);
        EXPECT_EQ(found == 1, comm_->GetPort().IsConnected());
        if (found == 1) EXPECT_STREQ(comm_->GetPort().GetModelName(), "Tolvarine Z5HD");
        else EXPECT_EQ(comm_->GetPort().GetModel(), -1);
        RecordProperty("search_ms", static_cast<int>(took));
        return found;
    }

    struct SetOutcome {
        bool lost = false;
        std::map<int, int> readBack;  // channel -> value the program read
        std::size_t unanswered = 0;    // read-backs the program knows it missed
    };

    // Sets contrast on sources 0-9 to 60 + source, then reads each back;
    // waits for every read-back or the loss. The read-backs, when they come,
    // must be the unit's own values.
    SetOutcome setAndReadBack(const sim::FaultKnobs& knobs) {
        RecordingWindow window;
        EXPECT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fc", &window)));
        sim_->setFaults(knobs);
        const auto start = Clock::now();
        const std::uint64_t unansweredBefore = comm_->QueriesUnanswered();
        for (int s = 0; s < 10; ++s) link_->UpdateUnitWithString(CommandSpec("fc", "%d", s).BuildSet(60 + s));
        for (int s = 0; s < 10; ++s) link_->UpdateUnitWithString(CommandSpec("fc", "%d", s).BuildQuery());
        SetOutcome out;
        auto readAll = [&] {
            out.readBack.clear();
            for (const std::string& line : window.lines)
                for (int s = 0; s < 10; ++s) {
                    int v = -1;
                    if (CommandSpec("fc", "%d", s).Parse(line, v)) out.readBack[s] = v;
                }
            out.unanswered = static_cast<std::size_t>(comm_->QueriesUnanswered() - unansweredBefore);
            return out.readBack.size() + out.unanswered >= 10u;
        };
        poster_.drainUntil([&] { return lost_.has_value() || readAll(); }, kLossBoundMs + 2000);
        readAll();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        out.lost = lost_.has_value();
        // Every read-back is accounted for: read, known missing, or lost.
        EXPECT_TRUE(out.lost || out.readBack.size() + out.unanswered == 10u) << "neither done nor lost";
        EXPECT_LE(took, kLossBoundMs);
        if (out.lost) {
            EXPECT_FALSE(comm_->GetPort().IsConnected());
            EXPECT_FALSE(lost_->reason.empty());
            // Nothing more is sent: commands are dropped at the hand-over.
            link_->UpdateUnitWithString("fcs050");
            EXPECT_EQ(comm_->QueuedCommands(), 0u);
        }
        // What the program read is what the unit holds.
        for (const auto& [s, v] : out.readBack)
            EXPECT_EQ(v, dialect([s = s](sim::PellivarDialect& d) { return d.value("fc", s); })) << "source " << s;
        RecordProperty("set_ms", static_cast<int>(took));
        return out;
    }

    std::optional<CTessikCommunicator::ConnectionLost> lost_;
};

// --- the search -----------------------------------------------------------

TEST_F(LinkFaults, ConnectToASilentUnitIsNotFound) {
    sim::FaultKnobs k;
    k.silent = true;
    EXPECT_EQ(connectUnder(k), 0);
}

TEST_F(LinkFaults, ConnectOverGarbageIsNotFound) {
    sim::FaultKnobs k;
    k.garbleReplies = true;
    EXPECT_EQ(connectUnder(k), 0);
}

TEST_F(LinkFaults, ConnectWithSplitRepliesFindsTheUnit) {
    sim::FaultKnobs k;
    k.splitReplies = true;
    k.splitGapMs = 5;
    EXPECT_EQ(connectUnder(k), 1);
}

TEST_F(LinkFaults, ConnectWithCrBeforeLfFindsTheUnit) {
    sim::FaultKnobs k;
    k.crBeforeLf = true;
    EXPECT_EQ(connectUnder(k), 1);
}

TEST_F(LinkFaults, ConnectToALineThatHangsUpIsNotFound) {
    sim::FaultKnobs k;
    k.disconnectAfterBytes = 1;
    EXPECT_EQ(connectUnder(k), 0);
    EXPECT_FALSE(comm_->GetPort().IsOpen());
}

TEST_F(LinkFaults, ConnectOverALineDroppingBytesIsHonest) {
    sim::FaultKnobs k;
    k.dropEveryNthByte = 3;  // "?\n" arrives whole only every third time
    connectUnder(k);
}

// --- sets with read-back, the fault starting once connected -----------------

class LinkFaultsConnected : public LinkFaults {
protected:
    void SetUp() override {
        LinkFaults::SetUp();
        ASSERT_EQ(searchAll(), 1);
    }
};

TEST_F(LinkFaultsConnected, SilenceMidWayIsALostConnection) {
    sim::FaultKnobs k;
    k.silent = true;
    SetOutcome out = setAndReadBack(k);
    EXPECT_TRUE(out.lost);
    EXPECT_TRUE(out.readBack.empty());
    EXPECT_EQ(lost_->reason, CTessikCommunicator::kNoReplyReason);
}

TEST_F(LinkFaultsConnected, GarbageMidWayIsALostConnection) {
    sim::FaultKnobs k;
    k.garbleReplies = true;
    SetOutcome out = setAndReadBack(k);
    EXPECT_TRUE(out.lost);
}

TEST_F(LinkFaultsConnected, SplitRepliesReadBackWhatWasSet) {
    sim::FaultKnobs k;
    k.splitReplies = true;
    k.splitGapMs = 20;
    SetOutcome out = setAndReadBack(k);
    EXPECT_FALSE(out.lost);
    EXPECT_EQ(out.unanswered, 0u);
    for (int s = 0; s < 10; ++s) EXPECT_EQ(out.readBack[s], 60 + s);
}

TEST_F(LinkFaultsConnected, CrBeforeLfReadsBackWhatWasSet) {
    sim::FaultKnobs k;
    k.crBeforeLf = true;
    SetOutcome out = setAndReadBack(k);
    EXPECT_FALSE(out.lost);
    EXPECT_EQ(out.unanswered, 0u);
    for (int s = 0; s < 10; ++s) EXPECT_EQ(out.readBack[s], 60 + s);
}

TEST_F(LinkFaultsConnected, AHangUpMidWayIsALostConnectionWithTheCommandsNotSent) {
    sim::FaultKnobs k;
    k.disconnectAfterBytes = sim_->bytesReceived() + 40;  // within the sets
    SetOutcome out = setAndReadBack(k);
    EXPECT_TRUE(out.lost);
    EXPECT_GT(lost_->notSent, 0u);
    EXPECT_LT(out.readBack.size(), 10u);
}

// Bytes lost on the way in corrupt some commands: the unit may hold values
// nobody chose, but the program reads back what it holds (or, when the
// answers stop, says the connection is lost).
TEST_F(LinkFaultsConnected, DroppedBytesNeverPassForTheValuesSet) {
    sim::FaultKnobs k;
    k.dropEveryNthByte = 11;
    SetOutcome out = setAndReadBack(k);
    RecordProperty("unanswered", static_cast<int>(out.unanswered));
    RecordProperty("lost", out.lost ? 1 : 0);
}

// The program notices a dead line on its own too: a power query that nothing
// answers ends the connection.
TEST_F(LinkFaultsConnected, AnUnansweredPowerQueryIsALostConnection) {
    sim::FaultKnobs k;
    k.silent = true;
    sim_->setFaults(k);
    EXPECT_EQ(comm_->QueryPower(), 0);
    EXPECT_FALSE(comm_->GetPort().IsConnected());
    ASSERT_TRUE(poster_.drainUntil([&] { return lost_.has_value(); }, 1000));
    EXPECT_EQ(lost_->reason, CBasicTessikPort::kNoPowerAnswerReason);
}

// An overdue query is asked again only while no section is held (the worker
// sends nothing then), after what was queued meanwhile.
TEST_F(LinkFaultsConnected, AnOverdueQueryWaitsForTheSectionToBeFree) {
    sim_->setFaults({.silent = true});
    link_->UpdateUnitWithString("fc?3");
    ASSERT_TRUE(waitForCommand("fc?3"));
    comm_->LockSection();
    link_->UpdateUnitWithString("fcs350");
    std::this_thread::sleep_for(std::chrono::milliseconds(clock_.toRealMs(4 * Timing{}.replyLimitMs)));
    EXPECT_EQ(sim_->log().count("fc?3"), 1u);
    EXPECT_TRUE(comm_->GetPort().IsConnected());
    sim_->setFaults({});
    comm_->UnlockSection();
    ASSERT_TRUE(waitForCommand("fc?3", 2));
    EXPECT_EQ(sim_->log().texts().end()[-2], "fcs350");
    EXPECT_TRUE(waitUntil([&] { return comm_->QueriesAwaitingReply() == 0 && comm_->GetPort().IsConnected(); }));
}

// A late reply, not a lost one, comes twice once its query is asked again:
// the line is not quiet until the second has come, and it is the old query's,
// answering no later one.
TEST_F(LinkFaultsConnected, TheSecondReplyToAQueryAskedAgainAnswersNoLaterQuery) {
    RecordingWindow window;
    ASSERT_TRUE(comm_->Subscribe(std::make_shared<SHItem>("fTj", &window)));
    sim_->setFaults({.replyDelayMs = Timing{}.replyLimitMs * 7 / 4});
    link_->UpdateUnitWithString("fT?j");
    ASSERT_TRUE(poster_.drainUntil([&] { return window.lines.size() == 1; }, 3000));
    ASSERT_EQ(sim_->log().count("fT?j"), 2u) << "the late reply came before the query was asked again";
    EXPECT_EQ(comm_->QueriesAwaitingReply(), 1u);  // the other write's reply, still to come
    sim_->setFaults({.silent = true});  // the replies on their way still come
    link_->UpdateUnitWithString("fT?j");
    ASSERT_TRUE(waitForCommand("fT?j", 3));
    ASSERT_TRUE(poster_.drainUntil([&] { return window.lines.size() == 2; }, 3000));
    EXPECT_EQ(comm_->QueriesAwaitingReply(), 1u);
}

}  // namespace
}  // namespace pellivar::test

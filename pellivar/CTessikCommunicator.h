#pragma once

#include "pellivar/CBasicTessikPort.h"
#include "pellivar/CSItemVector.h"
#include "pellivar/Poster.h"
#include "pellivar/Timing.h"
#include "platform/Deadline.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace pellivar {

// Owns the port, the queue of outgoing commands and the send worker. The
// worker sends one command per pass, paced so the processor is never sent a
// burst, and runs unit searches. Searches wait in their own queue and go
// before the commands; no lock is held while a search runs, so the user
// interface can queue, subscribe and paint meanwhile.
//
// Each queued command is the command text and "\n"; on the wire ";" comes
// before that final character ("fcs050\n" goes out as "fcs050;\n").
class CTessikCommunicator {
public:
    // The result of a search, posted to the user-interface thread: 1 found,
    // 0 not found.
    using SearchDone = std::function<void(int found)>;

    explicit CTessikCommunicator(Poster& poster, platform::Clock& clock = platform::systemClock(), Timing timing = {},
                                 PortResolver resolver = DefaultPortResolver());
    virtual ~CTessikCommunicator();
    CTessikCommunicator(const CTessikCommunicator&) = delete;
    CTessikCommunicator& operator=(const CTessikCommunicator&) = delete;

    // Starts the send worker (once).
    bool Start();

    // Every command queued gets the next number (from 1).
    void QueueCommand(std::string text);
    // The number of the newest command queued (0: none yet).
    std::uint64_t CommandsQueued() const;
    // Full search over COM1-COM6 at every speed.
    void SearchAllSpeeds(SearchDone target);
    // Search over COM1-COM9 at one speed. A connected unit is first told to
    // change speed ("SSB<d>", written at once with no terminator).
    void SearchAtSpeed(SearchDone target, int speedIndex);

    bool Subscribe(SItemPtr item) { return subscriptions_->Subscribe(std::move(item)); }
    void Unsubscribe(const SItem* item) { subscriptions_->Unsubscribe(item); }
    const std::shared_ptr<CSItemVector>& Subscriptions() const { return subscriptions_; }

    int QueryPower() { return port_->QueryPower(); }
    CBasicTessikPort& GetPort() { return *port_; }

    // Drops every queued command (not the searches).
    void ClearQueue();
    std::size_t QueuedCommands() const;
    bool SearchPending() const;

    // Pages hold the section while they queue a batch, so the worker does not
    // start a batch half queued. Holds count; the worker sends nothing while
    // any is held. Searches are not held back.
    void LockSection();
    void UnlockSection();

    // The connection follows the line. It is lost when the line hangs up, a
    // write fails, a power query goes unanswered, or the unit stays silent
    // to a query asked again. A query sent from the queue that sees no reply
    // beginning with its key (the query without its "?": "fc?3" is answered
    // by "fc3...") within Timing::replyLimitMs of its write and of the last
    // reply that did come, while no later query's reply came either, is
    // overdue: once nothing else is queued and no section is held, the last
    // query still awaited is written again (those before it are given up as
    // unanswered), up to Timing::replyReasks times, each waited as long. Then
    // the commands still queued are dropped, and the observer learns (on the
    // user-interface thread, through the poster) why, and how many commands
    // did not reach the unit.
    //
    // A reply that was late, not lost, still comes after its query was
    // given up or asked again, and a query asked again may be answered once
    // per write. The unit answers in order, so such a reply comes before any
    // to a query written later: until one of those is answered, or
    // replyReasks times the reply limit has passed, a line with the key of
    // such an earlier write is taken as that write's reply and settles no
    // later query.
    static constexpr const char* kNoReplyReason = "the unit stopped answering";
    struct ConnectionLost {
        std::string reason;
        std::size_t notSent = 0;
    };
    using LostObserver = std::function<void(const ConnectionLost&)>;
    void SetLostObserver(LostObserver observer);

    // Commands written since the start (one per worker pass), for progress.
    std::uint64_t CommandsWritten() const { return written_.load(); }
    // Queries written whose reply has not come yet, with the late replies
    // still possible to queries given up or asked again (see above).
    std::size_t QueriesAwaitingReply() const;
    // The number of the newest query whose reply came (0: none yet): a batch
    // has ended once a query numbered from its end marker on is answered.
    std::uint64_t AnsweredThrough() const;
    // Queries whose reply never came although a later query's did (a reply
    // lost on the way, or a query the unit did not understand), or that were
    // given up when a later one was asked again: the values they asked for
    // were not read. Counted since the start.
    std::uint64_t QueriesUnanswered() const { return unanswered_.load(); }
    // The reply key of a queued query ("fc?3\n" gives "fc3"); empty for a
    // command that is not one query.
    static std::string ReplyKeyOfQuery(const std::string& command);

    // Pacing: 0 normally; 1, 5 or 20 during bulk exchanges (pause units).
    void SetSendPauseFactor(int f) { sendPauseFactor_ = f < 0 ? 0 : f; }
    int SendPauseFactor() const { return sendPauseFactor_.load(); }
    // "Long Wait": a further pause of 5 ms per speed index before each write.
    void SetLongWait(bool on) { longWait_ = on; }
    bool LongWait() const { return longWait_.load(); }

private:
    struct SearchRequest {
        bool allSpeeds;
        int speedIndex;
        bool speedChangeSent;
        SearchDone target;
    };


    void Run();
    void RunSearch(const SearchRequest& request);
    void Send(std::string text, std::uint64_t number);
    void OnLine(const std::string& line);
    // Called with mutex_ held: drops the queue and tells the observer.
    void LostLocked(const std::string& reason, std::size_t alsoNotSent);

    Poster& poster_;
    platform::Clock& clock_;
    Timing timing_;
    std::shared_ptr<CSItemVector> subscriptions_;
    std::unique_ptr<CBasicTessikPort> port_;

    mutable std::mutex mutex_;  // the two queues and the hold count; never held across I/O
    std::condition_variable wake_;
    struct Queued {
        std::string text;
        std::uint64_t number;
    };
    std::deque<Queued> queue_;
    std::uint64_t queuedTotal_ = 0;
    std::deque<SearchRequest> searches_;
    int holds_ = 0;
    bool stop_ = false;
    struct Awaited {
        std::string key;    // the reply begins with it
        std::string query;  // as written, to ask again
        std::uint64_t number;
        int writes = 1;
    };
    std::deque<Awaited> awaited_;  // the queries written, oldest first
    std::uint64_t answeredThrough_ = 0;
    // One per write of a query given up or answered whose reply may still
    // come late, oldest first.
    struct LateReply {
        std::string key;
        platform::Deadline until;
    };
    std::deque<LateReply> late_;
    // Called with mutex_ held: a write of `a` may still be answered `count` times.
    void ExpectLate(const Awaited& a, int count);
    int reasks_ = 0;  // times the last awaited query was asked again since a reply came
    bool inHand_ = false;  // the worker holds a command taken from the queue
    // Runs from the later of the oldest awaited query's write and the last
    // awaited reply: a unit still answering earlier queries is not gone.
    std::optional<platform::Deadline> replyDeadline_;
    LostObserver lostObserver_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> unanswered_{0};

    std::atomic<int> sendPauseFactor_{0};
    std::atomic<bool> longWait_{true};
    std::thread worker_;
};

}  // namespace pellivar

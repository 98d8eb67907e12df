#include "pellivar/CTessikCommunicator.h"

#include <algorithm>
#include <chrono>

namespace pellivar {

CTessikCommunicator::CTessikCommunicator(Poster& poster, platform::Clock& clock, Timing timing,
                                         PortResolver resolver)
    : poster_(poster), clock_(clock), timing_(timing), subscriptions_(CSItemVector::Create(poster)),
      port_(std::make_unique<CBasicTessikPort>(*subscriptions_, clock, timing, std::move(resolver))) {
    port_->SetLineObserver([this](const std::string& line) { OnLine(line); });
    port_->SetLostObserver([this](const std::string& reason) {
        std::lock_guard lock(mutex_);
        LostLocked(reason, 0);
    });
}

void CTessikCommunicator::SetLostObserver(LostObserver observer) {
    std::lock_guard lock(mutex_);
    lostObserver_ = std::move(observer);
}

std::size_t CTessikCommunicator::QueriesAwaitingReply() const {
    std::lock_guard lock(mutex_);
    return awaited_.size() + static_cast<std::size_t>(std::count_if(
                                 late_.begin(), late_.end(), [](const LateReply& l) { return !l.until.expired(); }));
}

std::uint64_t CTessikCommunicator::AnsweredThrough() const {
    std::lock_guard lock(mutex_);
    return answeredThrough_;
}

void CTessikCommunicator::ExpectLate(const Awaited& a, int count) {
    for (int i = 0; i < count; ++i)
        late_.push_back({a.key, platform::Deadline(clock_, timing_.replyReasks * timing_.replyLimitMs)});
}

std::string CTessikCommunicator::ReplyKeyOfQuery(const std::string& command) {
    std::string text = command;
    while (!text.empty() && (text.back() == '\n' || text.back() == ';')) text.pop_back();
    const auto q = text.find('?');
    if (text.empty() || q == std::string::npos || q == 0 || text.find('?', q + 1) != std::string::npos ||
        text.find_first_of(";\n") != std::string::npos)
        return {};
    return text.erase(q, 1);
}

// A reply to an awaited query shows the unit is there: that query and every
// one sent before it are settled (a lost earlier reply is no dead line).
// Replies keep the order of the writes, so a late reply to an earlier write
// is looked for first.
void CTessikCommunicator::OnLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    std::erase_if(late_, [](const LateReply& l) { return l.until.expired(); });
    for (auto it = late_.begin(); it != late_.end(); ++it) {
        if (line.rfind(it->key, 0) == 0) {
            late_.erase(late_.begin(), it + 1);  // the writes before it went unanswered
            // The unit is still there: the queries awaited wait anew.
            replyDeadline_.emplace(clock_, timing_.replyLimitMs);
            reasks_ = 0;
            return;
        }
    }
    for (auto it = awaited_.begin(); it != awaited_.end(); ++it) {
        if (line.rfind(it->key, 0) == 0) {
            unanswered_ += static_cast<std::uint64_t>(it - awaited_.begin());
            answeredThrough_ = std::max(answeredThrough_, it->number);
            // Every earlier write's reply would have come before this one;
            // the query's other writes may still be answered.
            late_.clear();
            ExpectLate(*it, it->writes - 1);
            awaited_.erase(awaited_.begin(), it + 1);
            replyDeadline_.emplace(clock_, timing_.replyLimitMs);
            reasks_ = 0;
            return;
        }
    }
}

void CTessikCommunicator::LostLocked(const std::string& reason, std::size_t alsoNotSent) {
    // The command the worker holds has not reached the unit either: a failed
    // write reports the loss while it is in hand.
    ConnectionLost lost{reason, queue_.size() + (inHand_ ? 1 : 0) + alsoNotSent};
    queue_.clear();
    awaited_.clear();
    late_.clear();
    if (lostObserver_) poster_.post([observer = lostObserver_, lost] { observer(lost); });
}

CTessikCommunicator::~CTessikCommunicator() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    // A running search ends at its next identification round.
    port_->RequestStop();
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    ClearQueue();
    port_->Close();
}

bool CTessikCommunicator::Start() {
    std::lock_guard lock(mutex_);
    if (worker_.joinable() || stop_) return false;
    worker_ = std::thread([this] { Run(); });
    return true;
}

void CTessikCommunicator::QueueCommand(std::string text) {
    if (text.empty()) return;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(text), ++queuedTotal_});
    }
    wake_.notify_all();
}

std::uint64_t CTessikCommunicator::CommandsQueued() const {
    std::lock_guard lock(mutex_);
    return queuedTotal_;
}

void CTessikCommunicator::SearchAllSpeeds(SearchDone target) {
    {
        std::lock_guard lock(mutex_);
        searches_.push_back({true, 0, false, std::move(target)});
    }
    wake_.notify_all();
}

void CTessikCommunicator::SearchAtSpeed(SearchDone target, int speedIndex) {
    if (!PortSpeeds::valid(speedIndex)) {
        // No such speed: nothing is sent, and the search reports not found.
        if (target) poster_.post([t = std::move(target)] { t(0); });
        return;
    }
    // The unit changes speed as soon as the digit arrives; the search that
    // follows looks for it at the new speed.
    bool sent = false;
    if (port_->IsConnected()) sent = port_->Write("SSB" + std::to_string(speedIndex)) && port_->Drain();
    {
        std::lock_guard lock(mutex_);
        searches_.push_back({false, speedIndex, sent, std::move(target)});
    }
    wake_.notify_all();
}

void CTessikCommunicator::ClearQueue() {
    std::lock_guard lock(mutex_);
    queue_.clear();
}

std::size_t CTessikCommunicator::QueuedCommands() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool CTessikCommunicator::SearchPending() const {
    std::lock_guard lock(mutex_);
    return !searches_.empty();
}

void CTessikCommunicator::LockSection() {
    std::lock_guard lock(mutex_);
    ++holds_;
}

void CTessikCommunicator::UnlockSection() {
    {
        std::lock_guard lock(mutex_);
        if (holds_ > 0) --holds_;
    }
    wake_.notify_all();
}

// One pass: pause, then wait for stop, a search or a command that may go
// (in that order of priority), then handle exactly one of them. The wait
// sleeps until something arrives; an idle worker costs nothing.
void CTessikCommunicator::Run() {
    for (;;) {
        const int factor = sendPauseFactor_;
        clock_.sleepMs(factor != 0 ? factor * timing_.paceUnitMs
                                   : timing_.idlePacePerSpeedStepMs * port_->GetSpeedIndex());

        std::unique_lock lock(mutex_);
        const auto ready = [&] { return stop_ || !searches_.empty() || (!queue_.empty() && holds_ == 0); };
        // While a reply is awaited the worker also wakes when its time is up;
        // while a section is held it waits for the section (it sends nothing,
        // and a unit is not given up meanwhile).
        while (!ready()) {
            if (awaited_.empty() || holds_ > 0) {
                wake_.wait(lock);
                continue;
            }
            if (!replyDeadline_) replyDeadline_.emplace(clock_, timing_.replyLimitMs);
            if (replyDeadline_->expired()) {
                if (reasks_ < timing_.replyReasks) {
                    // One reply lost on the way is no lost unit: ask again.
                    // Only the last query is asked, and those before it are
                    // given up (their replies are long overdue): a reply
                    // settles the oldest query of its key, so with several of
                    // one key awaited (every batch ends with "fT?j") the
                    // reply to the one asked again would settle another and
                    // leave it awaited. Overdue is not lost: the replies of
                    // those given up may still come, before this one's.
                    ++reasks_;
                    unanswered_ += awaited_.size() - 1;
                    for (auto it = awaited_.begin(); it + 1 != awaited_.end(); ++it) ExpectLate(*it, it->writes);
                    awaited_.erase(awaited_.begin(), awaited_.end() - 1);
                    ++awaited_.back().writes;
                    const std::string query = awaited_.back().query;
                    replyDeadline_.emplace(clock_, timing_.replyLimitMs);
                    lock.unlock();
                    port_->Write(query);  // a failed write reports the loss through the port
                } else {
                    // Silent to the query asked again too: the unit is gone.
                    awaited_.clear();
                    lock.unlock();
                    port_->MarkLost(kNoReplyReason);  // tells LostLocked, which takes the lock
                }
                lock.lock();
                continue;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(std::max(1, replyDeadline_->pollTimeout())));
        }
        if (stop_) return;
        if (!searches_.empty()) {
            SearchRequest request = std::move(searches_.front());
            searches_.pop_front();
            lock.unlock();
            RunSearch(request);
            continue;
        }
        Queued command = std::move(queue_.front());
        queue_.pop_front();
        inHand_ = true;
        lock.unlock();
        Send(std::move(command.text), command.number);
        lock.lock();
        inHand_ = false;
    }
}

void CTessikCommunicator::RunSearch(const SearchRequest& request) {
    {
        // Replies awaited from the unit before the search are no more.
        std::lock_guard lock(mutex_);
        awaited_.clear();
        late_.clear();
    }
    bool found = false;
    if (request.allSpeeds) {
        found = port_->FindUnit();
    } else {
        if (request.speedChangeSent) clock_.sleepMs(timing_.speedChangeSettleMs);
        port_->SetSpeedIndex(request.speedIndex);
        found = port_->FindUnitAtSpeed();
    }
    if (port_->StopRequested()) return;
    // The search's own result: a failed search has closed the port.
    if (request.target) poster_.post([t = request.target, found] { t(found ? 1 : 0); });
}

void CTessikCommunicator::Send(std::string text, std::uint64_t number) {
    const std::string key = ReplyKeyOfQuery(text);
    text.insert(text.size() - 1, 1, ';');
    if (sendPauseFactor_ <= 1 && longWait_) clock_.sleepMs(timing_.longWaitPerSpeedStepMs * port_->GetSpeedIndex());
    if (!port_->IsConnected()) return;  // lost meanwhile: counted as in hand
    if (!key.empty()) {
        // Awaited from before the write, so a quick reply is not missed.
        std::lock_guard lock(mutex_);
        // The first query awaited starts the limit; later ones wait behind it.
        if (awaited_.empty()) {
            replyDeadline_.emplace(clock_, timing_.replyLimitMs);
            reasks_ = 0;
        }
        awaited_.push_back({key, text, number});
    }
    // A failed write reports the loss through the port (this command counted
    // as in hand).
    if (port_->Write(text)) ++written_;
}

}  // namespace pellivar

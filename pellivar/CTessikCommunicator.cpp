#include "pellivar/CTessikCommunicator.h"

#include <algorithm>

namespace pellivar {

CTessikCommunicator::CTessikCommunicator(Poster& poster, platform::Clock& clock, Timing timing,
                                         PortResolver resolver)
    : poster_(poster), clock_(clock), timing_(timing), subscriptions_(CSItemVector::Create(poster)),
      port_(std::make_unique<CBasicTessikPort>(*subscriptions_, clock, timing, std::move(resolver))) {}

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
        queue_.push_back(std::move(text));
    }
    wake_.notify_all();
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

std::size_t CTessikCommunicator::QueuedCount(const std::string& command) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count(queue_.begin(), queue_.end(), command));
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
        clock_.sleepMs(factor != 0 ? factor * timing_.paceUnitMs : port_->GetSpeedIndex());

        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || !searches_.empty() || (!queue_.empty() && holds_ == 0); });
        if (stop_) return;
        if (!searches_.empty()) {
            SearchRequest request = std::move(searches_.front());
            searches_.pop_front();
            lock.unlock();
            RunSearch(request);
            continue;
        }
        std::string text = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        Send(std::move(text));
    }
}

void CTessikCommunicator::RunSearch(const SearchRequest& request) {
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

void CTessikCommunicator::Send(std::string text) {
    text.insert(text.size() - 1, 1, ';');
    if (sendPauseFactor_ <= 1 && longWait_) clock_.sleepMs(5 * static_cast<std::int64_t>(port_->GetSpeedIndex()));
    if (port_->Write(text)) ++written_;
}

}  // namespace pellivar

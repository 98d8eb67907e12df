#include "platform/SoundInput.h"

#include <chrono>
#include <vector>

namespace platform {

namespace {
// How long one read of the device may wait: the bound on how late the
// capture thread notices a command.
constexpr int kReadWaitMs = 10;
// Frames read at once while dropping the input.
constexpr std::size_t kDropFrames = 1024;
}  // namespace

SoundInput::SoundInput(unsigned deviceId, const WaveFormat& format, std::unique_ptr<CaptureStream> stream,
                       WaveInProc proc, std::uintptr_t instance)
    : deviceId_(deviceId), format_(format), stream_(std::move(stream)), proc_(proc), instance_(instance) {
    thread_ = std::thread([this] { run(); });
}

SoundInput::~SoundInput() {
    if (thread_.joinable()) {
        if (std::this_thread::get_id() == thread_.get_id()) {
            thread_.detach();  // destroyed from its own callback: nothing can wait for it
        } else {
            {
                std::lock_guard lock(mutex_);
                proc_ = nullptr;  // no callbacks from here on
            }
            command(Command::Quit);
            thread_.join();
        }
    }
    stream_.reset();
}

bool SoundInput::isClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

std::size_t SoundInput::queuedCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::uint64_t SoundInput::droppedFrames() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

std::uint64_t SoundInput::failedReads() const {
    std::lock_guard lock(mutex_);
    return failedReads_;
}

MmResult SoundInput::prepareHeader(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (closed_) return mmresult::InvalidHandle;
    if (header.data == nullptr || header.bufferLength < format_.blockAlign) return mmresult::InvalidParam;
    header.flags.fetch_or(WaveHeader::Prepared, std::memory_order_acq_rel);
    return mmresult::NoError;
}

MmResult SoundInput::unprepareHeader(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (closed_) return mmresult::InvalidHandle;
    if (header.isQueued()) return mmresult::StillPlaying;
    header.flags.fetch_and(~WaveHeader::Prepared, std::memory_order_acq_rel);
    return mmresult::NoError;
}

MmResult SoundInput::addBuffer(WaveHeader& header) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return mmresult::InvalidHandle;
        if (!header.isPrepared()) return mmresult::Unprepared;
        if (header.isQueued()) return mmresult::StillPlaying;
        header.bytesRecorded.store(0, std::memory_order_relaxed);
        header.next.store(nullptr, std::memory_order_relaxed);
        header.flags.store((header.flags.load(std::memory_order_relaxed) & ~WaveHeader::Done) | WaveHeader::InQueue,
                           std::memory_order_release);
        if (!queue_.empty()) queue_.back()->next.store(&header, std::memory_order_release);
        queue_.push_back(&header);
    }
    changed_.notify_all();
    return mmresult::NoError;
}

MmResult SoundInput::start() { return command(Command::Start); }
MmResult SoundInput::stop() { return command(Command::Stop); }
MmResult SoundInput::reset() { return command(Command::Reset); }
MmResult SoundInput::close() { return command(Command::Close); }

MmResult SoundInput::command(Command c) {
    if (std::this_thread::get_id() == thread_.get_id()) return mmresult::HandleBusy;
    std::lock_guard serial(commandMutex_);
    std::unique_lock lock(mutex_);
    if (closed_ && c != Command::Quit) return mmresult::InvalidHandle;
    if (closed_) return mmresult::NoError;  // the thread has ended already
    pending_ = c;
    const std::uint64_t ticket = ++commandsIssued_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return commandsDone_ >= ticket; });
    return commandResult_;
}

void SoundInput::markDone(WaveHeader& header) {
    header.flags.store((header.flags.load(std::memory_order_relaxed) & ~WaveHeader::InQueue) | WaveHeader::Done,
                       std::memory_order_release);
}

void SoundInput::stopLocked(std::vector<WaveHeader*>& done) {
    if (running_) {
        stream_->stop();
        running_ = false;
    }
    // The buffer being filled comes back with what it holds; an untouched
    // one stays queued for the next start.
    if (!queue_.empty() && queue_.front()->bytesRecorded.load(std::memory_order_relaxed) > 0) {
        markDone(*queue_.front());
        done.push_back(queue_.front());
        queue_.pop_front();
    }
}

MmResult SoundInput::execute(Command c, std::vector<WaveHeader*>& done) {
    switch (c) {
    case Command::Start:
        if (!running_) {
            const MmResult r = stream_->start();
            if (r != mmresult::NoError) return r;
            running_ = true;
        }
        return mmresult::NoError;
    case Command::Stop:
        stopLocked(done);
        return mmresult::NoError;
    case Command::Reset:
        stopLocked(done);
        while (!queue_.empty()) {
            markDone(*queue_.front());
            done.push_back(queue_.front());
            queue_.pop_front();
        }
        return mmresult::NoError;
    case Command::Close:
        if (!queue_.empty()) return mmresult::StillPlaying;
        stopLocked(done);
        closed_ = true;
        return mmresult::NoError;
    case Command::Quit:
        stopLocked(done);
        done.clear();  // no callbacks after the owner let go
        closed_ = true;
        return mmresult::NoError;
    case Command::None:
        break;
    }
    return mmresult::NoError;
}

void SoundInput::deliver(std::uint32_t message, WaveHeader* header) {
    WaveInProc proc;
    {
        std::lock_guard lock(mutex_);
        proc = proc_;
    }
    if (proc != nullptr) proc(this, message, instance_, header);
}

void SoundInput::run() {
    deliver(WimOpen, nullptr);
    std::vector<char> drop(kDropFrames * format_.blockAlign);
    std::vector<WaveHeader*> done;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (pending_ != Command::None) {
            const Command c = pending_;
            pending_ = Command::None;
            done.clear();
            const MmResult result = execute(c, done);
            const bool ending = closed_;
            lock.unlock();
            for (WaveHeader* h : done) deliver(WimData, h);
            if (ending && c == Command::Close) deliver(WimClose, nullptr);
            lock.lock();
            commandResult_ = result;
            commandsDone_ = commandsIssued_;
            changed_.notify_all();
            if (ending) return;
            continue;
        }
        if (!running_) {
            changed_.wait(lock, [&] { return pending_ != Command::None; });
            continue;
        }
        WaveHeader* head = queue_.empty() ? nullptr : queue_.front();
        if (head == nullptr && !stream_->drainsWhenIdle()) {
            changed_.wait_for(lock, std::chrono::milliseconds(kReadWaitMs),
                              [&] { return pending_ != Command::None || !queue_.empty(); });
            continue;
        }
        const std::size_t block = format_.blockAlign;
        char* out = drop.data();
        std::size_t maxFrames = kDropFrames;
        if (head != nullptr) {
            const std::uint32_t recorded = head->bytesRecorded.load(std::memory_order_relaxed);
            out = head->data + recorded;
            maxFrames = (head->bufferLength - recorded) / block;
        }
        long got = 0;
        if (maxFrames > 0) {
            // Only this thread takes buffers off the queue and a queued
            // header cannot be unprepared, so the head stays valid unlocked.
            lock.unlock();
            got = stream_->read(out, maxFrames, kReadWaitMs);
            lock.lock();
        }
        if (got < 0) {
            ++failedReads_;
            changed_.wait_for(lock, std::chrono::milliseconds(kReadWaitMs),
                              [&] { return pending_ != Command::None; });
            continue;
        }
        if (head == nullptr) {
            dropped_ += static_cast<std::uint64_t>(got);
            continue;
        }
        const std::uint32_t recorded =
            head->bytesRecorded.load(std::memory_order_relaxed) + static_cast<std::uint32_t>(got) * block;
        head->bytesRecorded.store(recorded, std::memory_order_release);
        if (head->bufferLength - recorded < block) {
            markDone(*head);
            queue_.pop_front();
            lock.unlock();
            deliver(WimData, head);
            lock.lock();
        }
    }
}

}  // namespace platform

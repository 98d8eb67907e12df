#include "sim/FifoMicrophone.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {
constexpr int kRate = 48000;
constexpr std::size_t kFrameBytes = 4;  // 16-bit stereo
// Behind schedule by more than this (a slow first render of a channel),
// the writer starts a new schedule rather than rushing the backlog out.
constexpr double kMaxLagSeconds = 0.5;
}  // namespace

FifoMicrophone::FifoMicrophone(Microphone& microphone, std::function<int()> tone, Options options)
    : mic_(microphone), tone_(std::move(tone)), options_(std::move(options)) {
    if (options_.speed <= 0) options_.speed = 1;
    if (options_.chunkFrames <= 0) options_.chunkFrames = 1024;
}

FifoMicrophone::~FifoMicrophone() { stop(); }

bool FifoMicrophone::start() {
    struct stat st {};
    if (::stat(options_.path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            error_ = options_.path + " exists and is not a FIFO";
            return false;
        }
    } else if (::mkfifo(options_.path.c_str(), 0600) != 0) {
        error_ = "cannot create " + options_.path + ": " + std::strerror(errno);
        return false;
    } else {
        createdFifo_ = true;
    }
    // Read and write: opening never waits for a reader, and writing never
    // meets a FIFO without one (no SIGPIPE when a reader goes away).
    fd_ = ::open(options_.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = "cannot open " + options_.path + ": " + std::strerror(errno);
        return false;
    }
    // Room for a reader that is late by a fraction of a second even when
    // the writer runs fast.
    ::fcntl(fd_, F_SETPIPE_SZ, static_cast<int>(options_.pipeBytes));
    const int size = ::fcntl(fd_, F_GETPIPE_SZ);
    capacity_ = size > 0 ? static_cast<std::size_t>(size) : 65536;
    mic_.setPosition(position_.load());
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void FifoMicrophone::stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (createdFifo_) ::unlink(options_.path.c_str());
    createdFifo_ = false;
}

void FifoMicrophone::moveTo(int position) {
    position_ = std::max(0, position);
    mic_.setPosition(position_.load());
    // A hand move starts the position's channel list afresh.
    std::lock_guard lock(mutex_);
    heardHere_.clear();
}

void FifoMicrophone::moveNext() { moveTo(position_.load() + 1); }

FifoMicrophone::Counts FifoMicrophone::counts() const {
    Counts c;
    c.written = written_.load();
    c.dropped = dropped_.load();
    c.flushed = flushed_.load();
    c.position = position_.load();
    return c;
}

std::size_t FifoMicrophone::queuedBytes() const {
    int n = 0;
    return ::ioctl(fd_, FIONREAD, &n) == 0 && n > 0 ? static_cast<std::size_t>(n) : 0;
}

void FifoMicrophone::discardQueued(std::size_t bytes, std::atomic<std::int64_t>& counter) {
    // Whole frames only, so the reader stays on frame boundaries.
    bytes = (bytes + kFrameBytes - 1) / kFrameBytes * kFrameBytes;
    char scratch[8192];
    while (bytes > 0) {
        const ssize_t got = ::read(fd_, scratch, std::min(bytes, sizeof scratch));
        if (got <= 0) break;  // the reader took it meanwhile
        bytes -= static_cast<std::size_t>(got);
        counter += got / static_cast<ssize_t>(kFrameBytes);
    }
}

void FifoMicrophone::noteTone(int channel) {
    std::lock_guard lock(mutex_);
    if (channel == lastTone_ || fd_ < 0) return;
    lastTone_ = channel;
    ++generation_;
    // What was queued belongs to the sound before the change.
    discardQueued(queuedBytes(), flushed_);
    if (channel < 0 || channel > 7) return;
    if (options_.autoMove && heardHere_.count(channel) != 0) {
        heardHere_.clear();
        position_ = position_.load() + 1;
        mic_.setPosition(position_.load());
        if (onMove_) onMove_(position_.load());
    }
    heardHere_.insert(channel);
}

void FifoMicrophone::writeChunk(const std::int16_t* stereo, std::size_t bytes) {
    // Nobody reading (or a reader far behind): make room by dropping the
    // oldest sound, so the FIFO holds the latest in order.
    const std::size_t queued = queuedBytes();
    if (queued + bytes > capacity_) discardQueued(queued + bytes - capacity_, dropped_);
    const ssize_t put = ::write(fd_, stereo, bytes);
    if (put == static_cast<ssize_t>(bytes)) {
        written_ += static_cast<std::int64_t>(bytes / kFrameBytes);
    } else {
        dropped_ += static_cast<std::int64_t>(bytes / kFrameBytes);
    }
}

void FifoMicrophone::run() {
    using clock = std::chrono::steady_clock;
    const std::size_t frames = static_cast<std::size_t>(options_.chunkFrames);
    const double chunkSeconds = static_cast<double>(frames) / kRate / options_.speed;
    std::vector<std::int16_t> stereo(frames * 2);
    std::int64_t frame = 0;  // the microphone's time line
    auto start = clock::now();
    std::int64_t chunk = 0;
    for (;;) {
        const auto due = start + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(chunk * chunkSeconds));
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, due, [&] { return stop_; })) return;
        }
        noteTone(tone_ ? tone_() : -1);
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(mutex_);
            generation = generation_;
        }
        mic_.render(frame, stereo.data(), static_cast<int>(frames));
        for (std::size_t f = 0; f < frames; ++f) stereo[2 * f + 1] = stereo[2 * f];
        {
            // A chunk made before a tone change noted meanwhile is not heard.
            std::lock_guard lock(mutex_);
            if (generation == generation_) writeChunk(stereo.data(), frames * kFrameBytes);
        }
        frame += static_cast<std::int64_t>(frames);
        ++chunk;
        const double lag = std::chrono::duration<double>(clock::now() - due).count();
        if (lag > kMaxLagSeconds) {
            start = clock::now();
            chunk = 0;
        }
    }
}

}  // namespace sim

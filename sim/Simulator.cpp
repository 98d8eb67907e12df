#include "sim/Simulator.h"

#include "sim/LineGate.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace sim {

// The Responder a dialect sees; the simulator's lock is held while it is used.
class Simulator::Sink final : public Responder {
public:
    explicit Sink(Simulator& s) : sim_(s) {}
    void replyLine(std::string_view text) override { sim_.queueReply(std::string(text) + "\n", true); }
    void replyRaw(std::string_view bytes) override { sim_.queueReply(std::string(bytes), false); }
    void logCommand(std::string text) override { sim_.log_.add(nowMs(), std::move(text)); }
    // Paced, the time the byte in hand came off the wire.
    std::int64_t nowMs() override { return sim_.arrivalMs_ >= 0 ? sim_.arrivalMs_ : sim_.clock_.nowMs(); }

private:
    Simulator& sim_;
};

Simulator::Simulator(std::unique_ptr<Dialect> dialect, platform::Clock& clock)
    : clock_(clock), dialect_(std::move(dialect)) {}

Simulator::~Simulator() { stop(); }

bool Simulator::start() {
    if (running()) return true;
    pty_ = Pty::create(&error_);
    if (!pty_) return false;
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void Simulator::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

const std::string& Simulator::slavePath() const { return pty_ ? pty_->slavePath() : noPath_; }

FaultKnobs Simulator::faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

void Simulator::setFaults(const FaultKnobs& knobs) {
    std::lock_guard lock(mutex_);
    // The random loss starts its sequence again only when it is set anew, so
    // setting another knob mid-run does not repeat the losses already had.
    if (knobs.dropOneIn != faults_.dropOneIn || knobs.dropSeed != faults_.dropSeed) dropDraws_.seed(knobs.dropSeed);
    faults_ = knobs;
}

void Simulator::setPaced(bool on) {
    std::lock_guard lock(mutex_);
    paced_ = on;
    rxBusy_ = false;
}

bool Simulator::paced() const {
    std::lock_guard lock(mutex_);
    return paced_;
}

std::string Simulator::lastLineSeen() const {
    std::lock_guard lock(mutex_);
    return lastLine_;
}

bool Simulator::waitQuiet(std::int64_t timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) return true;
        }
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool Simulator::caughtUp() const {
    if (inHand_) return false;
    std::lock_guard lock(mutex_);
    if (paced_ || !pty_ || !pty_->isOpen()) return true;
    // poll, not FIONREAD: the kernel hands what the program wrote to the
    // master's side from a worker of its own, which a busy machine holds up,
    // and FIONREAD counts only what has been handed over. poll waits for that
    // hand-over, so bytes on their way count as unread.
    pollfd p{pty_->masterFd(), POLLIN | POLLOUT, 0};
    if (::poll(&p, 1, 0) < 0) p.revents = 0;
    if (p.revents & POLLIN) return false;
    if (inHand_) return false;
    const bool due = !pending_.empty() && pending_.front().dueMs <= clock_.nowMs();
    if (!due && !(dialect_->sendsUnasked() && !faults_.silent)) return true;
    // Something is to go: caught up once the line takes no more (the
    // program is not reading). A write that was refused earlier says
    // nothing once the program has read or purged its input.
    return !(p.revents & POLLOUT);
}

void Simulator::disconnect() {
    std::lock_guard lock(mutex_);
    pending_.clear();
    if (pty_) pty_->closeMaster();
}

bool Simulator::lineUp() const {
    std::lock_guard lock(mutex_);
    return pty_ && pty_->isOpen();
}

void Simulator::inject(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    queueReply(std::string(bytes), false);
}

// Called with mutex_ held.
void Simulator::queueReply(std::string bytes, bool isLine) {
    if (faults_.silent || bytes.empty()) return;
    if (isLine && faults_.garbleReplies) {
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
            garbleSeed_ = garbleSeed_ * 1103515245u + 12345u;
            bytes[i] = static_cast<char>('!' + (garbleSeed_ >> 16) % 90);
        }
    }
    if (isLine && faults_.crBeforeLf && bytes.back() == '\n') {
        // Not insert(size - 1, ...): GCC 12 reports a false -Wrestrict for it at -O2.
        bytes.pop_back();
        bytes += "\r\n";
    }

    std::int64_t due = (arrivalMs_ >= 0 ? arrivalMs_ : clock_.nowMs()) + faults_.replyDelayMs;
    if (due < lastDueMs_) due = lastDueMs_;  // answers keep their order
    if (faults_.splitReplies && bytes.size() > 1) {
        const std::size_t half = bytes.size() / 2;
        pending_.push_back({due, bytes.substr(0, half)});
        due += faults_.splitGapMs;
        pending_.push_back({due, bytes.substr(half)});
    } else {
        pending_.push_back({due, std::move(bytes)});
    }
    lastDueMs_ = due;
}

std::int64_t Simulator::nextDueMs() const { return pending_.empty() ? -1 : pending_.front().dueMs; }

// Called with mutex_ held.
double Simulator::byteTimeMs() const {
    if (!paced_ || !pty_ || !pty_->isOpen()) return 0;
    const auto slave = pty_->slaveTermios();
    return slave ? LineGate::byteTimeMs(*slave) : 0;
}

// Called with mutex_ held.
std::int64_t Simulator::nextWireMs(double byteMs) const {
    std::int64_t next = -1;
    const auto consider = [&next](double t) {
        const auto ms = static_cast<std::int64_t>(std::ceil(t));
        if (next < 0 || ms < next) next = ms;
    };
    if (rxBusy_) consider(rxWireMs_ + byteMs);
    if (!pending_.empty() && !writeBlocked_)
        consider(std::max(static_cast<double>(pending_.front().dueMs), txWireMs_) + byteMs);
    return next;
}

// Called with mutex_ held.
void Simulator::flushDue() {
    writeBlocked_ = false;
    const int fd = pty_ ? pty_->masterFd() : -1;
    const double byteMs = byteTimeMs();
    while (!pending_.empty() && fd >= 0 && pending_.front().dueMs <= clock_.nowMs()) {
        std::string& bytes = pending_.front().bytes;
        std::size_t n = bytes.size();
        double start = 0;
        if (byteMs > 0) {
            // Only the characters the wire has carried by now.
            start = std::max(static_cast<double>(pending_.front().dueMs), txWireMs_);
            const double carried = std::floor((static_cast<double>(clock_.nowMs()) - start) / byteMs);
            if (carried < 1) return;
            n = std::min(n, static_cast<std::size_t>(carried));
        }
        const ssize_t w = ::write(fd, bytes.data(), n);
        if (w < 0) {
            if (errno == EAGAIN) writeBlocked_ = true;  // the program is not reading
            if (errno == EAGAIN || errno == EINTR) return;  // try again next pass
            pending_.clear();
            return;
        }
        sent_ += w;
        if (byteMs > 0) txWireMs_ = start + static_cast<double>(w) * byteMs;
        if (static_cast<std::size_t>(w) < bytes.size()) {
            bytes.erase(0, static_cast<std::size_t>(w));
            if (static_cast<std::size_t>(w) == n && byteMs > 0) continue;  // the rest is still on its way
            return;
        }
        pending_.pop_front();
    }
}

// Called with mutex_ held. Each byte is handled at the time its last bit
// arrived, so the log and the replies keep the wire's times even when this
// thread ran late.
bool Simulator::readPaced(int fd, double byteMs) {
    const double carried = std::floor((static_cast<double>(clock_.nowMs()) - rxWireMs_) / byteMs);
    if (carried < 1) return true;
    char buffer[4096];
    const std::size_t want = std::min(sizeof buffer, static_cast<std::size_t>(carried));
    const ssize_t n = ::read(fd, buffer, want);
    if (n <= 0) {
        rxBusy_ = false;  // the line ran dry
        return !(n < 0 && errno == EIO);
    }
    for (ssize_t i = 0; i < n && pty_->isOpen(); ++i) {
        arrivalMs_ = std::llround(rxWireMs_ + static_cast<double>(i + 1) * byteMs);
        handleInput(buffer + i, 1);
    }
    arrivalMs_ = -1;
    rxWireMs_ += static_cast<double>(n) * byteMs;
    if (static_cast<std::size_t>(n) < want) rxBusy_ = false;
    return true;
}

// Called with mutex_ held.
void Simulator::handleInput(const char* data, std::size_t n) {
    Sink sink(*this);
    std::string accepted;
    accepted.reserve(n);

    const auto slave = pty_->slaveTermios();
    const bool gateOpen = slave && LineGate::accepts(*slave, dialect_->expectedLine());
    if (slave) lastLine_ = LineGate::describe(*slave);

    std::string rejected;
    for (std::size_t i = 0; i < n; ++i) {
        ++inputCount_;
        received_++;
        if (faults_.disconnectAfterBytes >= 0 && inputCount_ > faults_.disconnectAfterBytes) {
            pending_.clear();
            pty_->closeMaster();
            break;
        }
        if (faults_.silentAfterBytes >= 0 && inputCount_ > faults_.silentAfterBytes && !faults_.silent) {
            faults_.silent = true;
            silencedAt_ = clock_.nowMs();
            pending_.clear();  // what was still to go is lost with it
        }
        if (faults_.dropEveryNthByte > 0 && inputCount_ % faults_.dropEveryNthByte == 0) continue;
        if (faults_.dropOneIn > 0 && dropDraws_() % static_cast<std::uint64_t>(faults_.dropOneIn) == 0) continue;
        (gateOpen ? accepted : rejected).push_back(data[i]);
    }
    if (!rejected.empty()) {
        rejected_ += static_cast<std::int64_t>(rejected.size());
        dialect_->onWrongLine(rejected, sink);
    }
    if (!accepted.empty()) dialect_->onBytes(accepted, sink);
}

void Simulator::run() {
    char buffer[4096];
    while (!stop_) {
        int timeout = 5;
        int fd = -1;
        short events = POLLIN;
        double byteMs = 0;
        {
            std::lock_guard lock(mutex_);
            fd = pty_ && pty_->isOpen() ? pty_->masterFd() : -1;
            byteMs = byteTimeMs();
            // While bytes are on their way the wire, not the pty, says when
            // the next one is in.
            if (byteMs > 0 && rxBusy_) events = 0;
            const std::int64_t due = byteMs > 0 ? nextWireMs(byteMs) : writeBlocked_ ? -1 : nextDueMs();
            if (writeBlocked_) events |= POLLOUT;  // wait for room rather than spin
            if (due >= 0) {
                const std::int64_t wait = clock_.toRealMs(due - clock_.nowMs());
                timeout = static_cast<int>(wait < 0 ? 0 : wait < timeout ? wait : timeout);
            }
        }
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, timeout);
        bool slaveClosed = false;
        if (byteMs > 0) {
            std::lock_guard lock(mutex_);
            if (r > 0 && (p.revents & POLLIN) && !rxBusy_) {
                rxBusy_ = true;  // the first byte has just started on the wire
                rxWireMs_ = static_cast<double>(clock_.nowMs());
            } else if (r > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN)) {
                slaveClosed = true;
            }
            if (rxBusy_ && pty_->isOpen() && !readPaced(fd, byteMs)) slaveClosed = true;
        } else if (r > 0 && (p.revents & POLLIN)) {
            inHand_ = true;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(mutex_);
                if (pty_->isOpen()) handleInput(buffer, static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EIO) {
                slaveClosed = true;
            }
        } else if (r > 0 && (p.revents & POLLHUP)) {
            slaveClosed = true;  // no program has the slave open
        }
        {
            std::lock_guard lock(mutex_);
            if (pty_->isOpen()) {
                Sink sink(*this);
                dialect_->onTick(sink);
                flushDue();
            }
            inHand_ = false;
        }
        // With the slave closed the master reports a hang-up at once; wait a
        // little rather than spin until the program opens it again.
        if (slaveClosed) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace sim

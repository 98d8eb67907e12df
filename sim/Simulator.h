#pragma once

#include "platform/Clock.h"
#include "sim/CommandLog.h"
#include "sim/Dialect.h"
#include "sim/FaultKnobs.h"
#include "sim/Pty.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace sim {

// A simulated processor on a pseudo-terminal. A thread reads what the
// program writes to the slave, passes it through the line gate (the
// program's speed and framing must be the dialect's), hands it to the dialect
// and writes the dialect's answers back, each as one write.
class Simulator {
public:
    explicit Simulator(std::unique_ptr<Dialect> dialect, platform::Clock& clock = platform::systemClock());
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // False (with error()) when no pty could be had.
    bool start();
    void stop();
    bool running() const { return thread_.joinable(); }

    const std::string& slavePath() const;
    const std::string& error() const { return error_; }

    FaultKnobs faults() const;
    void setFaults(const FaultKnobs& knobs);

    // Paced, the simulator's side of the line takes the wire time a real
    // line would: each character the program sends arrives (and is handled,
    // and logged) one character time after the one before it, and each
    // character of a reply leaves one character time after the one before,
    // at the speed and framing the slave is set to (19200 8N2: 11 bits,
    // 0.57 ms). Unpaced (the default, for tests) everything goes at once.
    void setPaced(bool on);
    bool paced() const;

    CommandLog& log() { return log_; }
    const CommandLog& log() const { return log_; }

    // Runs fn on the dialect under the simulator's lock.
    template <class D, class F>
    auto withDialect(F&& fn) {
        std::lock_guard lock(mutex_);
        return fn(static_cast<D&>(*dialect_));
    }

    // Waits (real time) until every reply due has been written to the
    // program; true if that happened within the limit.
    bool waitQuiet(std::int64_t timeoutMs) const;

    // Whether the simulator has taken in every byte the program has written
    // so far (also bytes the kernel has yet to hand over) and written every
    // reply due by now on its clock, or filled the line while its dialect
    // floods it (or cannot, because the program is not reading). A reply not
    // there by then is late on the processor's time, not because this
    // thread was held up.
    bool caughtUp() const;

    // Hangs up now, as a pulled cable would. The line's name goes with it
    // (see Pty): a program that reopens it finds no device.
    void disconnect();
    // False once the line has been cut, by disconnect() or the disconnect
    // fault.
    bool lineUp() const;

    // Sends bytes to the program unasked (a processor's spontaneous line).
    void inject(std::string_view bytes);

    std::int64_t bytesReceived() const { return received_.load(); }
    // When the processor fell silent after FaultKnobs::silentAfterBytes
    // (simulator clock), or -1.
    std::int64_t silencedAtMs() const { return silencedAt_.load(); }
    // Bytes written to the program.
    std::int64_t bytesSent() const { return sent_.load(); }
    // Bytes that came at the wrong speed or framing.
    std::int64_t bytesRejected() const { return rejected_.load(); }
    // The slave's settings seen with the last bytes received.
    std::string lastLineSeen() const;

private:
    class Sink;
    struct PendingWrite {
        std::int64_t dueMs;
        std::string bytes;
    };

    void run();
    // One pass of the paced reader: reads what the wire has carried by now.
    // Returns false when the program's side has hung up.
    bool readPaced(int fd, double byteMs);
    void handleInput(const char* data, std::size_t n);
    void queueReply(std::string bytes, bool isLine);
    void flushDue();
    std::int64_t nextDueMs() const;
    // The wire time of one character now, or 0 (unpaced, or a speed the
    // line does not know).
    double byteTimeMs() const;
    // When the simulator's side next has something to do on the wire (ms on
    // its clock), or -1.
    std::int64_t nextWireMs(double byteMs) const;

    platform::Clock& clock_;
    std::unique_ptr<Dialect> dialect_;
    std::unique_ptr<Pty> pty_;
    std::string error_;
    std::string noPath_;

    mutable std::mutex mutex_;  // dialect, faults, pending writes
    FaultKnobs faults_;
    std::deque<PendingWrite> pending_;
    std::int64_t lastDueMs_ = 0;
    bool writeBlocked_ = false;
    std::uint32_t garbleSeed_ = 12345;
    std::int64_t inputCount_ = 0;
    std::mt19937_64 dropDraws_{FaultKnobs{}.dropSeed};  // FaultKnobs::dropOneIn's draws
    std::string lastLine_;

    bool paced_ = false;
    // Paced: bytes in the pty are on the wire from rxWireMs_ on, one
    // character time each; rxBusy_ while some are still arriving.
    bool rxBusy_ = false;
    double rxWireMs_ = 0;
    double txWireMs_ = 0;          // when the last reply character left
    std::int64_t arrivalMs_ = -1;  // paced: the arrival time of the byte in hand

    CommandLog log_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> inHand_{false};  // bytes read from the program and not yet handled
    std::atomic<std::int64_t> received_{0};
    std::atomic<std::int64_t> silencedAt_{-1};
    std::atomic<std::int64_t> sent_{0};
    std::atomic<std::int64_t> rejected_{0};
    std::thread thread_;
};

}  // namespace sim

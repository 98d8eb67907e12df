#pragma once
// A processor's side of a pseudo-terminal that answers from a script: each
// time the program has written something, the next reply of the script goes
// back, byte for byte as given. The readers under test use their own serial
// code on the other side, exactly as against a processor.
//
// A fuzz input is a script: a first byte the target may use to choose what
// it exercises, then replies, each a length byte and that many bytes.

#include "platform/Clock.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace suitefuzz {

// The choice byte and the replies of one input.
struct Script {
    std::uint8_t choice = 0;
    std::vector<std::string> replies;

    static Script Parse(const std::uint8_t* data, std::size_t size) {
        Script s;
        if (size == 0) return s;
        s.choice = data[0];
        for (std::size_t at = 1; at < size;) {
            const std::size_t n = data[at++];
            const std::size_t take = n < size - at ? n : size - at;
            s.replies.emplace_back(reinterpret_cast<const char*>(data + at), take);
            at += take;
        }
        return s;
    }
};

// Time that passes quickly: every reading of the clock moves it on by a
// step and sleeps move it by their length. While a scripted reply is still
// to come, a wait on the line (or a sleep) lasts up to a real millisecond,
// ending as soon as a byte arrives; once the script is spent, no wait takes
// real time at all, so a reader's limits of seconds end after a few hundred
// readings.
class StepClock final : public platform::Clock {
public:
    explicit StepClock(const std::atomic<bool>& replyToCome, std::int64_t stepMs = 20)
        : replyToCome_(replyToCome), step_(stepMs) {}
    std::int64_t nowMs() override { return now_ += step_; }
    void sleepMs(std::int64_t ms) override {
        if (ms <= 0) return;
        now_ += ms;
        if (replyToCome_) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::int64_t toRealMs(std::int64_t ms) const override { return ms > 0 && replyToCome_ ? 1 : 0; }

private:
    const std::atomic<bool>& replyToCome_;
    std::int64_t step_;
    std::atomic<std::int64_t> now_{0};
};

class ScriptedLine {
public:
    ScriptedLine() {
        termios raw{};
        ::cfmakeraw(&raw);
        raw.c_cflag |= CLOCAL | CREAD;
        char name[128] = {};
        int slave = -1;
        if (::openpty(&master_, &slave, name, &raw, nullptr) != 0) return;
        ::close(slave);  // the program's exclusive open must be the only one
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        path_ = name;
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedLine() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (master_ >= 0) ::close(master_);
    }
    ScriptedLine(const ScriptedLine&) = delete;
    ScriptedLine& operator=(const ScriptedLine&) = delete;

    const std::string& path() const { return path_; }
    // Whether a reply of the script is still to come (see StepClock).
    const std::atomic<bool>& replyToCome() const { return replyToCome_; }

    // The replies of the next exchanges; what the program wrote before is
    // forgotten.
    void play(std::vector<std::string> replies) {
        std::lock_guard lock(mutex_);
        char sink[4096];
        while (::read(master_, sink, sizeof sink) > 0) {
        }
        replies_ = std::move(replies);
        next_ = 0;
        replyToCome_ = !replies_.empty();
    }

private:
    void run() {
        char buffer[4096];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 5) <= 0) continue;
            std::lock_guard lock(mutex_);
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                // No program has the slave open: wait rather than spin.
                if (n < 0 && errno == EIO) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (next_ >= replies_.size()) continue;
            const std::string& reply = replies_[next_++];
            for (std::size_t at = 0; at < reply.size();) {
                const ssize_t w = ::write(master_, reply.data() + at, reply.size() - at);
                if (w <= 0) break;  // the program stopped reading: the rest is lost, as on a line
                at += static_cast<std::size_t>(w);
            }
            if (next_ == replies_.size()) {
                // The last reply, once it has passed through the pty.
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                replyToCome_ = false;
            }
        }
    }

    int master_ = -1;
    std::string path_;
    std::mutex mutex_;
    std::vector<std::string> replies_;
    std::size_t next_ = 0;
    std::atomic<bool> replyToCome_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace suitefuzz

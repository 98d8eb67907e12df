#pragma once

// A Pellivar communicator talking to the simulated processor through a real
// pseudo-terminal mapped as COM3 (every other COM port is absent). The link's
// clock runs kScale times faster than real time, so searches of several
// seconds take a fraction of one. The processor keeps the same time, so its
// delays (a split reply's gap) are the link's milliseconds too.

#include "pellivar/CTessikCommunicator.h"
#include "pellivar/PellivarLink.h"
#include "pellivar/Poster.h"
#include "pellivar/SHItem.h"
#include "platform/ScaledClock.h"
#include "sim/PellivarDialect.h"
#include "sim/Simulator.h"
#include "tests/support/CatchUpClock.h"
#include "tests/support/PellivarRaw.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pellivar::test {

// Counts the sleeps taken through it: an idle worker must not keep sleeping
// and waking.
class CountingClock final : public platform::Clock {
public:
    explicit CountingClock(platform::Clock& inner) : inner_(inner) {}
    std::int64_t nowMs() override { return inner_.nowMs(); }
    void sleepMs(std::int64_t ms) override {
        ++sleeps_;
        inner_.sleepMs(ms);
    }
    std::int64_t toRealMs(std::int64_t ms) const override { return inner_.toRealMs(ms); }
    int sleeps() const { return sleeps_.load(); }

private:
    platform::Clock& inner_;
    std::atomic<int> sleeps_{0};
};

// A window that records the reply lines it is given.
class RecordingWindow final : public ReplyWindow {
public:
    void OnControlRequestCompleted(const std::string& reply) override { lines.push_back(reply); }
    std::vector<std::string> lines;
};

struct Write {
    std::int64_t timeMs;
    std::string text;
};

class LinkFixture : public ::testing::Test {
protected:
    static constexpr double kScale = 8.0;
    static constexpr int kComPort = 3;

    explicit LinkFixture(int baud = 19200) : clock_(kScale), lineClock_(clock_), counting_(lineClock_) {
        auto dialect = std::make_unique<sim::PellivarDialect>("Tolvarine Z5HD v2.04", baud);
        sim_ = std::make_unique<sim::Simulator>(std::move(dialect), clock_);
        lineClock_.follow(sim_.get());
        lineClock_.holdWhileCatchingUp(true);
    }

    void SetUp() override {
        ASSERT_TRUE(sim_->start()) << sim_->error();
        const std::string path = sim_->slavePath();
        comm_ = std::make_unique<CTessikCommunicator>(
            poster_, counting_, Timing{}, [path](int n) { return n == kComPort ? path : std::string(); });
        comm_->GetPort().SetWriteObserver([this](std::int64_t t, const std::string& text) {
            std::lock_guard lock(writesMutex_);
            writes_.push_back({t, text});
        });
        link_ = std::make_unique<PellivarLink>(*comm_);
        ASSERT_TRUE(comm_->Start());
    }

    void TearDown() override {
        link_.reset();
        comm_.reset();
        poster_.drain();
        sim_->stop();
    }

    // Runs a search and waits for its posted result: 1, 0, or -1 (none came).
    int searchAll(std::int64_t timeoutMs = 10000) {
        int result = -1;
        comm_->SearchAllSpeeds([&](int found) { result = found; });
        poster_.drainUntil([&] { return result >= 0; }, timeoutMs);
        return result;
    }
    int searchAtSpeed(int index, std::int64_t timeoutMs = 10000) {
        int result = -1;
        comm_->SearchAtSpeed([&](int found) { result = found; }, index);
        poster_.drainUntil([&] { return result >= 0; }, timeoutMs);
        return result;
    }

    template <class F>
    auto dialect(F&& fn) {
        return sim_->withDialect<sim::PellivarDialect>(std::forward<F>(fn));
    }
    std::string raw() { return testsupport::PellivarRaw(*sim_); }
    void clearRaw() { testsupport::ClearPellivarRaw(*sim_); }
    // Waits (real time) until pred() holds.
    template <class Pred>
    static bool waitUntil(Pred pred, std::int64_t timeoutMs = 5000) {
        return testsupport::WaitUntil(std::move(pred), timeoutMs);
    }
    // Waits (real time) until the processor has received `text` somewhere.
    bool waitForRaw(const std::string& text, std::int64_t timeoutMs = 5000) {
        return waitUntil([&] { return raw().find(text) != std::string::npos; }, timeoutMs);
    }
    // Waits (real time) until the processor has logged `text` as a command
    // at least n times.
    bool waitForCommand(const std::string& text, std::size_t n = 1, std::int64_t timeoutMs = 5000) {
        return sim_->log().waitFor(
            [&](const std::vector<sim::CommandLog::Entry>& entries) {
                std::size_t seen = 0;
                for (const auto& e : entries) seen += e.text == text ? 1 : 0;
                return seen >= n;
            },
            timeoutMs);
    }
    // Sends an unasked line after everything the processor has queued and
    // drains deliveries until `window` has it: whatever was delivered before
    // it has been delivered by then (lines are dispatched in order).
    bool latch(RecordingWindow& window, const std::string& line, std::int64_t timeoutMs = 3000) {
        sim_->inject(line + "\n");
        return poster_.drainUntil(
            [&] { return !window.lines.empty() && window.lines.back() == line; }, timeoutMs);
    }
    std::vector<Write> writes() {
        std::lock_guard lock(writesMutex_);
        return writes_;
    }

    platform::ScaledClock clock_;
    // The link's: replies are judged once the processor has caught up, and
    // the reply limit does not run while it does (at kScale a held-up
    // simulator's thread would cost the limit kScale times its delay). The
    // communicator goes before the simulator it follows.
    testsupport::CatchUpClock lineClock_;
    CountingClock counting_;
    QueuedPoster poster_;
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<CTessikCommunicator> comm_;
    std::unique_ptr<PellivarLink> link_;
    std::mutex writesMutex_;
    std::vector<Write> writes_;
};

}  // namespace pellivar::test

#pragma once

#include "halvane/diagnostics/Progress.h"
#include "halvane/link/CBasicTessikPort.h"
#include "platform/ScriptedUserPrompt.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"
#include "tests/support/CatchUpClock.h"

#include "LinkFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linktest {

// A clock whose sleeps pass at once (and are summed) while its reply limits
// run `factor` times faster than real time: the command sets' 10-second power
// passes and 100 ms pauses cost nothing, and a pty still has real time to
// answer.
class FastSleepClock final : public platform::Clock {
public:
    explicit FastSleepClock(double factor = 4.0) : factor_(factor), start_(std::chrono::steady_clock::now()) {}

    std::int64_t nowMs() override {
        std::lock_guard lock(mutex_);
        return runMs() + skipped_.load();
    }
    // From now on reply limits run `factor` times faster; the time already
    // passed stays as it was.
    void setFactor(double factor) {
        std::lock_guard lock(mutex_);
        skipped_ += runMs();
        start_ = std::chrono::steady_clock::now();
        factor_ = factor;
    }
    void sleepMs(std::int64_t ms) override {
        if (ms <= 0) return;
        skipped_ += ms;
        slept_ += ms;
        std::this_thread::yield();
    }
    std::int64_t toRealMs(std::int64_t ms) const override {
        std::lock_guard lock(mutex_);
        // A wait shorter than a real millisecond (a drain's 1 ms look for one
        // more byte) polls without waiting.
        return ms <= 0 ? 0 : static_cast<std::int64_t>(static_cast<double>(ms) / factor_);
    }

    std::int64_t sleptMs() const { return slept_.load(); }
    void resetSlept() { slept_ = 0; }

private:
    std::int64_t runMs() const {
        const auto real = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
        return static_cast<std::int64_t>(real * factor_);
    }

    mutable std::mutex mutex_;
    double factor_;
    std::chrono::steady_clock::time_point start_;
    std::atomic<std::int64_t> skipped_{0};
    std::atomic<std::int64_t> slept_{0};
};

// A job's progress that records what a unit reports and can abort itself
// after a number of steps.
class RecordingProgress final : public halvane::diagnostics::ConTypes::Progress {
public:
    explicit RecordingProgress(platform::UserPrompt* prompt) : Progress(prompt) {}

    void SetRange(int total) override {
        std::lock_guard lock(mutex_);
        ranges.push_back(total);
    }
    void Step(int steps) override {
        const int n = (position += steps);
        if (abortAfter > 0 && n >= abortAfter) Abort();
    }
    // The progress object's lock first, then the fixture's: the order Abort
    // takes them in (it calls SetText under the progress lock).
    void SetText(std::string text) override {
        auto updates = LockUpdates();
        std::lock_guard lock(mutex_);
        texts.push_back(text);
        StoreStatusText(std::move(text));
    }
    platform::WindowHandle GetWindow() override { return {}; }

    std::vector<int> ranges;
    std::vector<std::string> texts;
    std::atomic<int> position{0};
    int abortAfter = 0;

private:
    std::mutex mutex_;
};

// A unit of the given model talking through the fixture's port to the
// simulated processor on COM1, found by the port's own search; the unit
// writes with its own class's limits.
class UnitTest : public ::testing::Test {
protected:
    UnitTest() { lineClock_.holdWhileCatchingUp(true); }

    void StartUnit(int model, std::string firmware) {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(model, std::move(firmware)),
                                              clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        lineClock_.follow(sim_.get());
        Port().SetClock(lineClock_);
        Port().SetPortMap(MapOnly({{1, sim_->slavePath()}}));
        const std::int64_t before = Port().IdentifyRequests();
        ASSERT_TRUE(Port().FindUnit());
        ASSERT_EQ(Port().ModelIndex(), model);
        // Replies take well under a real millisecond; a silent processor
        // then costs 150 ms of real time per command.
        clock_.setFactor(20);
        // On a loaded machine the search may have asked "?" once more than it
        // needed: wait until the processor has heard and answered every one,
        // then drop the answers, before the test's own commands.
        const auto asked = static_cast<std::size_t>(Port().IdentifyRequests() - before);
        ASSERT_TRUE(sim_->log().waitFor([asked](const auto& log) {
            std::size_t n = 0;
            for (const auto& e : log) n += e.text == "?" ? 1 : 0;
            return n >= asked;
        }, 5000));
        ASSERT_TRUE(sim_->waitQuiet(5000));
        Port().Drain();
        sim_->log().clear();
    }

    void TearDown() override {
        Port().SetPortMap(MapOnly({}));
        Port().SetClock(platform::systemClock());
        lineClock_.follow(nullptr);
        sim_.reset();
    }

    // The port the units talk through, as the program hands its one port to them.
    halvane::link::Comm::CBasicTessikPort port_;
    halvane::link::Comm::CBasicTessikPort& Port() { return port_; }

    template <class F>
    auto Dialect(F&& fn) {
        return sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) { return fn(d); });
    }

    std::vector<std::string> Log() const { return sim_->log().texts(); }

    // The commands logged, without the identification.
    std::size_t Count(const std::string& text) const { return sim_->log().count(text); }

    FastSleepClock clock_;
    // The port's: replies are judged once the processor has caught up, and
    // the reply limits stand still while it does (at 20 times real time a
    // held-up simulator's thread would cost them 20 times its delay).
    testsupport::CatchUpClock lineClock_{clock_};
    platform::ScriptedUserPrompt prompt_;
    RecordingProgress progress_{&prompt_};
    std::unique_ptr<sim::Simulator> sim_;
};

}  // namespace linktest

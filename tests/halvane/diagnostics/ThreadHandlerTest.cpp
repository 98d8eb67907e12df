#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/diagnostics/ThreadHandler.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UiThread.h"
#include "platform/WindowBinding.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <latch>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A one-shot gate a task waits at until the test opens it.
class Gate {
public:
    void open() { latch_.count_down(); }
    void wait() { latch_.wait(); }

private:
    std::latch latch_{1};
};

// The objects whose member functions the tasks call.
class Recorder {
public:
    void Record(int value) {
        std::lock_guard lock(mutex_);
        values_.push_back(value);
        cv_.notify_all();
    }
    void Fail(int) { halvane::diagnostics::ThrowError("%s", "device step failed"); }
    void ThrowInt(int) { throw 7; }
    void ThrowCoded(int) { throw halvane::diagnostics::TCodedException("Subwoofer check failed"); }
    int Counted(int value) {
        Record(value);
        return value;
    }

    std::vector<int> values() const {
        std::lock_guard lock(mutex_);
        return values_;
    }
    bool waitForCount(std::size_t n, std::chrono::milliseconds limit = 5s) const {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, limit, [&] { return values_.size() >= n; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::vector<int> values_;
};

using Handler = halvane::diagnostics::Threading::UIThreadHandler<Recorder, int>;

class ThreadHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetUserPrompt(&prompt); }
    void TearDown() override {
        prompt.release();
        platform::SetUserPrompt(nullptr);
    }

    // Runs `block` as the first task and returns once it is running.
    static void occupy(halvane::diagnostics::Threading::TaskWorker& worker, Gate& gate) {
        std::latch started(1);
        worker.PostTask([&] {
            started.count_down();
            gate.wait();
        });
        started.wait();
    }

    platform::ScriptedUserPrompt prompt;
    Recorder recorder;
};

}  // namespace

TEST_F(ThreadHandlerTest, TasksRunOnTheWorkerInPostingOrder) {
    Handler handler;
    Gate gate;
    std::thread::id workerId;
    handler.PostTask([&] {
        workerId = std::this_thread::get_id();
        gate.wait();
    });
    handler.Post(&Recorder::Record, &recorder, 1);
    handler.Post(&Recorder::Record, &recorder, 2);
    handler.Post(&Recorder::Counted, &recorder, 3);  // a function with a result is posted as well
    gate.open();
    ASSERT_TRUE(recorder.waitForCount(3));
    EXPECT_EQ(recorder.values(), (std::vector<int>{1, 2, 3}));
    EXPECT_NE(workerId, std::this_thread::get_id());
    EXPECT_EQ(prompt.askCount(), 0u);
}

TEST_F(ThreadHandlerTest, TExceptionIsDroppedAndTheQueueGoesOn) {
    Handler handler;
    handler.PostTasks({[&] { recorder.Record(1); }, [&] { recorder.Fail(0); }, [&] { recorder.Record(2); }});
    handler.Post(&Recorder::Fail, &recorder, 0);
    handler.Post(&Recorder::Record, &recorder, 3);
    ASSERT_TRUE(recorder.waitForCount(3));
    EXPECT_EQ(recorder.values(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(prompt.askCount(), 0u) << "a TException is dropped silently";
}

TEST_F(ThreadHandlerTest, OtherExceptionsShowOneNoticeAndStrandTheRestUntilTheNextPost) {
    Handler handler;
    std::atomic<bool> nextPostMade{false};
    bool ranAfterNextPost = false;
    // Queued together before the worker's one wake-up: the wake-up consumes
    // the work signal, so after the catch-all nothing signals it again.
    handler.PostTasks({[&] { recorder.ThrowInt(0); }, [&] {
                           ranAfterNextPost = nextPostMade.load();
                           recorder.Record(1);
                       }});
    ASSERT_TRUE(prompt.waitForAsks(1));
    const auto ask = prompt.asks().at(0);
    EXPECT_EQ(ask.text, "Unhandled exception. Application termination is highly recommended.");
    EXPECT_EQ(ask.caption, "Error");
    EXPECT_EQ(ask.flags, platform::MB_OK | platform::MB_ICONERROR);
    EXPECT_TRUE(ask.owner.isNull());
    // The notice comes after the failing task left the queue; that the
    // stranded one waits for the next post shows in ranAfterNextPost.
    EXPECT_EQ(handler.QueuedCount(), 1u);

    nextPostMade = true;
    handler.Post(&Recorder::Record, &recorder, 2);
    ASSERT_TRUE(recorder.waitForCount(2));
    EXPECT_EQ(recorder.values(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(ranAfterNextPost);
    EXPECT_EQ(prompt.askCount(), 1u);
}

TEST_F(ThreadHandlerTest, APostDuringTheFailingPassRunsTheRestAtOnce) {
    Handler handler;
    Gate gate;
    occupy(handler, gate);
    // Posted while the pass runs: the work signal is set again.
    handler.Post(&Recorder::ThrowCoded, &recorder, 0);
    handler.Post(&Recorder::Record, &recorder, 1);
    gate.open();
    ASSERT_TRUE(recorder.waitForCount(1));
    EXPECT_EQ(recorder.values(), (std::vector<int>{1}));
    EXPECT_EQ(prompt.askCount(), 1u) << "a TCodedException is an unhandled exception";
}

TEST_F(ThreadHandlerTest, TheNoticeBlocksTheWorkerUntilAnswered) {
    platform::ScriptedUserPrompt waiting(true);
    platform::SetUserPrompt(&waiting);
    Handler handler;
    handler.PostTasks({[&] { recorder.ThrowInt(0); }, [&] { recorder.Record(1); }});
    ASSERT_TRUE(waiting.waitForAsks(1));
    handler.Post(&Recorder::Record, &recorder, 2);  // during the pass: the rest runs once answered
    // Only time can show that nothing runs while the notice is open: a
    // short look, which a worker that went on would fail at once.
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(recorder.values().empty());
    waiting.answer(platform::IDOK);
    ASSERT_TRUE(recorder.waitForCount(2));
    EXPECT_EQ(recorder.values(), (std::vector<int>{1, 2}));
    platform::SetUserPrompt(&prompt);
}

TEST_F(ThreadHandlerTest, ClearDropsQueuedTasksAndLetsTheRunningOneFinish) {
    Handler handler;
    Gate gate;
    std::atomic<bool> runningFinished{false};
    std::latch started(1);
    handler.PostTask([&] {
        started.count_down();
        gate.wait();
        runningFinished = true;
    });
    started.wait();
    handler.Post(&Recorder::Record, &recorder, 1);
    handler.Post(&Recorder::Record, &recorder, 2);
    handler.Clear();
    EXPECT_EQ(handler.QueuedCount(), 0u);
    gate.open();
    handler.Post(&Recorder::Record, &recorder, 3);
    ASSERT_TRUE(recorder.waitForCount(1));
    EXPECT_TRUE(runningFinished);
    // Tasks run in the order posted: had 1 and 2 stayed queued, they would
    // have run before 3.
    EXPECT_EQ(recorder.values(), (std::vector<int>{3}));
}

TEST_F(ThreadHandlerTest, DestructionWaitsForTheRunningTaskAndRunsNoQueuedOne) {
    auto handler = std::make_unique<Handler>();
    Gate gate;
    std::atomic<bool> runningFinished{false};
    std::latch started(1);
    handler->PostTask([&] {
        started.count_down();
        gate.wait();
        runningFinished = true;
    });
    started.wait();
    handler->Post(&Recorder::Record, &recorder, 1);
    handler->Post(&Recorder::Record, &recorder, 2);

    std::atomic<bool> destroying{false};
    std::atomic<bool> destroyed{false};
    std::atomic<bool> finishedBeforeDestroyed{false};
    std::thread destroyer([&] {
        destroying = true;
        handler.reset();
        finishedBeforeDestroyed = runningFinished.load();
        destroyed = true;
    });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return destroying.load(); }, 10000)) << "the destroyer never started";
    // Only time can show that the destructor does not return while the task
    // is held: a short look, which a destructor that did not wait would fail
    // (and which lets the destructor begin before the task may end).
    EXPECT_FALSE(testsupport::WaitUntil([&] { return destroyed.load(); }, 30))
        << "the destructor must wait for the running task";
    gate.open();
    destroyer.join();
    EXPECT_TRUE(finishedBeforeDestroyed);
    EXPECT_TRUE(recorder.values().empty());
}

TEST_F(ThreadHandlerTest, DestructionOfAnIdleHandlerReturnsPromptly) {
    for (int i = 0; i < 50; ++i) {
        Handler handler;
        if (i % 2 == 0) handler.Post(&Recorder::Record, &recorder, i);
    }
    EXPECT_LE(recorder.values().size(), 25u);
}

TEST_F(ThreadHandlerTest, NullFunctionsAndObjectsAreSkipped) {
    Handler handler;
    handler.Post<void>(nullptr, &recorder, 1);
    handler.Post(&Recorder::Record, nullptr, 2);
    handler.PostTask({});
    handler.Post(&Recorder::Record, &recorder, 3);
    ASSERT_TRUE(recorder.waitForCount(1));
    EXPECT_EQ(recorder.values(), (std::vector<int>{3}));
    EXPECT_EQ(prompt.askCount(), 0u);
}

TEST_F(ThreadHandlerTest, ATaskMayPostToItsOwnHandler) {
    Handler handler;
    std::function<void(int)> chain = [&](int n) {
        recorder.Record(n);
        if (n < 5) handler.PostTask([&chain, n] { chain(n + 1); });
    };
    handler.PostTask([&] { chain(1); });
    ASSERT_TRUE(recorder.waitForCount(5));
    EXPECT_EQ(recorder.values(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(ThreadHandlerTest, ManyProducersKeepTheirOwnOrder) {
    constexpr int kProducers = 4;
    constexpr int kEach = 2000;
    std::vector<std::vector<int>> seen(kProducers);
    {
        Handler handler;
        std::latch go(kProducers);
        std::vector<std::thread> producers;
        for (int p = 0; p < kProducers; ++p)
            producers.emplace_back([&, p] {
                go.arrive_and_wait();
                for (int i = 0; i < kEach; ++i) handler.PostTask([&seen, p, i] { seen[p].push_back(i); });
            });
        for (auto& t : producers) t.join();
        std::latch done(1);
        handler.PostTask([&] { done.count_down(); });
        done.wait();
    }
    for (int p = 0; p < kProducers; ++p) {
        ASSERT_EQ(seen[p].size(), static_cast<std::size_t>(kEach));
        for (int i = 0; i < kEach; ++i) ASSERT_EQ(seen[p][i], i);
    }
}

TEST_F(ThreadHandlerTest, DestroyingTheHandlerFromItsOwnTaskIsALogicError) {
    auto* handler = new Handler;
    std::promise<std::string> outcome;
    handler->PostTask([&] {
        try {
            delete handler;
            outcome.set_value("returned");
        } catch (const std::logic_error& e) {
            outcome.set_value(std::string("logic_error: ") + e.what());
        }
    });
    auto future = outcome.get_future();
    ASSERT_EQ(future.wait_for(5s), std::future_status::ready) << "deadlocked";
    EXPECT_EQ(future.get().rfind("logic_error", 0), 0u);
    // Nothing outside the worker shows its end once it is detached: a moment
    // for it to end before the next test.
    std::this_thread::sleep_for(20ms);
}

// On the user-interface thread the destructor keeps the interface's events
// running: here a task waits for a window to answer a queued message, which
// only the user-interface thread's drain delivers. A plain join would hang.
TEST_F(ThreadHandlerTest, DestructionOnTheUiThreadKeepsTheMessagePumpRunning) {
    struct DrainingPump : platform::UiEventPump {
        int rounds = 0;
        void pumpUntil(const std::function<bool()>& done) override {
            while (!done()) {
                ++rounds;
                halvane::diagnostics::Threading::DrainUiMessageQueue();
                std::this_thread::sleep_for(1ms);
            }
        }
    } pump;
    platform::MarkUiThread();
    platform::SetUiEventPump(&pump);

    std::promise<void> answered;
    platform::WindowBinding window([&](std::uint32_t, std::uintptr_t, std::intptr_t) {
        answered.set_value();
        return std::intptr_t{0};
    });
    std::atomic<bool> taskDone{false};
    auto handler = std::make_unique<Handler>();
    std::latch started(1);
    handler->PostTask([&] {
        started.count_down();
        halvane::diagnostics::Threading::PostWndMessage(window.handle(), 0x8001, 0, 0);
        answered.get_future().wait();
        taskDone = true;
    });
    started.wait();
    handler.reset();
    EXPECT_TRUE(taskDone);
    EXPECT_GT(pump.rounds, 0);

    platform::SetUiEventPump(nullptr);
    platform::ClearUiThread();
}

#include "platform/Event.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(Event, AutoResetReleasesOneWaiterAndResets) {
    Event e(Event::Reset::Auto);
    std::atomic<int> woken{0};
    std::latch ready(2);
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            ready.count_down();
            if (e.wait(20000)) ++woken;
        });
    ready.wait();
    e.set();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return woken.load() >= 1; }, 10000)) << "no waiter woke on set";
    EXPECT_FALSE(e.isSet());  // the waiter it released reset it
    e.set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 2);
    // Had the first set released both waiters, the second would have found
    // no one to release and stayed set.
    EXPECT_FALSE(e.isSet());
}

TEST(Event, ManualResetStaysSetForEveryWaiterUntilReset) {
    Event e(Event::Reset::Manual);
    e.set();
    EXPECT_TRUE(e.wait(0));
    EXPECT_TRUE(e.wait(0));
    EXPECT_TRUE(e.isSet());
    e.reset();
    EXPECT_FALSE(e.wait(0));

    std::atomic<int> woken{0};
    std::latch ready(3);
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            ready.count_down();
            if (e.wait(20000)) ++woken;
        });
    ready.wait();
    e.set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 3);
}

TEST(Event, WaitTimesOutWhenNothingSetsIt) {
    Event e(Event::Reset::Auto, false);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(e.wait(50));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 45ms);
    EXPECT_EQ(WaitAny({&e}, 0), WaitTimeout);
}

TEST(Event, WaitAnyGivesTheLowestSetIndexAndConsumesOnlyThatOne) {
    Event stop(Event::Reset::Manual);
    Event work(Event::Reset::Auto);
    work.set();
    EXPECT_EQ(WaitAny({&stop, &work}, 0), 1);
    EXPECT_FALSE(work.isSet());

    stop.set();
    work.set();
    EXPECT_EQ(WaitAny({&stop, &work}, 0), 0);  // stop wins, as with WaitForMultipleObjects
    EXPECT_TRUE(work.isSet());                 // the other auto event is not consumed
    EXPECT_TRUE(stop.isSet());

    EXPECT_EQ(WaitAny(std::vector<Event*>{}, 0), WaitFailed);
}

TEST(Event, WaitAnyWakesWhenAnotherThreadSets) {
    Event a(Event::Reset::Auto);
    Event b(Event::Reset::Auto);
    std::thread setter([&] { b.set(); });
    EXPECT_EQ(WaitAny({&a, &b}, 20000), 1);
    setter.join();
}

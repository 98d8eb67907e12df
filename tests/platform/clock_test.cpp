#include "platform/Deadline.h"
#include "platform/ScaledClock.h"
#include "platform/VirtualClock.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace platform;

TEST(Clock, VirtualClockAdvancesOnlyBySleepsAndByHand) {
    VirtualClock c(1000);
    EXPECT_EQ(c.nowMs(), 1000);
    c.sleepMs(10000);
    EXPECT_EQ(c.nowMs(), 11000);
    c.sleepMs(-5);  // a negative sleep is no sleep
    c.advance(7);
    EXPECT_EQ(c.nowMs(), 11007);
    EXPECT_EQ(c.totalSleptMs(), 10000);
    EXPECT_EQ(c.toRealMs(5000), 0);
}

TEST(Clock, ScaledClockSleepsAFractionOfItsTime) {
    ScaledClock c(100.0);
    const auto t0 = std::chrono::steady_clock::now();
    const auto c0 = c.nowMs();
    c.sleepMs(2000);  // 20 ms real
    const auto realMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(c.nowMs() - c0, 2000);
    EXPECT_GE(realMs, 19.0);
    EXPECT_LT(realMs, 1000.0);  // generous: only that it did not sleep the full 2 s
    EXPECT_EQ(c.toRealMs(1), 1);  // never rounds a positive wait down to zero
    EXPECT_EQ(c.toRealMs(250), 3);
}

TEST(Deadline, CountsDownOnItsClockAndNeverGoesNegative) {
    VirtualClock c;
    Deadline d(c, 100);
    EXPECT_FALSE(d.expired());
    EXPECT_EQ(d.remainingMs(), 100);
    c.advance(60);
    EXPECT_EQ(d.remainingMs(), 40);
    c.advance(60);
    EXPECT_TRUE(d.expired());
    EXPECT_EQ(d.remainingMs(), 0);
    EXPECT_EQ(d.pollTimeout(), 0);

    Deadline forever = Deadline::never(c);
    c.advance(1'000'000);
    EXPECT_FALSE(forever.expired());
    EXPECT_EQ(forever.remainingMs(), -1);
    EXPECT_EQ(forever.pollTimeout(), -1);
}

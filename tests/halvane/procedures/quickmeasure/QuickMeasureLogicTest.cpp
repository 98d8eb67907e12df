// Quick Measure's pure parts: the state table, the overlapping sample
// windows and the list of shown curves.
#include "halvane/procedures/quickmeasure/QuickMeasureCurves.h"
#include "halvane/procedures/quickmeasure/QuickMeasureSampleQueue.h"
#include "halvane/procedures/quickmeasure/QuickMeasureStates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace halvane::procedures;
using namespace halvane::procedures::quickmeasure;
using namespace halvane::signal;

using namespace halvane;
using namespace halvane::procedures::quickmeasure;

TEST(QuickMeasureStates, EachButtonIsTakenOnlyInItsStates) {
    struct Row {
        Button button;
        std::vector<std::int32_t> allowed;
        Transition t;
    };
    const Row rows[] = {
        {Button::Connect, {0}, {1, 2, 0}},
        {Button::Disconnect, {2, 6}, {3, 0, 2}},
        {Button::Start, {2}, {4, 6, 2}},
        {Button::Stop, {6}, {5, 2, 6}},
    };
    for (const Row& r : rows) {
        for (std::int32_t s = 0; s <= 6; ++s) {
            Transition t{-1, -1, -1};
            const bool allowed = std::find(r.allowed.begin(), r.allowed.end(), s) != r.allowed.end();
            EXPECT_EQ(FindTransition(r.button, s, t), allowed) << "state " << s;
            if (allowed) {
                EXPECT_EQ(t.running, r.t.running);
                EXPECT_EQ(t.success, r.t.success);
                EXPECT_EQ(t.failure, r.t.failure);
            }
        }
    }
}

TEST(QuickMeasureStates, ControlsFollowTheState) {
    EXPECT_EQ(ControlsFor(kDisconnected), (EnabledControls{true, false, false, false, false}));
    EXPECT_EQ(ControlsFor(kConnected), (EnabledControls{false, true, true, false, true}));
    EXPECT_EQ(ControlsFor(kMeasuring), (EnabledControls{false, true, false, true, false}));
    for (std::int32_t busy : {kConnecting, kDisconnecting, kStarting, kStopping})
        EXPECT_EQ(ControlsFor(busy), EnabledControls{}) << busy;
}

namespace {

// A block of the ramp: sample n of the stream has the value n.
std::shared_ptr<const double[]> Ramp(int first, int count) {
    std::shared_ptr<double[]> b(new double[static_cast<std::size_t>(count)]);
    for (int i = 0; i < count; ++i) b[static_cast<std::size_t>(i)] = first + i;
    return b;
}

void ExpectRamp(const std::vector<double>& w, int first) {
    ASSERT_EQ(w.size(), 131072u);
    for (int i = 0; i < 131072; ++i)
        if (w[static_cast<std::size_t>(i)] != first + i) FAIL() << "sample " << i << " is " << w[static_cast<std::size_t>(i)];
}

}  // namespace

TEST(QuickMeasureSampleQueue, WindowsOverlapByHalfOneForEvery65536Samples) {
    QuickMeasureSampleQueue q;
    std::vector<double> w;
    int next = 0;
    for (int k = 0; k < 3; ++k, next += 32768) q.Append(Ramp(next, 32768), 32768);
    EXPECT_EQ(q.Append(Ramp(next, 32767), 32767), 131071);
    next += 32767;
    EXPECT_FALSE(q.TakeWindow(w));  // one sample short
    EXPECT_EQ(q.Pending(), 131071);
    // The next block completes the window and leaves its 32768 - 1 samples
    // after it queued.
    EXPECT_EQ(q.Append(Ramp(next, 32768), 32768), 131071 + 32768);
    next += 32768;
    ASSERT_TRUE(q.TakeWindow(w));
    ExpectRamp(w, 0);
    EXPECT_EQ(q.Pending(), 65536 + 32767);
    EXPECT_FALSE(q.TakeWindow(w));
    EXPECT_EQ(q.Append(Ramp(next, 32768), 32768), 131071);
    next += 32768;
    EXPECT_FALSE(q.TakeWindow(w));
    q.Append(Ramp(next, 1), 1);
    ASSERT_TRUE(q.TakeWindow(w));
    ExpectRamp(w, 65536);
    EXPECT_EQ(q.Pending(), 65536);
    q.Clear();
    EXPECT_EQ(q.Pending(), 0);
    EXPECT_EQ(q.PendingBlocks(), 0u);
}

TEST(QuickMeasureSampleQueue, BlocksOfAnySizeAreSplitInOrder) {
    QuickMeasureSampleQueue q;
    std::vector<double> w;
    int next = 0;
    std::vector<int> firsts;
    for (int k = 0; k < 20; ++k) {
        q.Append(Ramp(next, 50000), 50000);
        q.Append(nullptr, 100);  // an empty delivery adds nothing
        next += 50000;
        while (q.TakeWindow(w)) firsts.push_back(static_cast<int>(w[0]));
        if (!firsts.empty()) ExpectRamp(w, firsts.back());
    }
    // 1,000,000 samples give (1,000,000 - 65536) / 65536 windows.
    ASSERT_EQ(firsts.size(), 14u);
    for (std::size_t i = 0; i < firsts.size(); ++i) EXPECT_EQ(firsts[i], static_cast<int>(i) * 65536);
}

TEST(QuickMeasureCurves, KeepsTheLastThreeInCyclingColours) {
    QuickMeasureCurves list;
    EXPECT_FALSE(list.Add(nullptr));
    std::vector<std::shared_ptr<CCurve>> c;
    for (int i = 0; i < 4; ++i) c.push_back(std::make_shared<CCurve>());
    EXPECT_TRUE(list.Add(c[0]));
    EXPECT_TRUE(list.Add(c[1]));
    EXPECT_TRUE(list.Add(c[2]));
    EXPECT_FALSE(list.Add(c[3]));  // the fourth drops the first and keeps the scale
    ASSERT_EQ(list.Entries().size(), 3u);
    EXPECT_EQ(list.Entries()[0].curve, c[1]);
    EXPECT_EQ(list.Entries()[2].curve, c[3]);
    EXPECT_EQ(list.Entries()[0].colour, 0x00CC00u);  // green
    EXPECT_EQ(list.Entries()[1].colour, 0xCC0000u);  // blue (0x00BBGGRR)
    EXPECT_EQ(list.Entries()[2].colour, 0x0000CCu);  // red again
    EXPECT_EQ(list.ShownCount(), 4u);
    // A new start empties the list; the colours go on where they stopped.
    list.Clear();
    EXPECT_TRUE(list.Add(c[0]));
    EXPECT_EQ(list.Entries()[0].colour, 0x00CC00u);
    EXPECT_EQ(list.ShownCount(), 5u);
}

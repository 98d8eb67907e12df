#include "RecordingWindow.h"

#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/SendStringWndMessage.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "platform/UiMessageQueue.h"
#include "platform/WindowMessageNames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kTestMessage = 0x8010;

// Counts its own destruction, to show a payload is freed exactly once.
class CountedMessage final : public halvane::diagnostics::Threading::WND_MSG {
public:
    CountedMessage(platform::WindowHandle target, std::atomic<int>& deletions, std::intptr_t tag)
        : halvane::diagnostics::Threading::WND_MSG(target, kTestMessage, 0, tag), deletions_(deletions) {}
    ~CountedMessage() override { ++deletions_; }

private:
    std::atomic<int>& deletions_;
};

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override { platform::uiMessageQueue().discardAll(); }
    void TearDown() override { platform::uiMessageQueue().discardAll(); }
};

}  // namespace

TEST(WindowMessageNames, OneIdPerNameFromC000) {
    const std::uint32_t done = platform::RegisterWindowMessage("UM_DONE-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}");
    const std::uint32_t display = halvane::diagnostics::Threading::UmSetDisplayString();
    EXPECT_GE(done, 0xC000u);
    EXPECT_GE(display, 0xC000u);
    EXPECT_NE(done, display);
    EXPECT_EQ(platform::RegisterWindowMessage("UM_DONE-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}"), done);
    EXPECT_EQ(platform::RegisterWindowMessage(halvane::diagnostics::Threading::kSetDisplayStringName), display);
    EXPECT_EQ(platform::RegisteredMessageName(display), halvane::diagnostics::Threading::kSetDisplayStringName);
    EXPECT_EQ(platform::RegisteredMessageName(0x0402), "");
    EXPECT_THROW(platform::RegisterWindowMessage(""), std::invalid_argument);

    namespace m = halvane::diagnostics::messages;
    const std::set<std::uint32_t> halvaneIds{m::Id(m::kValueChanged), m::Id(m::kRecalcTargets), m::Id(m::kDone),
                                             m::Id(m::kSetDisplayString), m::Id(m::kRunTask), m::Id(m::kCurveReady),
                                             m::Id(m::kProcTerminated), m::Id(m::kDeviceChanged)};
    EXPECT_EQ(halvaneIds.size(), 8u);
    EXPECT_EQ(m::Id(m::kDone), done);
    EXPECT_EQ(m::Id(m::kSetDisplayString), display);

    // Registered from many threads at once, a name still gets one id.
    constexpr int kThreads = 8;
    std::vector<std::uint32_t> ids(kThreads);
    std::latch go(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            go.arrive_and_wait();
            ids[i] = platform::RegisterWindowMessage("UM_CURVE_READY-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}");
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::set<std::uint32_t>(ids.begin(), ids.end()).size(), 1u);
}

TEST_F(MessageQueueTest, MessagesFromTwoThreadsArriveInAppendOrder) {
    RecordingWindow window;
    std::latch firstPosted(1);
    std::thread a([&] {
        halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 1, 10);
        firstPosted.count_down();
    });
    std::thread b([&] {
        firstPosted.wait();
        halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 2, 20);
    });
    a.join();
    b.join();
    EXPECT_EQ(halvane::diagnostics::Threading::DrainUiMessageQueue(), 2u);
    const auto got = window.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].wParam, 1u);
    EXPECT_EQ(got[0].lParam, 10);
    EXPECT_EQ(got[1].wParam, 2u);
    EXPECT_EQ(got[1].lParam, 20);
}

TEST_F(MessageQueueTest, ProducersRacingADrainLoseNothingAndKeepTheirOrder) {
    RecordingWindow window;
    constexpr int kProducers = 3;
    constexpr int kEach = 3000;
    std::atomic<int> finished{0};
    std::latch go(kProducers + 1);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&, p] {
            go.arrive_and_wait();
            for (int i = 0; i < kEach; ++i)
                halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, static_cast<std::uintptr_t>(p), i);
            ++finished;
        });
    go.arrive_and_wait();
    while (finished.load() < kProducers) halvane::diagnostics::Threading::DrainUiMessageQueue();
    halvane::diagnostics::Threading::DrainUiMessageQueue();
    for (auto& t : producers) t.join();

    std::vector<std::intptr_t> next(kProducers, 0);
    const auto got = window.received();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kProducers * kEach));
    for (const auto& r : got) ASSERT_EQ(r.lParam, next[r.wParam]++);
}

TEST_F(MessageQueueTest, AMessageQueuedByAHandlerGoesOutInTheSameTick) {
    RecordingWindow window;
    window.onReceive = [&](const RecordingWindow::Received& r) {
        if (r.wParam == 1) halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 2, 0);
    };
    halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 1, 0);
    EXPECT_EQ(halvane::diagnostics::Threading::DrainUiMessageQueue(), 2u);
    ASSERT_EQ(window.received().size(), 2u);
    EXPECT_EQ(window.received()[1].wParam, 2u);
    EXPECT_EQ(platform::uiMessageQueue().size(), 0u);
}

TEST_F(MessageQueueTest, ANestedDrainInsideASendKeepsQueueOrder) {
    RecordingWindow window;
    std::vector<std::uintptr_t> order;
    window.onReceive = [&](const RecordingWindow::Received& r) {
        order.push_back(r.wParam);
        if (r.wParam == 1) halvane::diagnostics::Threading::DrainUiMessageQueue();  // a modal loop inside the handler
    };
    for (std::uintptr_t i = 1; i <= 4; ++i) halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, i, 0);
    halvane::diagnostics::Threading::DrainUiMessageQueue();
    EXPECT_EQ(order, (std::vector<std::uintptr_t>{1, 2, 3, 4}));
}

TEST_F(MessageQueueTest, ANullTargetMeansTheMainWindow) {
    std::atomic<int> deletions{0};
    // No main window yet: the message is dropped (and freed).
    halvane::diagnostics::Threading::PostWndMessageObject(new CountedMessage({}, deletions, 1));
    EXPECT_EQ(halvane::diagnostics::Threading::DrainUiMessageQueue(), 1u);
    EXPECT_EQ(deletions, 1);

    RecordingWindow main;
    RecordingWindow other;
    main.makeMainWindow();
    halvane::diagnostics::Threading::PostWndMessage({}, kTestMessage, 0, 2);
    halvane::diagnostics::Threading::PostWndMessage(other.handle(), kTestMessage, 0, 3);
    halvane::diagnostics::Threading::DrainUiMessageQueue();
    ASSERT_EQ(main.received().size(), 1u);
    EXPECT_EQ(main.received()[0].lParam, 2);
    ASSERT_EQ(other.received().size(), 1u);

    main.destroy();  // the main window goes: null targets are dropped again
    EXPECT_TRUE(platform::windows().mainWindow().isNull());
    halvane::diagnostics::Threading::PostWndMessage({}, kTestMessage, 0, 4);
    halvane::diagnostics::Threading::DrainUiMessageQueue();
    EXPECT_EQ(other.received().size(), 1u);
}

TEST_F(MessageQueueTest, AMessageToADestroyedWindowIsDroppedAndFreedOnce) {
    std::atomic<int> deletions{0};
    auto window = std::make_unique<RecordingWindow>();
    const platform::WindowHandle handle = window->handle();
    halvane::diagnostics::Threading::PostWndMessageObject(new CountedMessage(handle, deletions, 1));
    halvane::diagnostics::Threading::PostWndMessageObject(std::make_unique<halvane::diagnostics::Threading::SendStringWndMessage>(handle, "Measuring..."));
    window.reset();
    EXPECT_FALSE(platform::IsWindow(handle));
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(halvane::diagnostics::Threading::DrainUiMessageQueue(), 2u);
    EXPECT_EQ(deletions, 1);

    // A new window never takes over an old handle.
    RecordingWindow fresh;
    EXPECT_NE(fresh.handle(), handle);
}

TEST_F(MessageQueueTest, ADisplayStringIsReadDuringTheSendAndFreedAfterIt) {
    RecordingWindow window;
    std::string fromSend;
    window.onReceive = [&](const RecordingWindow::Received& r) { fromSend = r.text; };
    auto message = std::make_unique<halvane::diagnostics::Threading::SendStringWndMessage>(window.handle(), "Position 3: Left Front");
    EXPECT_EQ(message->message, halvane::diagnostics::Threading::UmSetDisplayString());
    EXPECT_EQ(message->wParam, 0u);
    EXPECT_EQ(halvane::diagnostics::Threading::SendStringWndMessage::TextOf(message->lParam), "Position 3: Left Front");
    halvane::diagnostics::Threading::PostWndMessageObject(std::move(message));
    halvane::diagnostics::Threading::DrainUiMessageQueue();
    EXPECT_EQ(fromSend, "Position 3: Left Front");
}

TEST_F(MessageQueueTest, ANullObjectChangesNothing) {
    halvane::diagnostics::Threading::PostWndMessageObject(static_cast<halvane::diagnostics::Threading::WND_MSG*>(nullptr));
    halvane::diagnostics::Threading::PostWndMessageObject(std::unique_ptr<halvane::diagnostics::Threading::WND_MSG>());
    EXPECT_EQ(platform::uiMessageQueue().size(), 0u);
    EXPECT_EQ(halvane::diagnostics::Threading::DrainUiMessageQueue(), 0u);
}

TEST_F(MessageQueueTest, AThrowingHandlerStillFreesItsMessageAndLeavesTheRestQueued) {
    std::atomic<int> deletions{0};
    platform::WindowBinding window([](std::uint32_t, std::uintptr_t, std::intptr_t l) -> std::intptr_t {
        if (l == 1) throw std::runtime_error("handler failed");
        return 0;
    });
    halvane::diagnostics::Threading::PostWndMessageObject(new CountedMessage(window.handle(), deletions, 1));
    halvane::diagnostics::Threading::PostWndMessageObject(new CountedMessage(window.handle(), deletions, 2));
    EXPECT_THROW(halvane::diagnostics::Threading::DrainUiMessageQueue(), std::runtime_error);
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(halvane::diagnostics::Threading::DrainUiMessageQueue(), 1u);
    EXPECT_EQ(deletions, 2);
}

TEST_F(MessageQueueTest, AWindowMayDestroyItselfDuringItsOwnSend) {
    int calls = 0;
    std::unique_ptr<platform::WindowBinding> window;
    // The handler's state lives outside the binding, as a dialog's does; the
    // registry keeps the running function alive until it returns.
    window = std::make_unique<platform::WindowBinding>([&](std::uint32_t, std::uintptr_t, std::intptr_t) {
        ++calls;
        window.reset();  // a dialog that ends on UM_DONE
        return std::intptr_t{0};
    });
    const auto handle = window->handle();
    halvane::diagnostics::Threading::PostWndMessage(handle, kTestMessage, 0, 0);
    halvane::diagnostics::Threading::PostWndMessage(handle, kTestMessage, 0, 0);
    halvane::diagnostics::Threading::DrainUiMessageQueue();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(platform::IsWindow(handle));
}

TEST_F(MessageQueueTest, MessagesLeftAtTheEndAreFreedNotSent) {
    std::atomic<int> deletions{0};
    RecordingWindow window;
    {
        platform::UiMessageQueue queue;
        queue.post(std::make_unique<CountedMessage>(window.handle(), deletions, 1));
        queue.post(std::make_unique<CountedMessage>(window.handle(), deletions, 2));
    }
    EXPECT_EQ(deletions, 2);
    EXPECT_TRUE(window.received().empty());
}

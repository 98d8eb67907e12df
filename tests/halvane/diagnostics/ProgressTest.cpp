#include "RecordingWindow.h"

#include "halvane/diagnostics/MultiThreadedProgress.h"
#include "halvane/diagnostics/ProgressText.h"
#include "halvane/diagnostics/TException.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UiMessageQueue.h"
#include "platform/WindowMessage.h"
#include "tests/support/MessageOf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

using halvane::diagnostics::ConTypes::MultiThreadedProgress;
using platform::PBM_SETPOS;
using platform::PBM_SETRANGE32;

namespace {

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override { platform::uiMessageQueue().discardAll(); }
    void TearDown() override { platform::uiMessageQueue().discardAll(); }

    struct Bar {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool operator==(const Bar&) const = default;
    };
    std::vector<Bar> barMessages() const {
        std::vector<Bar> out;
        for (const auto& r : bar.received()) out.push_back({r.message, r.wParam, r.lParam});
        return out;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& r : status.received()) out.push_back(r.text);
        return out;
    }

    RecordingWindow bar;
    RecordingWindow status;
    platform::ScriptedUserPrompt prompt;
};

}  // namespace

TEST_F(ProgressTest, RangeAndStepsQueueTheBarMessagesInOrder) {
    MultiThreadedProgress progress(bar.handle(), status.handle(), &prompt);
    progress.SetRange(10);
    progress.Step(3);
    progress.Step(3);
    EXPECT_TRUE(bar.received().empty()) << "nothing reaches a window before the drain";
    platform::DrainUiMessageQueue();
    EXPECT_EQ(barMessages(), (std::vector<Bar>{{PBM_SETRANGE32, 0, 0},
                                                {PBM_SETRANGE32, 0, 10},
                                                {PBM_SETPOS, 3, 0},
                                                {PBM_SETPOS, 6, 0}}));
    EXPECT_EQ(progress.Total(), 10);
    EXPECT_EQ(progress.Position(), 6);

    progress.SetRange(4);  // a new range starts from position 0
    progress.Step(1);
    platform::DrainUiMessageQueue();
    const auto all = barMessages();
    EXPECT_EQ(all.back(), (Bar{PBM_SETPOS, 1, 0}));
    EXPECT_EQ(all[all.size() - 2], (Bar{PBM_SETRANGE32, 0, 4}));
    EXPECT_TRUE(status.received().empty());
}

TEST_F(ProgressTest, TextsReachTheStatusWindowAndTheLastOneIsKept) {
    MultiThreadedProgress progress(bar.handle(), status.handle(), &prompt);
    EXPECT_EQ(progress.GetStatusText(), "");
    progress.SetText("Powering on unit.");
    halvane::diagnostics::ConTypes::SetProgressText(progress, "Measuring %s at position %d", "Center", 2);
    halvane::diagnostics::ConTypes::SetProgressTextString(progress, "100% of %d done");  // fixed text is not a format
    EXPECT_EQ(progress.GetStatusText(), "100% of %d done");
    platform::DrainUiMessageQueue();
    EXPECT_EQ(texts(), (std::vector<std::string>{"Powering on unit.", "Measuring Center at position 2",
                                                 "100% of %d done"}));
    for (const auto& r : status.received()) {
        EXPECT_EQ(r.message, halvane::diagnostics::Threading::UmSetDisplayString());
        EXPECT_EQ(r.wParam, 0u);
    }
}

TEST_F(ProgressTest, AfterAnAbortOnlyAbortingIsShownAndNothingMoreIsQueued) {
    MultiThreadedProgress progress(bar.handle(), status.handle(), &prompt);
    progress.SetText("Uploading...");
    EXPECT_EQ(progress.IsAborted(), 0);
    EXPECT_NO_THROW(progress.ThrowIfAborted());

    progress.Abort();
    EXPECT_EQ(progress.IsAborted(), 1);
    progress.SetText("x");
    progress.SetRange(5);
    progress.Step(1);
    progress.Abort();  // a second abort sends nothing either
    EXPECT_EQ(progress.GetStatusText(), "User Aborted!");
    EXPECT_EQ(testsupport::MessageOf([&] { progress.ThrowIfAborted(); }), "User Abort");

    platform::DrainUiMessageQueue();
    EXPECT_EQ(texts(), (std::vector<std::string>{"Uploading...", "Aborting..."}));
    EXPECT_EQ(barMessages(), (std::vector<Bar>{{PBM_SETRANGE32, 0, 0}}));
}

// The user-interface thread aborts while the worker keeps reporting: nothing
// the worker sends may land after "Aborting...".
TEST_F(ProgressTest, AnAbortRacingTheWorkerLeavesAbortingLast) {
    for (int round = 0; round < 20; ++round) {
        platform::uiMessageQueue().discardAll();
        RecordingWindow b, s;
        MultiThreadedProgress progress(b.handle(), s.handle(), &prompt);
        std::latch go(2);
        std::atomic<bool> stop{false};
        std::thread worker([&] {
            go.arrive_and_wait();
            for (int i = 0; !stop; ++i) {
                halvane::diagnostics::ConTypes::SetProgressText(progress, "step %d", i);
                progress.Step(1);
            }
        });
        go.arrive_and_wait();
        // Not a wait for an outcome: each round aborts at another point of
        // the worker's loop, and every point must give one order.
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (round % 5)));
        progress.Abort();
        stop = true;
        worker.join();

        // One order of everything queued, as the window sees it.
        std::vector<std::string> order;
        b.onReceive = [&](const RecordingWindow::Received&) { order.push_back("<bar>"); };
        s.onReceive = [&](const RecordingWindow::Received& r) { order.push_back(r.text); };
        platform::DrainUiMessageQueue();
        ASSERT_FALSE(order.empty());
        ASSERT_EQ(order.back(), "Aborting...") << "round " << round;
        EXPECT_EQ(std::count(order.begin(), order.end(), "Aborting..."), 1);
    }
}

TEST_F(ProgressTest, MessageBoxCaptionsAndOwner) {
    MultiThreadedProgress progress(bar.handle(), status.handle(), &prompt);
    prompt.answers({platform::IDOK, platform::IDYES});
    EXPECT_EQ(progress.MessageBox("Unit found.", "", platform::MB_OK), platform::IDOK);
    EXPECT_EQ(progress.MessageBox("Really?", "Error", platform::MB_YESNO), platform::IDYES);
    const auto asks = prompt.asks();
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_EQ(asks[0].caption, "Halvane");
    EXPECT_EQ(asks[0].text, "Unit found.");
    EXPECT_EQ(asks[0].owner, status.handle());
    EXPECT_EQ(asks[1].caption, "Error");
    EXPECT_EQ(asks[1].flags, platform::MB_YESNO);
}

TEST_F(ProgressTest, AskAbortRetryIgnoreGivesItsThreeAnswers) {
    MultiThreadedProgress progress(bar.handle(), status.handle(), &prompt);
    prompt.answers({platform::IDRETRY, platform::IDIGNORE, platform::IDCANCEL, platform::IDABORT});
    EXPECT_TRUE(halvane::diagnostics::ConTypes::AskAbortRetryIgnore(progress, "Failed to power on unit."));
    EXPECT_FALSE(halvane::diagnostics::ConTypes::AskAbortRetryIgnore(progress, "Failed to power on unit."));
    EXPECT_TRUE(halvane::diagnostics::ConTypes::AskAbortRetryIgnore(progress, "Failed to power on unit."));  // any other answer: retry
    EXPECT_EQ(testsupport::MessageOf([&] { halvane::diagnostics::ConTypes::AskAbortRetryIgnore(progress, "Failed to power on unit."); }),
              "Failed to power on unit.\nUser abort.");

    const auto asks = prompt.asks();
    ASSERT_EQ(asks.size(), 4u);
    EXPECT_EQ(asks[0].text,
              "Failed to power on unit.\nClicking:\nAbort will abort the procedure\nRetry will try again\n"
              "Ignore will resume the procedure");
    EXPECT_EQ(asks[0].caption, "Halvane");
    EXPECT_EQ(asks[0].flags, platform::MB_ABORTRETRYIGNORE);
}

TEST_F(ProgressTest, AFailureTextWithPercentSignsIsNeverAFormat) {
    MultiThreadedProgress progress(bar.handle(), status.handle(), &prompt);
    prompt.answer(platform::IDABORT);
    EXPECT_EQ(testsupport::MessageOf([&] { halvane::diagnostics::ConTypes::AskAbortRetryIgnore(progress, "Level at 100%s %n%d"); }),
              "Level at 100%s %n%d\nUser abort.");
    EXPECT_EQ(prompt.asks().at(0).text.rfind("Level at 100%s %n%d\nClicking:", 0), 0u);
}

TEST_F(ProgressTest, AQuestionFromAWorkerBlocksItUntilAnswered) {
    platform::ScriptedUserPrompt user(true);
    MultiThreadedProgress progress(bar.handle(), status.handle(), &user);
    std::atomic<int> result{-1};
    std::thread worker([&] { result = halvane::diagnostics::ConTypes::AskAbortRetryIgnore(progress, "Failed to set volume.") ? 1 : 0; });
    ASSERT_TRUE(user.waitForAsks(1));
    // Only time can show that the worker stays in the question: a short
    // look, which a worker that went on would fail at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result, -1);
    user.answer(platform::IDIGNORE);
    worker.join();
    EXPECT_EQ(result, 0);
}

TEST(UserPrompt, DefaultAnswersAreTheCautiousButtons) {
    EXPECT_EQ(platform::DefaultAnswer(platform::MB_OK | platform::MB_ICONERROR), platform::IDOK);
    EXPECT_EQ(platform::DefaultAnswer(platform::MB_OKCANCEL), platform::IDCANCEL);
    EXPECT_EQ(platform::DefaultAnswer(platform::MB_ABORTRETRYIGNORE), platform::IDABORT);
    EXPECT_EQ(platform::DefaultAnswer(platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION), platform::IDCANCEL);
    EXPECT_EQ(platform::DefaultAnswer(platform::MB_YESNO), platform::IDNO);
    // Without an installed prompt a question never hangs.
    platform::SetUserPrompt(nullptr);
    EXPECT_EQ(platform::CurrentUserPrompt().MessageBox("headless", "Halvane", platform::MB_YESNO), platform::IDNO);
}

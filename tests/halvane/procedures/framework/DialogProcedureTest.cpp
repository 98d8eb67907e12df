// Jobs run on their own worker under the modal progress dialog, with the
// dialog's logic driven headless: states and texts, progress through the
// window-message queue, the abort confirmation, and the end of the run.
#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "halvane/procedures/framework/CheckAbort.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "halvane/procedures/framework/HeadlessProcedureDialog.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UiMessageQueue.h"
#include "tests/halvane/procedures/framework/ScriptedJob.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using halvane::procedures::CheckAbort;
using halvane::procedures::DoneGuard;
using halvane::procedures::DoProcedure;
using halvane::procedures::HeadlessProcedureDialog;
using halvane::procedures::IProcDialog;
using halvane::procedures::ProcedureDialogController;
using halvane::procedures::ProcedureDialogShell;

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A job that steps until it is aborted or told to finish.
int pollingBody(IProcDialog* host, const std::atomic<bool>& finish) {
    DoneGuard guard(host);
    host->SetRange(1000);
    while (!finish.load()) {
        CheckAbort(&host->RunningFlag());
        host->Step(1);
        sleepMs(1);
    }
    guard.Dismiss();
    host->Done(1);
    return 0;
}

class DialogProcedure : public ::testing::Test {
protected:
    void SetUp() override {
        platform::uiMessageQueue().discardAll();
        platform::SetUserPrompt(&prompt_);
    }
    void TearDown() override {
        platform::SetUserPrompt(nullptr);
        platform::uiMessageQueue().discardAll();
    }

    // The jobs run under the headless dialog with `tick` as the user, which
    // keeps what it showed when it ended.
    void useDialog(std::function<void(HeadlessProcedureDialog&)> tick = {}) {
        shell_ = [this, tick](ProcedureDialogController& c, platform::WindowHandle) {
            HeadlessProcedureDialog dialog(c);
            dialog.OnTick = tick;
            const int result = dialog.RunModal();
            status = dialog.StatusText();
            caption = dialog.CaptionText();
            progressHigh = dialog.ProgressHigh();
            progressPos = dialog.ProgressPos();
            startEnabled = dialog.StartEnabled();
            abortEnabled = dialog.AbortEnabled();
            state = c.State();
            return result;
        };
    }

    // Runs `job` under the progress dialog the test set up.
    int runJob(ScriptedJob& job) { return DoProcedure(&job, {}, nullptr, shell_); }

    platform::ScriptedUserPrompt prompt_;
    ProcedureDialogShell shell_;
    std::string status, caption;
    int progressHigh = -1, progressPos = -1, state = -1;
    bool startEnabled = true, abortEnabled = false;
};

}  // namespace

TEST_F(DialogProcedure, AJobOnItsWorkerCompletesWithOneAfterAllItsReports) {
    useDialog();
    std::thread::id bodyThread;
    ScriptedJob job(
        [&](ScriptedJob&, IProcDialog* h) {
            bodyThread = std::this_thread::get_id();
            DoneGuard guard(h);
            h->SetRange(5);
            for (int i = 0; i < 5; ++i) h->Step(1);
            h->SetDisplayString("Verifying measurements for position 1.");
            guard.Dismiss();
            h->Done(1);
            return 0;
        },
        "Calculation Procedure");
    EXPECT_EQ(runJob(job), 1);
    EXPECT_NE(bodyThread, std::this_thread::get_id());
    EXPECT_EQ(caption, "Calculation Procedure");
    EXPECT_EQ(status, "Verifying measurements for position 1.");
    EXPECT_EQ(progressHigh, 5);
    EXPECT_EQ(progressPos, 5);
    EXPECT_FALSE(startEnabled);
    EXPECT_TRUE(abortEnabled);
    EXPECT_EQ(state, 4);
    EXPECT_EQ(job.completedResult, 1);
    EXPECT_FALSE(job.completedError.has_value());
    EXPECT_EQ(job.Host(), nullptr);
    EXPECT_EQ(prompt_.askCount(), 0u);
}

// Every message the job queues reaches the dialog before its end, in order.
TEST_F(DialogProcedure, TextsAndProgressArriveBeforeTheEnd) {
    struct RecordingView final : halvane::procedures::ProcedureDialogView {
        std::vector<std::string> events;
        bool ended = false;
        int result = 0;
        void SetCaption(const std::string&) override {}
        void SetStatusText(const std::string& t) override { events.push_back("text " + t); }
        void SetProgressRange(int lo, int hi) override {
            events.push_back("range " + std::to_string(lo) + "-" + std::to_string(hi));
        }
        void SetProgressPos(int p) override { events.push_back("pos " + std::to_string(p)); }
        void EnableStart(bool) override {}
        void EnableAbort(bool) override {}
        void EndDialog(int r) override {
            events.push_back("end " + std::to_string(r));
            ended = true;
            result = r;
        }
    };
    std::vector<std::string> events;
    shell_ = [&](ProcedureDialogController& c, platform::WindowHandle) {
        RecordingView view;
        c.Attach(view);
        c.OnInitDialog();
        testsupport::AwaitOrFail(
            [&] {
                platform::DrainUiMessageQueue();
                return view.ended;
            },
            "the dialog to end");
        platform::DrainUiMessageQueue();  // anything after the end is recorded too
        c.Detach();
        events = view.events;
        return view.result;
    };
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
        DoneGuard guard(h);
        h->SetDisplayString("Initializing...");
        h->SetRange(2);
        h->Step(1);
        h->SetDisplayString("Measuring Movie Left Front at position 1");
        h->Step(1);
        halvane::diagnostics::ThrowErrorText("Could not find a valid Tessik processor.");
    });
    EXPECT_EQ(runJob(job), 2);
    const std::vector<std::string> expected = {
        "text  please wait...  ", "text Initializing...", "range 0-2", "pos 0", "pos 1",
        "text Measuring Movie Left Front at position 1", "pos 2", "end 2"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(job.completedError.value_or(""), "Could not find a valid Tessik processor.");
}

// The guard ended the dialog while the exception was still unwinding the
// body; the completion handler must still find the text, every time.
TEST_F(DialogProcedure, ThousandFailingRunsAllSeeTheirText) {
    useDialog();
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
        DoneGuard guard(h);
        h->SetDisplayString("Initializing...");
        halvane::diagnostics::ThrowErrorText("Failed to power on unit.");
    });
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(runJob(job), 2) << "run " << i;
        ASSERT_EQ(job.completedError.value_or(""), "Failed to power on unit.") << "run " << i;
    }
}

TEST_F(DialogProcedure, ALogicErrorEndsTheDialogWithTwoAndItsText) {
    useDialog();
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
        DoneGuard guard(h);
        throw std::logic_error("Can't get pair of invalid CSpkrs");
    });
    EXPECT_EQ(runJob(job), 2);
    EXPECT_EQ(job.completedError.value_or(""), "Can't get pair of invalid CSpkrs");
}

TEST_F(DialogProcedure, AbortAnsweredNoLetsTheJobRunOn) {
    std::atomic<bool> finish{false};
    int ticks = 0;
    bool asked = false;
    useDialog([&](HeadlessProcedureDialog& d) {
        if (++ticks == 3) {
            d.Controller().OnAbort();
            asked = true;
            EXPECT_EQ(d.Controller().State(), 4);
            EXPECT_TRUE(d.AbortEnabled());
            EXPECT_EQ(d.Controller().RunningFlag().load(), 1);
        } else if (asked && d.ProgressPos() >= 5) {
            finish = true;  // the job went on stepping after the No
        }
    });
    prompt_.answer(platform::IDNO);
    ScriptedJob job([&](ScriptedJob&, IProcDialog* h) { return pollingBody(h, finish); });
    EXPECT_EQ(runJob(job), 1);
    ASSERT_EQ(prompt_.askCount(), 1u);
    const auto ask = prompt_.asks().front();
    EXPECT_EQ(ask.text, "Are you sure you want to abort?");
    EXPECT_EQ(ask.caption, "Please confirm:");
    EXPECT_EQ(ask.flags & platform::MB_TYPEMASK, platform::MB_YESNO);
    EXPECT_TRUE(ask.owner);  // over the dialog
    EXPECT_EQ(state, 4);
    EXPECT_FALSE(job.completedError.has_value());
}

TEST_F(DialogProcedure, AbortAnsweredYesEndsTheJobWithTheAbortText) {
    std::atomic<bool> finish{false};
    std::string statusAfterYes;
    bool abortEnabledAfterYes = true;
    useDialog([&](HeadlessProcedureDialog& d) {
        if (d.ProgressPos() >= 2 && d.Controller().State() == 4) {
            d.Controller().OnAbort();
            statusAfterYes = d.StatusText();
            abortEnabledAfterYes = d.AbortEnabled();
            d.Controller().OnAbort();  // Escape again while aborting: not asked twice
        }
    });
    ScriptedJob job([&](ScriptedJob&, IProcDialog* h) { return pollingBody(h, finish); });
    for (int run = 0; run < 100; ++run) {
        prompt_.answer(platform::IDYES);
        ASSERT_EQ(runJob(job), 2) << "run " << run;
        ASSERT_EQ(job.completedError.value_or(""), "Procedure aborted\n") << "run " << run;
    }
    EXPECT_EQ(prompt_.askCount(), 100u);
    EXPECT_EQ(statusAfterYes, "Aborting... ");
    EXPECT_FALSE(abortEnabledAfterYes);
    EXPECT_EQ(state, 5);
}

// The job ends while the user is still reading the question: the dialog ends
// with the job's result once the question is answered, and a late Yes aborts
// nothing.
TEST_F(DialogProcedure, AJobThatEndsWhileTheConfirmationIsOpenKeepsItsResult) {
    class DrainingPrompt final : public platform::UserPrompt {
    public:
        std::function<bool()> answerWhen;
        int asked = 0;

    protected:
        int show(const std::string&, const std::string&, unsigned, platform::WindowHandle) override {
            ++asked;
            // The box's modal loop goes on draining the queue meanwhile.
            testsupport::AwaitOrFail(
                [&] {
                    platform::DrainUiMessageQueue();
                    return answerWhen();
                },
                "the moment to answer the confirmation");
            platform::DrainUiMessageQueue();
            return platform::IDYES;
        }
    } prompt;
    platform::SetUserPrompt(&prompt);

    std::atomic<bool> asking{false};
    useDialog([&](HeadlessProcedureDialog& d) {
        if (!asking.exchange(true)) d.Controller().OnAbort();
    });
    ScriptedJob* running = nullptr;
    ScriptedJob job([&](ScriptedJob&, IProcDialog* h) {
        DoneGuard guard(h);
        testsupport::AwaitOrFail([&] { return asking.load(); }, "the dialog to ask its confirmation");
        h->SetDisplayString("Measurement procedure is complete. Preprocessing measurements...");
        guard.Dismiss();
        h->Done(1);
        return 0;
    });
    running = &job;
    prompt.answerWhen = [&] { return !running->HasQueuedRuns(); };
    EXPECT_EQ(runJob(job), 1);
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_EQ(state, 4);  // the Yes came too late to abort anything
    EXPECT_FALSE(job.completedError.has_value());
}

// A dialog closed from outside while its job runs must not leave the job
// reporting to a host that has gone: the job is aborted and waited for.
TEST_F(DialogProcedure, ADialogEndedWithoutTheJobAbortsAndAwaitsIt) {
    std::atomic<bool> started{false};
    shell_ = [&](ProcedureDialogController& c, platform::WindowHandle) {
        HeadlessProcedureDialog dialog(c);
        dialog.OnTick = [&](HeadlessProcedureDialog& d) {
            if (started.load()) d.EndDialog(2);
        };
        return dialog.RunModal();
    };
    const std::atomic<bool> never{false};
    ScriptedJob job([&](ScriptedJob&, IProcDialog* h) {
        started = true;
        return pollingBody(h, never);
    });
    EXPECT_EQ(runJob(job), 2);
    EXPECT_FALSE(job.HasQueuedRuns());
    EXPECT_EQ(job.completedError.value_or(""), "Procedure aborted\n");
}

TEST_F(DialogProcedure, ASecondRunGetsAFreshWorker) {
    useDialog();
    std::vector<std::thread::id> threads;
    ScriptedJob job([&](ScriptedJob&, IProcDialog* h) {
        threads.push_back(std::this_thread::get_id());
        DoneGuard guard(h);
        guard.SetResult(1);
        return 0;
    });
    EXPECT_EQ(runJob(job), 1);
    EXPECT_EQ(runJob(job), 1);
    ASSERT_EQ(threads.size(), 2u);
    ASSERT_NE(job.GetWorker(), nullptr);
    EXPECT_TRUE(job.GetWorker()->IsRunning());  // the second worker waits for more
    EXPECT_EQ(job.completions, 2);
}

TEST_F(DialogProcedure, ReportsBeforeTheWindowExistsAndAfterItHasGoneAreIgnored) {
    ScriptedJob job([](ScriptedJob&, IProcDialog*) { return 0; });
    ProcedureDialogController dialog(job, "Processing", "");
    const auto queued = platform::uiMessageQueue().size();
    dialog.SetRange(10);
    dialog.SetPos(3);
    dialog.SetDisplayString("early");
    dialog.Done(1);
    EXPECT_EQ(platform::uiMessageQueue().size(), queued);
    EXPECT_EQ(dialog.Total(), 0);
    EXPECT_FALSE(dialog.GetHwnd());
    {
        HeadlessProcedureDialog view(dialog);
        EXPECT_TRUE(dialog.GetHwnd());
        dialog.SetRange(10);
        dialog.SetDisplayString("now");
        EXPECT_EQ(platform::uiMessageQueue().size(), queued + 3);  // range, position 0, text
        platform::DrainUiMessageQueue();
        EXPECT_EQ(view.ProgressHigh(), 10);
        EXPECT_EQ(view.StatusText(), "now");
        dialog.SetDisplayString("late, but queued while the window lived");
    }
    EXPECT_FALSE(dialog.GetHwnd());
    dialog.SetPos(4);
    EXPECT_EQ(platform::uiMessageQueue().size(), 1u);
    EXPECT_EQ(platform::DrainUiMessageQueue(), 1u);  // dropped at the send, no crash
}

// Without auto-start the dialog waits in its initial state for Start; a
// queued run-task message starts the procedure with its argument.
TEST_F(DialogProcedure, StartAndTheRunTaskMessageStartTheProcedure) {
    int initialState = -1;
    std::string initialStatus = "unset";
    bool startEnabledAtFirst = false;
    int argument = 0;
    int ticks = 0;
    shell_ = [&](ProcedureDialogController& c, platform::WindowHandle) {
        c.SetAutoStart(false);
        HeadlessProcedureDialog dialog(c);
        dialog.OnTick = [&](HeadlessProcedureDialog& d) {
            if (++ticks != 1) return;
            initialState = d.Controller().State();
            initialStatus = d.StatusText();
            startEnabledAtFirst = d.StartEnabled();
            halvane::diagnostics::Threading::PostWndMessage(d.Controller().GetHwnd(), halvane::diagnostics::messages::Id(halvane::diagnostics::messages::kRunTask),
                                      reinterpret_cast<std::uintptr_t>(&argument), 0);
        };
        return dialog.RunModal();
    };
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) {
        DoneGuard guard(h);
        guard.SetResult(1);
        return 0;
    });
    EXPECT_EQ(runJob(job), 1);
    EXPECT_EQ(initialState, 7);
    EXPECT_EQ(initialStatus, "");  // the initial state sets no text
    EXPECT_TRUE(startEnabledAtFirst);
    EXPECT_EQ(job.lastArgument, &argument);
}

// The modal progress dialog under the offscreen platform: its texts and
// buttons, the progress bar following the job, Escape and the close box
// asking before an abort, and a job's own question while it is open.
#include "GuiTestApp.h"
#include "halvane/app/CProcedureDialog.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/procedures/framework/CheckAbort.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "platform/UiMessageQueue.h"
#include "platform/qt/QtUserPrompt.h"
#include "platform/qt/UiMessagePump.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using halvane::app::CProcedureDialog;
using halvane::procedures::IProcDialog;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class Job final : public halvane::procedures::CProcBase {
public:
    explicit Job(std::function<int(IProcDialog*)> body, std::string title = "Processing") : body_(std::move(body)) {
        title_ = std::move(title);
    }
    int Run(void*) override { return body_(Host()); }
    void OnProcedureComplete(int result, const halvane::diagnostics::TException* lastError, platform::WindowHandle) override {
        completedResult = result;
        completedError = lastError != nullptr ? std::optional<std::string>(lastError->message()) : std::nullopt;
    }
    int completedResult = -100;
    std::optional<std::string> completedError;

private:
    std::function<int(IProcDialog*)> body_;
};

// A job that steps its bar until it is aborted or told to finish. Once the
// running flag is cleared it waits for `seen` before its poll ends it, so
// the test can look at the aborting dialog.
int steppingBody(IProcDialog* host, const std::atomic<bool>& finish, const std::atomic<bool>* seen = nullptr) {
    halvane::procedures::DoneGuard guard(host);
    host->SetRange(100000);
    while (!finish.load()) {
        if (seen != nullptr && host->RunningFlag().load() == 0)
            testsupport::AwaitOrFail([&] { return seen->load(); }, "the test to look at the aborting dialog");
        halvane::procedures::CheckAbort(&host->RunningFlag());
        host->Step(1);
        sleepMs(1);
    }
    guard.Dismiss();
    host->Done(1);
    return 0;
}

// What the user does while the dialog runs: `step` is called every few
// milliseconds with the open dialog (or null) and the active modal widget
// until it returns true. Each call runs from a zero-time shot of its own, so
// an action that opens a modal box (and returns only when it is answered)
// leaves the ticking timer free: the next calls run inside that box's loop.
class User {
public:
    explicit User(std::function<bool(CProcedureDialog*, QWidget*)> step) : step_(std::move(step)) {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QTimer::singleShot(0, &timer_, [this] {
                if (!timer_.isActive()) return;
                QWidget* modal = QApplication::activeModalWidget();
                auto* dialog = qobject_cast<CProcedureDialog*>(modal);
                if (dialog == nullptr && modal != nullptr)
                    dialog = qobject_cast<CProcedureDialog*>(modal->parentWidget());
                if (step_(dialog, modal)) timer_.stop();
            });
        });
        timer_.start();
    }

private:
    std::function<bool(CProcedureDialog*, QWidget*)> step_;
    QTimer timer_;
};

QMessageBox* openBox(QWidget* modal) { return qobject_cast<QMessageBox*>(modal); }

class ProcedureDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
    void SetUp() override {
        platform::uiMessageQueue().discardAll();
        pump_ = std::make_unique<platform::qt::UiMessagePump>();
        prompt_ = std::make_unique<platform::qt::QtUserPrompt>(QStringLiteral("Halvane"));
        platform::SetUserPrompt(prompt_.get());
        // A script that never matches fails its test instead of hanging it:
        // open boxes are answered No and running jobs are stopped.
        watchdog_.setInterval(60000);
        QObject::connect(&watchdog_, &QTimer::timeout, [] {
            ADD_FAILURE() << "the user script got stuck";
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible())
                    box->done(QMessageBox::No);
                if (auto* dialog = qobject_cast<CProcedureDialog*>(w))
                    dialog->Controller().RunningFlag().store(0);
            }
        });
        watchdog_.start();
    }
    void TearDown() override {
        watchdog_.stop();
        platform::SetUserPrompt(nullptr);
        prompt_.reset();
        pump_.reset();
        platform::uiMessageQueue().discardAll();
    }

    // Runs `job` under the program's dialog, as its jobs are run.
    static int runUnderDialog(Job& job) {
        return halvane::procedures::DoProcedure(&job, {}, nullptr, &halvane::app::RunProcedureDialog);
    }

    std::unique_ptr<platform::qt::UiMessagePump> pump_;
    std::unique_ptr<platform::qt::QtUserPrompt> prompt_;
    QTimer watchdog_;
};

}  // namespace

TEST_F(ProcedureDialogTest, ShowsTheRunningStateAndTheJobsTextsWhileTheBarFollowsTheJob) {
    std::atomic<int> phase{0};
    QString title, runningText, jobText;
    bool startEnabled = true, abortEnabled = false;
    int barAtHalf = -1, barMax = -1;
    User user([&](CProcedureDialog* d, QWidget*) {
        if (d == nullptr) return false;
        if (phase == 0) {
            title = d->windowTitle();
            runningText = d->StatusLabel()->text();
            startEnabled = d->StartButton()->isEnabled();
            abortEnabled = d->AbortButton()->isEnabled();
            phase = 1;  // let the job report
        } else if (phase == 2 && d->ProgressBar()->value() == 2) {
            jobText = d->StatusLabel()->text();
            barAtHalf = d->ProgressBar()->value();
            barMax = d->ProgressBar()->maximum();
            phase = 3;  // let it finish
            return true;
        }
        return false;
    });
    Job job(
        [&](IProcDialog* h) {
            halvane::procedures::DoneGuard guard(h);
            testsupport::AwaitOrFail([&] { return phase == 1; }, "the dialog's first look");
            h->SetDisplayString("Calculating Movie correction...");
            h->SetRange(4);
            h->Step(1);
            h->Step(1);
            phase = 2;
            testsupport::AwaitOrFail([&] { return phase == 3; }, "the dialog to show the half-way bar");
            h->Step(2);
            guard.Dismiss();
            h->Done(1);
            return 0;
        },
        "Calculation Procedure");
    EXPECT_EQ(runUnderDialog(job), 1);
    EXPECT_EQ(title, "Calculation Procedure");
    EXPECT_EQ(runningText, " please wait...  ");
    EXPECT_FALSE(startEnabled);
    EXPECT_TRUE(abortEnabled);
    EXPECT_EQ(jobText, "Calculating Movie correction...");
    EXPECT_EQ(barAtHalf, 2);
    EXPECT_EQ(barMax, 4);
    EXPECT_EQ(job.completedResult, 1);
}

TEST_F(ProcedureDialogTest, EscapeAsksBeforeAbortingAndNoLetsTheJobRunOn) {
    std::atomic<bool> finish{false};
    std::atomic<bool> seen{false};
    int step = 0;
    int valueAfterNo = -1;
    QString boxText, boxTitle, statusWhileAborting, statusAfterNo;
    bool abortEnabledWhileAborting = true;
    User user([&](CProcedureDialog* d, QWidget* modal) {
        if (d == nullptr) return false;
        QMessageBox* box = openBox(modal);
        switch (step) {
        case 0:  // Escape on the running dialog
            if (box != nullptr || d->ProgressBar()->value() < 2) return false;
            step = 1;
            QTest::keyClick(d, Qt::Key_Escape);  // returns once the box is answered
            return false;
        case 1:  // the question is open: No
            if (box == nullptr) return false;
            boxText = box->text();
            boxTitle = box->windowTitle();
            step = 2;
            box->button(QMessageBox::No)->click();
            return false;
        case 2:  // the job goes on; the dialog still runs
            if (box != nullptr) return false;
            if (valueAfterNo < 0) valueAfterNo = d->ProgressBar()->value();
            if (d->ProgressBar()->value() < valueAfterNo + 3) return false;
            statusAfterNo = d->StatusLabel()->text();
            step = 3;
            QTest::keyClick(d, Qt::Key_Escape);
            return false;
        case 3:  // this time Yes
            if (box == nullptr) return false;
            step = 4;
            box->button(QMessageBox::Yes)->click();
            return false;
        case 4:  // aborting: the dialog waits for the job's next poll
            if (box != nullptr || d->Controller().State() != 5) return false;
            statusWhileAborting = d->StatusLabel()->text();
            abortEnabledWhileAborting = d->AbortButton()->isEnabled();
            seen = true;
            return true;
        }
        return true;
    });
    Job job([&](IProcDialog* h) { return steppingBody(h, finish, &seen); });
    EXPECT_EQ(runUnderDialog(job), 2);
    EXPECT_EQ(step, 4);
    EXPECT_EQ(boxText, "Are you sure you want to abort?");
    EXPECT_EQ(boxTitle, "Please confirm:");
    EXPECT_EQ(statusAfterNo, " please wait...  ");
    EXPECT_EQ(statusWhileAborting, "Aborting... ");
    EXPECT_FALSE(abortEnabledWhileAborting);
    EXPECT_EQ(job.completedError.value_or(""), "Procedure aborted\n");
}

TEST_F(ProcedureDialogTest, TheCloseBoxAndTheAbortButtonAskToo) {
    for (const bool viaCloseBox : {true, false}) {
        SCOPED_TRACE(viaCloseBox ? "close box" : "Abort button");
        std::atomic<bool> finish{false};
        bool requested = false;
        bool asked = false;
        bool visibleWhileAsked = false;
        User user([&](CProcedureDialog* d, QWidget* modal) {
            if (d == nullptr) return false;
            if (QMessageBox* box = openBox(modal)) {
                asked = true;
                visibleWhileAsked = d->isVisible();
                box->button(QMessageBox::Yes)->click();
                return true;
            }
            if (!requested && d->ProgressBar()->value() >= 1) {
                requested = true;
                if (viaCloseBox)
                    d->close();
                else
                    d->AbortButton()->click();
            }
            return false;
        });
        Job job([&](IProcDialog* h) { return steppingBody(h, finish); });
        EXPECT_EQ(runUnderDialog(job), 2);
        EXPECT_TRUE(asked);
        EXPECT_TRUE(visibleWhileAsked);  // the close box did not close it
        EXPECT_EQ(job.completedError.value_or(""), "Procedure aborted\n");
    }
}

// A job's own question (asked from its worker) is shown over the dialog and
// answered while the dialog keeps running; its failure ends the dialog.
TEST_F(ProcedureDialogTest, AJobsQuestionIsAnsweredWhileTheDialogRuns) {
    QString question;
    User user([&](CProcedureDialog*, QWidget* modal) {
        QMessageBox* box = openBox(modal);
        if (box == nullptr) return false;
        question = box->text();
        box->button(QMessageBox::No)->click();
        return true;
    });
    Job job([](IProcDialog* h) -> int {
        halvane::procedures::DoneGuard guard(h);
        h->SetDisplayString("Measuring Movie Center at position 1");
        const int answer = platform::CurrentUserPrompt().MessageBox(
            "Measurement failed.\r\n\r\nWould you like to repeat the last measurement?", "", platform::MB_YESNO,
            h->GetHwnd());
        if (answer != platform::IDYES) halvane::diagnostics::ThrowError("%s, User abort", "Measurement failed.");
        guard.Dismiss();
        h->Done(1);
        return 0;
    });
    EXPECT_EQ(runUnderDialog(job), 2);
    EXPECT_TRUE(question.startsWith("Measurement failed."));
    EXPECT_EQ(job.completedError.value_or(""), "Measurement failed., User abort");
}

// A windowed program that hands its jobs no dialog still runs them: the
// headless dialog waits through the event pump, so the job's question is
// shown and answered rather than left hanging.
TEST_F(ProcedureDialogTest, WithoutTheDialogInstalledTheHeadlessOneKeepsTheInterfaceAlive) {
    bool answered = false;
    User user([&](CProcedureDialog*, QWidget* modal) {
        QMessageBox* box = openBox(modal);
        if (box == nullptr) return false;
        answered = true;
        box->button(QMessageBox::Yes)->click();
        return true;
    });
    Job job([](IProcDialog* h) {
        halvane::procedures::DoneGuard guard(h);
        const int answer = platform::CurrentUserPrompt().MessageBox("Continue?", "", platform::MB_YESNO);
        guard.SetResult(answer == platform::IDYES ? 1 : 2);
        return 0;
    });
    EXPECT_EQ(halvane::procedures::DoProcedure(&job, {}, nullptr), 1);
    EXPECT_TRUE(answered);
}

// The processor's power waits count nothing for most of a minute: the bar
// animates through them (Qt's busy bar is a range of 0 to 0), follows the
// next range the job counts, and animates again once that range is full and
// the job moves on, and while an abort is under way.
TEST_F(ProcedureDialogTest, TheBarIsBusyWhileTheJobWaitsUncountedAndFollowsEachCountedPhase) {
    std::atomic<int> phase{0};
    std::vector<std::string> seen;
    const auto look = [&](CProcedureDialog* d) {
        // What the job posted before handing over reaches the bar first: the
        // pump's own timer may not have run yet on a busy machine.
        platform::DrainUiMessageQueue();
        QProgressBar* bar = d->ProgressBar();
        seen.push_back(bar->maximum() == 0 ? "busy" : std::to_string(bar->value()) + "/" + std::to_string(bar->maximum()));
    };
    User user([&](CProcedureDialog* d, QWidget* modal) {
        if (d == nullptr) return false;
        if (QMessageBox* box = openBox(modal)) {
            box->button(QMessageBox::Yes)->click();
            return false;
        }
        if (phase == 1 || phase == 3 || phase == 5) {
            look(d);
            ++phase;
        } else if (phase == 7) {
            look(d);
            phase = 8;
            QTest::mouseClick(d->AbortButton(), Qt::LeftButton);
        } else if (phase == 9) {
            look(d);
            phase = 10;
            return true;
        }
        return false;
    });
    Job job([&](IProcDialog* h) {
        halvane::procedures::DoneGuard guard(h);
        const auto handOver = [&](int next) {
            phase = next;
            testsupport::AwaitOrFail([&] { return phase != next; }, "the dialog's side of the hand-over");
        };
        h->SetDisplayString("Powering on unit.");
        handOver(1);
        h->SetRange(4);
        h->Step(1);
        handOver(3);
        h->Step(3);
        h->SetDisplayString("Done powering on unit.");
        handOver(5);
        h->SetRange(2);
        handOver(7);
        testsupport::AwaitOrFail([&] { return h->RunningFlag().load() == 0; }, "Abort to clear the running flag");
        handOver(9);
        halvane::procedures::CheckAbort(&h->RunningFlag());
        return 0;
    });
    EXPECT_EQ(runUnderDialog(job), 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"busy", "1/4", "busy", "0/2", "busy"}));
}

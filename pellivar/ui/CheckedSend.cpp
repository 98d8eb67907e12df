#include "pellivar/ui/CheckedSend.h"

#include "pellivar/ReadBack.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CWaitTimeDlg.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>

namespace pellivar::ui {

namespace {

// End markers after each read-back batch: a byte lost in one of them leaves
// the others.
constexpr int kCheckMarkers = 3;

// The dialog closes at its first end marker's reply; the batch's other
// markers are still on their way. Their replies must not close the next
// batch's dialog: wait until the queue is sent and every query answered. A
// reply lost on the way is asked for again by the communicator, which calls
// the line lost only when the unit stays silent to that too, so the wait
// ends either way.
void WaitForQuietLine(CPellivarApp& app) {
    CTessikCommunicator& comm = app.GetCommunicator();
    const auto done = [&] {
        return !comm.GetPort().IsConnected() || (comm.QueuedCommands() == 0 && comm.QueriesAwaitingReply() == 0);
    };
    if (done()) return;
    // Queued replies are delivered meanwhile.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    loop.exec();
}

}  // namespace

bool RunBatch(CPellivarApp& app, QWidget* parent, int pause, const QString& text, const std::function<bool()>& queue,
              CheckedSendOutcome& outcome, int markers) {
    CTessikCommunicator& comm = app.GetCommunicator();
    if (!comm.GetPort().IsConnected()) {
        outcome.lost = true;
        return false;
    }
    comm.LockSection();
    comm.SetSendPauseFactor(pause);
    bool arrived = false;
    {
        CWaitTimeDlg dialog(app, parent);
        dialog.AdoptSectionLock();
        if (!queue()) {
            // Nothing of a half-queued batch goes out; the dialog's end
            // releases the section.
            comm.ClearQueue();
            comm.SetSendPauseFactor(0);
            return false;
        }
        for (int i = 0; i < markers; ++i) dialog.QueueEndMarker();
        dialog.SetText(text);
        dialog.exec();
        arrived = dialog.MarkerArrived();
        if (arrived) {
            // No dialog holds the window meanwhile: nothing may start a
            // second exchange.
            QWidget* window = parent != nullptr ? parent->window() : nullptr;
            if (window != nullptr) window->setEnabled(false);
            WaitForQuietLine(app);
            if (window != nullptr) window->setEnabled(true);
        }
        if (!arrived) {
            if (dialog.ConnectionLost() || !comm.GetPort().IsConnected()) outcome.lost = true;
            else outcome.aborted = true;
            outcome.sent = dialog.Sent();
            outcome.total = dialog.Total();
        }
    }
    comm.SetSendPauseFactor(0);
    return arrived;
}

CheckedSendOutcome CheckWhatWasSent(CPellivarApp& app, QWidget* parent, ReadBack& check, int queryPause,
                                    int resendPause) {
    CheckedSendOutcome outcome;
    for (int round = 0;; ++round) {
        if (!RunBatch(app, parent, queryPause, "Please wait.... Checking data....",
                      [&] { return check.QueueQueries() > 0; }, outcome, kCheckMarkers))
            break;
        check.Settle();
        if (check.Outstanding() == 0 || round == ReadBack::kMaxResends) break;
        if (!RunBatch(app, parent, resendPause, "Please wait.... Sending again....",
                      [&] { return check.QueueResends() > 0; }, outcome, kCheckMarkers))
            break;
    }
    check.Settle();
    outcome.report = check.Report();
    return outcome;
}

void AskAgain(CPellivarApp& app, QWidget* parent, ReadBack& check, int pause, CheckedSendOutcome& outcome) {
    for (int round = 0; round < ReadBack::kMaxResends && check.Outstanding() > 0; ++round) {
        const bool arrived = RunBatch(app, parent, pause, "Please wait.... Asking again....",
                                      [&] { return check.QueueQueries() > 0; }, outcome, kCheckMarkers);
        check.Settle();
        if (!arrived) return;
    }
}

void ShowCheckedSendOutcome(const CheckedSendOutcome& outcome, const std::string& what) {
    if (outcome.report.empty()) return;
    std::string text = what;
    if (outcome.lost) text += " was cut short: the connection to the unit was lost.\n";
    else if (outcome.aborted) text += " was stopped before the unit confirmed it.\n";
    else text += " ended, but the unit did not take every value.\n";
    ShowErrorBox(text + outcome.report);
}

}  // namespace pellivar::ui

#include "pellivar/ui/CheckedSend.h"

#include "pellivar/ReadBack.h"
#include "pellivar/UnitCommands.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CWaitTimeDlg.h"
#include "pellivar/ui/MessageBoxes.h"
#include "platform/Deadline.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace pellivar::ui {

namespace {

// How often a last query whose reply was lost is followed by one more end
// marker, whose reply settles it.
constexpr int kSettleMarkers = 3;
// End markers after each read-back batch: a byte lost in one of them leaves
// the others.
constexpr int kCheckMarkers = 3;

// The dialog closes at its first end marker's reply; the batch's other
// markers are still on their way. Their replies must not close the next
// batch's dialog, and a last query left unanswered would make the line look
// dead once its reply limit passes: wait until the queue is sent and every
// query answered, following a lost last reply with one more marker.
void WaitForQuietLine(CPellivarApp& app) {
    CTessikCommunicator& comm = app.GetCommunicator();
    platform::Clock& clock = comm.GetPort().clock();
    const auto quiet = [&] { return comm.QueuedCommands() == 0 && comm.QueriesAwaitingReply() == 0; };
    for (int extra = 0; comm.GetPort().IsConnected() && !quiet(); ++extra) {
        QEventLoop loop;
        QTimer poll;
        // Queued replies are delivered meanwhile; half the reply limit after
        // the queue is sent, a reply still missing is lost.
        std::optional<platform::Deadline> sentAt;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!comm.GetPort().IsConnected() || quiet()) loop.quit();
            else if (comm.QueuedCommands() != 0) sentAt.reset();
            else if (!sentAt) sentAt.emplace(clock, comm.ReplyLimitMs() / 2);
            else if (sentAt->expired()) loop.quit();
        });
        poll.start(5);
        loop.exec();
        if (extra == kSettleMarkers || quiet() || !comm.GetPort().IsConnected()) break;
        app.UpdateUnitWithString(UnitCommands::EndMarker().BuildQuery());
    }
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

void ShowCheckedSendOutcome(const CheckedSendOutcome& outcome, const std::string& what) {
    if (outcome.report.empty()) return;
    std::string text = what;
    if (outcome.lost) text += " was cut short: the connection to the unit was lost.\n";
    else if (outcome.aborted) text += " was stopped before the unit confirmed it.\n";
    else text += " ended, but the unit did not take every value.\n";
    ShowErrorBox(text + outcome.report);
}

}  // namespace pellivar::ui

#pragma once

#include <functional>
#include <string>

class QString;
class QWidget;

namespace pellivar {
class ReadBack;
}  // namespace pellivar

namespace pellivar::ui {

class CPellivarApp;

// The end of a bulk send (Load, Advanced Upload): what was sent is read back
// with the program's own queries, what came back different or not at all is
// sent again and read back, at most ReadBack::kMaxResends times, each batch
// behind the "Exchanging Data" dialog. A clean line costs the one read-back.
struct CheckedSendOutcome {
    bool lost = false;     // the connection went meanwhile
    bool aborted = false;  // the user closed a dialog before its batch's end
    std::string report;    // empty when the unit holds everything sent
    int sent = 0;          // of a batch cut short: its commands sent...
    int total = 0;         // ...and in all
};

// Runs one batch behind the dialog at the given pause: `queue` queues it
// while the worker is held, then `markers` end markers follow. A batch that
// could not be queued whole (`queue` gives false) is dropped unsent. True
// when the batch's end marker came back.
bool RunBatch(CPellivarApp& app, QWidget* parent, int pause, const QString& text, const std::function<bool()>& queue,
              CheckedSendOutcome& outcome, int markers = 1);

// The read-back rounds after a batch sent with RunBatch.
CheckedSendOutcome CheckWhatWasSent(CPellivarApp& app, QWidget* parent, ReadBack& check, int queryPause,
                                    int resendPause);

// The rounds after a retrieval (Get): what did not come back is asked
// again, at most ReadBack::kMaxResends times.
void AskAgain(CPellivarApp& app, QWidget* parent, ReadBack& check, int pause, CheckedSendOutcome& outcome);

// The box for an outcome that is not clean; nothing when it is.
void ShowCheckedSendOutcome(const CheckedSendOutcome& outcome, const std::string& what);

}  // namespace pellivar::ui

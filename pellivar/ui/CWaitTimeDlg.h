#pragma once

#include "pellivar/SHItem.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class QLabel;
class QProgressBar;
class QTimer;

namespace pellivar::ui {

class CPellivarApp;

// "Exchanging Data": runs while a bulk exchange is sent and closes when the
// reply to its end marker ("fT?j", reply key "fTj") arrives; "Abort" closes
// it too (the queued commands are still sent). It shows how many of the
// batch's commands have been sent.
//
// The marker is also one of the queries of a full retrieval (source 16's
// input offset), and a marker asked again by the communicator may be
// answered twice, the second time while the next batch's dialog runs: a
// reply with the marker's key closes the dialog only once the communicator
// has seen the reply to one of this dialog's own markers (by their numbers
// in the queue), the batch's end.
//
// The caller takes the communicator's section before queuing the batch and
// hands it to the dialog, which releases it once it is showing and has
// subscribed its marker, so the worker never starts a half-queued batch and
// the marker's reply cannot be missed. The marker item is one-shot and
// counts one delivery for the dialog's life; late markers (an upload queues
// five) reach nothing once the dialog is gone. A connection lost meanwhile
// closes the dialog (the main window says what was lost).
class CWaitTimeDlg final : public QDialog, private ReplyWindow {
    Q_OBJECT
public:
    CWaitTimeDlg(CPellivarApp& app, QWidget* parent = nullptr);
    ~CWaitTimeDlg() override;

    // Takes the section the caller already holds.
    void AdoptSectionLock() { holdsLock_ = true; }
    void QueueEndMarker();
    void SetText(const QString& text);
    QString Text() const;
    QString ProgressText() const;
    bool MarkerArrived() const { return arrived_; }
    bool ConnectionLost() const { return lost_; }
    // Commands of the batch sent so far, and in all.
    int Sent() const { return sent_; }
    int Total() const { return total_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnControlRequestCompleted(const std::string& reply) override;
    void ReleaseSection();
    void UpdateProgress();

    CPellivarApp& app_;
    std::shared_ptr<SHItem> item_;
    QLabel* text_;
    QLabel* progressText_;
    QProgressBar* progress_;
    QTimer* timer_;
    bool subscribed_ = false;
    bool holdsLock_ = false;
    bool arrived_ = false;
    bool lost_ = false;
    std::uint64_t firstMarker_ = 0;  // the queue's number of the first own marker; 0 while none
    std::uint64_t writtenBefore_ = 0;
    int sent_ = 0;
    int total_ = 0;
};

}  // namespace pellivar::ui

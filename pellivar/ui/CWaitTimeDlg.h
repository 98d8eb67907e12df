#pragma once

#include "pellivar/SHItem.h"

#include <QDialog>

#include <memory>

class QLabel;

namespace pellivar {

class CPellivarApp;

// "Exchanging Data": runs while a bulk exchange is sent and closes when the
// reply to its end marker ("fT?j", reply key "fTj") arrives; "Abort" closes
// it too (the queued commands are still sent).
//
// The caller takes the communicator's section before queuing the batch and
// hands it to the dialog, which releases it once it is showing and has
// subscribed its marker, so the worker never starts a half-queued batch and
// the marker's reply cannot be missed. The marker item is one-shot and
// counts one delivery for the dialog's life; late markers (an upload queues
// five) reach nothing once the dialog is gone.
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
    bool MarkerArrived() const { return arrived_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnControlRequestCompleted(const std::string& reply) override;
    void ReleaseSection();

    CPellivarApp& app_;
    std::shared_ptr<SHItem> item_;
    QLabel* text_;
    bool subscribed_ = false;
    bool holdsLock_ = false;
    bool arrived_ = false;
};

}  // namespace pellivar

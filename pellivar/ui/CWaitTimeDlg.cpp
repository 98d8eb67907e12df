#include "pellivar/ui/CWaitTimeDlg.h"

#include "pellivar/UnitCommands.h"
#include "pellivar/ui/CPellivarApp.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <mutex>

namespace pellivar {

CWaitTimeDlg::CWaitTimeDlg(CPellivarApp& app, QWidget* parent)
    : QDialog(parent), app_(app), text_(new QLabel(this)) {
    setWindowTitle("Exchanging Data");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    text_->setObjectName("text1059");
    text_->setMinimumWidth(260);
    layout->addWidget(text_);
    auto* abort = new QPushButton("Abort", this);
    layout->addWidget(abort);
    connect(abort, &QPushButton::clicked, this, &QDialog::reject);
    item_ = std::make_shared<SHItem>(UnitCommands::EndMarker().ReplyKey(), static_cast<ReplyWindow*>(this), true);
    item_->AddPending();
}

CWaitTimeDlg::~CWaitTimeDlg() {
    ReleaseSection();
    item_->Detach();
    auto& list = *app_.GetCommunicator().Subscriptions();
    std::lock_guard lock(list.Lock());
    item_->ReleasePending(list);
}

void CWaitTimeDlg::QueueEndMarker() { app_.UpdateUnitWithString(UnitCommands::EndMarker().BuildQuery()); }

void CWaitTimeDlg::SetText(const QString& text) { text_->setText(text); }
QString CWaitTimeDlg::Text() const { return text_->text(); }

void CWaitTimeDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!subscribed_) {
        subscribed_ = true;
        app_.GetCommunicator().Subscribe(item_);
    }
    ReleaseSection();
}

void CWaitTimeDlg::ReleaseSection() {
    if (!holdsLock_) return;
    holdsLock_ = false;
    app_.GetCommunicator().UnlockSection();
}

void CWaitTimeDlg::OnControlRequestCompleted(const std::string&) {
    arrived_ = true;
    accept();
}

}  // namespace pellivar

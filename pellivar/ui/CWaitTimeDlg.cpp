#include "pellivar/ui/CWaitTimeDlg.h"

#include "pellivar/UnitCommands.h"
#include "pellivar/ui/CPellivarApp.h"
#include "platform/qt/TitleFit.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace pellivar::ui {

CWaitTimeDlg::CWaitTimeDlg(CPellivarApp& app, QWidget* parent)
    : QDialog(parent), app_(app), text_(new QLabel(this)), progressText_(new QLabel(this)),
      progress_(new QProgressBar(this)), timer_(new QTimer(this)) {
    setWindowTitle("Exchanging Data");
    platform::qt::FitTitle(*this);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    text_->setObjectName("text1059");
    text_->setMinimumWidth(260);
    layout->addWidget(text_);
    progress_->setObjectName("progress");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    layout->addWidget(progress_);
    progressText_->setObjectName("progressText");
    layout->addWidget(progressText_);
    auto* abort = new QPushButton("Abort", this);
    layout->addWidget(abort);
    connect(abort, &QPushButton::clicked, this, &QDialog::reject);
    connect(timer_, &QTimer::timeout, this, &CWaitTimeDlg::UpdateProgress);
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

void CWaitTimeDlg::QueueEndMarker() {
    CTessikCommunicator& comm = app_.GetCommunicator();
    const std::uint64_t before = comm.CommandsQueued();
    app_.UpdateUnitWithString(UnitCommands::EndMarker().BuildQuery());
    // Commands are queued on this thread only; a marker dropped unsent gets no number.
    if (firstMarker_ == 0 && comm.CommandsQueued() > before) firstMarker_ = comm.CommandsQueued();
}

void CWaitTimeDlg::SetText(const QString& text) { text_->setText(text); }
QString CWaitTimeDlg::Text() const { return text_->text(); }
QString CWaitTimeDlg::ProgressText() const { return progressText_->text(); }

void CWaitTimeDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!subscribed_) {
        subscribed_ = true;
        CTessikCommunicator& comm = app_.GetCommunicator();
        comm.Subscribe(item_);
        writtenBefore_ = comm.CommandsWritten();
        total_ = static_cast<int>(comm.QueuedCommands());
        progress_->setRange(0, std::max(1, total_));
        UpdateProgress();
        timer_->start(100);
    }
    ReleaseSection();
}

void CWaitTimeDlg::ReleaseSection() {
    if (!holdsLock_) return;
    holdsLock_ = false;
    app_.GetCommunicator().UnlockSection();
}

void CWaitTimeDlg::UpdateProgress() {
    CTessikCommunicator& comm = app_.GetCommunicator();
    sent_ = static_cast<int>(std::min<std::uint64_t>(comm.CommandsWritten() - writtenBefore_,
                                                     static_cast<std::uint64_t>(total_)));
    progress_->setValue(sent_);
    progressText_->setText(QString("%1 of %2 commands sent").arg(sent_).arg(total_));
    if (!comm.GetPort().IsConnected() && isVisible()) {
        lost_ = true;
        timer_->stop();
        reject();
    }
}

void CWaitTimeDlg::OnControlRequestCompleted(const std::string&) {
    // The communicator has judged the line before it is delivered here.
    if (arrived_ || firstMarker_ == 0 || app_.GetCommunicator().AnsweredThrough() < firstMarker_) return;
    arrived_ = true;
    timer_->stop();
    UpdateProgress();
    accept();
}

}  // namespace pellivar::ui

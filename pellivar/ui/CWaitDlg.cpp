#include "pellivar/ui/CWaitDlg.h"

#include "pellivar/CBasicTessikPort.h"
#include "platform/qt/TitleFit.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace pellivar::ui {

CWaitDlg::CWaitDlg(CBasicTessikPort& port, QWidget* parent)
    : QDialog(parent), port_(port), text_(new QLabel("Please wait.... finding unit....", this)),
      progressText_(new QLabel(this)), progress_(new QProgressBar(this)), timer_(new QTimer(this)) {
    setWindowTitle("Pellivar");
    platform::qt::FitTitle(*this);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    progress_->setObjectName("progress");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    layout->addWidget(progress_);
    progressText_->setObjectName("progressText");
    layout->addWidget(progressText_);
    setMinimumWidth(320);
    connect(timer_, &QTimer::timeout, this, &CWaitDlg::UpdateProgress);
}

QString CWaitDlg::Text() const { return text_->text(); }
QString CWaitDlg::ProgressText() const { return progressText_->text(); }
int CWaitDlg::ProgressValue() const { return progress_->value(); }

void CWaitDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    progressText_->clear();
    progress_->setRange(0, 1);
    progress_->setValue(0);
    timer_->start(100);
}

void CWaitDlg::hideEvent(QHideEvent* event) {
    timer_->stop();
    QDialog::hideEvent(event);
}

void CWaitDlg::UpdateProgress() {
    const CBasicTessikPort::SearchProgress p = port_.GetSearchProgress();
    if (p.port == 0 || p.speeds == 0) return;
    progress_->setRange(0, p.speeds);
    progress_->setValue(p.speedsTried);
    if (p.speeds > 1)
        progressText_->setText(QString("Trying COM%1 at %2 baud (speed %3 of %4)")
                                   .arg(p.port).arg(p.baud).arg(p.speedsTried).arg(p.speeds));
    else
        progressText_->setText(QString("Trying COM%1 at %2 baud").arg(p.port).arg(p.baud));
}

}  // namespace pellivar::ui

#include "halvane/app/CProcedureDialog.h"

#include "halvane/app/CoreText.h"
#include "platform/qt/QtUserPrompt.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvane::app {

CProcedureDialog::CProcedureDialog(procedures::ProcedureDialogController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller), status_(new QLabel(this)), progress_(new JobProgressBar(this)),
      start_(new QPushButton(tr("Start"), this)), abort_(new QPushButton(tr("Abort"), this)) {
    setWindowTitle(tr("Procedure"));
    setModal(true);
    status_->setObjectName(QStringLiteral("status"));
    status_->setMinimumWidth(360);
    status_->setWordWrap(true);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setTextVisible(false);
    start_->setObjectName(QStringLiteral("start"));
    abort_->setObjectName(QStringLiteral("abort"));
    // Return must not press a button: Start is meaningless once running, and
    // an abort is only ever asked for on purpose.
    start_->setAutoDefault(false);
    abort_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(abort_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, [this] { controller_.OnStart(); });
    connect(abort_, &QPushButton::clicked, this, [this] { controller_.OnAbort(); });

    controller_.Attach(*this, this, progress_);
}

CProcedureDialog::~CProcedureDialog() { controller_.Detach(); }

int CProcedureDialog::RunModal() {
    controller_.OnInitDialog();
    if (controller_.Ended()) return controller_.EndResult();
    return exec();
}

void CProcedureDialog::SetCaption(const std::string& caption) { setWindowTitle(CoreText(caption)); }

void CProcedureDialog::SetStatusText(const std::string& text) { status_->setText(CoreText(text)); }

void CProcedureDialog::SetProgressRange(int low, int high) { progress_->SetJobRange(low, high); }

void CProcedureDialog::SetProgressPos(int position) { progress_->SetJobPos(position); }

void CProcedureDialog::SetProgressBusy(bool busy) { progress_->SetBusy(busy); }

void CProcedureDialog::EnableStart(bool enabled) { start_->setEnabled(enabled); }

void CProcedureDialog::EnableAbort(bool enabled) { abort_->setEnabled(enabled); }

void CProcedureDialog::EndDialog(int result) { done(result); }

void CProcedureDialog::reject() { controller_.OnAbort(); }

void CProcedureDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    controller_.OnAbort();
}

int RunProcedureDialog(procedures::ProcedureDialogController& controller, platform::WindowHandle parent) {
    CProcedureDialog dialog(controller, platform::qt::WidgetOf(parent));
    return dialog.RunModal();
}

}  // namespace halvane::app

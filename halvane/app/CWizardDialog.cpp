#include "halvane/app/CWizardDialog.h"

#include "halvane/app/CoreText.h"
#include "halvane/app/CAboutDlg.h"
#include "halvane/app/BCheck.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace halvane::app {

CWizardDialog::CWizardDialog(procedures::WizardDialogController::Environment environment, QWidget* parent)
    : QDialog(parent), controller_(std::move(environment)), status_(new QLabel(this)),
      progress_(new JobProgressBar(this)), start_(new QPushButton(tr("Start"), this)),
      abort_(new QPushButton(tr("Abort stage"), this)), about_(new QPushButton(tr("About..."), this)),
      proceedCheck_(new CustomControls::BCheck(1078, tr("Automatically proceed to the next step"), this)),
      saveCheck_(new CustomControls::BCheck(1079, tr("Save progress after each step"), this)) {
    setModal(true);
    setObjectName(QStringLiteral("wizard"));
    status_->setObjectName(QStringLiteral("idc_1035"));
    status_->setMinimumWidth(380);
    status_->setMinimumHeight(40);
    status_->setWordWrap(true);
    progress_->setObjectName(QStringLiteral("idc_1057"));
    progress_->setTextVisible(false);
    start_->setObjectName(QStringLiteral("idc_1033"));
    abort_->setObjectName(QStringLiteral("idc_1034"));
    about_->setObjectName(QStringLiteral("about"));
    // Return must not start or abort anything by accident.
    for (QPushButton* button : {start_, abort_, about_}) button->setAutoDefault(false);
    proceedCheck_->bind(&proceed_, 0);
    saveCheck_->bind(&save_, 0);

    auto* stepsBox = new QGroupBox(this);
    auto* stepsLayout = new QHBoxLayout(stepsBox);
    const char* names[3] = {"Measure", "Calculate", "Upload"};
    for (int i = 0; i < 3; ++i) {
        steps_[i] = new QCheckBox(tr(names[i]), stepsBox);
        steps_[i]->setObjectName(QStringLiteral("idc_%1").arg(1075 + i));
        stepsLayout->addWidget(steps_[i]);
        // The boxes show the wizard's progress; a click puts them back.
        connect(steps_[i], &QCheckBox::clicked, this, [this] { controller_.OnStepBoxClicked(); });
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(about_);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(abort_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stepsBox);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addWidget(proceedCheck_);
    layout->addWidget(saveCheck_);
    layout->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, [this] { controller_.OnStart(); });
    connect(abort_, &QPushButton::clicked, this, [this] { controller_.OnAbortStage(); });
    // The main window's About box, here where the wizard has no menu.
    connect(about_, &QPushButton::clicked, this, [this] {
        CAboutDlg about(this);
        about.exec();
    });

    controller_.Attach(*this, this);
}

CWizardDialog::~CWizardDialog() { controller_.Detach(); }

int CWizardDialog::RunModal() {
    controller_.OnInitDialog();
    if (controller_.Ended()) return controller_.EndResult();
    return exec();
}

void CWizardDialog::SetCaption(const std::string& caption) { setWindowTitle(CoreText(caption)); }

void CWizardDialog::SetStatusText(const std::string& text) { status_->setText(CoreText(text)); }

void CWizardDialog::SetProgressRange(int low, int high) { progress_->SetJobRange(low, high); }

void CWizardDialog::SetProgressPos(int position) { progress_->SetJobPos(position); }

void CWizardDialog::SetProgressBusy(bool busy) { progress_->SetBusy(busy); }

void CWizardDialog::EnableStart(bool enabled) { start_->setEnabled(enabled); }

void CWizardDialog::EnableAbort(bool enabled) { abort_->setEnabled(enabled); }

void CWizardDialog::EnableOptions(bool enabled) {
    proceedCheck_->setEnabled(enabled);
    saveCheck_->setEnabled(enabled);
}

void CWizardDialog::SetOptions(bool proceed, bool save) {
    proceed_ = proceed;
    save_ = save;
    proceedCheck_->ShowValue();
    saveCheck_->ShowValue();
}

void CWizardDialog::SetStepBoxes(bool measured, bool calculated, bool uploaded) {
    steps_[0]->setChecked(measured);
    steps_[1]->setChecked(calculated);
    steps_[2]->setChecked(uploaded);
}

void CWizardDialog::EndDialog(int result) {
    ending_ = true;
    done(result);
}

void CWizardDialog::reject() {
    if (ending_) {
        QDialog::reject();
        return;
    }
    controller_.OnCloseRequest();
}

void CWizardDialog::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    event->ignore();
    controller_.OnCloseRequest();
}

}  // namespace halvane::app

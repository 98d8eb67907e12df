#pragma once

#include "halvane/app/JobProgressBar.h"
#include "halvane/procedures/wizard/WizardDialogController.h"

#include <QDialog>

class QCheckBox;
class QCloseEvent;
class QLabel;
class QPushButton;

namespace halvane::app::CustomControls {
class BCheck;
}

namespace halvane::app {

// The room-correction wizard (dialog 102): a status text, a progress bar,
// Start and "Abort stage", the options "Automatically proceed to the next
// step" and "Save progress after each step", the three step boxes and
// "About...". Its logic, and the host of the jobs its steps run, is the
// controller's. Escape and the close box ask to abort a running step and
// close once it has stopped.
class CWizardDialog final : public QDialog, public procedures::WizardView {
    Q_OBJECT
public:
    CWizardDialog(procedures::WizardDialogController::Environment environment, QWidget* parent = nullptr);
    ~CWizardDialog() override;

    // Initialises the dialog and runs it modally; 1 for "Show Results", 2
    // otherwise.
    int RunModal();

    procedures::WizardDialogController& Controller() { return controller_; }
    QLabel* StatusLabel() const { return status_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* AbortButton() const { return abort_; }
    QPushButton* AboutButton() const { return about_; }
    CustomControls::BCheck* ProceedCheck() const { return proceedCheck_; }
    CustomControls::BCheck* SaveCheck() const { return saveCheck_; }
    QCheckBox* StepBox(int step) const { return steps_[step]; }
    QProgressBar* ProgressBar() const { return progress_; }

    void SetCaption(const std::string& caption) override;
    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    void SetProgressBusy(bool busy) override;
    void EnableStart(bool enabled) override;
    void EnableAbort(bool enabled) override;
    void EnableOptions(bool enabled) override;
    void SetOptions(bool proceed, bool save) override;
    bool ProceedOption() const override { return proceed_; }
    bool SaveOption() const override { return save_; }
    void SetStepBoxes(bool measured, bool calculated, bool uploaded) override;
    void EndDialog(int result) override;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    procedures::WizardDialogController controller_;
    bool proceed_ = true;
    bool save_ = true;
    bool ending_ = false;
    QLabel* status_;
    JobProgressBar* progress_;
    QPushButton* start_;
    QPushButton* abort_;
    QPushButton* about_;
    CustomControls::BCheck* proceedCheck_;
    CustomControls::BCheck* saveCheck_;
    QCheckBox* steps_[3];
};

}  // namespace halvane::app

#pragma once

#include "halvane/app/JobProgressBar.h"
#include "halvane/procedures/framework/ProcedureDialogController.h"
#include "halvane/procedures/framework/ProcedureDialogView.h"
#include "platform/WindowHandle.h"

#include <QDialog>

class QCloseEvent;
class QLabel;
class QPushButton;

namespace halvane::app {

// The modal progress dialog ("Procedure"): a status text, a progress bar and
// the Start and Abort buttons over its controller, which holds all of its
// logic. Escape and the close box ask to abort, as the Abort button does;
// the dialog ends only when the job has ended (UM_DONE).
class CProcedureDialog final : public QDialog, public procedures::ProcedureDialogView {
    Q_OBJECT

public:
    CProcedureDialog(procedures::ProcedureDialogController& controller, QWidget* parent = nullptr);
    ~CProcedureDialog() override;

    // Initialises the dialog (which starts the job) and runs it modally;
    // returns the code it was ended with.
    int RunModal();

    QLabel* StatusLabel() const { return status_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* AbortButton() const { return abort_; }
    procedures::ProcedureDialogController& Controller() const { return controller_; }

    void SetCaption(const std::string& caption) override;
    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    void SetProgressBusy(bool busy) override;
    void EnableStart(bool enabled) override;
    void EnableAbort(bool enabled) override;
    void EndDialog(int result) override;

public slots:
    // Escape (and the cancel command): the abort question, never a plain close.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    procedures::ProcedureDialogController& controller_;
    QLabel* status_;
    JobProgressBar* progress_;
    QPushButton* start_;
    QPushButton* abort_;
};

// DoProcedure's dialog in the program: CProcedureDialog over the parent
// (the shell the program hands its jobs; shown on the user-interface
// thread, once the message pump and the prompt exist).
int RunProcedureDialog(procedures::ProcedureDialogController& controller, platform::WindowHandle parent);

}  // namespace halvane::app

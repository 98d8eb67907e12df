#pragma once

#include "marnoch/MarnochWorkflows.h"

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;

namespace marnoch::ui {

class CUIProgCtrl;

// The program's one window: "About", "Create Backup File", "Upload Backup
// File to Processor" and "Exit", the status line and the progress bar, and
// "&About Marnoch.." in the window's context menu. Each workflow runs on a
// thread of its own while the window goes on painting; its status texts,
// progress and file dialog come to the window's thread. A failure is shown
// in a message box captioned with the program's name.
class CMarnochDlg final : public QDialog, private IStatusSink, private IFileChooser {
    Q_OBJECT
public:
    struct Hooks {
        MarnochWorkflows::PortFactory makePort;       // default: a CSerialPort on COM1..COM8
        IFileChooser* chooser = nullptr;              // default: the ".k47" file dialogs
        std::function<void(const QString&)> message;  // default: a QMessageBox
    };

    explicit CMarnochDlg(QWidget* parent = nullptr);
    explicit CMarnochDlg(Hooks hooks, QWidget* parent = nullptr);
    ~CMarnochDlg() override;

    QString statusText() const;
    QProgressBar* progressBar() const { return progress_; }
    QAction* aboutAction() const { return aboutAction_; }
    // A workflow is running: the buttons are disabled and the window does
    // not close.
    bool busy() const { return busy_; }
    const MarnochWorkflows& workflows() const { return *workflows_; }

public slots:
    void onCreateBackup();
    void onUpload();
    void onAbout();

public slots:
    void reject() override;

private:
    void SetStatus(const std::string& text) override;
    bool ChooseSettingsFile(bool open, const std::string& initial, std::string& chosen) override;
    void run(void (MarnochWorkflows::*workflow)());
    void setControlsEnabled(bool enabled);
    QRect fromDialogUnits(int x, int y, int w, int h) const;

    Hooks hooks_;
    QPushButton* about_;
    QPushButton* create_;
    QPushButton* upload_;
    QPushButton* exit_;
    QLabel* status_;
    QProgressBar* progress_;
    QAction* aboutAction_;
    bool busy_ = false;
    std::unique_ptr<CUIProgCtrl> progCtrl_;
    std::unique_ptr<MarnochWorkflows> workflows_;
};

}  // namespace marnoch::ui

#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace halvane::app {

// Dialog 103, the last page of the automatic run: "Room Correction
// complete!" with "Show Results" (OK: on to the main window) and "Exit"
// (Cancel: the program ends; so does the close box). Captioned with the
// program's name (string 57344).
class CRoomCorrectionCompleteDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CRoomCorrectionCompleteDlg(QWidget* parent = nullptr);

    QLabel* Text() const { return text_; }
    QPushButton* ShowResultsButton() const { return showResults_; }
    QPushButton* ExitButton() const { return exit_; }

private:
    QLabel* text_;
    QPushButton* showResults_;
    QPushButton* exit_;
};

// Makes completion_page::Run show CRoomCorrectionCompleteDlg (at start-up,
// on the user-interface thread).
void InstallCompletionPage();

}  // namespace halvane::app

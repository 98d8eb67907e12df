#pragma once

#include <QDialog>
#include <QIcon>

namespace halvane::app {

// The program's icon: a loudspeaker before a corrected response curve. It is
// drawn rather than loaded, so the program needs no image files beside it.
QIcon HalvaneIcon();

// "About Halvane": the icon, the program's name and its version, and OK.
// The main window's Help menu and the wizard both show it.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace halvane::app

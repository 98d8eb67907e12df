#pragma once

class QWidget;

namespace halvane {

// "About Halvane": the program's name and version, modal over `parent`.
// The main window's Help menu and the wizard both show this one.
void ShowAboutBox(QWidget* parent);

}  // namespace halvane

#pragma once

class QDialog;
class QMessageBox;

namespace platform::qt {

// Room the window frame's title bar takes beside the title: its icon and the
// minimise, maximise and close buttons.
inline constexpr int kTitleBarButtonsWidth = 120;

// The width a window needs for its title to read whole in the title bar
// (drawn in bold by most window managers).
int TitleWidth(const QDialog& dialog);

// A dialog sized to its contents is often narrower than its title, which
// the title bar then cuts ("A...r" for "About Pellivar"): these widen it.
// A message box sizes itself when shown, so it is widened through its
// layout.
void FitTitle(QDialog& dialog);
void FitTitle(QMessageBox& box);

}  // namespace platform::qt

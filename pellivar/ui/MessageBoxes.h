#pragma once

#include <string>

namespace pellivar::ui {

// Pellivar's message boxes, through the program's prompt (a QMessageBox on
// the user-interface thread; scripted in tests).
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kSuccessCaption = "Success";
inline constexpr const char* kConfirmCaption = "Please Confirm";

void ShowErrorBox(const std::string& text);
void ShowSuccessBox(const std::string& text);
void ShowBox(const std::string& text, const std::string& caption);
// Returns the button pressed (platform::IDYES ...).
int ShowConfirmBox(const std::string& text, unsigned flags);

// Set while the main window handles its close request: the value controls
// then stop exchanging data with their widgets.
bool ClosingFlag();
void SetClosingFlag(bool on);

}  // namespace pellivar::ui

#pragma once

#include "platform/WindowHandle.h"

#include <functional>

namespace halvane::app::models {

// The last page of the automatic run, shown after a successful upload:
// "Show Results" goes on to the main window, "Exit" (or the close box)
// ends the program.
namespace completion_page {

inline constexpr int kShowResults = 1;  // the OK answer
inline constexpr int kExit = 2;         // the Cancel answer

// The page's text, with its one line break.
inline constexpr const char* kText =
    "Room Correction complete!\nGo to the Source Setup menu to make sure it is turned on for each source, as "
    "desired.";

// The wizard's end from the page's answer: a page that could not be shown
// (0 or less) ends the wizard as Exit does; any other answer passes on.
constexpr int WizardResult(int pageResult) { return pageResult <= 0 ? kExit : pageResult; }

// Start-up goes on to the main window only after "Show Results".
constexpr bool ShowsMainWindow(int wizardResult) { return wizardResult == kShowResults; }

// Shows the page modally over `parent` and answers the page's result
// (kShowResults or kExit; 0 or less when it could not be shown).
using Shell = std::function<int(platform::WindowHandle parent)>;

// Installs `shell` (empty: none again); returns the previous one. The
// program installs the Qt page at start-up; tests script their own.
Shell SetShell(Shell shell);

// Runs the installed page on behalf of the wizard and answers the wizard's
// result (WizardResult of the page's answer). Without a page it answers
// kExit: nobody chose to see the results.
int Run(platform::WindowHandle parent = {});

}  // namespace completion_page

}  // namespace halvane::app::models

#include "pellivar/ui/MessageBoxes.h"

#include "platform/UserPrompt.h"

#include <atomic>

namespace pellivar::ui {

namespace {
std::atomic<bool> closing{false};
}

void ShowBox(const std::string& text, const std::string& caption) {
    platform::CurrentUserPrompt().MessageBox(text, caption, platform::MB_OK);
}

void ShowErrorBox(const std::string& text) {
    platform::CurrentUserPrompt().MessageBox(text, kErrorCaption, platform::MB_OK | platform::MB_ICONERROR);
}

void ShowSuccessBox(const std::string& text) {
    platform::CurrentUserPrompt().MessageBox(text, kSuccessCaption, platform::MB_OK | platform::MB_ICONINFORMATION);
}

int ShowConfirmBox(const std::string& text, unsigned flags) {
    return platform::CurrentUserPrompt().MessageBox(text, kConfirmCaption, flags | platform::MB_ICONQUESTION);
}

bool ClosingFlag() { return closing.load(); }
void SetClosingFlag(bool on) { closing = on; }

}  // namespace pellivar::ui

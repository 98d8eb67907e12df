#pragma once

#include "platform/WindowHandle.h"

#include <string>

namespace platform {

// Message-box buttons and icons, and the answers, with the classic codes the
// programs were written against.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The answer a box gives when it is closed without a button (Escape, the
// close box, or no user at all): Cancel where there is one, otherwise the
// most cautious button (Abort, No, OK).
int DefaultAnswer(unsigned flags);

// Asks the user a question and waits for the answer. Callable from any
// thread: a worker is blocked until the user answers on the user-interface
// thread. Tests script the answers.
class UserPrompt {
public:
    virtual ~UserPrompt() = default;

    // Shows `text` with `caption` (an empty caption becomes the program's
    // name), the buttons and icon of `flags`, owned by `owner` (null: no
    // owner window), and returns the button pressed (IDOK...IDNO).
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags,
                   WindowHandle owner = {}) {
        return show(text, caption, flags, owner);
    }

protected:
    virtual int show(const std::string& text, const std::string& caption, unsigned flags, WindowHandle owner) = 0;
};

// The process-wide prompt. Until a program installs its own, questions go to
// standard error and get DefaultAnswer (a program without a user interface
// must never hang on a question).
UserPrompt& CurrentUserPrompt();
// Installs `prompt` (null restores the default); it must outlive its use.
void SetUserPrompt(UserPrompt* prompt);

}  // namespace platform

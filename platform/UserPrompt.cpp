#include "platform/UserPrompt.h"

#include <atomic>
#include <cstdio>

namespace platform {

int DefaultAnswer(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

namespace {

class StandardErrorPrompt final : public UserPrompt {
protected:
    int show(const std::string& text, const std::string& caption, unsigned flags, WindowHandle) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return DefaultAnswer(flags);
    }
};

StandardErrorPrompt& standardErrorPrompt() {
    static StandardErrorPrompt prompt;
    return prompt;
}

std::atomic<UserPrompt*> installed{nullptr};

}  // namespace

UserPrompt& CurrentUserPrompt() {
    UserPrompt* p = installed.load();
    return p != nullptr ? *p : standardErrorPrompt();
}

void SetUserPrompt(UserPrompt* prompt) { installed.store(prompt); }

}  // namespace platform

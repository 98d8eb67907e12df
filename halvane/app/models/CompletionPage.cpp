#include "halvane/app/models/CompletionPage.h"

#include <mutex>
#include <utility>

namespace halvane::completion_page {

namespace {

std::mutex& shellMutex() {
    static std::mutex mutex;
    return mutex;
}

Shell& installedShell() {
    static Shell shell;
    return shell;
}

}  // namespace

Shell SetShell(Shell shell) {
    std::lock_guard lock(shellMutex());
    return std::exchange(installedShell(), std::move(shell));
}

int Run(platform::WindowHandle parent) {
    Shell shell;
    {
        std::lock_guard lock(shellMutex());
        shell = installedShell();
    }
    return WizardResult(shell ? shell(parent) : 0);
}

}  // namespace halvane::completion_page

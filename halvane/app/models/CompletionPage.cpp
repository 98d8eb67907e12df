#include "halvane/app/models/CompletionPage.h"

#include "halvane/diagnostics/InstalledHook.h"

namespace halvane::app::models::completion_page {

namespace {

diagnostics::InstalledHook<Shell>& installedShell() {
    static diagnostics::InstalledHook<Shell> shell;
    return shell;
}

}  // namespace

Shell SetShell(Shell shell) { return installedShell().Install(std::move(shell)); }

int Run(platform::WindowHandle parent) {
    const Shell shell = installedShell().Current();
    return WizardResult(shell ? shell(parent) : 0);
}

}  // namespace halvane::app::models::completion_page

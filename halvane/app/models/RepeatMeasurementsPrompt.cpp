#include "halvane/app/models/RepeatMeasurementsPrompt.h"

#include "halvane/diagnostics/InstalledHook.h"

namespace halvane::app::models {

namespace {

diagnostics::InstalledHook<RepeatMeasurementsShell>& installedShell() {
    static diagnostics::InstalledHook<RepeatMeasurementsShell> shell;
    return shell;
}

}  // namespace

RepeatMeasurementsShell SetRepeatMeasurementsShell(RepeatMeasurementsShell shell) {
    return installedShell().Install(std::move(shell));
}

bool PickMeasurementsToRepeat(const RepeatMeasurementsRequest& request, platform::WindowHandle parent) {
    const RepeatMeasurementsShell shell = installedShell().Current();
    if (!shell) return false;
    return shell(request, parent);
}

std::optional<std::vector<std::size_t>> PickMeasurementsToRepeat(const std::string& caption, const std::string& text,
                                                                  const std::vector<std::string>& labels,
                                                                  platform::WindowHandle parent) {
    std::vector<CheckData> items(labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) items[i].SetLabel(labels[i]);
    if (!PickMeasurementsToRepeat({caption, text, items.data(), items.size(), nullptr}, parent)) return std::nullopt;
    std::vector<std::size_t> ticked;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].Checked != 0) ticked.push_back(i);
    return ticked;
}

}  // namespace halvane::app::models

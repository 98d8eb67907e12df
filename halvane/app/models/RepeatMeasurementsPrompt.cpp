#include "halvane/app/models/RepeatMeasurementsPrompt.h"

#include <mutex>
#include <utility>

namespace halvane {

namespace {

std::mutex& shellMutex() {
    static std::mutex mutex;
    return mutex;
}

RepeatMeasurementsShell& installedShell() {
    static RepeatMeasurementsShell shell;
    return shell;
}

}  // namespace

RepeatMeasurementsShell SetRepeatMeasurementsShell(RepeatMeasurementsShell shell) {
    std::lock_guard lock(shellMutex());
    return std::exchange(installedShell(), std::move(shell));
}

bool PickMeasurementsToRepeat(const RepeatMeasurementsRequest& request, platform::WindowHandle parent) {
    RepeatMeasurementsShell shell;
    {
        std::lock_guard lock(shellMutex());
        shell = installedShell();
    }
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

}  // namespace halvane

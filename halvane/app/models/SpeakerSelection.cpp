#include "halvane/app/models/SpeakerSelection.h"

#include <algorithm>

namespace halvane::app::models::speaker_selection {

namespace {

using S = SpeakerSelection;

bool validConfiguration(int c) { return c >= 0 && c < S::kConfigurations; }
bool validGroup(int g) { return g >= 0 && g < S::kGroups; }

}  // namespace

std::vector<std::string> RearChoices(const SpeakerSelection& selection) {
    if (selection.receiver != 0) return {"One Rear", "Two Rear", "Heights"};
    return {"One", "Two"};
}

std::string RearsText(const SpeakerSelection& selection) {
    return selection.receiver != 0 ? "Rears/Heights" : "Rears";
}

std::string GroupText(const SpeakerSelection& selection, int configuration, int group) {
    switch (group) {
    case S::Front:
        return "Fronts";
    case S::Center:
        return "Center";
    case S::Surround:
        return "Surrounds";
    case S::Rear:
        return RearsText(selection);
    default:
        return configuration == 0 ? "Subwoofer" : "Subwoofers";
    }
}

int EditedConfiguration(const SpeakerSelection& selection, int configuration) {
    return configuration == 1 && selection.useMovieMeasurements != 0 ? 0 : configuration;
}

SpeakerSelectionView Update(SpeakerSelection& selection) {
    SpeakerSelectionView view;
    view.useMovieMeasurements = selection.useMovieMeasurements != 0;
    for (int c = 0; c < S::kConfigurations; ++c) {
        auto& own = selection.groups[static_cast<std::size_t>(c)];
        if (own[S::Surround] == 0) own[S::Rear] = 0;
    }
    for (int c = 0; c < S::kConfigurations; ++c) {
        const auto cc = static_cast<std::size_t>(c);
        const auto shown = static_cast<std::size_t>(EditedConfiguration(selection, c));
        const bool locked = c == 1 && view.useMovieMeasurements;
        for (int g = 0; g < S::kGroups; ++g) {
            auto& check = view.checks[cc][static_cast<std::size_t>(g)];
            check.checked = selection.groups[shown][static_cast<std::size_t>(g)] != 0;
            check.enabled = !locked;
        }
        // The fronts are always measured.
        view.checks[cc][S::Front].enabled = false;
        view.checks[cc][S::Rear].enabled = !locked && selection.groups[cc][S::Surround] != 0;
        selection.positions[shown] =
            std::clamp<std::int32_t>(selection.positions[shown], S::kMinPositions, S::kMaxPositions);
        view.positions[cc] = selection.positions[shown];
        view.positionsEnabled[cc] = !locked;
    }
    const int choices = static_cast<int>(RearChoices(selection).size());
    if (selection.receiver != 0 && selection.heights != 0)
        view.rearChoice = 2;
    else
        view.rearChoice = std::clamp(selection.rearCount - 1, 0, choices - 1);
    return view;
}

void SetGroup(SpeakerSelection& selection, int configuration, int group, bool on) {
    if (!validConfiguration(configuration) || !validGroup(group)) return;
    const auto c = static_cast<std::size_t>(EditedConfiguration(selection, configuration));
    selection.groups[c][static_cast<std::size_t>(group)] = on ? 1 : 0;
}

void SetPositions(SpeakerSelection& selection, int configuration, int count) {
    if (!validConfiguration(configuration)) return;
    const auto c = static_cast<std::size_t>(EditedConfiguration(selection, configuration));
    selection.positions[c] = std::clamp(count, S::kMinPositions, S::kMaxPositions);
}

void SetUseMovieMeasurements(SpeakerSelection& selection, bool on) { selection.useMovieMeasurements = on ? 1 : 0; }

void ChooseRear(SpeakerSelection& selection, int index) {
    const int choices = static_cast<int>(RearChoices(selection).size());
    if (index < 0 || index >= choices) return;
    if (selection.receiver != 0 && index == 2) {
        selection.heights = 1;
        selection.rearCount = 0;
    } else {
        selection.heights = 0;
        selection.rearCount = index + 1;
    }
}

}  // namespace halvane::app::models::speaker_selection

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace halvane::app::models {

// The answers of "Select speakers to measure.", edited in place by the
// dialog and read by the caller after OK.
struct SpeakerSelection {
    static constexpr int kConfigurations = 2;  // 0 Movie, 1 Music
    static constexpr int kGroups = 5;
    enum Group { Front = 0, Center = 1, Surround = 2, Rear = 3, Subwoofer = 4 };
    static constexpr int kDefaultPositions = 5;
    static constexpr int kMinPositions = 5;
    static constexpr int kMaxPositions = 10;

    std::int32_t receiver = 0;  // nonzero for a receiver (unit kind 4)
    std::int32_t heights = 0;   // 1 when a receiver's rear outputs drive heights
    // Per configuration and group: nonzero = measure the group.
    std::array<std::array<std::int32_t, kGroups>, kConfigurations> groups{{{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}}};
    std::int32_t rearCount = 2;  // 1 or 2; 0 when heights are chosen
    std::array<std::int32_t, kConfigurations> positions{kDefaultPositions, kDefaultPositions};
    std::int32_t useMovieMeasurements = 1;  // "Use Movie Config measurements"
};

// What the dialog's controls show: one check per configuration and group,
// a positions spin per configuration, the rear-count choice and the reuse
// check.
struct SpeakerSelectionView {
    struct Check {
        bool checked = false;
        bool enabled = false;
    };
    std::array<std::array<Check, SpeakerSelection::kGroups>, SpeakerSelection::kConfigurations> checks{};
    std::array<std::int32_t, SpeakerSelection::kConfigurations> positions{};
    std::array<bool, SpeakerSelection::kConfigurations> positionsEnabled{};
    int rearChoice = 0;
    bool useMovieMeasurements = false;
};

// The dialog's rules, apart from its window.
namespace speaker_selection {

// The rear-count choices: "One", "Two"; on a receiver "One Rear", "Two
// Rear", "Heights".
std::vector<std::string> RearChoices(const SpeakerSelection& selection);
// The text of the "Rears" checks ("Rears", on a receiver "Rears/Heights").
std::string RearsText(const SpeakerSelection& selection);
// The group labels of a configuration's checks.
std::string GroupText(const SpeakerSelection& selection, int configuration, int group);

// The storage a configuration's controls edit: the Music column shows and
// edits the Movie entries while the Movie measurements are reused.
int EditedConfiguration(const SpeakerSelection& selection, int configuration);

// Applies the update rules (a configuration without surrounds measures no
// rears) and returns what the controls show.
SpeakerSelectionView Update(SpeakerSelection& selection);

// The user ticked or unticked a group check, changed a positions spin
// (kept within 5..10), the reuse check or the rear-count choice.
void SetGroup(SpeakerSelection& selection, int configuration, int group, bool on);
void SetPositions(SpeakerSelection& selection, int configuration, int count);
void SetUseMovieMeasurements(SpeakerSelection& selection, bool on);
void ChooseRear(SpeakerSelection& selection, int index);

}  // namespace speaker_selection

}  // namespace halvane::app::models

#pragma once

#include "platform/WindowHandle.h"

#include <array>
#include <cstdint>

namespace halvane::procedures {

// The answers of the speaker-selection dialog ("Select speakers to
// measure."), edited in place by the dialog and read after OK. The presets
// are the dialog's own: every group, 5 positions, two rears, Music reusing
// the Movie measurements.
struct MeasurementSelection {
    static constexpr int kGroups = 5;  // 0 Front, 1 Center, 2 Surround, 3 Rear, 4 Subwoofer
    std::int32_t receiver = 0;         // nonzero for a receiver (unit class 4)
    std::int32_t heights = 0;          // 1 when a receiver's rear outputs drive heights
    std::array<std::array<std::int32_t, kGroups>, 2> groups{{{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}}};
    std::int32_t rearCount = 2;  // 1 or 2; 0 with heights
    std::array<std::int32_t, 2> positions{5, 5};
    std::int32_t useMovieMeasurements = 1;  // "Use Movie Config measurements"
};

// The speaker-selection dialog as the measurement job reaches it, from its
// worker: true on OK with `selection` edited.
class ISpeakerSelectionUi {
public:
    virtual ~ISpeakerSelectionUi() = default;
    virtual bool SelectSpeakers(MeasurementSelection& selection, platform::WindowHandle parent) = 0;
};

class MeasurementSession;

// The job's selection step, on the run's session: presets SelectedChannels
// of both configurations to all eight channels, asks (`ui` null: no user,
// Cancel), and on OK sets PositionsPerConfiguration and each
// configuration's SelectedChannels to the channels of its chosen groups in
// channel order, leaving out "Right Rear/Aux" (4) when one rear is chosen;
// with "Use Movie Config measurements" the Music selection is emptied.
// MeasureMusicConfig becomes whether Music is measured on its own. False
// when cancelled.
bool SelectSpeakersToMeasure(MeasurementSession& session, ISpeakerSelectionUi* ui, platform::WindowHandle parent,
                             std::int32_t unitClass);

}  // namespace halvane::procedures

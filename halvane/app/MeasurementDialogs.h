#pragma once

#include "halvane/procedures/measurement/IConflictUi.h"
#include "halvane/procedures/measurement/MeasurementSelection.h"

namespace halvane::app {

// The measurement job's speaker selection shown as "Select speakers to
// measure.": the job's answers are copied into the dialog's storage, the
// dialog edits them, and on OK they are copied back. From the job's worker;
// the dialog runs on the user-interface thread.
class SpeakerSelectionDialogUi final : public procedures::ISpeakerSelectionUi {
public:
    bool SelectSpeakers(procedures::MeasurementSelection& selection, platform::WindowHandle parent) override;
};

// The level checks' question "which measurements to repeat" shown in the
// check-list dialog.
class ConflictDialogUi final : public procedures::IConflictUi {
public:
    std::optional<std::vector<std::size_t>> PickMeasurementsToRepeat(const std::string& caption,
                                                                     const std::string& text,
                                                                     const std::vector<std::string>& labels,
                                                                     platform::WindowHandle parent) override;
};

}  // namespace halvane::app

#include "halvane/app/MeasurementDialogs.h"

#include "halvane/app/models/RepeatMeasurementsPrompt.h"
#include "halvane/app/models/SpeakerSelectionPrompt.h"

namespace halvane::app {

bool SpeakerSelectionDialogUi::SelectSpeakers(procedures::MeasurementSelection& selection, platform::WindowHandle parent) {
    models::SpeakerSelection answers;
    answers.receiver = selection.receiver;
    answers.heights = selection.heights;
    answers.groups = selection.groups;
    answers.rearCount = selection.rearCount;
    answers.positions = selection.positions;
    answers.useMovieMeasurements = selection.useMovieMeasurements;
    if (!models::ChooseSpeakersToMeasure(answers, parent)) return false;
    selection.receiver = answers.receiver;
    selection.heights = answers.heights;
    selection.groups = answers.groups;
    selection.rearCount = answers.rearCount;
    selection.positions = answers.positions;
    selection.useMovieMeasurements = answers.useMovieMeasurements;
    return true;
}

std::optional<std::vector<std::size_t>> ConflictDialogUi::PickMeasurementsToRepeat(
    const std::string& caption, const std::string& text, const std::vector<std::string>& labels,
    platform::WindowHandle parent) {
    return models::PickMeasurementsToRepeat(caption, text, labels, parent);
}

}  // namespace halvane::app

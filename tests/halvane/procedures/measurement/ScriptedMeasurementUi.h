#pragma once
// Scripted stand-ins for the dialogs the measurement job and the level
// checks reach: the speaker selection and the check list of measurements to
// repeat. Each records what it was shown and answers from its script.

#include "halvane/procedures/measurement/IConflictUi.h"
#include "halvane/procedures/measurement/MeasurementSelection.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ScriptedConflictUi final : halvane::procedures::IConflictUi {
    struct Shown {
        std::string caption, text;
        std::vector<std::string> labels;
    };
    std::vector<Shown> shown;
    // Answers in order; none left: Cancel.
    std::deque<std::optional<std::vector<std::size_t>>> answers;

    std::optional<std::vector<std::size_t>> PickMeasurementsToRepeat(const std::string& caption,
                                                                     const std::string& text,
                                                                     const std::vector<std::string>& labels,
                                                                     platform::WindowHandle) override {
        shown.push_back({caption, text, labels});
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct ScriptedSpeakerSelection final : halvane::procedures::ISpeakerSelectionUi {
    bool ok = true;
    std::function<void(halvane::procedures::MeasurementSelection&)> edit;
    std::vector<halvane::procedures::MeasurementSelection> presets;  // what the dialog was opened with

    bool SelectSpeakers(halvane::procedures::MeasurementSelection& selection, platform::WindowHandle) override {
        presets.push_back(selection);
        if (edit) edit(selection);
        return ok;
    }
};

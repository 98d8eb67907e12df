#pragma once

#include "halvane/app/models/ColourPicker.h"

#include <cstdint>
#include <optional>
#include <vector>

// The colour dialog, scripted: answers the queued colours in order (a
// cancel once they run out) and records the colours it was offered.
class ScriptedPicker final : public halvane::app::models::ColourPicker {
public:
    std::optional<std::uint32_t> PickColour(std::uint32_t initial) override {
        offered.push_back(initial);
        if (answers.empty()) return std::nullopt;
        const auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::vector<std::optional<std::uint32_t>> answers;
    std::vector<std::uint32_t> offered;
};

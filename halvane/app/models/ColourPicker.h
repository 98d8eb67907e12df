#pragma once

#include <cstdint>
#include <optional>

namespace halvane::app::models {

// The platform's standard colour dialog: offers `initial` (0x00BBGGRR)
// preselected and answers the chosen colour, or nothing when the user
// cancels. The program shows the real dialog; tests script the answers.
class ColourPicker {
public:
    virtual ~ColourPicker() = default;
    virtual std::optional<std::uint32_t> PickColour(std::uint32_t initial) = 0;
};

}  // namespace halvane::app::models

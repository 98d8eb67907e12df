#pragma once

#include "halvane/app/models/ColourPicker.h"

class QWidget;

namespace halvane::app {

// The standard colour dialog of the platform (QColorDialog) over a parent
// window, with the colour preselected and no further options.
class QtColourPicker final : public models::ColourPicker {
public:
    explicit QtColourPicker(QWidget* parent) : parent_(parent) {}
    std::optional<std::uint32_t> PickColour(std::uint32_t initial) override;

private:
    QWidget* parent_;
};

}  // namespace halvane::app

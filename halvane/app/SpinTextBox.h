#pragma once

#include "halvane/app/SpinBox.h"

namespace halvane::app::CustomControls {

// SpinTextBox<IntTypes>: a choice among labelled values (SpinTextBox over
// SlopeOrderNames() for the slope orders).
class SpinTextBox final : public SpinBox {
    Q_OBJECT

public:
    explicit SpinTextBox(int id, QWidget* parent = nullptr, platform::Clock& clock = platform::systemClock());
    // Sets the choices (a table is copied up to its first empty label), binds
    // `variable` and shows it.
    void setValues(const models::CustomControls::ValueList& values, int* variable);
};

}  // namespace halvane::app::CustomControls

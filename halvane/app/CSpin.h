#pragma once

#include "halvane/app/SpinBox.h"

namespace halvane::app::CustomControls {

// CSpin<int>: a number on a grid ("%d"), with an optional label beside it.
class CSpin : public SpinBox {
    Q_OBJECT

public:
    explicit CSpin(int id, QWidget* parent = nullptr, platform::Clock& clock = platform::systemClock());
    void setRange(const models::CustomControls::SpinGrid& grid, int* variable, const models::CustomControls::Applicator& applicator = models::CustomControls::Applicator());
    void setLabelText(const QString& text);

protected:
    void setRangeWithNames(const models::CustomControls::SpinGrid& grid, const models::CustomControls::ValueList& names, int* variable, const models::CustomControls::Applicator& applicator);
};

}  // namespace halvane::app::CustomControls

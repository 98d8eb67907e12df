#pragma once

#include "halvane/app/SpinBox.h"

namespace CustomControls {

// CSpin<int>: a number on a grid ("%d"), with an optional label beside it.
class CSpin : public SpinBox {
    Q_OBJECT

public:
    explicit CSpin(int id, QWidget* parent = nullptr, platform::Clock& clock = platform::systemClock());
    void setRange(const SpinGrid& grid, int* variable, const Applicator& applicator = Applicator());
    void setLabelText(const QString& text);

protected:
    void setRangeWithNames(const SpinGrid& grid, const ValueList& names, int* variable, const Applicator& applicator);
};

}  // namespace CustomControls

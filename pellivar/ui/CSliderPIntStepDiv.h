#pragma once

#include "pellivar/ui/CSliderPInt.h"

namespace pellivar::ui {

// A value shown divided by a step divisor (the gamma exponent: 25-400 shown
// as 0.25-4.00). Typed numbers are multiplied by the divisor; the slider
// works on the undivided value.
class CSliderPIntStepDiv final : public CSliderPInt {
    Q_OBJECT
public:
    CSliderPIntStepDiv(const QString& caption, int divisor, QWidget* parent = nullptr)
        : CSliderPInt(caption, parent) {
        SetDivisor(divisor);
    }
    void Bind(SubscribedInt& value, int minimum, int maximum, int divisor) {
        SetDivisor(divisor);
        CSliderPInt::Bind(value, minimum, maximum);
    }
};

}  // namespace pellivar::ui

#pragma once

#include "halvane/app/CSpin.h"

namespace CustomControls {

// CSpinText<int>: a CSpin whose values with a name in its list show and
// accept the name ("No Speaker").
class CSpinText final : public CSpin {
    Q_OBJECT

public:
    explicit CSpinText(int id, QWidget* parent = nullptr, platform::Clock& clock = platform::systemClock());
    void setRange(const SpinGrid& grid, const ValueList& names, int* variable,
                  const Applicator& applicator = Applicator());
};

}  // namespace CustomControls

#pragma once

#include "halvane/app/CSpin.h"

namespace halvane::app::CustomControls {

// CSpinText<int>: a CSpin whose values with a name in its list show and
// accept the name ("No Speaker").
class CSpinText final : public CSpin {
    Q_OBJECT

public:
    explicit CSpinText(int id, QWidget* parent = nullptr, platform::Clock& clock = platform::systemClock());
    void setRange(const models::CustomControls::SpinGrid& grid, const models::CustomControls::ValueList& names, int* variable,
                  const models::CustomControls::Applicator& applicator = models::CustomControls::Applicator());
};

}  // namespace halvane::app::CustomControls

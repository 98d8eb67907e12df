#include "halvane/app/CSpinText.h"

namespace CustomControls {

CSpinText::CSpinText(int id, QWidget* parent, platform::Clock& clock) : CSpin(id, parent, clock) {}

void CSpinText::setRange(const SpinGrid& grid, const ValueList& names, int* variable, const Applicator& applicator) {
    setRangeWithNames(grid, names, variable, applicator);
}

}  // namespace CustomControls

#include "halvane/app/CSpinText.h"

namespace halvane::app::CustomControls {

CSpinText::CSpinText(int id, QWidget* parent, platform::Clock& clock) : CSpin(id, parent, clock) {}

void CSpinText::setRange(const models::CustomControls::SpinGrid& grid, const models::CustomControls::ValueList& names, int* variable, const models::CustomControls::Applicator& applicator) {
    setRangeWithNames(grid, names, variable, applicator);
}

}  // namespace halvane::app::CustomControls

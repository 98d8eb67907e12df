#include "halvane/app/CSpin.h"

#include <QLabel>

namespace halvane::app::CustomControls {

CSpin::CSpin(int id, QWidget* parent, platform::Clock& clock) : SpinBox(id, parent, clock) {
    setModel(std::make_unique<models::CustomControls::NumericSpinModel>(models::CustomControls::SpinGrid()));
}

void CSpin::setRange(const models::CustomControls::SpinGrid& grid, int* variable, const models::CustomControls::Applicator& applicator) {
    setRangeWithNames(grid, models::CustomControls::ValueList(), variable, applicator);
}

void CSpin::setRangeWithNames(const models::CustomControls::SpinGrid& grid, const models::CustomControls::ValueList& names, int* variable,
                              const models::CustomControls::Applicator& applicator) {
    setModel(std::make_unique<models::CustomControls::NumericSpinModel>(grid, names, applicator));
    bind(variable);
}

void CSpin::setLabelText(const QString& text) {
    label()->setText(text);
    label()->setVisible(!text.isEmpty());
}

}  // namespace halvane::app::CustomControls

#include "halvane/app/CSpin.h"

#include <QLabel>

namespace CustomControls {

CSpin::CSpin(int id, QWidget* parent, platform::Clock& clock) : SpinBox(id, parent, clock) {
    setModel(std::make_unique<NumericSpinModel>(SpinGrid()));
}

void CSpin::setRange(const SpinGrid& grid, int* variable, const Applicator& applicator) {
    setRangeWithNames(grid, ValueList(), variable, applicator);
}

void CSpin::setRangeWithNames(const SpinGrid& grid, const ValueList& names, int* variable,
                              const Applicator& applicator) {
    setModel(std::make_unique<NumericSpinModel>(grid, names, applicator));
    bind(variable);
}

void CSpin::setLabelText(const QString& text) {
    label()->setText(text);
    label()->setVisible(!text.isEmpty());
}

}  // namespace CustomControls

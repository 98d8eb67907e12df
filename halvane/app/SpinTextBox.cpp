#include "halvane/app/SpinTextBox.h"

namespace CustomControls {

SpinTextBox::SpinTextBox(int id, QWidget* parent, platform::Clock& clock) : SpinBox(id, parent, clock) {}

void SpinTextBox::setValues(const ValueList& values, int* variable) {
    setModel(std::make_unique<ListSpinModel>(values));
    bind(variable);
}

}  // namespace CustomControls

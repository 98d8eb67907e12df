#include "halvane/app/SpinTextBox.h"

namespace halvane::app::CustomControls {

SpinTextBox::SpinTextBox(int id, QWidget* parent, platform::Clock& clock) : SpinBox(id, parent, clock) {}

void SpinTextBox::setValues(const models::CustomControls::ValueList& values, int* variable) {
    setModel(std::make_unique<models::CustomControls::ListSpinModel>(values));
    bind(variable);
}

}  // namespace halvane::app::CustomControls

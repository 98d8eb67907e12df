#include "halvane/app/CEditPDouble.h"

namespace halvane::app::CustomControls {

CEditPDouble::CEditPDouble(int id, QWidget* parent) : CEditPVal(id, parent) {}

void CEditPDouble::bind(double* variable, double minimum, double maximum) {
    variable_ = variable;
    field_ = models::CustomControls::DoubleField(minimum, maximum);
    ShowValue();
}

bool CEditPDouble::parse(const std::string& text) { return field_.apply(text, variable_); }

std::string CEditPDouble::show() const { return models::CustomControls::DoubleField::show(variable_); }

}  // namespace halvane::app::CustomControls

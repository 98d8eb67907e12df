#pragma once

#include "halvane/app/CEditPVal.h"
#include "halvane/app/models/DoubleField.h"

namespace halvane::app::CustomControls {

// CEditPDouble: a double with a minimum and a maximum, shown as "%lf"
// (always with '.', whatever the locale). "nan" and "inf" are no numbers.
class CEditPDouble final : public CEditPVal {
    Q_OBJECT

public:
    explicit CEditPDouble(int id, QWidget* parent = nullptr);
    // Binds `variable` (may be null: shows 0) with its limits and shows it.
    void bind(double* variable, double minimum, double maximum);

protected:
    bool parse(const std::string& text) override;
    std::string show() const override;

private:
    double* variable_ = nullptr;
    models::CustomControls::DoubleField field_{0.0, 0.0};
};

}  // namespace halvane::app::CustomControls

#pragma once

#include "halvane/app/models/ComboModel.h"

#include <QComboBox>

#include <vector>

namespace halvane::app::CustomControls {

// A combo box bound to an int: it lists the labels of its value list, less
// the excluded values, selects the variable's value and writes the user's
// choice straight into the variable, telling the dialog through
// valueChanged(id, this).
class CComboPVal final : public QComboBox {
    Q_OBJECT

public:
    explicit CComboPVal(int id, QWidget* parent = nullptr);

    int id() const { return id_; }
    // Fills the list and binds `variable` (null: one of its own); a variable
    // not in the list takes the last item's value, and the dialog is told.
    void setValues(const models::CustomControls::ValueList& values, int* variable, const std::vector<int>& excluded = {});
    // Selects the variable's item (the same rule).
    void ShowValue();
    int* variable() const { return variable_; }
    // Item heights the opened list shows: the item count + 1, at most 21.
    int dropItems() const { return static_cast<int>(model_.dropItems()); }

signals:
    void valueChanged(int id, QWidget* control);

private:
    void onActivated(int index);

    int id_;
    models::CustomControls::ComboModel model_;
    int own_ = 0;
    int* variable_ = &own_;
};

}  // namespace halvane::app::CustomControls

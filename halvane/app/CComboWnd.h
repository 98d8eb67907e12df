#pragma once

#include "halvane/app/CComboPVal.h"

#include <QWidget>

class QLabel;

namespace halvane::app::CustomControls {

// A label with a combo box beside it, the label as wide as its text.
class CComboWnd final : public QWidget {
    Q_OBJECT

public:
    CComboWnd(int id, const QString& label, QWidget* parent = nullptr);
    CComboPVal* combo() const { return combo_; }
    QLabel* label() const { return label_; }

private:
    QLabel* label_;
    CComboPVal* combo_;
};

}  // namespace halvane::app::CustomControls

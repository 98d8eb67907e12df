#include "halvane/app/CComboWnd.h"

#include <QHBoxLayout>
#include <QLabel>

namespace halvane::app::CustomControls {

CComboWnd::CComboWnd(int id, const QString& label, QWidget* parent)
    : QWidget(parent), label_(new QLabel(label, this)), combo_(new CComboPVal(id, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    label_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    layout->addWidget(label_);
    layout->addWidget(combo_, 1);
}

}  // namespace halvane::app::CustomControls

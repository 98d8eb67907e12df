#include "halvane/app/BCheck.h"

namespace halvane::app::CustomControls {

BCheck::BCheck(int id, const QString& text, QWidget* parent) : QCheckBox(text, parent), id_(id) {
    setObjectName(QStringLiteral("idc_%1").arg(id));
    connect(this, &QCheckBox::clicked, this, &BCheck::onClicked);
}

void BCheck::bind(bool* variable, int mode) {
    flag_ = variable;
    number_ = nullptr;
    mode_ = mode;
    ShowValue();
}

void BCheck::bind(std::int32_t* variable, int mode) {
    number_ = variable;
    flag_ = nullptr;
    mode_ = mode;
    ShowValue();
}

void BCheck::ShowValue() {
    if (flag_ != nullptr) setChecked(*flag_);
    if (number_ != nullptr) setChecked(*number_ != 0);
}

void BCheck::onClicked(bool checked) {
    if (flag_ == nullptr && number_ == nullptr) return;
    if (flag_ != nullptr) *flag_ = checked;
    if (number_ != nullptr) *number_ = checked ? 1 : 0;
    if (mode_ == kPassClick) emit plainClick(id_);
    if (mode_ == kNotifyValue) emit valueChanged(id_, this);
}

}  // namespace halvane::app::CustomControls

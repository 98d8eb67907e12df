#include "halvane/app/CComboPVal.h"

#include "halvane/app/CoreText.h"

namespace halvane::app::CustomControls {

CComboPVal::CComboPVal(int id, QWidget* parent) : QComboBox(parent), id_(id) {
    setObjectName(QStringLiteral("idc_%1").arg(id));
    // Only the user's choices count as changes (not our own selections).
    connect(this, &QComboBox::activated, this, &CComboPVal::onActivated);
}

void CComboPVal::setValues(const models::CustomControls::ValueList& values, int* variable, const std::vector<int>& excluded) {
    variable_ = variable != nullptr ? variable : &own_;
    model_ = models::CustomControls::ComboModel(values, excluded);
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const models::CustomControls::ValueEntry& item : model_.items()) addItem(app::CoreText(item.label), item.value);
    }
    setMaxVisibleItems(dropItems());
    ShowValue();
}

void CComboPVal::ShowValue() {
    bool changed = false;
    const std::optional<std::size_t> index = model_.select(variable_, changed);
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index ? static_cast<int>(*index) : -1);
    }
    if (changed) emit valueChanged(id_, this);
}

void CComboPVal::onActivated(int index) {
    if (index < 0 || index >= count()) return;
    *variable_ = itemData(index).toInt();
    emit valueChanged(id_, this);
}

}  // namespace halvane::app::CustomControls

#include "halvane/app/CCheckList.h"

#include "halvane/app/CoreText.h"
#include <QKeyEvent>
#include <QMouseEvent>

namespace halvane::app {

CCheckList::CCheckList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("idc_1027"));
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::StrongFocus);
}

void CCheckList::Fill(models::CheckData* items, std::size_t count, models::CheckListOwner* owner) {
    clear();
    model_ = std::make_unique<models::CheckListModel>(items, count, owner);
    model_->fill();
    for (std::size_t i = 0; i < model_->size(); ++i) {
        const models::CheckData& data = model_->item(i);
        auto* item = new QListWidgetItem(CoreText(data.Label), this);
        // Not user-checkable: the view's own toggling would count a click
        // twice; the list toggles on the press itself.
        item->setFlags(Qt::ItemIsEnabled);
        item->setData(Qt::UserRole, static_cast<int>(i));
        item->setCheckState(data.Checked != 0 ? Qt::Checked : Qt::Unchecked);
    }
}

void CCheckList::toggleAt(const QPoint& pos) {
    QListWidgetItem* item = itemAt(pos);
    if (item == nullptr) return;
    setCurrentItem(item, QItemSelectionModel::NoUpdate);
    toggle(item);
}

void CCheckList::toggle(QListWidgetItem* item) {
    if (item == nullptr || model_ == nullptr) return;
    const int index = item->data(Qt::UserRole).toInt();
    const bool checked = model_->toggle(static_cast<std::size_t>(index), this);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    emit itemToggled(index);
}

void CCheckList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        toggleAt(event->position().toPoint());
    }
    event->accept();
}

void CCheckList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        toggle(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void CCheckList::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a click of its own.
    mousePressEvent(event);
}

}  // namespace halvane::app

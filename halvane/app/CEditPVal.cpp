#include "halvane/app/CEditPVal.h"

#include <QFocusEvent>

namespace halvane::app::CustomControls {

CEditPVal::CEditPVal(int id, QWidget* parent) : QLineEdit(parent), id_(id) {
    setObjectName(QStringLiteral("idc_%1").arg(id));
    connect(this, &QLineEdit::textEdited, this, &CEditPVal::onEdited);
}

void CEditPVal::ShowValue() {
    const bool saved = guard_;
    guard_ = true;
    const QString text = QString::fromStdString(show());
    if (this->text() != text) setText(text);
    guard_ = saved;
}

bool CEditPVal::validate() {
    if (parse(text().toStdString())) return true;
    setFocus(Qt::OtherFocusReason);
    selectAll();
    return false;
}

void CEditPVal::onEdited(const QString& text) {
    if (!guard_) parse(text.toStdString());
}

void CEditPVal::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (guard_ || event->reason() == Qt::PopupFocusReason) return;
    if (parse(text().toStdString())) return;
    guard_ = true;
    const QString shown = QString::fromStdString(show());
    if (text() != shown) setText(shown);
    setFocus(Qt::OtherFocusReason);
    selectAll();
    guard_ = false;
}

}  // namespace halvane::app::CustomControls

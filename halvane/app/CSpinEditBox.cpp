#include "halvane/app/CSpinEditBox.h"

#include "halvane/app/models/EditText.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace halvane::app::CustomControls {

namespace {

// Positions in characters (code points) from positions in UTF-16 units.
std::size_t codePoints(const QString& text, int units) { return static_cast<std::size_t>(text.left(units).toUcs4().size()); }

}  // namespace

CSpinEditBox::CSpinEditBox(QWidget* parent) : QLineEdit(parent) { setObjectName(QStringLiteral("idc_1335")); }

void CSpinEditBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace: {
        const QString current = text();
        if (current.isEmpty()) break;
        models::CustomControls::EditText edit;
        edit.text = current.toStdU32String();
        if (hasSelectedText()) {
            edit.selStart = codePoints(current, selectionStart());
            edit.selLength = codePoints(current, selectionEnd()) - edit.selStart;
        } else {
            edit.selStart = codePoints(current, cursorPosition());
        }
        const bool changed = models::CustomControls::SpinBackspace(edit);
        const QString next = QString::fromStdU32String(edit.text);
        const int start = static_cast<int>(QString::fromStdU32String(edit.text.substr(0, edit.selStart)).size());
        const int length = static_cast<int>(
            QString::fromStdU32String(edit.text.substr(edit.selStart, edit.selLength)).size());
        if (next != current) setText(next);
        if (length > 0)
            setSelection(start, length);
        else
            setCursorPosition(start);
        if (changed && next != current) emit editedByKey(next);
        event->accept();
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        emit enterOrEscape();
        event->accept();
        return;
    case Qt::Key_Up:
        emit stepKey(1);
        event->accept();
        return;
    case Qt::Key_Down:
        emit stepKey(-1);
        event->accept();
        return;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void CSpinEditBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A popup menu (the edit's context menu) is no leaving.
    if (event->reason() != Qt::PopupFocusReason) emit focusLeft();
}

}  // namespace halvane::app::CustomControls

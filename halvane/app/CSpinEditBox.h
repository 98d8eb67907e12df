#pragma once

#include <QLineEdit>

namespace halvane::app::CustomControls {

// The edit field inside a spin box. Backspace keeps a completion's text
// and grows its selection leftwards (see SpinBackspace); Enter and Escape
// run the spin box's leave check and keep the focus here with all text
// selected, instead of closing the dialog; Up and Down step the spin box.
class CSpinEditBox final : public QLineEdit {
    Q_OBJECT

public:
    explicit CSpinEditBox(QWidget* parent = nullptr);

signals:
    // The text changed by a key this box handled itself (as a typed edit).
    void editedByKey(const QString& text);
    void enterOrEscape();
    void stepKey(int delta);
    void focusLeft();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace halvane::app::CustomControls

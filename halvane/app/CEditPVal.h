#pragma once

#include <QLineEdit>

#include <string>

namespace halvane::app::CustomControls {

// An edit box bound to a value through a pointer: every change of the text
// is parsed into the variable; leaving the box with a text that does not
// parse writes the variable's text back and keeps the focus with all text
// selected. The kind of value comes from the subclass.
class CEditPVal : public QLineEdit {
    Q_OBJECT

public:
    explicit CEditPVal(int id, QWidget* parent = nullptr);

    int id() const { return id_; }
    // Shows the variable's text.
    void ShowValue();
    // The dialog's data exchange: parse the text (failure: focus back with
    // all text selected).
    bool validate();
    void load() { ShowValue(); }

protected:
    // Applies `text` to the variable; false when it does not parse (or was
    // pulled to a limit).
    virtual bool parse(const std::string& text) = 0;
    virtual std::string show() const = 0;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onEdited(const QString& text);

    int id_;
    bool guard_ = false;
};

}  // namespace halvane::app::CustomControls

#pragma once

#include "halvane/app/controls/DoubleField.h"

#include <QLineEdit>

#include <string>

namespace CustomControls {

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
    void update();
    // The dialog's data exchange: parse the text (failure: focus back with
    // all text selected).
    bool validate();
    void load() { update(); }

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

// CEditPDouble: a double with a minimum and a maximum, shown as "%lf"
// (always with '.', whatever the locale). "nan" and "inf" are no numbers.
class CEditPDouble final : public CEditPVal {
    Q_OBJECT

public:
    explicit CEditPDouble(int id, QWidget* parent = nullptr);
    // Binds `variable` (may be null: shows 0) with its limits and shows it.
    void bind(double* variable, double minimum, double maximum);

protected:
    bool parse(const std::string& text) override;
    std::string show() const override;

private:
    double* variable_ = nullptr;
    DoubleField field_{0.0, 0.0};
};

}  // namespace CustomControls

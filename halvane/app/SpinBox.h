#pragma once

#include "halvane/app/models/SpinAccelTable.h"
#include "halvane/app/models/SpinModel.h"
#include "platform/Clock.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QToolButton;

namespace halvane::app::CustomControls {

class CSpinEditBox;

// The window every spin box of the dialogs is made of ("MFCCSpin"): an
// edit field (1335) and an up-down pair (1349) over a bound int. It shows
// the variable, writes every accepted change straight into it and tells
// the dialog through valueChanged(id, this) on every up-down step and when
// the edit field is left. What it shows and how it steps comes from its
// SpinModel; SpinTextBox, CSpin and CSpinText only choose the model.
class SpinBox : public QWidget {
    Q_OBJECT

public:
    // `id` is the control's dialog id (objectName "idc_<id>").
    explicit SpinBox(int id, QWidget* parent = nullptr, platform::Clock& clock = platform::systemClock());
    ~SpinBox() override;

    int id() const { return id_; }

    // Binds the owner's variable (null: a variable of the box's own) and
    // shows it.
    void bind(int* variable);
    int* variable() const { return variable_; }
    int value() const { return *variable_; }

    // Shows the variable (the spin boxes' update): moves it onto the
    // choices, rewrites the edit text when it differs.
    void ShowValue();
    // The dialog's data exchange: validate() checks the edit text (failure:
    // the focus goes back to the edit with all text selected); load()
    // redisplays.
    bool validate();
    void load() { ShowValue(); }

    // One up-down step of `delta` (the acceleration already applied).
    void stepBy(int delta);

    CSpinEditBox* edit() const { return edit_; }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }
    const std::vector<models::CustomControls::SpinAccel>& accelTable() const { return accel_; }
    bool textValid() const { return valid_; }

signals:
    void valueChanged(int id, QWidget* control);

protected:
    // The kind of spin box: set by the subclasses before showing.
    void setModel(std::unique_ptr<models::CustomControls::SpinModel> model);
    const models::CustomControls::SpinModel& model() const { return *model_; }
    QLabel* label() const { return label_; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTyped(const QString& text);
    void onLeave();
    void onButtonRepeat(int direction);
    void setEditText(const QString& text);

    int id_;
    platform::Clock& clock_;
    std::unique_ptr<models::CustomControls::SpinModel> model_;
    int own_ = 0;
    int* variable_ = &own_;
    bool guard_ = false;
    bool valid_ = true;
    std::vector<models::CustomControls::SpinAccel> accel_;
    long long pressedAt_ = 0;
    CSpinEditBox* edit_;
    QToolButton* up_;
    QToolButton* down_;
    QLabel* label_;
};

}  // namespace halvane::app::CustomControls

#pragma once

#include "pellivar/CommandSpec.h"
#include "pellivar/Notifiable.h"
#include "pellivar/SHItem.h"
#include "pellivar/SubscribedInt.h"
#include "pellivar/UnitLink.h"

#include <QGroupBox>

#include <memory>

class QLineEdit;
class QSlider;

namespace pellivar::ui {

// A value with an edit field and a slider inside a captioned frame, bound to
// one int and to its processor command. While live, every change sends the
// set command at once: valid typing as it is typed, text that is no valid
// value when the field loses focus (clamped, with the range message), and
// every slider move. Each change is also reported with valueChanged().
//
// Bound to a SubscribedInt, the control follows the value's replies; bound
// to a plain int it subscribes its own reply key (a value outside the range
// becomes 0). A control without a command prefix sends and subscribes
// nothing.
class CSliderPInt : public QGroupBox, private ValueObserver, private ReplyWindow {
    Q_OBJECT
public:
    explicit CSliderPInt(const QString& caption, QWidget* parent = nullptr);
    ~CSliderPInt() override;

    void Bind(SubscribedInt& value, int minimum, int maximum);
    void BindRaw(int& value, int minimum, int maximum, UnitLink* link, const CommandSpec& command);
    void Unbind();
    // Stores the range and clamps the value into it (nothing is sent).
    void SetRange(int minimum, int maximum);

    // While live (the default) changes are sent and the query answers
    // QueryValue; the output resolution page clears it while editing.
    void SetLive(bool live) { live_ = live; }
    bool IsLive() const { return live_; }

    // The set command with the current value, when live.
    void SendValue();
    // The set / query command regardless of live (bulk exchanges).
    void SendSetNow();
    void QueryNow();
    void QueryValue();  // when live

    int Value() const { return value_ != nullptr ? *value_ : 0; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    int Divisor() const { return divisor_; }
    const CommandSpec& Command() const { return command_; }
    QLineEdit* Edit() const { return edit_; }
    QSlider* Slider() const { return slider_; }
    // Shows the value in the edit and the slider.
    void Refresh();

signals:
    void valueChanged();

protected:
    void SetDivisor(int divisor) { divisor_ = divisor < 1 ? 1 : divisor; }
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnValueChanged() override { Refresh(); }
    void OnControlRequestCompleted(const std::string& reply) override;
    void OnTextEdited(const QString& text);
    void OnEditingFinished();
    void OnSliderAction(int action);
    void OnSliderMoved(int position);
    void StoreFromEdit();
    void AfterStore();
    bool TextAcceptable(const QString& text) const;

    CommandSpec command_;
    int* value_ = nullptr;
    int unbound_ = 0;
    SubscribedInt* bound_ = nullptr;
    UnitLink* rawLink_ = nullptr;
    std::shared_ptr<SHItem> rawItem_;
    int minimum_ = 0;
    int maximum_ = 100;
    int divisor_ = 1;
    bool dragging_ = false;
    bool editValid_ = true;
    bool live_ = true;
    bool refreshing_ = false;
    bool pageStep_ = false;
    bool pendingPageStep_ = false;
    QLineEdit* edit_;
    QSlider* slider_;
};

}  // namespace pellivar::ui

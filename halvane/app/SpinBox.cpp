#include "halvane/app/SpinBox.h"

#include "halvane/app/CSpinEditBox.h"
#include "platform/UserPrompt.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace halvane::app::CustomControls {

namespace {

// Sets a flag for the life of a scope: the box's own changes of its text
// (and the box it shows) must not run its change handlers again.
class Guard {
public:
    explicit Guard(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~Guard() { flag_ = saved_; }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    bool& flag_;
    bool saved_;
};

QToolButton* arrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The buttons never take the focus: a click must not count as leaving
    // the edit field.
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    return button;
}

}  // namespace

SpinBox::SpinBox(int id, QWidget* parent, platform::Clock& clock)
    : QWidget(parent), id_(id), clock_(clock), model_(std::make_unique<models::CustomControls::ListSpinModel>(models::CustomControls::ValueList())),
      edit_(new CSpinEditBox(this)), up_(arrowButton(Qt::UpArrow, this)), down_(arrowButton(Qt::DownArrow, this)),
      label_(new QLabel(this)) {
    setObjectName(QStringLiteral("idc_%1").arg(id));
    auto* updown = new QWidget(this);
    updown->setObjectName(QStringLiteral("idc_1349"));
    auto* arrows = new QVBoxLayout(updown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    up_->setParent(updown);
    down_->setParent(updown);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    label_->setVisible(false);
    label_->setAlignment(Qt::AlignCenter);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_, 1);
    layout->addWidget(updown);
    layout->addWidget(label_);
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);

    connect(edit_, &QLineEdit::textEdited, this, &SpinBox::onTyped);
    connect(edit_, &CSpinEditBox::editedByKey, this, &SpinBox::onTyped);
    connect(edit_, &CSpinEditBox::focusLeft, this, &SpinBox::onLeave);
    connect(edit_, &CSpinEditBox::enterOrEscape, this, [this] {
        onLeave();
        edit_->setFocus(Qt::OtherFocusReason);
        edit_->selectAll();
    });
    connect(edit_, &CSpinEditBox::stepKey, this, [this](int delta) { stepBy(delta); });
    // The hold starts with the real mouse press: an auto-repeating button
    // signals pressed() again on every repeat.
    up_->installEventFilter(this);
    down_->installEventFilter(this);
    connect(up_, &QToolButton::clicked, this, [this] { onButtonRepeat(1); });
    connect(down_, &QToolButton::clicked, this, [this] { onButtonRepeat(-1); });
}

SpinBox::~SpinBox() = default;

void SpinBox::setModel(std::unique_ptr<models::CustomControls::SpinModel> model) {
    model_ = std::move(model);
    accel_ = models::CustomControls::SpinAccelTable(model_->range());
}

void SpinBox::bind(int* variable) {
    variable_ = variable != nullptr ? variable : &own_;
    ShowValue();
}

void SpinBox::setEditText(const QString& text) {
    Guard guard(guard_);
    if (edit_->text() != text) edit_->setText(text);
}

void SpinBox::ShowValue() {
    setEditText(QString::fromStdString(model_->display(*variable_)));
    valid_ = true;
}

bool SpinBox::validate() {
    // Nothing typed since the value was shown (an empty list shows nothing
    // and still passes).
    if (valid_) return true;
    const models::CustomControls::SpinTyped typed = model_->typed(edit_->text().toStdString());
    if (typed.value) *variable_ = *typed.value;
    valid_ = typed.valid;
    if (!typed.valid) {
        Guard guard(guard_);
        edit_->setFocus(Qt::OtherFocusReason);
        edit_->selectAll();
    }
    return typed.valid;
}

void SpinBox::onTyped(const QString& text) {
    if (guard_) return;
    const models::CustomControls::SpinTyped typed = model_->typed(text.toStdString());
    if (typed.completedText) {
        Guard guard(guard_);
        const QString completed = QString::fromStdString(*typed.completedText);
        const int from = static_cast<int>(QString::fromStdString(typed.completedText->substr(0, typed.completedFrom)).size());
        edit_->setText(completed);
        edit_->setSelection(from, static_cast<int>(completed.size()) - from);
    }
    valid_ = typed.valid;
    if (typed.value) *variable_ = *typed.value;
}

void SpinBox::onLeave() {
    if (guard_) return;
    if (valid_) {
        ShowValue();
    } else if (!validate()) {
        // The box takes the focus and gives it back: the guard keeps that
        // from running this check again.
        Guard guard(guard_);
        platform::CurrentUserPrompt().MessageBox("Bad value", "Error", platform::MB_OK);
        ShowValue();
        edit_->setFocus(Qt::OtherFocusReason);
        edit_->selectAll();
    } else {
        ShowValue();
    }
    emit valueChanged(id_, this);
}

void SpinBox::stepBy(int delta) {
    if (guard_ || delta == 0) return;
    const std::optional<int> next = model_->step(*variable_, delta);
    if (!next) return;
    *variable_ = *next;
    ShowValue();
    emit valueChanged(id_, this);
    edit_->selectAll();
}

bool SpinBox::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == up_ || watched == down_) && event->type() == QEvent::MouseButtonPress) pressedAt_ = clock_.nowMs();
    return QWidget::eventFilter(watched, event);
}

void SpinBox::onButtonRepeat(int direction) {
    stepBy(direction * SpinAccelIncrement(accel_, clock_.nowMs() - pressedAt_));
}

}  // namespace halvane::app::CustomControls

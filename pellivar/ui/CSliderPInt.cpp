#include "pellivar/ui/CSliderPInt.h"

#include "pellivar/ValueEntry.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QAbstractSlider>
#include <QEvent>
#include <QLineEdit>
#include <QSlider>
#include <QHBoxLayout>

#include <algorithm>

namespace pellivar::ui {

CSliderPInt::CSliderPInt(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), value_(&unbound_), edit_(new QLineEdit(this)), slider_(new QSlider(Qt::Horizontal, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(6);
    edit_->setMaximumWidth(90);
    edit_->setObjectName("edit303");
    slider_->setObjectName("slider317");
    slider_->setTickPosition(QSlider::NoTicks);
    slider_->setPageStep(1);
    slider_->setSingleStep(1);
    slider_->installEventFilter(this);
    layout->addWidget(edit_);
    layout->addWidget(slider_, 1);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textEdited, this, &CSliderPInt::OnTextEdited);
    connect(edit_, &QLineEdit::editingFinished, this, &CSliderPInt::OnEditingFinished);
    connect(slider_, &QAbstractSlider::actionTriggered, this, &CSliderPInt::OnSliderAction);
    connect(slider_, &QAbstractSlider::valueChanged, this, &CSliderPInt::OnSliderMoved);
    Refresh();
}

CSliderPInt::~CSliderPInt() { Unbind(); }

void CSliderPInt::Unbind() {
    if (bound_ != nullptr) bound_->RemoveObserver(this);
    bound_ = nullptr;
    if (rawItem_) {
        rawItem_->Detach();
        if (rawLink_ != nullptr) rawLink_->Unsubscribe(rawItem_.get());
        rawItem_.reset();
    }
    rawLink_ = nullptr;
    value_ = &unbound_;
}

void CSliderPInt::Bind(SubscribedInt& value, int minimum, int maximum) {
    if (bound_ != &value) {
        Unbind();
        bound_ = &value;
        value.AddObserver(this);
    }
    value_ = value.ValuePtr();
    command_ = value.Command();
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    Refresh();
}

void CSliderPInt::BindRaw(int& value, int minimum, int maximum, UnitLink* link, const CommandSpec& command) {
    Unbind();
    value_ = &value;
    command_ = command;
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    rawLink_ = link;
    const std::string key = command_.ReplyKey();
    if (link != nullptr && !key.empty()) {
        rawItem_ = std::make_shared<SHItem>(key, static_cast<ReplyWindow*>(this));
        if (!link->Subscribe(rawItem_)) rawItem_.reset();
    }
    Refresh();
}

void CSliderPInt::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    *value_ = std::clamp(*value_, minimum_, maximum_);
    Refresh();
}

void CSliderPInt::Refresh() {
    if (ClosingFlag()) return;
    refreshing_ = true;
    slider_->setRange(minimum_, maximum_);
    slider_->setValue(*value_);
    const QString text = divisor_ == 1 ? QString::number(*value_)
                                       : QString::fromStdString(ValueEntry::FormatDivided(*value_, divisor_));
    if (edit_->text() != text) {
        // Typing in progress keeps its cursor where it is.
        const bool focused = edit_->hasFocus();
        const int cursor = edit_->cursorPosition();
        edit_->setText(text);
        if (focused) edit_->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
    }
    refreshing_ = false;
}

bool CSliderPInt::TextAcceptable(const QString& text) const {
    const std::string t = text.toStdString();
    return divisor_ == 1 ? ValueEntry::IntegerAcceptable(t, minimum_, maximum_)
                         : ValueEntry::DecimalAcceptable(t, minimum_, maximum_, divisor_);
}

void CSliderPInt::OnTextEdited(const QString& text) {
    editValid_ = TextAcceptable(text);
    if (editValid_) {
        dragging_ = false;
        StoreFromEdit();
    }
}

void CSliderPInt::OnEditingFinished() {
    if (!editValid_) StoreFromEdit();
}

void CSliderPInt::StoreFromEdit() {
    if (ClosingFlag()) return;
    const std::string text = edit_->text().toStdString();
    const ValueEntry::Stored s = divisor_ == 1 ? ValueEntry::StoreInteger(text, minimum_, maximum_, *value_)
                                               : ValueEntry::StoreDecimal(text, minimum_, maximum_, divisor_, *value_);
    *value_ = s.value;
    editValid_ = s.valid;
    if (!s.message.empty()) {
        ShowBox(s.message, divisor_ == 1 ? ValueEntry::kIntegerCaption : ValueEntry::kDecimalCaption);
    }
    if (!s.valid) {
        Refresh();
        edit_->setFocus();
        edit_->selectAll();
        editValid_ = true;
    } else {
        refreshing_ = true;
        slider_->setValue(*value_);
        refreshing_ = false;
    }
    if (s.changed) AfterStore();
}

void CSliderPInt::OnSliderAction(int action) {
    pageStep_ = action == QAbstractSlider::SliderPageStepAdd || action == QAbstractSlider::SliderPageStepSub;
}

// A page step moves by one and only shows it; the end of the scroll (the
// button or key let go) sends it. Every other move is stored and sent.
void CSliderPInt::OnSliderMoved(int position) {
    if (refreshing_ || ClosingFlag()) return;
    *value_ = std::clamp(position, minimum_, maximum_);
    Refresh();
    if (pageStep_) {
        pageStep_ = false;
        pendingPageStep_ = true;
        return;
    }
    dragging_ = true;
    AfterStore();
}

bool CSliderPInt::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_ && pendingPageStep_ &&
        (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease)) {
        pendingPageStep_ = false;
        dragging_ = true;
        AfterStore();
    }
    return QGroupBox::eventFilter(watched, event);
}

void CSliderPInt::AfterStore() {
    SendValue();
}

void CSliderPInt::SendValue() {
    if (live_) SendSetNow();
    emit valueChanged();
}

void CSliderPInt::SendSetNow() {
    if (bound_ != nullptr) {
        bound_->SendSet();
        return;
    }
    const std::string set = command_.BuildSet(*value_);
    if (rawLink_ != nullptr && !set.empty()) rawLink_->UpdateUnitWithString(set);
}

void CSliderPInt::QueryNow() {
    if (bound_ != nullptr) {
        bound_->SendQuery();
        return;
    }
    const std::string query = command_.BuildQuery();
    if (rawLink_ != nullptr && !query.empty()) rawLink_->UpdateUnitWithString(query);
}

void CSliderPInt::QueryValue() {
    if (live_ && !command_.Prefix().empty()) QueryNow();
}

void CSliderPInt::OnControlRequestCompleted(const std::string& reply) {
    int v = *value_;
    if (command_.Parse(reply, v)) *value_ = v < minimum_ || v > maximum_ ? 0 : v;
    Refresh();
}

void CSliderPInt::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        edit_->setEnabled(isEnabled());
        slider_->setEnabled(isEnabled());
    }
    QGroupBox::changeEvent(event);
}

void CSliderPInt::focusInEvent(QFocusEvent* event) {
    QGroupBox::focusInEvent(event);
    edit_->setFocus();
    edit_->selectAll();
}

}  // namespace pellivar::ui

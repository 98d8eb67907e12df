#include "pellivar/ui/CStringSlider.h"

#include "pellivar/SourcePageModel.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QComboBox>
#include <QVBoxLayout>

namespace pellivar::ui {

CStringSlider::CStringSlider(const QString& caption, QWidget* parent) : QGroupBox(caption, parent), combo_(new QComboBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    combo_->setObjectName("combo1333");
    layout->addWidget(combo_);
    setFocusProxy(combo_);
    connect(combo_, &QComboBox::activated, this, &CStringSlider::OnActivated);
}

CStringSlider::~CStringSlider() { Unbind(); }

void CStringSlider::Unbind() {
    if (bound_ != nullptr) bound_->RemoveObserver(this);
    bound_ = nullptr;
}

void CStringSlider::Bind(SubscribedInt& value, const std::string& values, const std::string& labels,
                         const std::string& exclusions) {
    if (bound_ != &value) {
        Unbind();
        bound_ = &value;
        value.AddObserver(this);
    }
    if (values != values_ || labels != labels_ || exclusions != exclusions_ || combo_->count() == 0) {
        values_ = values;
        labels_ = labels;
        exclusions_ = exclusions;
        combo_->clear();
        for (const Choice& c : ParseChoices(values, labels, exclusions))
            combo_->addItem(QString::fromStdString(c.label), c.value);
    }
    Refresh();
}

void CStringSlider::Refresh() {
    if (ClosingFlag() || bound_ == nullptr || combo_->count() == 0) return;
    const int at = combo_->findData(bound_->Value());
    if (at >= 0) {
        combo_->setCurrentIndex(at);
        return;
    }
    const int last = combo_->count() - 1;
    combo_->setCurrentIndex(last);
    bound_->SetValue(combo_->itemData(last).toInt());
}

void CStringSlider::OnActivated(int index) {
    if (bound_ == nullptr || index < 0) return;
    bound_->SetValue(combo_->itemData(index).toInt());
    bound_->SendSet();
    emit valueChanged();
}

void CStringSlider::QueryValue() {
    if (bound_ != nullptr) bound_->SendQuery();
}

}  // namespace pellivar::ui

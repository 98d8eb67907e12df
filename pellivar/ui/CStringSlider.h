#pragma once

#include "pellivar/Notifiable.h"
#include "pellivar/SubscribedInt.h"

#include <QGroupBox>

class QComboBox;

namespace pellivar::ui {

// A value chosen from a list of named choices inside a captioned frame. A
// choice sends the set command at once; a value the list does not hold
// selects the last choice and takes its value (without sending).
class CStringSlider final : public QGroupBox, private ValueObserver {
    Q_OBJECT
public:
    explicit CStringSlider(const QString& caption, QWidget* parent = nullptr);
    ~CStringSlider() override;

    void Bind(SubscribedInt& value, const std::string& values, const std::string& labels,
              const std::string& exclusions = {});
    void Unbind();
    void Refresh();
    void QueryValue();

    QComboBox* Combo() const { return combo_; }
    int Value() const { return bound_ != nullptr ? bound_->Value() : 0; }

signals:
    void valueChanged();

private:
    void OnValueChanged() override { Refresh(); }
    void OnActivated(int index);

    SubscribedInt* bound_ = nullptr;
    std::string values_, labels_, exclusions_;
    QComboBox* combo_;
};

}  // namespace pellivar::ui

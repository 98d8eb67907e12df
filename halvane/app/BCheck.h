#pragma once

#include <QCheckBox>

#include <cstdint>

namespace halvane::app::CustomControls {

// A check box bound to a flag: a click sets the variable to the new check
// state, then, by the notify mode, passes the click on to the dialog as a
// plain click (mode 1: plainClick(id)) or sends valueChanged(id, this)
// (mode 2); other modes do nothing more. Unbound, a click changes nothing
// and tells nobody.
class BCheck final : public QCheckBox {
    Q_OBJECT

public:
    static constexpr int kPassClick = 1;
    static constexpr int kNotifyValue = 2;

    explicit BCheck(int id, const QString& text = QString(), QWidget* parent = nullptr);

    int id() const { return id_; }
    void bind(bool* variable, int mode);
    void bind(std::int32_t* variable, int mode);
    // Shows the variable.
    void ShowValue();
    void load() { ShowValue(); }

signals:
    void valueChanged(int id, QWidget* control);
    void plainClick(int id);

private:
    void onClicked(bool checked);

    int id_;
    int mode_ = 0;
    bool* flag_ = nullptr;
    std::int32_t* number_ = nullptr;
};

}  // namespace halvane::app::CustomControls

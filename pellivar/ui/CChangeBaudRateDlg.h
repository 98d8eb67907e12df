#pragma once

#include <QDialog>

class QComboBox;

namespace pellivar::ui {

// "Select Baud Rate": the speed to look for the unit at (index 0-7 =
// 1200-115200, 19200 preselected), or "Try All" speeds.
class CChangeBaudRateDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CChangeBaudRateDlg(QWidget* parent = nullptr);

    int SpeedIndex() const;
    void SetSpeedIndex(int index);
    bool TryAll() const { return tryAll_; }
    QComboBox* Combo() const { return combo_; }

private:
    QComboBox* combo_;
    bool tryAll_ = false;
};

}  // namespace pellivar::ui

#pragma once

#include "halvane/app/models/AdvancedTargetModel.h"

#include <QDialog>

#include <array>

namespace halvane::app::CustomControls {
class CSpin;
class SpinTextBox;
}  // namespace halvane::app::CustomControls

namespace halvane::app {

// Dialog 464, "Advanced Target Customization": the subwoofer high-pass
// order and frequency, the lowest subwoofer EQ frequency of both
// configurations, and the reference level. It edits the values it is given
// in place (the target customisation hands it copies and takes them back
// after OK).
class CAdvancedTargetConfigurationDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr std::array<int, 2> kOrderIds{1096, 1097};
    static constexpr std::array<int, 2> kFrequencyIds{1098, 1100};
    static constexpr std::array<int, 2> kMinEqIds{1099, 1101};
    static constexpr int kRefLevelId = 1063;

    explicit CAdvancedTargetConfigurationDlg(models::AdvancedTargetModel& values, QWidget* parent = nullptr);
    ~CAdvancedTargetConfigurationDlg() override;

    // Binds and enables the controls by the current values (again after
    // every change a control reports).
    void UpdateControls();

    CustomControls::SpinTextBox* Order(int configuration) const;
    CustomControls::CSpin* Frequency(int configuration) const;
    CustomControls::CSpin* MinEq(int configuration) const;
    CustomControls::CSpin* RefLevel() const { return refLevel_; }

public slots:
    void accept() override;

private:
    models::AdvancedTargetModel& values_;
    std::array<CustomControls::SpinTextBox*, 2> order_{};
    std::array<CustomControls::CSpin*, 2> frequency_{};
    std::array<CustomControls::CSpin*, 2> minEq_{};
    CustomControls::CSpin* refLevel_;
    bool updating_ = false;
};

}  // namespace halvane::app

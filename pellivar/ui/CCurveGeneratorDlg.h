#pragma once

#include "pellivar/CGammaList.h"
#include "pellivar/CurveGenerator.h"

#include <QDialog>

class QCheckBox;

namespace pellivar::ui {

class CCubicSplineGraph;
class CSliderPIntStepDiv;

// "Curve Generator": builds a gamma curve from a linear shift, a concavity
// and an inflection, with a preview that follows every change.
class CCurveGeneratorDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CCurveGeneratorDlg(QWidget* parent = nullptr);
    ~CCurveGeneratorDlg() override;

    const CGammaList& Curve() const { return preview_; }
    CurveGeneratorParams Params() const;
    void Recompute();

    CSliderPIntStepDiv* MinControl() const { return min_; }
    CSliderPIntStepDiv* MaxControl() const { return max_; }
    CSliderPIntStepDiv* ConcavityControl() const { return concavity_; }
    CSliderPIntStepDiv* InflectionControl() const { return inflection_; }
    CSliderPIntStepDiv* PositionControl() const { return position_; }

private:
    CurveGeneratorParams values_;
    CGammaList preview_;
    QCheckBox* linearActive_;
    QCheckBox* concavityActive_;
    QCheckBox* inflectionActive_;
    CSliderPIntStepDiv* min_;
    CSliderPIntStepDiv* max_;
    CSliderPIntStepDiv* concavity_;
    CSliderPIntStepDiv* inflection_;
    CSliderPIntStepDiv* position_;
    CCubicSplineGraph* graph_;
};

}  // namespace pellivar::ui

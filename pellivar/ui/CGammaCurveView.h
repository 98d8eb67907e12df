#pragma once

#include "pellivar/GammaCurveExchange.h"
#include "pellivar/ui/CPageView.h"

#include <memory>

class QComboBox;
class QLabel;
class QRadioButton;

namespace pellivar::ui {

class CCubicSplineGraph;

// "Custom Gamma Correction": the editor over the document's four curves,
// either the single curve 0 ("Custom Gamma 1") or the red, green and blue
// curves 1-3 ("Custom Gamma 2"). Every change is sent at once: the whole
// curve after a point is added or removed, the moved point (and the curve's
// end marker) after a drag; each is read back once the editing settles.
class CGammaCurveView final : public CPageView {
    Q_OBJECT
public:
    static constexpr int kSideWidth = 230;
    static constexpr const char* kHelpText =
        "Drag points up/down.\nTo also drag sideways, hold CTRL then drag.\nSHIFT + left click to add point.\n"
        "SHIFT + right click to delete point.\nMouse wheel zooms in/out.\nCTRL+SHIFT + left hold and drag to "
        "navigate while zoomed.";

    explicit CGammaCurveView(CPellivarApp& app, QWidget* parent = nullptr);
    ~CGammaCurveView() override;

    void OnInitialUpdate() override;

    // Advanced Video Settings' Upload and Retrieve (selection 0 both, 1
    // curve 0, 2 curves 1-3); 1 when every curve was queued.
    int SendCurves(int selection) { return exchange_->SendCurves(selection); }
    int RequestCurves(int selection) { return exchange_->RequestCurves(selection); }
    bool SendCurve();
    bool SendPoint(int index);

    // 0 in single-curve mode, else 1-3 from the colour list.
    int ActiveCurve() const;
    // A curve as the page names it ("Custom Gamma Correction, Custom Gamma 2
    // Red").
    static std::string CurveName(int curve);
    void SetSplitMode(bool split);
    void OnCurveGenerator();
    // Replaces the active curve (the generator's OK).
    void ApplyGeneratedCurve(const CGammaList& curve);

    CCubicSplineGraph* Graph() const { return graph_; }
    QComboBox* ColourList() const { return colours_; }
    QLabel* PositionText() const { return position_; }
    GammaCurveExchange& Exchange() { return *exchange_; }

private:
    void ShowCurves();

    std::unique_ptr<GammaCurveExchange> exchange_;
    CCubicSplineGraph* graph_;
    QLabel* position_;
    QRadioButton* single_;
    QRadioButton* split_;
    QComboBox* colours_;
    bool initialised_ = false;
};

}  // namespace pellivar::ui

#pragma once

#include "pellivar/CustomOutputResolutionSettings.h"
#include "pellivar/OutputTiming.h"
#include "pellivar/SHItem.h"
#include "pellivar/ui/CPageView.h"

#include <array>
#include <memory>
#include <string>

class QCheckBox;
class QLineEdit;

namespace pellivar::ui {

class CSliderPInt;

// "Custom Output Resolution": the output timing, kept consistent by the
// recalculation on every change (in pixel-rate or refresh mode). Nothing
// here is sent while editing; "Upload" on "Advanced Video Settings" sends it
// all (SendAll) and "Retrieve" asks for it (QueryAll).
class CCustomOutputRez final : public CPageView, private ReplyWindow {
    Q_OBJECT
public:
    static constexpr const char* kTooFastText = "Pixel Clock Rate can't be greater than 165000000";
    static constexpr const char* kHelpText1 =
        "If adjusting the refresh rate directly it is not possible to enter non-integral refresh rates. If the "
        "custom output resolution you want requires a decimal refresh rate change the pixel clock rate and "
        "remember the following equation:";
    static constexpr const char* kHelpText2 = "Pixel Clock = HTotal X VTotal X VerticalRefresh";
    static constexpr const char* kTitle = "Custom Output Resolution";
    static constexpr const char* kPixelRateLabel = "Pixel Clock Rate";

    // A value as the page names it ("Custom Output Resolution, Horizontal
    // Size Total"); the pixel rate by kPixelRateLabel.
    static std::string Name(CustomOutputResolutionSettings::Field field);
    static std::string PixelRateName();

    explicit CCustomOutputRez(CPellivarApp& app, QWidget* parent = nullptr);
    ~CCustomOutputRez() override;

    void OnInitialUpdate() override;
    // 1 when everything was queued, 0 when the pixel clock is too fast.
    int SendAll();
    int QueryAll();
    // How a recalculation may touch the document. Showing the page only
    // shows it: the values stay as they are (the ranges widen to hold them)
    // and the refresh shown is P / (H x V). An edit by the user corrects
    // whatever the new value makes inconsistent (totals, pixel rate, field
    // values) and marks the document modified when anything changed.
    enum class Cause { Show, Edit };
    void Recalc(Cause cause = Cause::Edit);
    // Loads a standard row into the document and shows it.
    void LoadStandard(const std::array<int, 13>& row);
    void OnLoadStandard();

    CSliderPInt* Control(CustomOutputResolutionSettings::Field f) const { return controls_[f]; }
    CSliderPInt* RefreshControl() const { return refreshControl_; }
    QLineEdit* PixelEdit() const { return pixelEdit_; }
    QCheckBox* UsePixelRate() const { return usePixel_; }
    int Refresh() const { return refresh_; }

private:
    void OnControlRequestCompleted(const std::string& reply) override;
    void ShowPixelRate();
    // True when the edit held a new pixel rate, now in the document.
    bool StorePixelRate();
    void ApplyMode();
    void Bind();

    std::array<CSliderPInt*, CustomOutputResolutionSettings::kFieldCount> controls_{};
    CSliderPInt* refreshControl_;
    QLineEdit* pixelEdit_;
    QCheckBox* usePixel_;
    int refresh_ = 60;
    bool subscribed_ = false;
    bool recalculating_ = false;
    std::shared_ptr<SHItem> highItem_, lowItem_;
};

}  // namespace pellivar::ui

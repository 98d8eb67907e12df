#pragma once

#include "halvane/app/CGraphCtrlCurves.h"
#include "halvane/app/models/GraphViewCurves.h"
#include "halvane/app/models/GraphViewLayout.h"
#include "halvane/signal/ChannelTable.h"

#include <QAbstractScrollArea>

#include <array>

namespace halvane::signal {
class CCurveSet;
}

namespace halvane::document {
class AppState;
}
namespace halvane::document {
struct DocumentData;
}

namespace halvane::app {

class CGraphCtrl;

// The left view of the main frame: one graph per channel (control ids
// 1000 + channel, titled with the channel's name), shown only for the
// channels that hold a measured curve in the current configuration, in the
// listing order (fronts, surrounds, rears, center, subwoofer) and arranged
// for the window's size; the panes below the screen are reached by
// scrolling. The view owns the curves the panes draw (see PaneCurves).
//
// The wheel over a pane zooms that pane only while the pane holds the
// mouse (the pointer over its plot area); elsewhere it scrolls the view.
class CGraphView final : public QAbstractScrollArea, public CGraphCtrlCurves {
    Q_OBJECT

public:
    static constexpr int kFirstPaneId = 1000;

    // The document may be null (nothing drawn) and may be set later; the
    // application state supplies the view switches.
    explicit CGraphView(document::AppState& app, QWidget* parent = nullptr);
    ~CGraphView() override;

    void SetDocument(const document::DocumentData* doc);
    const document::DocumentData* Document() const { return doc_; }

    // The pane of a channel (0..7), or null.
    CGraphCtrl* Pane(int channel) const;

    // Lays the panes out for the current size and the document's measured
    // curves (the main frame calls it after every change).
    void Layout();
    const models::GraphViewLayout& CurrentLayout() const { return layout_; }
    // Repaints every pane (the document changed).
    void OnUpdate();
    // Auto-scales the eight panes, channel 0 to 7.
    void AutoScaleAll();

    // --- CGraphCtrlCurves ----------------------------------------------------
    void GetCurves(CGraphCtrl& control, models::CurveList& curves) override;
    // The document's reference level plus its offset, as the top of the
    // automatic scale; false without a document.
    bool GetScaleHint(CGraphCtrl& control, double& top) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int ChannelOf(const CGraphCtrl& control) const;
    const signal::CCurveSet* MeasuredSet() const;
    void ApplyLayout();
    void PlacePanes();

    document::AppState& app_;
    const document::DocumentData* doc_ = nullptr;
    std::array<CGraphCtrl*, signal::ChannelTable::kCount> panes_{};
    std::array<models::PaneCurves, signal::ChannelTable::kCount> curves_;
    models::GraphViewLayout layout_;
    bool layingOut_ = false;
};

}  // namespace halvane::app

#include "halvane/app/CGraphView.h"

#include "halvane/app/CGraphCtrl.h"
#include "halvane/app/CoreText.h"
#include "halvane/document/DocumentData.h"
#include "halvane/procedures/framework/CSpkrs.h"

#include <QApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace halvane::app {

CGraphView::CGraphView(document::AppState& app, QWidget* parent) : QAbstractScrollArea(parent), app_(app) {
    setObjectName(QStringLiteral("graphView"));
    setFrameShape(QFrame::NoFrame);
    // The panes always fill the width; only rows of panes scroll.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    for (int channel = 0; channel < signal::ChannelTable::kCount; ++channel) {
        auto* pane = new CGraphCtrl(viewport());
        pane->setObjectName(QStringLiteral("idc_%1").arg(kFirstPaneId + channel));
        pane->setWindowTitle(CoreText(procedures::CSpkrs(channel).ToString()));
        pane->SetCurveOwner(this);
        pane->installEventFilter(this);
        pane->hide();
        panes_[static_cast<std::size_t>(channel)] = pane;
    }
    Layout();
}

CGraphView::~CGraphView() {
    // The panes go with the viewport after this object's own parts; they
    // must not ask it for curves on the way.
    for (CGraphCtrl* pane : panes_) {
        pane->removeEventFilter(this);
        pane->SetCurveOwner(nullptr);
    }
}

void CGraphView::SetDocument(const document::DocumentData* doc) {
    doc_ = doc;
    for (models::PaneCurves& c : curves_) c.Clear();
    Layout();
    OnUpdate();
}

CGraphCtrl* CGraphView::Pane(int channel) const {
    return signal::ChannelTable::IsChannel(channel) ? panes_[static_cast<std::size_t>(channel)] : nullptr;
}

const signal::CCurveSet* CGraphView::MeasuredSet() const {
    // The views' slot 2: the measured set of the document's configuration.
    constexpr int kCurrentMeasured = 2;
    return doc_ != nullptr ? doc_->GetCurveSet(kCurrentMeasured) : nullptr;
}

int CGraphView::ChannelOf(const CGraphCtrl& control) const {
    for (int channel = 0; channel < signal::ChannelTable::kCount; ++channel)
        if (panes_[static_cast<std::size_t>(channel)] == &control) return channel;
    return -1;
}

void CGraphView::GetCurves(CGraphCtrl& control, models::CurveList& curves) {
    const int channel = ChannelOf(control);
    if (channel < 0) return;
    const models::CGraph& graph = control.Graph();
    const models::PaneAxes axes{graph.TimeDomain(), graph.YKindValue(), graph.PhaseShown()};
    curves_[static_cast<std::size_t>(channel)].Fill(doc_, models::ViewSwitches::Of(app_), channel, axes, curves);
}

bool CGraphView::GetScaleHint(CGraphCtrl&, double& top) {
    if (doc_ == nullptr) return false;
    top = doc_->m_TargetConfig.RefLevel + doc_->m_TargetConfig.RefLevelOffsetDb;
    return true;
}

void CGraphView::Layout() {
    if (layingOut_) return;
    layingOut_ = true;
    // Showing or hiding the scroll bar changes the client width, and with
    // it the arrangement: lay out again until the size holds (twice at
    // most in practice).
    for (int pass = 0; pass < 3; ++pass) {
        const QSize before = viewport()->size();
        ApplyLayout();
        if (viewport()->size() == before) break;
    }
    layingOut_ = false;
    PlacePanes();
}

void CGraphView::ApplyLayout() {
    const signal::CCurveSet* measured = MeasuredSet();
    const int count = measured != nullptr ? measured->Count() : 0;
    layout_ = models::LayOutGraphView(viewport()->width(), viewport()->height(), count);
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, layout_.total.height - viewport()->height()));
    v->setPageStep(std::max(1, layout_.page.height));
    v->setSingleStep(std::max(1, layout_.line.height));
}

void CGraphView::PlacePanes() {
    const signal::CCurveSet* measured = MeasuredSet();
    const int scrollY = verticalScrollBar()->value();
    int k = 0;
    for (const int channel : signal::ChannelTable::kListOrder) {
        if (!signal::ChannelTable::IsChannel(channel)) break;
        CGraphCtrl* pane = panes_[static_cast<std::size_t>(channel)];
        if (measured == nullptr || !measured->HasCurve(channel)) {
            pane->hide();
            continue;
        }
        const models::PlotPoint at = layout_.PanePosition(k++, 0, 0, scrollY);
        pane->setGeometry(at.x, at.y, layout_.paneWidth, layout_.paneHeight);
        pane->show();
    }
}

void CGraphView::OnUpdate() {
    for (CGraphCtrl* pane : panes_) pane->update();
}

void CGraphView::AutoScaleAll() {
    for (CGraphCtrl* pane : panes_) pane->AutoScale(true);
}

void CGraphView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Layout();
}

void CGraphView::scrollContentsBy(int, int) {
    if (!layingOut_) PlacePanes();
}

bool CGraphView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* pane = qobject_cast<CGraphCtrl*>(watched);
        if (pane != nullptr && !pane->IsCaptured() && ChannelOf(*pane) >= 0) {
            // Not the pane's wheel: the view scrolls, as it does for the
            // wheel anywhere else over it.
            QApplication::sendEvent(verticalScrollBar(), event);
            return true;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

}  // namespace halvane::app

// The graph view and the colour legend under the offscreen platform: which
// panes show where, curves drawn on the logarithmic frequency axis, the
// wheel routed between a pane's zoom and the view's scrolling, and the
// legend's colours and selection.
#include "halvane/app/CColorLegend.h"
#include "halvane/app/CGraphCtrl.h"
#include "halvane/app/CGraphView.h"
#include "halvane/document/AppState.h"
#include "halvane/document/DocumentData.h"
#include "halvane/signal/CCurve.h"

#include "GuiTestApp.h"

#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace halvane::signal;

namespace {

using halvane::document::AppState;
using halvane::app::CColorLegend;
using halvane::app::CGraphCtrl;
using halvane::app::CGraphView;
using halvane::document::DocumentData;

const QColor kMeasuredRed(204, 0, 0);    // 0x0000CC
const QColor kTargetBlue(0, 0, 204);     // 0xCC0000
const QColor kCalculatedGreen(0, 204, 0);

// A flat response of `magnitude` (Cartesian, imaginary part 0) on 400
// points spaced evenly in log frequency from 20 Hz to 20 kHz.
std::unique_ptr<CCurve> Flat(double magnitude) {
    constexpr int n = 400;
    auto c = std::make_unique<CCurve>(n, CIndexVector::Frequency, CComplexVector::Cartesian);
    for (int i = 0; i < n; ++i) {
        c->X()[i] = 20.0 * std::pow(1000.0, i / (n - 1.0));
        c->A()[i] = magnitude;
        c->B()[i] = 0.0;
    }
    return c;
}

class GraphViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }

    void SetUp() override {
        // Five channels measured in the Movie configuration: the fronts,
        // the right surround, the center and the subwoofer, at 0.1 (-20 dB).
        for (int channel : {0, 2, 3, 1, 7}) doc_.CurveSetSlot(DocumentData::MeasuredMovie)->Add(channel, Flat(0.1));
        // The reference level: the automatic scale's top comes from it.
        doc_.m_TargetConfig.RefLevel = -1;
        doc_.m_TargetConfig.RefLevelOffsetDb = 0.0;
        view_ = std::make_unique<CGraphView>(app_);
        view_->SetDocument(&doc_);
        view_->resize(1200, 800);
        view_->show();
        QCoreApplication::processEvents();
    }

    QRect PaneRect(int channel) const { return view_->Pane(channel)->geometry(); }

    void Wheel(QWidget* target, QPoint p, int delta) {
        QWheelEvent event(QPointF(p), QPointF(target->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
    void Move(QWidget* target, QPoint p) {
        QMouseEvent event(QEvent::MouseMove, QPointF(p), QPointF(target->mapToGlobal(p)), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    AppState app_;
    DocumentData doc_;
    std::unique_ptr<CGraphView> view_;
};

TEST_F(GraphViewTest, MeasuredChannelsShowInListingOrderTwoByTwo) {
    const halvane::app::models::GraphViewLayout& l = view_->CurrentLayout();
    EXPECT_EQ(l.columns, 2);
    EXPECT_EQ(l.rows, 2);
    EXPECT_EQ(l.paneRows, 3);  // five panes
    EXPECT_EQ(l.paneWidth, view_->viewport()->width() / 2);
    EXPECT_EQ(l.paneHeight, 400);
    // Listing order 0, 2, 6, 3, 5, 4, 1, 7 with 6, 5 and 4 unmeasured.
    EXPECT_EQ(PaneRect(0).topLeft(), QPoint(0, 0));
    EXPECT_EQ(PaneRect(2).topLeft(), QPoint(l.paneWidth, 0));
    EXPECT_EQ(PaneRect(3).topLeft(), QPoint(0, 400));
    EXPECT_EQ(PaneRect(1).topLeft(), QPoint(l.paneWidth, 400));
    EXPECT_EQ(PaneRect(7).topLeft(), QPoint(0, 800));
    EXPECT_EQ(PaneRect(0).size(), QSize(l.paneWidth, 400));
    for (int channel : {0, 1, 2, 3, 7}) EXPECT_TRUE(view_->Pane(channel)->isVisible()) << channel;
    for (int channel : {4, 5, 6}) EXPECT_FALSE(view_->Pane(channel)->isVisible()) << channel;
    // Ids and titles.
    EXPECT_EQ(view_->Pane(6)->objectName(), QStringLiteral("idc_1006"));
    EXPECT_EQ(view_->Pane(6)->windowTitle(), QStringLiteral("Left Surround"));
    EXPECT_EQ(view_->findChild<CGraphCtrl*>(QStringLiteral("idc_1007"))->windowTitle(), QStringLiteral("Subwoofer"));
    // Scrolling: 1200 of content in 800, a page of 200, a line of 50.
    QScrollBar* v = view_->verticalScrollBar();
    EXPECT_EQ(v->maximum(), 1200 - view_->viewport()->height());
    EXPECT_EQ(v->pageStep(), 200);
    EXPECT_EQ(v->singleStep(), 50);
    v->setValue(150);
    EXPECT_EQ(PaneRect(0).topLeft(), QPoint(0, -150));
    EXPECT_EQ(PaneRect(7).topLeft(), QPoint(0, 650));
}

TEST_F(GraphViewTest, ANewMeasurementOrConfigurationLaysThePanesOutAgain) {
    doc_.CurveSetSlot(DocumentData::MeasuredMovie)->Add(6, Flat(0.1));
    view_->Layout();
    EXPECT_TRUE(view_->Pane(6)->isVisible());
    EXPECT_EQ(PaneRect(6).topLeft(), QPoint(0, 400));
    // Music has nothing measured: no panes, nothing to scroll.
    doc_.m_nConfig = 1;
    view_->Layout();
    for (int channel = 0; channel < 8; ++channel) EXPECT_FALSE(view_->Pane(channel)->isVisible()) << channel;
    EXPECT_EQ(view_->verticalScrollBar()->maximum(), 0);
    // A narrow window: one column.
    doc_.m_nConfig = 0;
    view_->resize(590, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(view_->CurrentLayout().columns, 1);
    EXPECT_EQ(PaneRect(2).topLeft(), QPoint(0, 400));
}

TEST_F(GraphViewTest, FrequencyCurvesAreDrawnOnTheLogAxisWithoutTouchingTheDocument) {
    doc_.CurveSetSlot(DocumentData::TargetMovie)->Add(0, Flat(1.0));
    doc_.CurveSetSlot(DocumentData::CalculatedMovie)->Add(0, Flat(0.01));
    CGraphCtrl* pane = view_->Pane(0);
    const QImage image = pane->grab().toImage();
    const halvane::app::models::CGraphMap& map = pane->Graph().GetMap();
    // The scale comes from the reference level -1 dB: 5 ceil(9 / 5) = 10 at
    // the top, 5 floor(-41 / 5) = -45 at the bottom.
    EXPECT_DOUBLE_EQ(map.GetMaxY(), 10.0);
    EXPECT_DOUBLE_EQ(map.GetMinY(), -45.0);
    const int x = map.XToPixel(1000.0);
    EXPECT_TRUE(NearColour(image, QPoint(x, map.YToPixel(-20.0)), kMeasuredRed, 3));
    EXPECT_TRUE(NearColour(image, QPoint(x, map.YToPixel(-40.0)), kCalculatedGreen, 3));
    // The target is dotted: somewhere along a short stretch of its line.
    bool target = false;
    for (int dx = -12; dx <= 12 && !target; dx += 3)
        target = NearColour(image, QPoint(x + dx, map.YToPixel(0.0)), kTargetBlue, 2);
    EXPECT_TRUE(target);
    // Painting converted copies only.
    EXPECT_EQ(doc_.CurveSetSlot(DocumentData::MeasuredMovie)->Find(0)->Form(), CComplexVector::Cartesian);
    EXPECT_EQ(doc_.CurveSetSlot(DocumentData::MeasuredMovie)->Find(0)->A()[7], 0.1);
    EXPECT_EQ(doc_.CurveSetSlot(DocumentData::TargetMovie)->Find(0)->Form(), CComplexVector::Cartesian);
}

TEST_F(GraphViewTest, ColoursAndSwitchesReachThePanes) {
    CGraphCtrl* pane = view_->Pane(0);
    doc_.m_CurveColor[0] = 0x00FF00FF;  // magenta
    view_->OnUpdate();
    QImage image = pane->grab().toImage();
    const halvane::app::models::CGraphMap& map = pane->Graph().GetMap();
    const QPoint at(map.XToPixel(1000.0), map.YToPixel(-20.0));
    EXPECT_TRUE(NearColour(image, at, QColor(255, 0, 255), 3));
    app_.CurveDisplayFlags = 0;
    image = pane->grab().toImage();
    EXPECT_FALSE(NearColour(image, at, QColor(255, 0, 255), 3));
}

TEST_F(GraphViewTest, TargetsOnTopAreDrawnOverTheMeasuredCurve) {
    // Target and measured curve at the same level: the dotted target shows
    // only when it is drawn last.
    doc_.CurveSetSlot(DocumentData::TargetMovie)->Add(0, Flat(0.1));
    CGraphCtrl* pane = view_->Pane(0);
    auto targetVisible = [&] {
        const QImage image = pane->grab().toImage();
        const halvane::app::models::CGraphMap& map = pane->Graph().GetMap();
        const int x = map.XToPixel(1000.0), y = map.YToPixel(-20.0);
        for (int dx = -20; dx <= 20; ++dx)
            if (NearColour(image, QPoint(x + dx, y), kTargetBlue, 1)) return true;
        return false;
    };
    EXPECT_TRUE(targetVisible());
    app_.TargetsOnTop = 0;
    EXPECT_FALSE(targetVisible());
    app_.ShowTargets = 0;
    app_.CurveDisplayFlags = 0;
    EXPECT_FALSE(targetVisible());
    app_.ShowTargets = 1;
    EXPECT_TRUE(targetVisible());  // alone, the dotted target shows
}

TEST_F(GraphViewTest, TheWheelZoomsAHeldPaneAndOtherwiseScrollsTheView) {
    CGraphCtrl* pane = view_->Pane(0);
    pane->grab();  // the first paint scales the pane
    const double low = pane->Graph().GetMap().GetMinX();
    QScrollBar* v = view_->verticalScrollBar();
    ASSERT_EQ(v->value(), 0);

    // Over the pane's margin the pane does not hold the mouse: the view
    // scrolls by lines.
    Wheel(pane, QPoint(2, 2), -120);
    EXPECT_GT(v->value(), 0);
    EXPECT_DOUBLE_EQ(pane->Graph().GetMap().GetMinX(), low);
    v->setValue(0);

    // Over the plot area the pane takes the mouse and zooms.
    const QPoint centre = pane->PlotRect().center();
    Move(pane, centre);
    ASSERT_TRUE(pane->IsCaptured());
    Wheel(pane, centre, 120);
    EXPECT_EQ(v->value(), 0);
    EXPECT_GT(pane->Graph().GetMap().GetMinX(), low);

    // Auto Scale brings every pane back to the whole band.
    view_->AutoScaleAll();
    EXPECT_NEAR(pane->Graph().GetMap().GetMinX(), 20.0, 1e-9);
    EXPECT_DOUBLE_EQ(pane->Graph().GetMap().GetMaxY(), 10.0);
}

TEST_F(GraphViewTest, WithoutADocumentNothingShowsAndTheScaleComesFromTheCurves) {
    view_->SetDocument(nullptr);
    for (int channel = 0; channel < 8; ++channel) EXPECT_FALSE(view_->Pane(channel)->isVisible());
    double top = 0.0;
    EXPECT_FALSE(view_->GetScaleHint(*view_->Pane(0), top));
    halvane::app::models::CurveList curves;
    view_->GetCurves(*view_->Pane(0), curves);
    EXPECT_TRUE(curves.empty());
    // A control that is not one of the view's panes gets nothing either.
    view_->SetDocument(&doc_);
    CGraphCtrl stranger;
    view_->GetCurves(stranger, curves);
    EXPECT_TRUE(curves.empty());
    view_->GetCurves(*view_->Pane(0), curves);
    EXPECT_EQ(curves.size(), 1u);
}

class ColorLegendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
    void SetUp() override {
        legend_.SetDocument(&doc_);
        legend_.resize(400, 200);
        legend_.show();
        QCoreApplication::processEvents();
        legend_.MeasureRow(rowWidth_, rowHeight_);
        charWidth_ = rowWidth_ / 103;
    }
    // The middle of a row's colour line, and a point of its background
    // beyond the text.
    QPoint LinePoint(int row) const { return {charWidth_ * 5 / 2, row * rowHeight_ + rowHeight_ / 2}; }
    QPoint Background(int row) const { return {legend_.viewport()->width() - 3, row * rowHeight_ + 1}; }
    QImage Grab() { return legend_.viewport()->grab().toImage(); }

    DocumentData doc_;
    CColorLegend legend_;
    int rowWidth_ = 0, rowHeight_ = 0, charWidth_ = 0;
};

TEST_F(ColorLegendTest, RowsShowTheDocumentsColoursAndTheSelection) {
    ASSERT_GT(charWidth_, 0);
    EXPECT_EQ(rowWidth_, charWidth_ * 103);
    const QImage image = Grab();
    EXPECT_EQ(image.pixelColor(LinePoint(1)), kMeasuredRed);
    EXPECT_EQ(image.pixelColor(LinePoint(2)), kTargetBlue);
    EXPECT_EQ(image.pixelColor(LinePoint(3)), kCalculatedGreen);
    const QPalette& pal = legend_.palette();
    EXPECT_EQ(image.pixelColor(Background(1)), pal.color(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(Background(0)), pal.color(QPalette::Base));
    EXPECT_EQ(image.pixelColor(Background(2)), pal.color(QPalette::Base));

    doc_.m_CurveColor[2] = 0x00FF8000;  // red 0, green 128, blue 255
    legend_.OnUpdate();
    EXPECT_EQ(Grab().pixelColor(LinePoint(3)), QColor(0, 128, 255));
}

TEST_F(ColorLegendTest, KeysAndClicksMoveTheSelectionWithinTheCurveRows) {
    QTest::keyClick(&legend_, Qt::Key_Up);
    EXPECT_EQ(legend_.GetSelectedRow(), 1);
    QTest::keyClick(&legend_, Qt::Key_Home);  // row 0 cannot be selected
    EXPECT_EQ(legend_.GetSelectedRow(), 1);
    QTest::keyClick(&legend_, Qt::Key_Down);
    EXPECT_EQ(legend_.GetSelectedRow(), 2);
    QTest::keyClick(&legend_, Qt::Key_End);
    EXPECT_EQ(legend_.GetSelectedRow(), 3);
    QTest::keyClick(&legend_, Qt::Key_Down);
    EXPECT_EQ(legend_.GetSelectedRow(), 3);
    QTest::mouseClick(legend_.viewport(), Qt::LeftButton, {}, QPoint(10, rowHeight_ / 2));
    EXPECT_EQ(legend_.GetSelectedRow(), 3);
    QTest::mouseClick(legend_.viewport(), Qt::LeftButton, {}, QPoint(10, 2 * rowHeight_ + rowHeight_ / 2));
    EXPECT_EQ(legend_.GetSelectedRow(), 2);
    QCoreApplication::processEvents();
    const QImage image = Grab();
    EXPECT_EQ(image.pixelColor(Background(2)), legend_.palette().color(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(Background(3)), legend_.palette().color(QPalette::Base));
}

}  // namespace

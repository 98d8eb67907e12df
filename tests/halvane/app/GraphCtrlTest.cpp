// The graph control under the offscreen platform: pixels of its grabs
// (background, curves, focus frame), and the wheel, keys and dragged
// rectangle changing its ranges.
#include "GuiTestApp.h"
#include "halvane/app/CGraphCtrl.h"
#include "halvane/app/CGraphCtrlCurves.h"
#include "halvane/signal/CCurve.h"
#include "halvane/signal/DbleVect.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace halvane::signal;

namespace {

using halvane::app::CGraphCtrl;
using halvane::app::models::CurveEntry;
using halvane::app::models::CurveList;

const QColor kBackground(255, 255, 245);
const QColor kRed(204, 0, 0);  // the measured curves' default colour, 0x0000CC

DbleVect Vector(const std::vector<double>& values) {
    DbleVect v;
    v.Assign(values.data(), static_cast<int>(values.size()));
    return v;
}

class Owner final : public halvane::app::CGraphCtrlCurves {
public:
    void GetCurves(CGraphCtrl&, CurveList& curves) override {
        ++calls;
        for (const CurveEntry& e : entries) curves.push_back(e);
    }
    bool GetScaleHint(CGraphCtrl&, double& top) override {
        if (!hint) return false;
        top = level;
        return true;
    }
    std::vector<CurveEntry> entries;
    bool hint = false;
    double level = 0.0;
    int calls = 0;
};

class GraphCtrlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }

    void SetUp() override {
        // A flat -25 dB line from 20 Hz to 20 kHz, 200 points spaced evenly
        // in log frequency, plus a NaN point and a curve of unequal counts.
        std::vector<double> xs, ys;
        for (int i = 0; i < 200; ++i) {
            xs.push_back(20.0 * std::pow(1000.0, i / 199.0));
            ys.push_back(i == 50 ? std::numeric_limits<double>::quiet_NaN() : -25.0);
        }
        x_ = Vector(xs);
        y_ = Vector(ys);
        short_ = Vector({-3});
        owner_.entries = {{0, 10, 0x0000CC, &x_, &y_}, {0, 10, 0x00CC00, &x_, &short_}};
        ctrl_.SetCurveOwner(&owner_);
        ctrl_.resize(690, 450);
        ctrl_.show();
    }

    QImage Grab() { return ctrl_.grab().toImage(); }

    void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(p), QPointF(ctrl_.mapToGlobal(p)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&ctrl_, &event);
    }
    void Wheel(QPoint p, int delta) {
        QWheelEvent event(QPointF(p), QPointF(ctrl_.mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&ctrl_, &event);
    }

    double MinX() const { return ctrl_.Graph().GetMap().GetMinX(); }
    double MaxX() const { return ctrl_.Graph().GetMap().GetMaxX(); }
    double MinY() const { return ctrl_.Graph().GetMap().GetMinY(); }
    double MaxY() const { return ctrl_.Graph().GetMap().GetMaxY(); }

    DbleVect x_, y_, short_;
    Owner owner_;
    CGraphCtrl ctrl_;
};

TEST_F(GraphCtrlTest, BackgroundOnlyInsideThePlotArea) {
    const QImage image = Grab();
    const QRect plot = ctrl_.PlotRect();
    ASSERT_GT(plot.width(), 100);
    // 3 to 2, within the space the margins leave.
    EXPECT_NEAR(plot.width() * 2.0 / plot.height(), 3.0, 0.02);
    EXPECT_GE(plot.left(), ctrl_.Graph().LeftMargin());
    EXPECT_LE(plot.bottom(), 450 - ctrl_.Graph().BottomMargin());
    // Between grid lines near the middle, and away from the curve.
    const auto& map = ctrl_.Graph().GetMap();
    EXPECT_TRUE(NearColour(image, QPoint(map.XToPixel(250), map.YToPixel(-55)), kBackground, 4));
    int outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!plot.contains(x, y) && image.pixelColor(x, y) == kBackground) ++outside;
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
}

TEST_F(GraphCtrlTest, FirstPaintScalesToTheCurvesAndDrawsThem) {
    EXPECT_TRUE(ctrl_.NeedsAutoScale());
    const QImage image = Grab();
    EXPECT_FALSE(ctrl_.NeedsAutoScale());
    // Highest level -25 dB: top 10 * ceil(-2.5) = -20, 50 dB down.
    EXPECT_DOUBLE_EQ(MaxY(), -20.0);
    EXPECT_DOUBLE_EQ(MinY(), -70.0);
    EXPECT_NEAR(MinX(), 20.0, 1e-9);
    EXPECT_NEAR(MaxX(), 20000.0, 1e-6);
    const auto& map = ctrl_.Graph().GetMap();
    const int y = map.YToPixel(-25.0);
    for (double f : {40.0, 1000.0, 15000.0}) EXPECT_TRUE(NearColour(image, QPoint(map.XToPixel(f), y), kRed, 1)) << f;
    EXPECT_FALSE(NearColour(image, QPoint(map.XToPixel(1000.0), y - 30), kRed, 3));
    EXPECT_FALSE(NearColour(image, QPoint(map.XToPixel(1000.0), y + 30), kRed, 3));
    // The curve of unequal counts draws nothing.
    const QColor green(0, 204, 0);
    for (int yy = 0; yy < image.height(); ++yy)
        for (int xx = 0; xx < image.width(); ++xx) ASSERT_NE(image.pixelColor(xx, yy), green);
}

TEST_F(GraphCtrlTest, ScaleHintAndNoOwner) {
    owner_.hint = true;
    owner_.level = -7.3;
    ctrl_.AutoScale(true);
    EXPECT_DOUBLE_EQ(MaxY(), 5.0);
    EXPECT_DOUBLE_EQ(MinY(), -50.0);
    CGraphCtrl lone;
    lone.AutoScale(false);
    EXPECT_DOUBLE_EQ(lone.Graph().GetMap().GetMinY(), -90.0);
    EXPECT_DOUBLE_EQ(lone.Graph().GetMap().GetMaxY(), 200.0);
}

TEST_F(GraphCtrlTest, WheelOverThePlotZooms) {
    ctrl_.AutoScale(true);
    const QPoint centre = ctrl_.PlotRect().center();
    // Half steps add up to one.
    Wheel(centre, 60);
    EXPECT_NEAR(MinX(), 20.0, 1e-9);
    Wheel(centre, 60);
    EXPECT_GT(MinX(), 25.0);
    EXPECT_LT(MaxX(), 16000.0);
    EXPECT_NEAR(MaxY() - MinY(), 45.0, 0.5);
    // Two steps out come back to the whole band.
    Wheel(centre, -240);
    EXPECT_NEAR(MinX(), 20.0, 1e-9);
    EXPECT_NEAR(MaxX(), 20000.0, 1e-6);
}

TEST_F(GraphCtrlTest, UpAndDownKeysZoomAboutTheCentre) {
    ctrl_.AutoScale(true);
    QTest::keyClick(&ctrl_, Qt::Key_Up);
    const double low = MinX(), high = MaxX();
    EXPECT_GT(low, 25.0);
    // About the centre: the geometric middle stays (within a pixel).
    EXPECT_NEAR(std::log(low * high) / 2.0, std::log(std::sqrt(20.0 * 20000.0)), 0.03);
    QTest::keyClick(&ctrl_, Qt::Key_Down);
    EXPECT_LT(MinX(), low);
}

TEST_F(GraphCtrlTest, HoverCapturesAndDragZooms) {
    ctrl_.AutoScale(true);
    const QRect plot = ctrl_.PlotRect();
    const QPoint a = plot.topLeft() + QPoint(plot.width() / 4, plot.height() / 4);
    const QPoint b = plot.topLeft() + QPoint(plot.width() / 2, plot.height() * 3 / 4);
    Send(QEvent::MouseMove, a, Qt::NoButton, Qt::NoButton);
    ASSERT_TRUE(ctrl_.IsCaptured());
    EXPECT_EQ(ctrl_.cursor().shape(), Qt::CrossCursor);
    // The focus frame is black while captured.
    const QPoint frame(plot.left() - static_cast<int>(std::lround(ctrl_.UnitsToPixels(4))), plot.center().y());
    EXPECT_EQ(Grab().pixelColor(frame), QColor(Qt::black));

    const auto expectedA = ctrl_.Graph().GetMap().ToValue(halvane::app::models::PlotPoint{a.x(), a.y()});
    const auto expectedB = ctrl_.Graph().GetMap().ToValue(halvane::app::models::PlotPoint{b.x(), b.y()});
    Send(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(ctrl_.IsDragging());
    Send(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(ctrl_.RubberBand(), QRect(a, b).normalized());
    // The band inverts the background under it.
    const QImage banded = Grab();
    int inverted = 0;
    for (int x = a.x(); x <= b.x(); ++x) inverted += banded.pixelColor(x, a.y()) == QColor(0, 0, 10) ? 1 : 0;
    EXPECT_GT(inverted, (b.x() - a.x()) / 2);
    Send(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(ctrl_.IsDragging());
    EXPECT_TRUE(ctrl_.RubberBand().isNull());
    EXPECT_NEAR(MinX(), expectedA.x, 1e-9);
    EXPECT_NEAR(MaxX(), expectedB.x, 1e-9);
    EXPECT_NEAR(MinY(), expectedB.y, 1e-9);
    EXPECT_NEAR(MaxY(), expectedA.y, 1e-9);

    // A drag that collapses to a point changes nothing.
    const double low = MinX(), high = MaxX(), bottom = MinY();
    Send(QEvent::MouseButtonPress, b, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    EXPECT_DOUBLE_EQ(MinX(), low);
    EXPECT_DOUBLE_EQ(MaxX(), high);
    EXPECT_DOUBLE_EQ(MinY(), bottom);

    // Leaving the plot area gives the capture back; the frame turns white.
    Send(QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(ctrl_.IsCaptured());
    EXPECT_EQ(Grab().pixelColor(frame), QColor(Qt::white));
}

TEST_F(GraphCtrlTest, PressWithoutCaptureDoesNotDrag) {
    ctrl_.AutoScale(true);
    Send(QEvent::MouseButtonPress, ctrl_.PlotRect().center(), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(ctrl_.IsDragging());
}

TEST_F(GraphCtrlTest, TinyControlsAndOtherAxesStillPaint) {
    ctrl_.resize(20, 10);
    EXPECT_FALSE(Grab().isNull());
    EXPECT_EQ(ctrl_.PlotRect().width(), 1);
    ctrl_.resize(690, 450);
    // Less than a decade, grid off: drawn with a linear step and tick marks.
    ctrl_.AutoScale(true);
    ctrl_.Graph().SetRange(1000, 1100, -30, -20);
    ctrl_.Graph().ToggleGrid();
    const QImage image = Grab();
    const auto& map = ctrl_.Graph().GetMap();
    EXPECT_TRUE(NearColour(image, QPoint(map.XToPixel(1050), map.YToPixel(-25)), kRed, 1));
    EXPECT_TRUE(NearColour(image, QPoint(map.XToPixel(1050), map.YToPixel(-22)), kBackground, 0));
}

TEST_F(GraphCtrlTest, ComplexCurvesAreShownInDecibels) {
    ctrl_.AutoScale(true);  // -70 .. -20 dB
    // A polar curve of magnitude 0.1 (-20 dB) ... 0.01 (-40 dB) over 100 Hz .. 10 kHz.
    CCurve curve(3, CIndexVector::Frequency, CComplexVector::Polar);
    const double f[] = {100, 1000, 10000}, m[] = {0.1, 0.05, 0.01};
    for (int i = 0; i < 3; ++i) {
        curve.X()[i] = f[i];
        curve.A()[i] = m[i];
        curve.B()[i] = 0.5;
    }
    QImage image(ctrl_.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        ctrl_.DrawComplexCurve(painter, QPen(kRed, 3), curve, 0);
    }
    EXPECT_EQ(curve.Form(), CComplexVector::Decibel);
    const auto& map = ctrl_.Graph().GetMap();
    // 20 * log10(0.05) = -26.0206 dB at 1 kHz.
    EXPECT_TRUE(NearColour(image, QPoint(map.XToPixel(1000), map.YToPixel(20 * std::log10(0.05))), kRed, 1));
    // Mode 2 shows real and imaginary parts; the phase flag the second one.
    ctrl_.Graph().SetPhaseShown(true);
    {
        QPainter painter(&image);
        ctrl_.DrawComplexCurve(painter, QPen(kRed, 3), curve, 2);
    }
    EXPECT_EQ(curve.Form(), CComplexVector::Cartesian);
    // A curve of one point draws nothing and keeps its form.
    CCurve single(1, CIndexVector::Frequency, CComplexVector::Polar);
    single.X()[0] = 1000;
    single.A()[0] = 1;
    single.B()[0] = 0;
    QPainter painter(&image);
    ctrl_.DrawComplexCurve(painter, QPen(kRed, 3), single, 0);
    EXPECT_EQ(single.Form(), CComplexVector::Polar);
}

}  // namespace

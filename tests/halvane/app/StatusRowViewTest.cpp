// The activity bar's cells in grabs, and the row view's drawing, scrolling,
// clicks and keys under the offscreen platform.
#include "GuiTestApp.h"
#include "halvane/app/CRowView.h"
#include "halvane/app/CStatusCtrl.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using halvane::app::CRowView;
using halvane::app::CStatusCtrl;

const QColor kOn(0, 128, 255);
const QColor kOff(235, 235, 255);
const QColor kRowFill(200, 255, 200);

class QtFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
};

using StatusCtrlTest = QtFixture;

TEST_F(StatusCtrlTest, LitRunMovesAcrossTheCells) {
    CStatusCtrl bar;
    bar.resize(300, 30);
    bar.show();
    EXPECT_EQ(bar.Model().Cells(), 15);
    EXPECT_EQ(bar.Model().Run(), 7);
    EXPECT_EQ(bar.Timer().interval(), 750);
    EXPECT_TRUE(bar.Timer().isActive());
    QImage image = bar.grab().toImage();
    for (int i = 0; i < 15; ++i) EXPECT_EQ(image.pixelColor(bar.CellRect(i).center()), i < 7 ? kOn : kOff) << i;
    bar.Tick();
    bar.Tick();
    image = bar.grab().toImage();
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(image.pixelColor(bar.CellRect(i).center()), i >= 2 && i < 9 ? kOn : kOff) << i;
    // The sunken edge is not the cells' colour.
    EXPECT_NE(image.pixelColor(0, 15), kOff);
    bar.SetRunning(false);
    image = bar.grab().toImage();
    for (int i = 0; i < 15; ++i) EXPECT_EQ(image.pixelColor(bar.CellRect(i).center()), kOff);
}

TEST_F(StatusCtrlTest, TheTimerMovesTheRun) {
    CStatusCtrl bar;
    bar.resize(300, 30);
    bar.show();
    bar.Timer().setInterval(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.Model().Position() >= 3; }, 5000));
}

TEST_F(StatusCtrlTest, BarsWithoutRoomForCellsDrawEmpty) {
    CStatusCtrl bar;
    bar.resize(300, 1);
    bar.show();
    EXPECT_EQ(bar.Model().Cells(), 0);
    bar.Tick();
    EXPECT_FALSE(bar.grab().toImage().isNull());
    EXPECT_TRUE(bar.CellRect(0).isEmpty());
}

// A row view over `count` rows of 200 by `height` pixels, each filled green.
class Rows final : public CRowView {
public:
    void MeasureRow(int& width, int& h) override {
        width = 200;
        h = height;
    }
    int GetSelectedRow() const override { return selected; }
    int GetRowCount() const override { return count; }
    void DrawRow(QPainter& painter, int row, int y, bool isSelected) override {
        drawn.push_back(row);
        painter.fillRect(QRect(0, y, 200, height), isSelected ? QColor(Qt::blue) : kRowFill);
    }
    void StepSelection(bool next) override { SelectRow(std::clamp(selected + (next ? 1 : -1), 0, count - 1)); }
    void SelectRow(int row) override {
        selected = row;
        SelectedRowChanged(row);
    }
    int count = 0;
    int height = 20;
    int selected = 0;
    std::vector<int> drawn;
};

class RowViewTest : public QtFixture {
protected:
    void SetUp() override {
        view_.resize(240, 240);
        view_.show();
    }
    void Click(int y) {
        const QPoint p(50, y);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(view_.viewport()->mapToGlobal(p)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view_.viewport(), &press);
    }
    QImage Grab() {
        view_.drawn.clear();
        return view_.viewport()->grab().toImage();
    }
    Rows view_;
};

TEST_F(RowViewTest, NoRowsDrawNothingAndDoNotScroll) {
    view_.OnUpdate();
    Grab();
    EXPECT_TRUE(view_.drawn.empty());
    EXPECT_EQ(view_.verticalScrollBar()->maximum(), 0);
}

TEST_F(RowViewTest, DrawsTheVisibleRowsAndSelectsWithClicksAndKeys) {
    view_.count = 50;
    view_.OnUpdate();
    const int client = view_.viewport()->height();
    EXPECT_EQ(view_.verticalScrollBar()->maximum(), 50 * 20 - client);
    EXPECT_EQ(view_.verticalScrollBar()->pageStep(), 20 * (client / 20 - 1));
    const QImage image = Grab();
    ASSERT_FALSE(view_.drawn.empty());
    EXPECT_EQ(view_.drawn.front(), 0);
    EXPECT_EQ(view_.drawn.back(), (client - 1) / 20);
    EXPECT_EQ(image.pixelColor(10, 5), QColor(Qt::blue));  // row 0 is selected
    EXPECT_EQ(image.pixelColor(10, 25), kRowFill);

    Click(45);
    EXPECT_EQ(view_.selected, 2);
    QTest::keyClick(&view_, Qt::Key_Down);
    EXPECT_EQ(view_.selected, 3);
    QTest::keyClick(&view_, Qt::Key_End);
    EXPECT_EQ(view_.selected, 49);
    // Scrolled so the row's bottom meets the client's bottom.
    EXPECT_EQ(view_.verticalScrollBar()->value(), 50 * 20 - client);
    QTest::keyClick(&view_, Qt::Key_PageUp);
    EXPECT_EQ(view_.verticalScrollBar()->value(), 50 * 20 - client - view_.verticalScrollBar()->pageStep());
    QTest::keyClick(&view_, Qt::Key_Home);
    EXPECT_EQ(view_.selected, 0);
    EXPECT_EQ(view_.verticalScrollBar()->value(), 0);
}

TEST_F(RowViewTest, ClickBelowTheLastRowChangesNothing) {
    view_.count = 3;
    view_.selected = 1;
    view_.OnUpdate();
    Click(150);
    EXPECT_EQ(view_.selected, 1);
    Click(5);
    EXPECT_EQ(view_.selected, 0);
}

TEST_F(RowViewTest, RowsPastTheLastDrawableOneShowANotice) {
    // Rows of 2^20 pixels: int coordinates reach row 2046 (INT_MAX / h - 1).
    view_.height = 1 << 20;
    view_.count = 5000;
    view_.OnUpdate();
    ASSERT_EQ(view_.LastViewableRow(), 2046);
    // Show the end of row 2045 and the top of the notice row below it.
    const int client = view_.viewport()->height();
    view_.verticalScrollBar()->setValue(static_cast<int>(view_.RowTop(2046)) - client / 2);
    const QImage image = Grab();
    ASSERT_FALSE(view_.drawn.empty());
    EXPECT_EQ(*std::max_element(view_.drawn.begin(), view_.drawn.end()), 2045);
    EXPECT_EQ(image.pixelColor(10, client / 4), kRowFill);
    // Some dark text in the notice row's half.
    bool text = false;
    for (int y = client / 2; y < client && !text; ++y)
        for (int x = 0; x < 200 && !text; ++x) text = image.pixelColor(x, y).lightness() < 128;
    EXPECT_TRUE(text);
}

}  // namespace

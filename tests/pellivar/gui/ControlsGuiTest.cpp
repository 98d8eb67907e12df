// The value controls and the curve editor on their pages, with every change
// sent to the simulated processor at once.

#include "GuiFixture.h"

#include "pellivar/ReadBack.h"
#include "pellivar/VideoSettingInfo.h"
#include "pellivar/ui/CCubicSplineGraph.h"
#include "pellivar/ui/CCurveGeneratorDlg.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CSliderPIntStepDiv.h"
#include "pellivar/ui/CSourcePageView.h"
#include "pellivar/ui/CStringSlider.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

namespace pellivar::test {
namespace {

using Controls = GuiFixture;

std::size_t count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

TEST_F(Controls, TypingSendsValidValuesAtOnceAndClampsTheRest) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(5, 2));  // DVD1, "Picture"
    CSliderPInt* contrast = frame_->SourcePage(2)->SliderById(1009);
    ASSERT_NE(contrast, nullptr);
    EXPECT_EQ(contrast->title(), "Contrast");
    clearRaw();
    contrast->Edit()->clear();
    QTest::keyClicks(contrast->Edit(), "150");  // "1" and "15" are sent as typed
    EXPECT_TRUE(waitForRaw("fcs515;\n"));
    QTest::keyClick(contrast->Edit(), Qt::Key_Return);
    EXPECT_TRUE(asked("Range is [(0) - (100)].\nValue was 150.", "Integer value out of range."));
    EXPECT_TRUE(waitForRaw("fcs5100;\n"));
    EXPECT_EQ(contrast->Edit()->text(), "100");
    EXPECT_EQ(app_->GetCurrentDoc().GetSourceSettings(5).Value(VideoSetting::PictureImageColorContrast).Value(), 100);
    EXPECT_TRUE(app_->GetCurrentDoc().IsModified());

    // A slider step sends too.
    clearRaw();
    contrast->Slider()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_TRUE(waitForRaw("fcs599;\n"));
    // A page step moves by one and is sent when the button is let go.
    clearRaw();
    contrast->Slider()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(contrast->Edit()->text(), "100");
    contrast->Slider()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(contrast->Edit()->text(), "99");
    pumpFor(100);
    EXPECT_EQ(raw().find("fcs5"), std::string::npos);
    QTest::mouseRelease(contrast->Slider(), Qt::LeftButton);
    EXPECT_TRUE(waitForRaw("fcs599;\n"));
    // A reply moves the control.
    sim_->inject("fc542\n");
    EXPECT_TRUE(waitFor([&] { return contrast->Edit()->text() == "42"; }));
}

// On a clean line a drag sends every step at once and is read back once,
// after it settles, with no box.
TEST_F(Controls, ADragIsSentStepByStepAndReadBackOnceItSettles) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(0, 0));  // CD, "Scaling"
    CSliderPInt* size = frame_->SourcePage(0)->SliderById(1036);
    ASSERT_NE(size, nullptr);
    const std::size_t boxes = asks().size();
    clearRaw();
    for (int i = 0; i < 30; ++i) size->Slider()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_TRUE(waitForRaw("fes070;\n"));
    const std::string drag = raw();
    EXPECT_EQ(drag.find("fe?0"), std::string::npos) << "read back before the drag settled";
    EXPECT_EQ(count(drag, "fes0"), 30u);
    EXPECT_TRUE(waitForRaw("fe?0;\n"));
    pumpFor(300);
    EXPECT_EQ(count(raw(), "?"), 1u);
    EXPECT_EQ(size->Edit()->text(), "70");
    EXPECT_EQ(asks().size(), boxes);
}

// A value the unit does not take is sent again a few times, then the page
// shows what the unit holds and one box names it. A newer edit made while
// the older is read back is not undone by the older one's resends.
TEST_F(Controls, AValueTheUnitDoesNotTakeIsNamedOnceAndShownAsTheUnitHoldsIt) {
    ASSERT_TRUE(connect());
    dialect([](sim::PellivarDialect& d) { d.knobs().refuseSetsOf = "fe"; });
    sim::FaultKnobs slow;
    slow.replyDelayMs = 500;  // the second value is typed while the first is asked for
    sim_->setFaults(slow);
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(0, 0));  // CD, "Scaling"
    CSliderPInt* size = frame_->SourcePage(0)->SliderById(1036);
    ASSERT_NE(size, nullptr);
    const std::size_t boxes = asks().size();
    clearRaw();
    size->Edit()->clear();
    QTest::keyClicks(size->Edit(), "91");
    ASSERT_TRUE(waitForRaw("fe?0;\n"));
    size->Edit()->clear();
    QTest::keyClicks(size->Edit(), "50");
    ASSERT_TRUE(waitFor([&] { return asks().size() > boxes; }, 20000));
    pumpFor(300);
    const std::string wire = raw();
    EXPECT_EQ(wire.find("fes091", wire.find("fes050;")), std::string::npos) << wire;
    EXPECT_EQ(count(wire, "fes050;"), 1u + ReadBack::kMaxResends);
    ASSERT_EQ(asks().size(), boxes + 1);
    const std::string box = asks().back().text;
    EXPECT_NE(box.find("\nCD, Scaling, Zoom Size: sent 50, the unit holds 100"), std::string::npos) << box;
    EXPECT_EQ(size->Edit()->text(), "100");
}

TEST_F(Controls, ExponentIsTypedInHundredths) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(5, 3));  // DVD1, "Output"
    auto* exponent = dynamic_cast<CSliderPIntStepDiv*>(frame_->SourcePage(3)->SliderById(1059));
    ASSERT_NE(exponent, nullptr);
    EXPECT_EQ(exponent->Edit()->text(), "1.00");
    clearRaw();
    exponent->Edit()->clear();
    QTest::keyClicks(exponent->Edit(), "1.5");
    EXPECT_TRUE(waitForRaw("fXs5150;\n"));
    exponent->Edit()->clear();
    QTest::keyClicks(exponent->Edit(), "0.2");
    QTest::keyClick(exponent->Edit(), Qt::Key_Return);
    EXPECT_TRUE(asked("Range is [(0.250000) - (4.000000)].\nValue was 0.200000.", "Decimal value out of range."));
    EXPECT_TRUE(waitForRaw("fXs525;\n"));
}

TEST_F(Controls, ChoiceListsShowTheirLabelsAndTakeTheLastForUnknownValues) {
    ASSERT_TRUE(connect());
    app_->GetCurrentDoc().GetSourceSettings(5).Value(VideoSetting::GammaCurveSelection).SetValue(7);
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(5, 3));
    CStringSlider* selection = frame_->SourcePage(3)->ChoiceById(1056);
    ASSERT_NE(selection, nullptr);
    QComboBox* combo = selection->Combo();
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(0), "Gamma Disabled");
    EXPECT_EQ(combo->itemData(0).toInt(), 3);
    EXPECT_EQ(combo->currentText(), "Gamma Custom2");
    EXPECT_EQ(app_->GetCurrentDoc().GetSourceSettings(5).Value(VideoSetting::GammaCurveSelection).Value(), 2);
    pumpFor(50);
    EXPECT_EQ(raw().find("fGs"), std::string::npos);  // taken without sending

    clearRaw();
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_TRUE(waitForRaw("fGs50;\n"));
}

TEST_F(Controls, CurveEditorAddsDeletesAndSendsTheCurve) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 2));
    CGammaCurveView* page = frame_->GammaView();
    ASSERT_EQ(frame_->CurrentView(), page);
    CCubicSplineGraph* graph = page->Graph();
    graph->resize(600, 500);
    EXPECT_EQ(graph->Title(), "Single Curve");
    CGammaList& curve = app_->GetCurrentDoc().GetGammaLists()[0];
    ASSERT_EQ(curve.GetCount(), 17);

    clearRaw();
    // SHIFT + left click just right of (128,128): a point at (160,160).
    QTest::mouseClick(graph, Qt::LeftButton, Qt::ShiftModifier, graph->ToClient(135, 128));
    ASSERT_EQ(curve.GetCount(), 18);
    EXPECT_EQ(curve.GetAt(3)->x, 160);
    EXPECT_TRUE(waitForRaw("fIs012AAAAAA;\n"));
    EXPECT_NE(raw().find("fIs0030a00a0;\n"), std::string::npos);

    // Between 128 and 144 is too close for another point.
    QTest::mouseClick(graph, Qt::LeftButton, Qt::ShiftModifier, graph->ToClient(135, 128));  // 160 is next: 32 apart
    QTest::mouseClick(graph, Qt::LeftButton, Qt::ShiftModifier, graph->ToClient(146, 146));
    const int afterTwo = curve.GetCount();
    QTest::mouseClick(graph, Qt::LeftButton, Qt::ShiftModifier, graph->ToClient(146, 146));
    EXPECT_EQ(curve.GetCount(), afterTwo);

    // The end points stay.
    QTest::mouseClick(graph, Qt::RightButton, Qt::ShiftModifier, graph->ToClient(0, 0));
    EXPECT_TRUE(asked("Can't delete an endpoint", "Error"));
    EXPECT_EQ(curve.GetAt(0)->x, 0);

    // Dragging a point sends that point and the end marker.
    clearRaw();
    const QPoint from = graph->ToClient(512, 512);
    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(graph->ToClient(512, 700)), QPointF(graph->mapToGlobal(graph->ToClient(512, 700))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &move);
    EXPECT_TRUE(page->PositionText()->text().startsWith("Selected Point At 512, "));
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, graph->ToClient(512, 700));
    const int index = curve.IndexOf(curve.FindNearest(512, 700, 5));
    ASSERT_GE(index, 0);
    EXPECT_NEAR(curve.GetAt(index)->y, 700, 3);
    EXPECT_EQ(graph->DragState(), CCubicSplineGraph::Drag::None);
    char expected[16];
    std::snprintf(expected, sizeof expected, "fIs0%02x200", index);
    EXPECT_TRUE(waitForRaw(expected));

    // Zooming in and out again restores the whole range.
    graph->ZoomIn();
    EXPECT_FALSE(graph->Map().IsFullView());
    graph->ZoomOut();
    EXPECT_TRUE(graph->Map().IsFullView());
}

TEST_F(Controls, SplitModeEditsTheColourCurves) {
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 2));
    CGammaCurveView* page = frame_->GammaView();
    EXPECT_EQ(page->ActiveCurve(), 0);
    page->SetSplitMode(true);
    EXPECT_EQ(page->Graph()->Title(), "Split RGB Curves");
    EXPECT_TRUE(page->ColourList()->isVisibleTo(page));
    page->ColourList()->setCurrentIndex(2);
    emit page->ColourList()->activated(2);
    EXPECT_EQ(page->ActiveCurve(), 3);  // "Blue"
    EXPECT_EQ(page->Graph()->ActiveCurve(), 2);
}

TEST_F(Controls, GeneratorPreviewFollowsItsControls) {
    CCurveGeneratorDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Curve Generator");
    EXPECT_EQ(dialog.Curve().Points(), CGammaList::DefaultCurve());
    dialog.ConcavityControl()->Edit()->clear();
    QTest::keyClicks(dialog.ConcavityControl()->Edit(), "100");
    EXPECT_EQ(dialog.Params().concavity, 100);
    EXPECT_EQ(dialog.Curve().GetAt(8)->x, 331);
    EXPECT_TRUE(dialog.Curve().IsValid());

    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 2));
    frame_->GammaView()->ApplyGeneratedCurve(dialog.Curve());
    EXPECT_EQ(app_->GetCurrentDoc().GetGammaLists()[0].GetAt(8)->x, 331);
}

}  // namespace
}  // namespace pellivar::test

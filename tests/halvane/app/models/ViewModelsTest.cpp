// What the views show of a document without any window: the curves of one
// graph pane (order, pens, colours, domains, and that the document's curves
// are never converted), the colour legend's rows and selection, the curve
// colour dialog's working colours, and the completion page's answer.
#include "halvane/app/models/ColorLegendModel.h"
#include "halvane/app/models/ColourPicker.h"
#include "halvane/app/models/CompletionPage.h"
#include "halvane/app/models/CurveColourChoice.h"
#include "halvane/app/models/GraphViewCurves.h"
#include "halvane/document/AppState.h"
#include "halvane/document/DocumentData.h"
#include "halvane/signal/CCurve.h"
#include "halvane/signal/CCurveSet.h"
#include "tests/halvane/app/models/ScriptedPicker.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

using namespace halvane::signal;

namespace {

using halvane::app::models::ColorLegendModel;
using halvane::app::models::CurveColourChoice;
using halvane::app::models::CurveList;
using halvane::document::DocumentData;
using halvane::app::models::PaneAxes;
using halvane::app::models::PaneCurves;
using halvane::app::models::ViewSwitches;

// A three-point curve in Cartesian form whose values are (3 + 4j) times
// `scale`, on a frequency (kind 0) or time (kind 1) axis.
std::unique_ptr<CCurve> Curve(double scale, int axisKind = CIndexVector::Frequency) {
    auto c = std::make_unique<CCurve>(3, axisKind, CComplexVector::Cartesian);
    const double x[] = {20.0, 1000.0, 20000.0};
    for (int i = 0; i < 3; ++i) {
        c->X()[i] = x[i];
        c->A()[i] = 3.0 * scale;
        c->B()[i] = 4.0 * scale;
    }
    return c;
}

class PaneCurvesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Channel 2 in every set of both configurations, each set with its
        // own scale so an entry tells where it came from.
        for (int slot : {0, 1, 2, 3, 4, 5}) doc_.CurveSetSlot(slot)->Add(2, Curve(slot + 1.0));
        doc_.m_CurveColor = {0x000001, 0x000002, 0x000003};
    }
    CurveList Fill(const ViewSwitches& s, int channel = 2, PaneAxes axes = {}) {
        CurveList list;
        pane_.Fill(&doc_, s, channel, axes, list);
        return list;
    }

    DocumentData doc_;
    PaneCurves pane_;
};

struct Expected {
    int penStyle;
    int penWidth;
    std::uint32_t colour;
    double scale;
};

void ExpectEntries(const CurveList& list, const std::vector<Expected>& expected) {
    ASSERT_EQ(list.size(), expected.size());
    auto it = list.begin();
    for (const Expected& e : expected) {
        EXPECT_EQ(it->penStyle, e.penStyle);
        EXPECT_EQ(it->penWidth, e.penWidth);
        EXPECT_EQ(it->colour, e.colour);
        ASSERT_NE(it->x, nullptr);
        ASSERT_NE(it->y, nullptr);
        EXPECT_EQ(it->x->Count(), 3);
        EXPECT_DOUBLE_EQ((*it->y)[0] / 5.0, e.scale);  // polar: |3 + 4j| = 5 times the scale
        ++it;
    }
}

TEST_F(PaneCurvesTest, InitialSwitchesDrawMeasuredCalculatedThenTargetsOnTop) {
    PaneAxes polar;
    polar.yKind = 0;
    ExpectEntries(Fill(ViewSwitches{}, 2, polar), {{0, 4, 0x000001, 1.0}, {0, 4, 0x000003, 3.0}, {2, 1, 0x000002, 5.0}});
}

TEST_F(PaneCurvesTest, TargetsGoFirstUnlessOnTopAndEachSwitchLeavesItsKindOut) {
    PaneAxes polar;
    polar.yKind = 0;
    ExpectEntries(Fill(ViewSwitches{1, 0, 3}, 2, polar), {{2, 1, 0x000002, 5.0}, {0, 4, 0x000001, 1.0}, {0, 4, 0x000003, 3.0}});
    // Measured and calculated off, targets on: the dotted target alone.
    ExpectEntries(Fill(ViewSwitches{1, 1, 0}, 2, polar), {{2, 1, 0x000002, 5.0}});
    ExpectEntries(Fill(ViewSwitches{1, 0, 0}, 2, polar), {{2, 1, 0x000002, 5.0}});
    ExpectEntries(Fill(ViewSwitches{0, 1, 1}, 2, polar), {{0, 4, 0x000001, 1.0}});
    ExpectEntries(Fill(ViewSwitches{0, 0, 2}, 2, polar), {{0, 4, 0x000003, 3.0}});
    ExpectEntries(Fill(ViewSwitches{0, 0, 0}, 2, polar), {});
}

TEST_F(PaneCurvesTest, MusicDrawsTheMusicSets) {
    doc_.m_nConfig = 1;
    PaneAxes polar;
    polar.yKind = 0;
    ExpectEntries(Fill(ViewSwitches{}, 2, polar), {{0, 4, 0x000001, 2.0}, {0, 4, 0x000003, 4.0}, {2, 1, 0x000002, 6.0}});
    // A stray configuration reads as Movie, as the document's measured set
    // does.
    doc_.m_nConfig = 7;
    ExpectEntries(Fill(ViewSwitches{}, 2, polar), {{0, 4, 0x000001, 1.0}, {0, 4, 0x000003, 3.0}, {2, 1, 0x000002, 5.0}});
}

TEST_F(PaneCurvesTest, NoDocumentNoChannelOrAMissingCurveAddsNothing) {
    CurveList list;
    pane_.Fill(nullptr, ViewSwitches{}, 2, PaneAxes{}, list);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(Fill(ViewSwitches{}, 0).empty());
    EXPECT_TRUE(Fill(ViewSwitches{}, -1).empty());
    EXPECT_TRUE(Fill(ViewSwitches{}, 8).empty());
    // Only the calculated set holds the subwoofer: one entry.
    doc_.CurveSetSlot(2)->Add(7, Curve(1.0));
    EXPECT_EQ(Fill(ViewSwitches{}, 7).size(), 1u);
}

TEST_F(PaneCurvesTest, FrequencyCurvesDrawOnFrequencyPanesAndTimeCurvesOnTimePanes) {
    // The graph's x axis is logarithmic: that must not keep frequency
    // curves off it.
    EXPECT_EQ(Fill(ViewSwitches{}).size(), 3u);
    doc_.CurveSetSlot(0)->Add(2, Curve(1.0, CIndexVector::Time));
    EXPECT_EQ(Fill(ViewSwitches{}).size(), 2u);  // the time curve is left out
    PaneAxes time;
    time.timeDomain = true;
    const CurveList onTime = Fill(ViewSwitches{}, 2, time);
    ASSERT_EQ(onTime.size(), 1u);
    EXPECT_EQ(onTime.front().colour, 0x000001u);
}

TEST_F(PaneCurvesTest, DrawsConvertedCopiesAndLeavesTheDocumentsCurvesAsTheyWere) {
    // |3 + 4j| = 5: 20 log10(5) dB and atan2(4, 3) rad, from Python:
    //   /usr/bin/python3 -c "import math; print(repr(20*math.log10(5)), repr(math.atan2(4,3)))"
    const double db = 13.979400086720377;
    const double phase = 0.9272952180016122;
    CurveList list = Fill(ViewSwitches{0, 0, 1});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_NEAR((*list.front().y)[1], db, 1e-12);
    EXPECT_DOUBLE_EQ((*list.front().x)[2], 20000.0);

    PaneAxes phaseAxes;
    phaseAxes.phaseShown = true;
    list = Fill(ViewSwitches{0, 0, 1}, 2, phaseAxes);
    EXPECT_NEAR((*list.front().y)[0], phase, 1e-12);

    const CCurve* original = doc_.CurveSetSlot(0)->Find(2);
    EXPECT_EQ(original->Form(), CComplexVector::Cartesian);
    EXPECT_EQ(original->A()[1], 3.0);
    EXPECT_EQ(original->B()[1], 4.0);

    // The copies stay put while the document's curve changes or goes, and
    // the next fill replaces them.
    doc_.CurveSetSlot(0)->Remove(2);
    EXPECT_NEAR((*list.front().y)[0], phase, 1e-12);
    EXPECT_EQ(pane_.CopyCount(), 1u);
    EXPECT_TRUE(Fill(ViewSwitches{0, 0, 1}).empty());
    EXPECT_EQ(pane_.CopyCount(), 0u);
}

TEST(ViewSwitchesTest, ReadTheApplicationState) {
    halvane::document::AppState app;
    ViewSwitches s = ViewSwitches::Of(app);
    EXPECT_EQ(s.ShowTargets, 1);
    EXPECT_EQ(s.TargetsOnTop, 1);
    EXPECT_EQ(s.CurveDisplayFlags, 3);
    app.TargetsOnTop = 0;
    app.CurveDisplayFlags = 2;
    s = ViewSwitches::Of(app);
    EXPECT_EQ(s.TargetsOnTop, 0);
    EXPECT_EQ(s.CurveDisplayFlags, 2);
}

TEST(ColorLegendModelTest, SelectionStaysWithinTheCurveRows) {
    ColorLegendModel m;
    EXPECT_EQ(m.Selected(), 1);
    EXPECT_FALSE(m.StepSelection(false));  // never up to the heading
    EXPECT_EQ(m.Selected(), 1);
    EXPECT_TRUE(m.StepSelection(true));
    EXPECT_TRUE(m.StepSelection(true));
    EXPECT_EQ(m.Selected(), 3);
    EXPECT_FALSE(m.StepSelection(true));
    EXPECT_EQ(m.Selected(), 3);
    EXPECT_FALSE(m.SelectRow(0));
    EXPECT_FALSE(m.SelectRow(4));
    EXPECT_FALSE(m.SelectRow(3));  // already selected
    EXPECT_TRUE(m.SelectRow(2));
    EXPECT_EQ(m.Selected(), 2);
}

TEST(ColorLegendModelTest, RowsNameTheKindsInTheDocumentsColours) {
    EXPECT_EQ(ColorLegendModel::RowText(0), "Speaker:");
    EXPECT_EQ(ColorLegendModel::RowText(1), "Measured");
    EXPECT_EQ(ColorLegendModel::RowText(2), "Target");
    EXPECT_EQ(ColorLegendModel::RowText(3), "Calculated");
    EXPECT_EQ(ColorLegendModel::RowText(4), "");
    DocumentData doc;
    doc.m_CurveColor[1] = 0x123456;
    EXPECT_EQ(ColorLegendModel::RowColour(&doc, 1), 0x0000CCu);
    EXPECT_EQ(ColorLegendModel::RowColour(&doc, 2), 0x123456u);
    EXPECT_EQ(ColorLegendModel::RowColour(nullptr, 2), 0xCC0000u);
    EXPECT_EQ(ColorLegendModel::RowColour(nullptr, 3), 0x00CC00u);
    EXPECT_EQ(ColorLegendModel::RowColour(&doc, 0), 0u);
    // w = 7, h = 16: heading at 7; a line from 7 to 28 at top + 8, the name
    // at 35.
    const auto heading = ColorLegendModel::Geometry(0, 0, 7, 16);
    EXPECT_EQ(heading.textX, 7);
    const auto row = ColorLegendModel::Geometry(2, 32, 7, 16);
    EXPECT_EQ(row.lineFrom, 7);
    EXPECT_EQ(row.lineTo, 28);
    EXPECT_EQ(row.lineY, 40);
    EXPECT_EQ(row.textX, 35);
}

TEST(CurveColourChoiceTest, ChangesStayInTheDialogUntilOk) {
    DocumentData doc;
    CurveColourChoice choice(doc);
    EXPECT_EQ(choice.Colour(CurveColourChoice::Target), 0xCC0000u);
    ScriptedPicker picker;
    picker.answers = {0x00ABCDEF, std::nullopt, 0xFF010203};
    EXPECT_TRUE(choice.Change(CurveColourChoice::Target, picker));
    EXPECT_FALSE(choice.Change(CurveColourChoice::Measured, picker));  // cancelled
    EXPECT_TRUE(choice.Change(CurveColourChoice::Calculated, picker));
    EXPECT_FALSE(choice.Change(3, picker));  // no such kind: nothing asked
    EXPECT_EQ(picker.offered, (std::vector<std::uint32_t>{0xCC0000, 0x0000CC, 0x00CC00}));
    EXPECT_EQ(choice.Colour(CurveColourChoice::Target), 0xABCDEFu);
    EXPECT_EQ(choice.Colour(CurveColourChoice::Measured), 0x0000CCu);
    EXPECT_EQ(choice.Colour(CurveColourChoice::Calculated), 0x010203u);
    // Not yet in the document (as after Cancel) ...
    EXPECT_EQ(doc.m_CurveColor[1], 0xCC0000u);
    // ... until OK; a new document brings the defaults back.
    choice.WriteTo(doc);
    EXPECT_EQ(doc.m_CurveColor, (std::array<std::uint32_t, 3>{0x0000CC, 0xABCDEF, 0x010203}));
    doc.ClearContents();
    EXPECT_EQ(doc.m_CurveColor, (std::array<std::uint32_t, 3>{0x0000CC, 0xCC0000, 0x00CC00}));
}

TEST(CompletionPageTest, ExitUnlessTheUserAsksForTheResults) {
    namespace cp = halvane::app::models::completion_page;
    EXPECT_EQ(cp::WizardResult(1), cp::kShowResults);
    EXPECT_EQ(cp::WizardResult(2), cp::kExit);
    EXPECT_EQ(cp::WizardResult(0), cp::kExit);
    EXPECT_EQ(cp::WizardResult(-1), cp::kExit);
    EXPECT_TRUE(cp::ShowsMainWindow(1));
    EXPECT_FALSE(cp::ShowsMainWindow(2));
    EXPECT_FALSE(cp::ShowsMainWindow(0));

    const cp::Shell before = cp::SetShell({});
    EXPECT_EQ(cp::Run(), cp::kExit);  // no page: nobody asked for results
    int shown = 0;
    cp::SetShell([&](platform::WindowHandle) { return ++shown == 1 ? cp::kShowResults : -1; });
    EXPECT_EQ(cp::Run(), cp::kShowResults);
    EXPECT_EQ(cp::Run(), cp::kExit);
    EXPECT_EQ(shown, 2);
    cp::SetShell(before);
}

}  // namespace

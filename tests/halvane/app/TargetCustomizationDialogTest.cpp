// "Target Customization" and "Advanced Target Customization" as the user
// meets them: rows enabled by what was measured, "Same As Movie", the
// summary, Auto Detect and Advanced, and the document changed only by OK.
#include "GuiTestApp.h"
#include "halvane/app/BCheck.h"
#include "halvane/app/CAdvancedTargetConfigurationDlg.h"
#include "halvane/app/CEditPDouble.h"
#include "halvane/app/CSpeakerConfigDlg.h"
#include "halvane/app/CSpin.h"
#include "halvane/app/CSpinEditBox.h"
#include "halvane/app/SpinTextBox.h"
#include "halvane/app/models/TargetCustomizationShell.h"
#include "halvane/document/CHalvaneDoc.h"
#include "platform/ArchiveWriter.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <initializer_list>

using namespace halvane::app;
using namespace halvane::app::models;
using namespace halvane::design;
using namespace halvane::document;
using namespace halvane::signal;

using namespace halvane;
using Dialog = CSpeakerConfigDlg;
using B = TargetConfigBasic;

namespace {

class TargetCustomizationDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
};

std::unique_ptr<CCurve> Curve() {
    auto c = std::make_unique<CCurve>(2, CIndexVector::Frequency, CComplexVector::Polar);
    c->X()[0] = 20;
    c->X()[1] = 20000;
    return c;
}

// A flagship document (unit kind 2) with these channels measured for Movie
// and Music.
void Measure(CHalvaneDoc& doc, std::initializer_list<int> movie, std::initializer_list<int> music) {
    doc.m_nUnitKind = 2;
    for (int ch : movie) doc.CurveSetSlot(0)->Add(ch, Curve());
    for (int ch : music) doc.CurveSetSlot(1)->Add(ch, Curve());
}

std::vector<std::uint8_t> Stored(const TargetConfig& t) {
    platform::ArchiveWriter w;
    t.Serialize(w);
    return w.take();
}

QString Text(halvane::app::CustomControls::SpinBox* spin) { return spin->edit()->text(); }
void Up(halvane::app::CustomControls::SpinBox* spin) { QTest::mouseClick(spin->upButton(), Qt::LeftButton); }
void Down(halvane::app::CustomControls::SpinBox* spin) { QTest::mouseClick(spin->downButton(), Qt::LeftButton); }

class ScriptedJobs : public TargetJobs {
public:
    int RunAutoDetectXOvers(platform::WindowHandle parent, std::array<CCurveSet, 2>& measured, TargetConfig& config,
                            std::int32_t unitKind) override {
        ++calls;
        seenParent = parent;
        seenKind = unitKind;
        measuredCounts = {measured[0].Count(), measured[1].Count()};
        measured[0].Clear();
        config.Crossover[0] = {100, 90, 120, 150, 110};
        config.Crossover[1] = {60, 60, 60, 60, 60};
        config.MusicUsesMovie = 0;
        return 1;
    }
    int calls = 0;
    platform::WindowHandle seenParent;
    std::int32_t seenKind = 0;
    std::array<int, 2> measuredCounts{};
};

}  // namespace

TEST_F(TargetCustomizationDialogTest, OpensOnTheDocumentsValuesWithTheSummary) {
    CHalvaneDoc doc;
    Measure(doc, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7});
    TargetConfig& t = doc.m_TargetConfig;
    t.Crossover[0] = {60, 70, 90, 100, 120};
    t.RoomGainDb[0] = 2.5;
    t.MaxEqFrequency[0] = 8000;
    t.SubHighPassOrder = {3, 1};
    t.SubHighPassFrequency[0] = 35;
    t.MinSubEqFrequency = {30, 25};
    t.RefLevel = -2;
    Dialog dialog(false, 20000, nullptr, doc, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Target Customization");
    EXPECT_EQ(dialog.findChild<QWidget*>("idc_1013"), dialog.Crossover(0, B::Front));
    EXPECT_EQ(dialog.findChild<QWidget*>("idc_1088"), dialog.FullRange(1, B::Rear));
    EXPECT_EQ(dialog.findChild<QWidget*>("idc_1051"), dialog.RoomGain(1));
    EXPECT_EQ(dialog.RearLabel()->text(), "7.1 L/R Rears:");
    EXPECT_TRUE(dialog.Explanation()->toPlainText().startsWith("The response cutoff"));
    EXPECT_EQ(Text(dialog.Crossover(0, B::Front)), "60");
    EXPECT_EQ(Text(dialog.Crossover(0, B::Subwoofer)), "120");
    EXPECT_EQ(Text(dialog.MaxEq(0)), "8000");
    EXPECT_EQ(dialog.RoomGain(0)->text(), "2.500000");
    // A new document's Music follows Movie: the whole column greyed on the
    // Movie values.
    EXPECT_TRUE(dialog.SameAsMovie()->isChecked());
    EXPECT_EQ(Text(dialog.Crossover(1, B::Front)), "60");
    EXPECT_FALSE(dialog.Crossover(1, B::Front)->isEnabled());
    EXPECT_FALSE(dialog.FullRange(1, B::Front)->isEnabled());
    EXPECT_FALSE(dialog.MaxEq(1)->isEnabled());
    EXPECT_FALSE(dialog.RoomGain(1)->isEnabled());
    EXPECT_EQ(dialog.RoomGain(1)->text(), "2.500000");
    EXPECT_EQ(dialog.Summary()->toPlainText(),
              "Reference Level Offset: -2\n"
              "Movie Subwoofer HPF: 2nd Order @ 35 Hz with min EQ FS: 30 Hz\n"
              "Music Subwoofer HPF: 2nd Order @ 35 Hz with min EQ FS: 30 Hz");

    // Clearing "Same As Movie" gives Music its own column and text.
    dialog.SameAsMovie()->click();
    EXPECT_TRUE(dialog.Crossover(1, B::Front)->isEnabled());
    EXPECT_TRUE(dialog.RoomGain(1)->isEnabled());
    EXPECT_EQ(Text(dialog.Crossover(1, B::Front)), "80");
    EXPECT_TRUE(dialog.Summary()->toPlainText().endsWith("Music Subwoofer HPF: Flat with min EQ FS: 25 Hz"));

    CHalvaneDoc receiverDoc;
    Dialog receiver(true, 5000, nullptr, receiverDoc, nullptr);
    EXPECT_EQ(receiver.RearLabel()->text(), "Rears/Heights:");
}

TEST_F(TargetCustomizationDialogTest, MissingSpeakersGreyTheirRowsAndNoSubwooferLocksFullRangeFronts) {
    CHalvaneDoc doc;
    Measure(doc, {0, 2, 3, 6}, {0, 1, 2, 3, 5, 6, 7});
    doc.m_TargetConfig.MusicUsesMovie = 0;
    Dialog dialog(false, 20000, nullptr, doc, nullptr);
    EXPECT_TRUE(dialog.FullRange(0, B::Front)->isChecked());
    EXPECT_FALSE(dialog.FullRange(0, B::Front)->isEnabled());
    EXPECT_TRUE(dialog.Crossover(0, B::Front)->isEnabled());
    EXPECT_FALSE(dialog.Crossover(0, B::Center)->isEnabled());
    EXPECT_FALSE(dialog.FullRange(0, B::Center)->isEnabled());
    EXPECT_TRUE(dialog.Crossover(0, B::Surround)->isEnabled());
    EXPECT_FALSE(dialog.Crossover(0, B::Rear)->isEnabled());
    EXPECT_FALSE(dialog.Crossover(0, B::Subwoofer)->isEnabled());

    EXPECT_FALSE(dialog.FullRange(1, B::Front)->isChecked());
    EXPECT_TRUE(dialog.FullRange(1, B::Front)->isEnabled());
    EXPECT_TRUE(dialog.Crossover(1, B::Center)->isEnabled());
    EXPECT_TRUE(dialog.Crossover(1, B::Rear)->isEnabled());
    EXPECT_TRUE(dialog.Crossover(1, B::Subwoofer)->isEnabled());

    // The full-range check offers "Flat" below the lowest crossover.
    dialog.FullRange(1, B::Center)->click();
    EXPECT_EQ(dialog.Model().Working().GroupFlag[1][B::Center], 1);
    for (int i = 0; i < 12; ++i) Down(dialog.Crossover(1, B::Center));
    EXPECT_EQ(Text(dialog.Crossover(1, B::Center)), "Flat");
    for (int i = 0; i < 40; ++i) Up(dialog.Crossover(1, B::Center));
    EXPECT_EQ(Text(dialog.Crossover(1, B::Center)), "No Speaker");
    EXPECT_EQ(dialog.Model().Working().Crossover[1][B::Center], 170);
}

TEST_F(TargetCustomizationDialogTest, ASubwooferHighPassAboveTheLoweredCrossoverComesDown) {
    CHalvaneDoc doc;
    Measure(doc, {0, 1, 2, 3, 4, 5, 6, 7}, {});
    doc.m_TargetConfig.SubHighPassOrder[0] = 4;
    doc.m_TargetConfig.SubHighPassFrequency[0] = 80;
    doc.m_TargetConfig.MinSubEqFrequency[0] = 78;
    Dialog dialog(false, 20000, nullptr, doc, nullptr);
    Down(dialog.Crossover(0, B::Subwoofer));
    Down(dialog.Crossover(0, B::Subwoofer));
    EXPECT_EQ(Text(dialog.Crossover(0, B::Subwoofer)), "70");
    EXPECT_EQ(dialog.Model().Working().SubHighPassFrequency[0], 70);
    EXPECT_EQ(dialog.Model().Working().MinSubEqFrequency[0], 70);
    EXPECT_TRUE(dialog.Summary()->toPlainText().contains("3rd Order @ 70 Hz with min EQ FS: 70 Hz"));
    EXPECT_EQ(doc.m_TargetConfig.SubHighPassFrequency[0], 80);
}

TEST_F(TargetCustomizationDialogTest, CancelKeepsTheDocumentAndOkWritesTheWorkingValues) {
    CHalvaneDoc doc;
    Measure(doc, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7});
    const auto before = Stored(doc.m_TargetConfig);
    {
        Dialog dialog(false, 20000, nullptr, doc, nullptr);
        dialog.show();
        Up(dialog.Crossover(0, B::Front));
        dialog.FullRange(0, B::Rear)->click();
        dialog.SameAsMovie()->click();
        dialog.reject();
    }
    EXPECT_EQ(Stored(doc.m_TargetConfig), before);
    EXPECT_FALSE(doc.IsModified());

    Dialog dialog(false, 20000, nullptr, doc, nullptr);
    dialog.show();
    Up(dialog.Crossover(0, B::Front));
    dialog.FullRange(0, B::Rear)->click();
    dialog.SameAsMovie()->click();
    Down(dialog.Crossover(1, B::Surround));
    dialog.RoomGain(1)->setFocus();
    dialog.RoomGain(1)->selectAll();
    QTest::keyClicks(dialog.RoomGain(1), "1.75");
    dialog.MaxEq(1)->edit()->selectAll();
    QTest::keyClicks(dialog.MaxEq(1)->edit(), "9000");
    EXPECT_EQ(Stored(doc.m_TargetConfig), before);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const TargetConfig& t = doc.m_TargetConfig;
    EXPECT_EQ(t.Crossover[0][B::Front], 85);
    EXPECT_EQ(t.GroupFlag[0][B::Rear], 1);
    EXPECT_EQ(t.MusicUsesMovie, 0);
    EXPECT_EQ(t.Crossover[1][B::Surround], 75);
    EXPECT_EQ(t.RoomGainDb[1], 1.75);
    EXPECT_EQ(t.MaxEqFrequency[1], 9000);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(TargetCustomizationDialogTest, AutoDetectShowsTheProposalsAndCancelDiscardsThem) {
    CHalvaneDoc doc;
    Measure(doc, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 2});
    const auto before = Stored(doc.m_TargetConfig);
    ScriptedJobs jobs;
    Dialog dialog(false, 20000, nullptr, doc, &jobs);
    QTest::mouseClick(dialog.AutoDetectButton(), Qt::LeftButton);
    EXPECT_EQ(jobs.calls, 1);
    EXPECT_EQ(jobs.seenKind, 2);
    EXPECT_EQ(jobs.seenParent, dialog.Handle());
    EXPECT_EQ(jobs.measuredCounts, (std::array<int, 2>{8, 2}));
    EXPECT_EQ(Text(dialog.Crossover(0, B::Front)), "100");
    EXPECT_EQ(Text(dialog.Crossover(0, B::Center)), "90");
    EXPECT_FALSE(dialog.SameAsMovie()->isChecked());
    EXPECT_EQ(Text(dialog.Crossover(1, B::Surround)), "60");
    EXPECT_TRUE(dialog.Crossover(1, B::Front)->isEnabled());
    dialog.reject();
    EXPECT_EQ(Stored(doc.m_TargetConfig), before);
    EXPECT_EQ(doc.CurveSetSlot(0)->Count(), 8);
    EXPECT_EQ(doc.CurveSetSlot(1)->Count(), 2);
}

TEST_F(TargetCustomizationDialogTest, AdvancedTakesItsValuesBackOnlyAfterOk) {
    CHalvaneDoc doc;
    Measure(doc, {0, 1, 2, 3, 4, 5, 6, 7}, {});
    Dialog dialog(false, 20000, nullptr, doc, nullptr);
    int runs = 0;
    bool answer = false;
    dialog.SetAdvancedRunner([&](AdvancedTargetModel& values, QWidget* parent) {
        ++runs;
        EXPECT_EQ(parent, &dialog);
        EXPECT_EQ(values.RefLevel, -1);
        values.RefLevel = -3;
        values.SubHighPassOrder[0] = 1;
        return answer;
    });
    QTest::mouseClick(dialog.AdvancedButton(), Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(dialog.Model().Working().RefLevel, -1);
    answer = true;
    QTest::mouseClick(dialog.AdvancedButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.Model().Working().RefLevel, -3);
    EXPECT_TRUE(dialog.Summary()->toPlainText().startsWith("Reference Level Offset: -3\nMovie Subwoofer HPF: Flat"));
    EXPECT_EQ(doc.m_TargetConfig.RefLevel, -1);
}

TEST_F(TargetCustomizationDialogTest, AdvancedDialogEnablesBySlopeOrderAndCrossover) {
    AdvancedTargetModel values;
    values.basic.MusicUsesMovie = 0;
    values.basic.Crossover[1][B::Subwoofer] = 170;
    values.SubHighPassOrder = {0, 3};
    CAdvancedTargetConfigurationDlg dialog(values);
    EXPECT_EQ(dialog.windowTitle(), "Advanced Target Customization");
    EXPECT_EQ(dialog.findChild<QWidget*>("idc_1100"), dialog.Frequency(1));
    EXPECT_EQ(Text(dialog.Order(0)), "Auto");
    EXPECT_TRUE(dialog.Order(0)->isEnabled());
    EXPECT_FALSE(dialog.Frequency(0)->isEnabled());
    EXPECT_FALSE(dialog.MinEq(0)->isEnabled());
    EXPECT_FALSE(dialog.Order(1)->isEnabled());
    EXPECT_FALSE(dialog.Frequency(1)->isEnabled());
    EXPECT_FALSE(dialog.MinEq(1)->isEnabled());
    EXPECT_EQ(Text(dialog.RefLevel()), "-1");

    Up(dialog.Order(0));
    EXPECT_EQ(Text(dialog.Order(0)), "Flat");
    EXPECT_FALSE(dialog.Frequency(0)->isEnabled());
    EXPECT_TRUE(dialog.MinEq(0)->isEnabled());
    Up(dialog.Order(0));
    EXPECT_EQ(Text(dialog.Order(0)), "1st Order");
    EXPECT_TRUE(dialog.Frequency(0)->isEnabled());
    // The frequency spins stop at the subwoofer crossover (80).
    for (int i = 0; i < 70; ++i) Up(dialog.Frequency(0));
    EXPECT_EQ(values.SubHighPassFrequency[0], 80);
    Up(dialog.RefLevel());
    Up(dialog.RefLevel());
    EXPECT_EQ(values.RefLevel, 0);

    values.basic.MusicUsesMovie = 1;
    dialog.UpdateControls();
    EXPECT_EQ(Text(dialog.Order(1)), "1st Order");
    EXPECT_FALSE(dialog.Order(1)->isEnabled());
    EXPECT_EQ(values.SubHighPassOrder[1], 3);
}

TEST_F(TargetCustomizationDialogTest, OpenTargetCustomizationRunsTheDialogModallyAndOkWritesTheDocument) {
    InstallTargetCustomizationDialog();
    CHalvaneDoc doc;
    Measure(doc, {0, 1, 2, 3, 4, 5, 6, 7}, {});
    doc.m_nUnitKind = 4;
    int maxShown = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CSpeakerConfigDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->RearLabel()->text(), "Rears/Heights:");
        for (int i = 0; i < 3; ++i) Up(dialog->Crossover(0, B::Center));  // receiver list: 80 -> 150
        maxShown = dialog->Model().Update().maxEqGrid.maximum();
        dialog->accept();
    });
    EXPECT_TRUE(OpenTargetCustomization(doc, doc.m_nUnitKind));
    EXPECT_EQ(maxShown, 5000);
    EXPECT_EQ(doc.m_TargetConfig.Crossover[0][B::Center], 150);
    EXPECT_EQ(doc.m_TargetConfig.MaxEqFrequency[0], 5000);  // 20000 lowered to the receiver's limit
    SetTargetCustomizationShell({});
}

TEST_F(TargetCustomizationDialogTest, ANewDocumentOffersTheFlagshipsCrossoversAndTheFrontsStep) {
    CHalvaneDoc doc;  // unit kind 0: no processor met yet
    doc.CurveSetSlot(0)->Add(7, Curve());
    Dialog dialog(false, 20000, nullptr, doc, nullptr);
    const QString shown = Text(dialog.Crossover(0, B::Front));
    EXPECT_FALSE(shown.isEmpty());
    Up(dialog.Crossover(0, B::Front));
    EXPECT_NE(Text(dialog.Crossover(0, B::Front)), shown);
    // The document's own subwoofer crossover is one of the choices and stays.
    EXPECT_EQ(Text(dialog.Crossover(0, B::Subwoofer)), "80");
    dialog.accept();
    EXPECT_GT(doc.m_TargetConfig.Crossover[0][B::Front], 80);
    EXPECT_EQ(doc.m_TargetConfig.Crossover[0][B::Subwoofer], 80);
}

TEST_F(TargetCustomizationDialogTest, ShownDialogsCanBeDestroyedWithASpinHoldingTheFocus) {
    // Destroyed while shown, a dialog hides itself in its base destructor
    // and the focused spin reports being left: that must reach nothing gone.
    CHalvaneDoc doc;
    Measure(doc, {0, 2, 3, 6, 7}, {});
    {
        auto dialog = std::make_unique<Dialog>(false, 20000, nullptr, doc, nullptr);
        dialog->show();
        QApplication::processEvents();
        dialog->MaxEq(0)->edit()->setFocus();
        QApplication::processEvents();
        dialog.reset();
    }
    {
        AdvancedTargetModel values;
        auto dialog = std::make_unique<CAdvancedTargetConfigurationDlg>(values);
        dialog->show();
        QApplication::processEvents();
        dialog->RefLevel()->edit()->setFocus();
        QApplication::processEvents();
        dialog.reset();
        EXPECT_EQ(values.RefLevel, -1);
    }
    EXPECT_EQ(doc.m_TargetConfig.MaxEqFrequency[0], 20000);
}

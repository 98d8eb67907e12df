// The value controls as the user meets them: typing with completion,
// Backspace, the up-down with acceleration, leaving a bad text, the bound
// combo box, the check box's notify modes and the colour swatch.
#include "GuiTestApp.h"
#include "halvane/app/BCheck.h"
#include "halvane/app/CComboPVal.h"
#include "halvane/app/CEditPDouble.h"
#include "halvane/app/CSpinEditBox.h"
#include "halvane/app/CStaticColorCtrl.h"
#include "halvane/app/CSpin.h"
#include "halvane/app/SpinTextBox.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/VirtualClock.h"

#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace halvane::app::CustomControls;
using namespace halvane::app::models::CustomControls;

using namespace halvane::app::CustomControls; using namespace halvane::app::models::CustomControls;

namespace {

class ValueControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
    void SetUp() override { platform::SetUserPrompt(&prompt_); }
    void TearDown() override { platform::SetUserPrompt(nullptr); }

    // The focus leaves `w` (as a click elsewhere would make it).
    static void leave(QWidget* w) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w, &out);
    }

    platform::ScriptedUserPrompt prompt_;
};

}  // namespace

TEST_F(ValueControlsTest, ASpinTextBoxShowsTheClosestLabelAndMovesTheVariable) {
    QWidget dialog;
    SpinTextBox spin(1013, &dialog);
    int v = 24;
    spin.setValues(ValueList{{10, "10"}, {20, "20"}, {30, "30"}}, &v);
    EXPECT_EQ(spin.edit()->text(), "20");
    EXPECT_EQ(v, 20);
    EXPECT_EQ(spin.objectName(), "idc_1013");
    EXPECT_EQ(spin.accelTable().size(), 1u);
    EXPECT_TRUE(spin.validate());

    SpinTextBox empty(1016, &dialog);
    int w = 7;
    empty.setValues(ValueList(), &w);
    EXPECT_EQ(empty.edit()->text(), "");
    EXPECT_EQ(w, 7);
    EXPECT_TRUE(empty.validate());  // a dialog with it can still be left with OK
    QTest::keyClicks(empty.edit(), "x");
    EXPECT_FALSE(empty.validate());
}

TEST_F(ValueControlsTest, TypingCompletesALabelAndBackspaceGrowsTheCompletion) {
    QWidget dialog;
    SpinTextBox spin(1096, &dialog);
    int v = 0;
    spin.setValues(ValueList{{1, "First"}, {2, "Second"}, {3, "Third"}}, &v);
    spin.edit()->clear();
    QTest::keyClicks(spin.edit(), "se");
    EXPECT_EQ(spin.edit()->text(), "second");
    EXPECT_EQ(spin.edit()->selectedText(), "cond");
    EXPECT_EQ(v, 2);
    QTest::keyClick(spin.edit(), Qt::Key_Backspace);
    EXPECT_EQ(spin.edit()->text(), "second");
    EXPECT_EQ(spin.edit()->selectedText(), "econd");
    // Leaving a valid text shows the label itself.
    QSignalSpy changed(&spin, &SpinBox::valueChanged);
    leave(spin.edit());
    EXPECT_EQ(spin.edit()->text(), "Second");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1096);
    EXPECT_EQ(prompt_.askCount(), 0u);
}

TEST_F(ValueControlsTest, TheUpDownStepsTheVariableAndTellsTheDialog) {
    QWidget dialog;
    CSpin spin(1070, &dialog);
    int v = 5;
    spin.setRange(SpinGrid(5, 10, 1), &v);
    QSignalSpy changed(&spin, &SpinBox::valueChanged);
    QTest::mouseClick(spin.upButton(), Qt::LeftButton);
    EXPECT_EQ(v, 6);
    EXPECT_EQ(spin.edit()->text(), "6");
    QTest::keyClick(spin.edit(), Qt::Key_Up);
    EXPECT_EQ(v, 7);
    for (int i = 0; i < 5; ++i) QTest::mouseClick(spin.upButton(), Qt::LeftButton);
    EXPECT_EQ(v, 10);
    QTest::mouseClick(spin.downButton(), Qt::LeftButton);
    EXPECT_EQ(v, 9);
    EXPECT_EQ(changed.count(), 8);

    // A list does not wrap: a step past its end changes nothing.
    SpinTextBox list(1096, &dialog);
    int order = 9;
    list.setValues(SlopeOrderNames(), &order);
    EXPECT_EQ(list.edit()->text(), "8th Order");
    QSignalSpy listChanged(&list, &SpinBox::valueChanged);
    QTest::mouseClick(list.upButton(), Qt::LeftButton);
    EXPECT_EQ(order, 9);
    EXPECT_EQ(listChanged.count(), 0);
}

TEST_F(ValueControlsTest, HoldingTheUpDownAcceleratesByTheTable) {
    platform::VirtualClock clock;
    QWidget dialog;
    CSpin spin(1059, &dialog, clock);
    int v = 0;
    spin.setRange(SpinGrid(0, 20000, 1), &v);
    ASSERT_EQ(spin.accelTable().size(), 5u);
    QTest::mousePress(spin.upButton(), Qt::LeftButton);
    clock.advance(2100);
    QTest::mouseRelease(spin.upButton(), Qt::LeftButton);
    EXPECT_EQ(v, 6);
    QTest::mousePress(spin.upButton(), Qt::LeftButton);
    clock.advance(8000);
    QTest::mouseRelease(spin.upButton(), Qt::LeftButton);
    EXPECT_EQ(v, 806);

    // Held down, the button repeats (and signals pressed again each time);
    // the increment grows with the time since the real press.
    spin.upButton()->setAutoRepeatDelay(1);
    spin.upButton()->setAutoRepeatInterval(1);
    v = 0;
    QTest::mousePress(spin.upButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return v > 0; }, 5000));
    const int slow = v;
    // Four seconds into the press a single repeat adds 40.
    clock.advance(4000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return v - slow >= 40; }, 5000));
    QTest::mouseRelease(spin.upButton(), Qt::LeftButton);
}

TEST_F(ValueControlsTest, LeavingANumberBeyondTheLimitShowsBadValueAndTheLimit) {
    QWidget dialog;
    CSpin spin(1071, &dialog);
    int v = 5;
    spin.setRange(SpinGrid(5, 10, 1), &v);
    spin.edit()->selectAll();
    QTest::keyClicks(spin.edit(), "12");
    EXPECT_EQ(v, 10);  // pulled to the maximum at once
    EXPECT_FALSE(spin.textValid());
    QSignalSpy changed(&spin, &SpinBox::valueChanged);
    leave(spin.edit());
    ASSERT_EQ(prompt_.askCount(), 1u);
    EXPECT_EQ(prompt_.asks()[0].text, "Bad value");
    EXPECT_EQ(prompt_.asks()[0].caption, "Error");
    EXPECT_EQ(spin.edit()->text(), "10");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(dialog.focusWidget(), spin.edit());
    EXPECT_EQ(spin.edit()->selectedText(), "10");
}

TEST_F(ValueControlsTest, EnterRunsTheLeaveCheckAndKeepsTheDialogOpen) {
    QWidget dialog;
    CSpin spin(1063, &dialog);
    int v = -3;
    spin.setRange(SpinGrid(-3, 0, 1), &v);
    spin.edit()->selectAll();
    QTest::keyClicks(spin.edit(), "x");
    QTest::keyClick(spin.edit(), Qt::Key_Return);
    ASSERT_EQ(prompt_.askCount(), 1u);
    EXPECT_EQ(spin.edit()->text(), "-3");
    EXPECT_EQ(v, -3);
    EXPECT_EQ(spin.edit()->selectedText(), "-3");
}

TEST_F(ValueControlsTest, ADoubleEditPullsToItsLimitsRefusesNanAndKeepsTheFocus) {
    QWidget dialog;
    CEditPDouble edit(1047, &dialog);
    double gain = 3.0;
    edit.bind(&gain, 0.0, 10.0);
    EXPECT_EQ(edit.text(), "3.000000");
    edit.selectAll();
    QTest::keyClicks(&edit, "12");
    EXPECT_EQ(gain, 10.0);
    leave(&edit);
    EXPECT_EQ(edit.text(), "10.000000");
    EXPECT_EQ(dialog.focusWidget(), &edit);

    edit.selectAll();
    QTest::keyClicks(&edit, "nan");
    EXPECT_EQ(gain, 10.0);
    EXPECT_FALSE(edit.validate());
    leave(&edit);
    EXPECT_EQ(edit.text(), "10.000000");

    edit.selectAll();
    QTest::keyClicks(&edit, "2.5");
    EXPECT_EQ(gain, 2.5);
    EXPECT_TRUE(edit.validate());

    CEditPDouble unbound(1051, &dialog);
    unbound.bind(nullptr, 0.0, 1.0);
    EXPECT_EQ(unbound.text(), "0.000000");
}

TEST_F(ValueControlsTest, AComboSelectsTheVariableAndAMissingValueTakesTheLastItemOnce) {
    QWidget dialog;
    CComboPVal combo(1043, &dialog);
    QSignalSpy changed(&combo, &CComboPVal::valueChanged);
    int v = 7;
    combo.setValues(ValueList{{1, "One"}, {2, "Two"}, {3, "Three"}}, &v);
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(combo.maxVisibleItems(), 4);

    v = 1;
    combo.setValues(ValueList{{1, "One"}, {2, "Two"}, {3, "Three"}}, &v, {2});
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentIndex(), 0);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(changed.count(), 2);

    std::vector<ValueEntry> many;
    for (int i = 0; i < 30; ++i) many.push_back({i, "Entry " + std::to_string(i)});
    combo.setValues(ValueList(many), &v);
    EXPECT_EQ(combo.maxVisibleItems(), 21);

    // An empty list selects nothing and leaves the variable alone.
    int w = 42;
    changed.clear();
    combo.setValues(ValueList(), &w);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(w, 42);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ValueControlsTest, ACheckNotifiesByItsMode) {
    QWidget dialog;
    BCheck notify(1038, "Same As Movie", &dialog);
    bool same = false;
    notify.bind(&same, BCheck::kNotifyValue);
    QSignalSpy values(&notify, &BCheck::valueChanged);
    QSignalSpy clicks(&notify, &BCheck::plainClick);
    QTest::mouseClick(&notify, Qt::LeftButton);
    QTest::mouseClick(&notify, Qt::LeftButton);
    EXPECT_FALSE(same);
    EXPECT_EQ(values.count(), 2);
    EXPECT_EQ(clicks.count(), 0);

    BCheck pass(1080, "Full range", &dialog);
    std::int32_t full = 0;
    pass.bind(&full, BCheck::kPassClick);
    QSignalSpy passValues(&pass, &BCheck::valueChanged);
    QSignalSpy passClicks(&pass, &BCheck::plainClick);
    QTest::mouseClick(&pass, Qt::LeftButton);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(passValues.count(), 0);
    EXPECT_EQ(passClicks.count(), 1);

    BCheck unbound(1081, "Unbound", &dialog);
    QSignalSpy none(&unbound, &BCheck::plainClick);
    QTest::mouseClick(&unbound, Qt::LeftButton);
    EXPECT_EQ(none.count(), 0);
}

TEST_F(ValueControlsTest, TheSwatchFillsItselfWithTheDocumentsColour) {
    CStaticColorCtrl swatch(1064);
    swatch.resize(20, 20);
    swatch.setColorRef(0x0000CC);  // the measured curves' red
    const QImage image = swatch.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(204, 0, 0));
    swatch.setColorRef(0xCC0000);
    EXPECT_EQ(swatch.grab().toImage().pixelColor(3, 17), QColor(0, 0, 204));
}

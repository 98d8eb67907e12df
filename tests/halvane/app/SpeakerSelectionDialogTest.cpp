// "Select speakers to measure." as the user meets it: the locked fronts,
// Rears following Surrounds, Music mirroring Movie, the receiver's Heights
// and the answers reaching the measurement worker.
#include "GuiTestApp.h"
#include "halvane/app/BCheck.h"
#include "halvane/app/CSpeakerMeasurementSelectionDialog.h"
#include "halvane/app/CSpin.h"
#include "halvane/app/CSpinEditBox.h"
#include "halvane/app/models/SpeakerSelectionPrompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace halvane::app;
using namespace halvane::app::models;

using namespace halvane;
using S = SpeakerSelection;
using Dialog = CSpeakerMeasurementSelectionDialog;

namespace {

class SpeakerSelectionDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
};

// A click on a check box's indicator (a check box wider than its text
// takes clicks only on the indicator and the text).
void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

}  // namespace

TEST_F(SpeakerSelectionDialogTest, OpensWithFrontsLockedAndMusicMirroringMovie) {
    S s;
    Dialog dialog(s);
    EXPECT_EQ(dialog.windowTitle(), "Select speakers to measure.");
    EXPECT_TRUE(dialog.Note()->toPlainText().startsWith("Note:\n\nIt is very important"));
    EXPECT_TRUE(dialog.Note()->toPlainText().endsWith("This is off by default."));
    EXPECT_TRUE(dialog.UseMovie()->isChecked());
    for (int c = 0; c < 2; ++c) {
        EXPECT_FALSE(dialog.Check(c, S::Front)->isEnabled());
        for (int g = 0; g < S::kGroups; ++g) EXPECT_TRUE(dialog.Check(c, g)->isChecked());
    }
    EXPECT_TRUE(dialog.Check(0, S::Center)->isEnabled());
    EXPECT_FALSE(dialog.Check(1, S::Center)->isEnabled());
    EXPECT_FALSE(dialog.Positions(1)->isEnabled());
    EXPECT_EQ(dialog.Positions(0)->edit()->text(), "5");
    EXPECT_EQ(dialog.RearCombo()->count(), 2);
    EXPECT_EQ(dialog.RearCombo()->currentText(), "Two");
    EXPECT_EQ(dialog.Check(0, S::Rear)->text(), "Rears");
    EXPECT_EQ(dialog.findChild<QWidget*>("idc_1041"), dialog.Check(0, S::Surround));
}

TEST_F(SpeakerSelectionDialogTest, UntickingSurroundsUnticksAndLocksRearsAndMusicFollows) {
    S s;
    Dialog dialog(s);
    dialog.show();
    click(dialog.Check(0, S::Surround));
    EXPECT_EQ(s.groups[0][S::Surround], 0);
    EXPECT_EQ(s.groups[0][S::Rear], 0);
    EXPECT_FALSE(dialog.Check(0, S::Rear)->isChecked());
    EXPECT_FALSE(dialog.Check(0, S::Rear)->isEnabled());
    EXPECT_FALSE(dialog.Check(1, S::Surround)->isChecked());  // mirrored
    EXPECT_FALSE(dialog.Check(1, S::Rear)->isChecked());
    click(dialog.Check(0, S::Surround));
    EXPECT_TRUE(dialog.Check(0, S::Rear)->isEnabled());
    EXPECT_FALSE(dialog.Check(0, S::Rear)->isChecked());
    click(dialog.Check(0, S::Rear));
    EXPECT_EQ(s.groups[0][S::Rear], 1);

    // The Movie positions spin steps the shared count.
    QTest::mouseClick(dialog.Positions(0)->upButton(), Qt::LeftButton);
    EXPECT_EQ(s.positions[0], 6);
    EXPECT_EQ(dialog.Positions(1)->edit()->text(), "6");
}

TEST_F(SpeakerSelectionDialogTest, WithoutReuseTheMusicColumnEditsItsOwnEntries) {
    S s;
    Dialog dialog(s);
    dialog.show();
    click(dialog.Check(0, S::Center));
    click(dialog.UseMovie());
    EXPECT_EQ(s.useMovieMeasurements, 0);
    EXPECT_TRUE(dialog.Check(1, S::Center)->isEnabled());
    EXPECT_TRUE(dialog.Check(1, S::Center)->isChecked());  // Music's own entry
    EXPECT_FALSE(dialog.Check(1, S::Front)->isEnabled());
    click(dialog.Check(1, S::Subwoofer));
    EXPECT_EQ(s.groups[1][S::Subwoofer], 0);
    EXPECT_EQ(s.groups[0][S::Subwoofer], 1);
    QTest::mouseClick(dialog.Positions(1)->upButton(), Qt::LeftButton);
    EXPECT_EQ(s.positions[1], 6);
    EXPECT_EQ(s.positions[0], 5);
}

TEST_F(SpeakerSelectionDialogTest, AReceiversHeightsChoiceSetsNoRears) {
    S s;
    s.receiver = 1;
    Dialog dialog(s);
    dialog.show();
    QComboBox* rear = dialog.RearCombo();
    ASSERT_EQ(rear->count(), 3);
    EXPECT_EQ(rear->itemText(2), "Heights");
    EXPECT_EQ(dialog.Check(0, S::Rear)->text(), "Rears/Heights");
    EXPECT_EQ(rear->currentIndex(), 1);
    QTest::keyClick(rear, Qt::Key_Down);
    EXPECT_EQ(s.heights, 1);
    EXPECT_EQ(s.rearCount, 0);
    EXPECT_EQ(rear->currentIndex(), 2);
    QTest::keyClick(rear, Qt::Key_Up);
    EXPECT_EQ(s.heights, 0);
    EXPECT_EQ(s.rearCount, 2);
}

TEST_F(SpeakerSelectionDialogTest, TheWorkerGetsTheAnswersOnOkAndCancelOnCancel) {
    InstallSpeakerSelectionDialog();
    S s;
    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = ChooseSpeakersToMeasure(s) ? 1 : 0; });
    bool acted = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || acted) return;
        acted = true;
        click(dialog->Check(0, S::Center));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    user.start(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.load() >= 0; }, 20000)) << "the selection was never answered";
    user.stop();
    worker.join();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(s.groups[0][S::Center], 0);

    QTimer::singleShot(20, [] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_FALSE(ChooseSpeakersToMeasure(s));
    SetSpeakerSelectionShell({});
}

// The check-list dialog of the level checks: requested ticks, clicks on
// the box, the text and beside the items, the owner's calls, a refill with
// the same records, and the way in from the measurement worker.
#include "GuiTestApp.h"
#include "halvane/app/CCheckList.h"
#include "halvane/app/CConflictResolution.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace halvane::app;
using namespace halvane::app::models;

using namespace halvane;

namespace {

struct Owner final : CheckListOwner {
    void OnCheckChanged(int index, const void*) override { indices.push_back(index); }
    std::vector<int> indices;
};

class CheckListDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }

    void SetUp() override {
        items_[0].SetLabel("Left Front Position 1: SPL = 35.1db");
        items_[1].SetLabel("Center Position 1: SPL = 52.0db");
        items_[2].SetLabel("Right Front Position 1: SPL = 51.2db");
        items_[1].Requested = 1;
    }

    static void clickItem(CCheckList* list, int row, bool onText) {
        const QRect r = list->visualItemRect(list->item(row));
        const QPoint at = onText ? QPoint(r.left() + r.width() / 2, r.center().y()) : QPoint(r.left() + 8, r.center().y());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    CheckData items_[3];
    Owner owner_;
};

}  // namespace

TEST_F(CheckListDialogTest, ShowsTheCaptionTextAndRequestedTicks) {
    CConflictResolution dialog({"Halvane", "The speaker level was less than 40.0\r\nPlease select.\r\n", items_, 3, &owner_});
    EXPECT_EQ(dialog.windowTitle(), "Halvane");
    EXPECT_EQ(dialog.Text()->toPlainText(), "The speaker level was less than 40.0\nPlease select.\n");
    EXPECT_TRUE(dialog.Text()->isReadOnly());
    CCheckList* list = dialog.List();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Left Front Position 1: SPL = 35.1db");
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(items_[1].Checked, 1);
    EXPECT_EQ(list->objectName(), "idc_1027");
}

TEST_F(CheckListDialogTest, AClickOnTheTextOrTheBoxTogglesAndTellsTheOwnerButBesideDoesNothing) {
    CConflictResolution dialog({"Halvane", "text", items_, 3, &owner_});
    dialog.show();
    CCheckList* list = dialog.List();
    clickItem(list, 0, /*onText=*/true);
    EXPECT_EQ(items_[0].Checked, 1);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    clickItem(list, 1, /*onText=*/false);
    EXPECT_EQ(items_[1].Checked, 0);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    // Below the last item.
    const QRect last = list->visualItemRect(list->item(2));
    ASSERT_LT(last.bottom() + 10, list->viewport()->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 10));
    EXPECT_EQ(owner_.indices, (std::vector<int>{0, 1}));
    EXPECT_EQ(items_[2].Checked, 0);
    // Space toggles the item clicked last.
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(items_[1].Checked, 1);
    EXPECT_EQ(owner_.indices, (std::vector<int>{0, 1, 1}));
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);
}

TEST_F(CheckListDialogTest, TheSameRecordsFillASecondDialogSafely) {
    {
        CConflictResolution first({"Halvane", "text", items_, 3, &owner_});
        first.show();
        clickItem(first.List(), 2, true);
        EXPECT_EQ(items_[2].Checked, 1);
    }
    CConflictResolution second({"Halvane", "text", items_, 3, nullptr});
    EXPECT_EQ(second.List()->count(), 3);
    EXPECT_EQ(second.List()->item(2)->checkState(), Qt::Unchecked);  // Requested again
    EXPECT_EQ(items_[2].Checked, 0);
    second.show();
    clickItem(second.List(), 2, true);  // no owner: only the tick
    EXPECT_EQ(items_[2].Checked, 1);
}

TEST_F(CheckListDialogTest, TheMeasurementWorkerAsksAndReadsTheTicksAfterOk) {
    InstallConflictResolutionDialog();
    std::atomic<bool> done{false};
    bool answer = false;
    std::thread worker([&] {
        answer = PickMeasurementsToRepeat({"Halvane", "Levels", items_, 3, &owner_});
        done = true;
    });
    bool clicked = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CConflictResolution*>(QApplication::activeModalWidget());
        if (dialog == nullptr || clicked) return;
        clicked = true;
        clickItem(dialog->List(), 0, true);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    user.start(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 20000)) << "the list was never answered";
    user.stop();
    worker.join();
    SetRepeatMeasurementsShell({});
    EXPECT_TRUE(answer);
    EXPECT_EQ(items_[0].Checked, 1);
    EXPECT_EQ(items_[1].Checked, 1);
    EXPECT_EQ(owner_.indices, (std::vector<int>{0}));
}

TEST_F(CheckListDialogTest, CancelIsNoAnswer) {
    InstallConflictResolutionDialog();
    QTimer::singleShot(20, [] {
        if (auto* dialog = qobject_cast<CConflictResolution*>(QApplication::activeModalWidget())) dialog->reject();
    });
    EXPECT_FALSE(PickMeasurementsToRepeat({"Halvane", "Levels", items_, 3, nullptr}));
    SetRepeatMeasurementsShell({});
}

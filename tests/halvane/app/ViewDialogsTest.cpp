// The curve colour dialog and the completion page under the offscreen
// platform: the swatches, the scripted colour dialog, OK and Cancel, and the
// page's answers including its close box.
#include "halvane/app/CCurveColorDialog.h"
#include "halvane/app/CRoomCorrectionCompleteDlg.h"
#include "halvane/app/CStaticColorCtrl.h"
#include "halvane/app/models/ColourPicker.h"
#include "halvane/app/models/CompletionPage.h"
#include "halvane/document/DocumentData.h"

#include "GuiTestApp.h"
#include "tests/halvane/app/models/ScriptedPicker.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using halvane::app::CCurveColorDialog;
using halvane::app::CRoomCorrectionCompleteDlg;
using halvane::document::DocumentData;
namespace cp = halvane::app::models::completion_page;

class CurveColorDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }

    QColor SwatchPixel(CCurveColorDialog& d, int kind) {
        auto* swatch = d.findChild<halvane::app::CustomControls::CStaticColorCtrl*>(QStringLiteral("idc_%1").arg(1064 + kind));
        EXPECT_NE(swatch, nullptr);
        const QImage image = swatch->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
    QPushButton* Change(CCurveColorDialog& d, int kind) {
        return d.findChild<QPushButton*>(QStringLiteral("idc_%1").arg(1067 + kind));
    }
    QPushButton* Box(CCurveColorDialog& d, QDialogButtonBox::StandardButton which) {
        return d.findChild<QDialogButtonBox*>()->button(which);
    }

    DocumentData doc_;
    ScriptedPicker picker_;
};

TEST_F(CurveColorDialogTest, SwatchesShowTheDocumentsColoursAndOkWritesTheChanges) {
    doc_.m_CurveColor[1] = 0x00102030;
    CCurveColorDialog dialog(doc_, nullptr, &picker_);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Curve colors"));
    EXPECT_EQ(SwatchPixel(dialog, 0), QColor(204, 0, 0));
    EXPECT_EQ(SwatchPixel(dialog, 1), QColor(0x30, 0x20, 0x10));
    EXPECT_EQ(SwatchPixel(dialog, 2), QColor(0, 204, 0));

    picker_.answers = {0x000000FF, std::nullopt};
    Change(dialog, 2)->click();
    Change(dialog, 0)->click();  // the colour dialog is cancelled
    EXPECT_EQ(picker_.offered, (std::vector<std::uint32_t>{0x00CC00, 0x0000CC}));
    EXPECT_EQ(SwatchPixel(dialog, 2), QColor(255, 0, 0));
    EXPECT_EQ(SwatchPixel(dialog, 0), QColor(204, 0, 0));
    EXPECT_EQ(doc_.m_CurveColor[2], 0x00CC00u);  // not before OK

    Box(dialog, QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(doc_.m_CurveColor, (std::array<std::uint32_t, 3>{0x0000CC, 0x102030, 0x0000FF}));
}

TEST_F(CurveColorDialogTest, CancelKeepsTheDocumentsColours) {
    CCurveColorDialog dialog(doc_, nullptr, &picker_);
    dialog.show();
    picker_.answers = {0x00123456, 0x00654321, 0x00ABCDEF};
    for (int kind = 0; kind < 3; ++kind) Change(dialog, kind)->click();
    Box(dialog, QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(doc_.m_CurveColor, (std::array<std::uint32_t, 3>{0x0000CC, 0xCC0000, 0x00CC00}));
}

class CompletionPageDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureTestApplication(); }
    void TearDown() override { cp::SetShell({}); }

    // Runs the installed page and does `act` to it once it is up.
    int RunWith(std::function<void(CRoomCorrectionCompleteDlg&)> act) {
        halvane::app::InstallCompletionPage();
        QTimer::singleShot(0, [act] {
            auto* page = qobject_cast<CRoomCorrectionCompleteDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(page, nullptr);
            act(*page);
        });
        return cp::Run();
    }
};

TEST_F(CompletionPageDialogTest, ShowsTheTextUnderTheProgramsName) {
    CRoomCorrectionCompleteDlg page;
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Halvane"));
    EXPECT_EQ(page.Text()->text(),
              QStringLiteral("Room Correction complete!\nGo to the Source Setup menu to make sure it is turned on "
                             "for each source, as desired."));
    EXPECT_EQ(page.ShowResultsButton()->text(), QStringLiteral("Show Results"));
    EXPECT_EQ(page.ExitButton()->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(page.ShowResultsButton()->isDefault());
}

TEST_F(CompletionPageDialogTest, ShowResultsGoesOnAndExitOrTheCloseBoxEnds) {
    EXPECT_EQ(RunWith([](CRoomCorrectionCompleteDlg& p) { p.ShowResultsButton()->click(); }), cp::kShowResults);
    EXPECT_EQ(RunWith([](CRoomCorrectionCompleteDlg& p) { p.ExitButton()->click(); }), cp::kExit);
    EXPECT_EQ(RunWith([](CRoomCorrectionCompleteDlg& p) { p.close(); }), cp::kExit);
    EXPECT_EQ(RunWith([](CRoomCorrectionCompleteDlg& p) { p.reject(); }), cp::kExit);
}

}  // namespace

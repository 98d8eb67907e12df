// The global pages against the simulated processor: "Advanced Video
// Settings" uploading and retrieving the custom output resolution and the
// gamma curves, slowly and ended by the marker; the standard formats.

#include "GuiFixture.h"

#include "pellivar/StandardOutputFormat.h"
#include "pellivar/ui/CAdvancedVideoView.h"
#include "pellivar/ui/CCustomOutputRez.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CLoadStdOutputFormatDlg.h"
#include "pellivar/ui/CSliderPInt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTreeWidget>

#include <cstdlib>

namespace pellivar::test {
namespace {

using GlobalPages = GuiFixture;
using F = CustomOutputResolutionSettings::Field;

std::array<int, 13> row(const char* name) {
    for (const auto& f : kStandardOutputFormats)
        if (std::string(f.name) == name) return f.Row();
    return {};
}

TEST_F(GlobalPages, AdvancedRefusesWithoutAPoweredUnitOrASelection) {
    CAdvancedVideoView* page = frame_->AdvancedView();
    page->OnUpload();
    EXPECT_TRUE(asked(CTreeBar::kNotPoweredText, "Error"));
    ASSERT_TRUE(connect());
    page->OnRetrieve();
    EXPECT_TRUE(asked(CAdvancedVideoView::kNoneSelectedText, "Error"));
    EXPECT_EQ(app_->GetCommunicator().QueuedCommands(), 0u);
    EXPECT_FALSE(page->ResolutionCheck()->isChecked());
    EXPECT_EQ(page->CurveList()->itemText(1), "Custom #1");
}

TEST_F(GlobalPages, UploadOfCustomOneSendsCurveZeroOnlyAtUploadPace) {
    ASSERT_TRUE(connect());
    CAdvancedVideoView* page = frame_->AdvancedView();
    page->GammaCheck()->setChecked(true);
    page->CurveList()->setCurrentIndex(1);
    app_->GetCurrentDoc().GetGammaLists()[0].GetAt(2)->y = 100;
    clearRaw();
    clearWrites();
    closeModalsAfter(20000);
    page->OnUpload();
    ASSERT_TRUE(waitFor([this] { return app_->GetCommunicator().QueuedCommands() == 0; }));
    const std::string wire = raw();
    EXPECT_NE(wire.find("fIs002080064;\n"), std::string::npos);
    EXPECT_NE(wire.find("fIs011AAAAAA;\n"), std::string::npos);
    EXPECT_NE(wire.find("fT?j;\n"), std::string::npos);
    EXPECT_EQ(wire.find("fIs1"), std::string::npos);
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.curvePoint(0, 2).y; }), 100);
    // 19 commands of the curve and the marker, 5 x 25 ms apart; the
    // read-back of the curve follows.
    std::vector<std::int64_t> times;
    for (const Write& w : writes()) {
        if (w.text.rfind("fI?", 0) == 0) break;
        if (w.text.rfind("P1P?", 0) != 0) times.push_back(w.timeMs);
    }
    ASSERT_EQ(times.size(), 20u);
    // Seen on the far side of the line: a write the test machine delays
    // lengthens one gap and shortens the next by as much, so each gap only
    // has to show the pause and the whole run the pace.
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 62) << i;
    EXPECT_GE(times.back() - times.front(), 19 * 124);
    EXPECT_EQ(app_->GetCommunicator().SendPauseFactor(), 0);
}

TEST_F(GlobalPages, ResolutionUploadSendsEveryValueAndThePixelHalves) {
    ASSERT_TRUE(connect());
    CCustomOutputRez* rez = frame_->ResolutionView();
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 1));
    rez->LoadStandard(row("720p60"));
    EXPECT_EQ(rez->PixelEdit()->text(), "74250000");
    EXPECT_EQ(rez->Refresh(), 60);
    clearRaw();
    // Editing sends nothing; "Upload" does.
    rez->Control(F::HSyncStart)->Edit()->setText("111");
    emit rez->Control(F::HSyncStart)->Edit()->textEdited("111");
    pumpFor(100);
    EXPECT_EQ(raw().find("fUs"), std::string::npos);

    CAdvancedVideoView* page = frame_->AdvancedView();
    page->ResolutionCheck()->setChecked(true);
    closeModalsAfter(20000);
    page->OnUpload();
    ASSERT_TRUE(waitFor([this] { return app_->GetCommunicator().QueuedCommands() == 0; }));
    ASSERT_TRUE(waitForRaw("fT?j;\n"));
    const std::string wire = raw();
    for (const char* c : {"fUs01650;\n", "fUs21280;\n", "fUs1750;\n", "fUs3720;\n", "fUs4111;\n", "fUs5150;\n",
                          "fUs930;\n", "fUs8720;\n", "fUsc0;\n", "fUse046c;\n", "fUsdf710;\n"})
        EXPECT_NE(wire.find(c), std::string::npos) << c;
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.pixelRate(); }), 74250000u);
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.resolution(4); }), 111);
}

TEST_F(GlobalPages, RetrieveBringsTheResolutionAndTheCurvesBack) {
    ASSERT_TRUE(connect());
    dialect([](sim::PellivarDialect& d) {
        d.setResolution(0, 2200);
        d.setResolution(1, 1125);
        d.setResolution(2, 1920);
        d.setResolution(3, 1080);
        d.setPixelRate(148500000);
        d.setCurve(0, {{0, 0}, {200, 300}, {500, 600}, {800, 900}, {1000, 1000}, {1023, 1023}});
    });
    CAdvancedVideoView* page = frame_->AdvancedView();
    page->ResolutionCheck()->setChecked(true);
    page->GammaCheck()->setChecked(true);
    page->CurveList()->setCurrentIndex(1);  // "Custom #1": curve 0
    closeModalsAfter(30000);
    page->OnRetrieve();
    ASSERT_TRUE(waitFor([this] { return app_->GetCommunicator().QueuedCommands() == 0; }, 20000));
    pumpFor(200);
    CPellivarDoc& doc = app_->GetCurrentDoc();
    EXPECT_EQ(doc.GetOutputResolution().Value(F::TotalHSize).Value(), 2200);
    EXPECT_EQ(doc.GetOutputResolution().Value(F::ActiveVSize).Value(), 1080);
    EXPECT_EQ(doc.GetOutputResolution().PixelRate(), 148500000);
    EXPECT_EQ(frame_->ResolutionView()->PixelEdit()->text(), "148500000");
    const auto points = doc.GetGammaLists()[0].Points();
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[1], (CGammaPoint{200, 300}));
    EXPECT_EQ(raw().find("fI?1"), std::string::npos);  // only curve 0 was asked for
}

TEST_F(GlobalPages, StandardFormatLoadsWithItsTiming) {
    CLoadStdOutputFormatDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Load Standard Output Format");
    ASSERT_EQ(dialog.Combo()->count(), 40);
    EXPECT_EQ(dialog.Combo()->currentText(), "480p60");
    dialog.Combo()->setCurrentIndex(-1);
    dialog.OnOk();
    EXPECT_TRUE(asked("Invalid Selection", "Error"));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 1));
    CCustomOutputRez* rez = frame_->ResolutionView();
    rez->LoadStandard(row("1080p60"));
    const auto& res = app_->GetCurrentDoc().GetOutputResolution();
    EXPECT_EQ(res.Value(F::TotalHSize).Value(), 2200);
    EXPECT_EQ(res.Value(F::TotalVSize).Value(), 1125);
    EXPECT_EQ(res.PixelRate(), 148500000);
    EXPECT_EQ(rez->Refresh(), 60);
    EXPECT_EQ(res.Value(F::ActiveF1Size).Value(), 1080);
    EXPECT_EQ(res.Value(F::BlankF1Size).Value(), 45);
    EXPECT_EQ(res.Value(F::OffsetF1F2).Value(), 0);
    EXPECT_FALSE(rez->Control(F::BlankF1Size)->isEnabled());

    // Refresh mode: the refresh is typed, the pixel clock follows.
    rez->UsePixelRate()->setChecked(false);
    EXPECT_FALSE(rez->PixelEdit()->isEnabled());
    EXPECT_EQ(rez->RefreshControl()->Maximum(), 66);
    rez->RefreshControl()->Edit()->setText("50");
    emit rez->RefreshControl()->Edit()->textEdited("50");
    EXPECT_EQ(rez->PixelEdit()->text(), QString::number(2200LL * 50 * 1125));

    // Pixel mode clamps what is typed.
    rez->UsePixelRate()->setChecked(true);
    rez->PixelEdit()->setText("200000000");
    emit rez->PixelEdit()->editingFinished();
    EXPECT_EQ(rez->PixelEdit()->text(), "165000000");
}

// Showing the page shows the document as it is: the defaults (totals 5 x 5,
// pixel clock 5000000) stay, the document stays unmodified and the refresh
// shown is P / (H x V). The first edit corrects what the page must (the
// totals and the clock into their ranges) and marks the document modified.
TEST_F(GlobalPages, ShowingTheResolutionPageChangesNothing) {
    const auto& res = app_->GetCurrentDoc().GetOutputResolution();
    app_->GetCurrentDoc().SetModifiedFlag(false);
    CCustomOutputRez* rez = frame_->ResolutionView();
    for (int shown = 0; shown < 2; ++shown) {
        frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 1));
        pumpFor(20);
        EXPECT_EQ(frame_->CurrentView(), rez);
        for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f)
            EXPECT_EQ(res.Value(static_cast<F>(f)).Value(), CustomOutputResolutionSettings::kDefaults[static_cast<std::size_t>(f)])
                << "field " << f;
        EXPECT_EQ(res.PixelRate(), 5000000);
        EXPECT_FALSE(app_->GetCurrentDoc().IsModified());
        EXPECT_EQ(rez->PixelEdit()->text(), "5000000");
        EXPECT_EQ(rez->Control(F::TotalHSize)->Edit()->text(), "5");
        EXPECT_EQ(rez->Refresh(), 5000000 / (5 * 5));
        EXPECT_EQ(rez->RefreshControl()->Edit()->text(), QString::number(5000000 / (5 * 5)));
        // Away and back again.
        frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(5, 0));
        pumpFor(20);
    }
    // A file's timing with an odd refresh is shown as it is, too.
    app_->GetCurrentDoc().GetOutputResolution().LoadFormat(row("720p47.952"));
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 1));
    pumpFor(20);
    EXPECT_EQ(rez->Refresh(), 47);  // 59340600 / 1650 / 750 = 47.95
    EXPECT_EQ(res.PixelRate(), 59340600);
    EXPECT_FALSE(app_->GetCurrentDoc().IsModified());

    // Leaving the clock's field unchanged is no edit.
    emit rez->PixelEdit()->editingFinished();
    EXPECT_FALSE(app_->GetCurrentDoc().IsModified());
    // Typing a clock is: the refresh follows and the document is modified.
    rez->PixelEdit()->setText("74250000");
    emit rez->PixelEdit()->editingFinished();
    EXPECT_EQ(res.PixelRate(), 74250000);
    EXPECT_EQ(rez->Refresh(), 60);
    EXPECT_TRUE(app_->GetCurrentDoc().IsModified());
}

// With PELLIVAR_SCREENSHOT_DIR set (and a real display, e.g. under
// xvfb-run with QT_QPA_PLATFORM=xcb), saves pictures of the main pages.
TEST_F(GlobalPages, Screenshots) {
    const char* dir = std::getenv("PELLIVAR_SCREENSHOT_DIR");
    if (dir == nullptr) GTEST_SKIP() << "PELLIVAR_SCREENSHOT_DIR not set";
    ASSERT_TRUE(connect());
    frame_->resize(1200, 820);
    frame_->show();
    pumpFor(300);
    const QDir out(dir);
    auto shot = [&](int source, int pageIndex, const char* name) {
        frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(source, pageIndex));
        pumpFor(200);
        frame_->grab().save(out.filePath(name));
    };
    shot(5, 0, "scaling.png");
    shot(5, 2, "picture.png");
    shot(-1, 0, "advanced.png");
    shot(-1, 1, "resolution.png");
    shot(-1, 2, "gamma.png");
}

}  // namespace
}  // namespace pellivar::test

// Pellivar on a 1024 x 768 screen: the main window, whichever page it
// shows, fits the screen with room for the window frame, and every dialog
// is wide enough for its title to read whole.

#include "GuiFixture.h"

#include "pellivar/ui/CAdvancedVideoView.h"
#include "pellivar/ui/CChangeBaudRateDlg.h"
#include "pellivar/ui/CCustomOutputRez.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CCurveGeneratorDlg.h"
#include "pellivar/ui/CLoadStdOutputFormatDlg.h"
#include "pellivar/ui/CSourcePageView.h"
#include "pellivar/ui/CWaitTimeDlg.h"
#include "platform/qt/TitleFit.h"

#include <QLayout>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTreeWidget>

namespace pellivar::test {
namespace {

class ScreenFit : public GuiFixture {};

TEST_F(ScreenFit, MainWindowFitsA1024By768ScreenOnEveryPage) {
    // A window frame takes some 10 pixels across and 30 down.
    const QSize room(1024 - 10, 768 - 30);
    frame_->show();
    for (CPageView* page : {static_cast<CPageView*>(frame_->SourcePage(0)), static_cast<CPageView*>(frame_->SourcePage(1)),
                            static_cast<CPageView*>(frame_->SourcePage(2)), static_cast<CPageView*>(frame_->SourcePage(3)),
                            static_cast<CPageView*>(frame_->AdvancedView()), static_cast<CPageView*>(frame_->ResolutionView()),
                            static_cast<CPageView*>(frame_->GammaView())}) {
        frame_->SwitchToView(page);
        QApplication::processEvents();
        const QSize need = frame_->minimumSizeHint().expandedTo(frame_->minimumSize());
        EXPECT_LE(need.width(), room.width()) << page->objectName().toStdString();
        EXPECT_LE(need.height(), room.height()) << page->objectName().toStdString();
    }
    // Shown maximized on such a screen, nothing is pushed out: the status
    // bar's text sits inside the window.
    frame_->resize(room);
    QApplication::processEvents();
    EXPECT_EQ(frame_->size(), room);
}

// The title of a dialog is drawn in the frame's title bar beside its
// buttons; a dialog narrower than its title cuts it ("A...r").
void expectTitleFits(QDialog& dialog) {
    dialog.show();
    QApplication::processEvents();
    EXPECT_GE(dialog.width(), platform::qt::TitleWidth(dialog)) << dialog.windowTitle().toStdString();
    dialog.hide();
}

TEST_F(ScreenFit, EveryDialogIsWideEnoughForItsTitle) {
    CLoadStdOutputFormatDlg standard(frame_.get());
    expectTitleFits(standard);
    CChangeBaudRateDlg speed(frame_.get());
    expectTitleFits(speed);
    CCurveGeneratorDlg generator(frame_.get());
    expectTitleFits(generator);
    CWaitTimeDlg wait(*app_, frame_.get());
    expectTitleFits(wait);
    // The message boxes (the program's prompt widens them the same way): a
    // short text under a long caption, and the About box.
    for (const char* caption : {"Integer value out of range.", "Decimal value out of range.", "About Pellivar"}) {
        QMessageBox box(QMessageBox::Warning, caption, "Range is [(0) - (100)].\nValue was 150.", QMessageBox::Ok,
                        frame_.get());
        platform::qt::FitTitle(box);
        expectTitleFits(box);
    }
}

}  // namespace
}  // namespace pellivar::test

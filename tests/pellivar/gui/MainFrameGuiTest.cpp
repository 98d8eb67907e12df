// The main frame against the simulated processor: the page tree, the unit
// search and its boxes, the source buttons and the unit's source reports,
// power on, Get and Load with their wait dialog, and documents that are
// opened or dropped without reaching the unit.

#include "GuiFixture.h"

#include "pellivar/VideoSettingInfo.h"
#include "platform/SerialLine.h"
#include "pellivar/ui/CChangeBaudRateDlg.h"
#include "pellivar/ui/CSourcePageView.h"
#include "pellivar/ui/CSliderPInt.h"
#include "pellivar/ui/CWaitDlg.h"
#include "pellivar/ui/CWaitTimeDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QAction>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace pellivar::test {
namespace {

using MainFrame = GuiFixture;

std::size_t count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

TEST_F(MainFrame, TreeHoldsTheSourcesInTreeOrderAndTheGlobalPages) {
    QTreeWidget* tree = frame_->TreeBar()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 18);
    const char* order[] = {"CD",  "2-CH", "6-CH", "TAPE", "TUNER", "DVD1", "DVD2", "DVD3", "DVD4",
                           "TV1", "TV2",  "TV3",  "TV4",  "SAT1",  "SAT2", "VCR",  "AUX"};
    for (int i = 0; i < 17; ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        EXPECT_EQ(item->text(0).toStdString(), order[i]);
        ASSERT_EQ(item->childCount(), 4);
        EXPECT_EQ(item->child(0)->text(0), "Scaling");
        EXPECT_EQ(item->child(3)->text(0), "Output");
    }
    QTreeWidgetItem* adv = tree->topLevelItem(17);
    EXPECT_EQ(adv->text(0), "Advanced Video Settings");
    ASSERT_EQ(adv->childCount(), 2);
    EXPECT_EQ(adv->child(0)->text(0), "Custom Output Resolution");
    EXPECT_EQ(adv->child(1)->text(0), "Custom Gamma Correction");
    EXPECT_EQ(frame_->CurrentView(), frame_->SourcePage(0));  // "Scaling" first
    EXPECT_EQ(frame_->windowTitle(), "Untitled - Pellivar");
    // "Long Wait" starts on and switches the communicator's extra pause.
    ASSERT_TRUE(frame_->LongWaitAction()->isChecked());
    frame_->LongWaitAction()->trigger();
    EXPECT_FALSE(app_->GetCommunicator().LongWait());
    frame_->LongWaitAction()->trigger();
    EXPECT_TRUE(app_->GetCommunicator().LongWait());

    // One view serves every source: choosing DVD4's "Picture" binds it to 12.
    app_->GetCurrentDoc().GetSourceSettings(12).Value(VideoSetting::PictureImageColorContrast).SetValue(71);
    tree->setCurrentItem(frame_->TreeBar()->ItemFor(12, 2));
    EXPECT_EQ(frame_->CurrentView(), frame_->SourcePage(2));
    EXPECT_EQ(frame_->SourcePage(2)->Source(), 12);
    EXPECT_EQ(frame_->SourcePage(2)->SliderById(1009)->Edit()->text(), "71");
    tree->setCurrentItem(frame_->TreeBar()->ItemFor(0, 2));
    EXPECT_EQ(frame_->SourcePage(2)->SliderById(1009)->Edit()->text(), "50");
}

TEST_F(MainFrame, BaudRateDialogOffersEverySpeedWithNineteenTwoHundredFirst) {
    CChangeBaudRateDlg dialog(frame_.get());
    EXPECT_EQ(dialog.windowTitle(), "Select Baud Rate");
    ASSERT_EQ(dialog.Combo()->count(), 8);
    EXPECT_EQ(dialog.Combo()->itemText(0), "1200");
    EXPECT_EQ(dialog.Combo()->itemText(7), "115200");
    EXPECT_EQ(dialog.Combo()->currentText(), "19200");
    EXPECT_EQ(dialog.SpeedIndex(), 4);
    bool tryAll = false;
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == "Try All") tryAll = true;
    EXPECT_TRUE(tryAll);
}

// "Connect" (and start-up) ask for the speed first; "Try All" searches
// every speed, Cancel nothing.
TEST_F(MainFrame, ConnectAsksForTheSpeedThenSearches) {
    auto press = [](const char* button) {
        QTimer::singleShot(50, [button] {
            auto* dialog = qobject_cast<CChangeBaudRateDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == button) b->click();
        });
    };
    closeModalsAfter(5000);
    press("Cancel");
    frame_->TreeBar()->Button("Connect")->click();
    EXPECT_FALSE(frame_->SearchRunning());
    EXPECT_TRUE(asks().empty());

    press("Try All");
    frame_->TreeBar()->Button("Connect")->click();
    EXPECT_TRUE(frame_->SearchRunning());
    ASSERT_TRUE(waitFor([this] { return !frame_->SearchRunning(); }, 20000));
    EXPECT_TRUE(asked("Found: Tolvarine Z6", "Success"));
}

TEST_F(MainFrame, SearchDisablesTheWindowAndReportsTheModel) {
    frame_->StartSearch(true, 0);
    EXPECT_FALSE(frame_->isEnabled());
    ASSERT_NE(frame_->WaitDialog(), nullptr);
    EXPECT_TRUE(frame_->WaitDialog()->isVisible());
    EXPECT_EQ(frame_->WaitDialog()->Text(), "Please wait.... finding unit....");
    ASSERT_TRUE(waitFor([this] { return !frame_->SearchRunning(); }, 20000));
    EXPECT_TRUE(frame_->isEnabled());
    EXPECT_FALSE(frame_->WaitDialog()->isVisible());
    EXPECT_TRUE(asked("Found: Tolvarine Z6", "Success"));
}

// "Try All" shows the port and speed it tries; the unit here answers only at
// 57600, the last speed of the search order.
TEST_F(MainFrame, TryAllShowsTheSpeedsItTries) {
    dialect([](sim::PellivarDialect& d) { d.setBaud(57600); });
    std::vector<int> tried;
    QString shown;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        CWaitDlg* d = frame_->WaitDialog();
        if (d == nullptr || !d->isVisible()) return;
        if (tried.empty() || tried.back() != d->ProgressValue()) tried.push_back(d->ProgressValue());
        if (!d->ProgressText().isEmpty()) shown = d->ProgressText();
    });
    sampler.start(10);
    frame_->StartSearch(true, 0);
    ASSERT_TRUE(waitFor([this] { return !frame_->SearchRunning(); }, 30000));
    sampler.stop();
    EXPECT_TRUE(asked("Found: Tolvarine Z6", "Success"));
    EXPECT_GE(tried.size(), 4u);
    EXPECT_TRUE(std::is_sorted(tried.begin(), tried.end()));
    EXPECT_LE(tried.back(), 8);
    EXPECT_TRUE(shown.startsWith("Trying COM3 at ")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(" of 8)")) << shown.toStdString();
    EXPECT_EQ(frame_->ConnectionText(), "Connected: Tolvarine Z6 on COM3 at 57600 baud");
}

TEST_F(MainFrame, FailedSearchSaysSoAndSendsNothing) {
    frame_->StartSearch(false, 7);  // the unit listens at 19200 only
    ASSERT_TRUE(waitFor([this] { return !frame_->SearchRunning(); }, 20000));
    EXPECT_TRUE(asked("Could not find unit, check connection\n  COM1 to COM2: no device\n  COM3 = " +
                          sim_->slavePath() + ": no unit answered\n  COM4 to COM9: no device",
                      "Error"));
    EXPECT_FALSE(app_->GetCommunicator().GetPort().IsConnected());
    app_->UpdateUnitWithString("fcs050");
    EXPECT_EQ(app_->GetCommunicator().QueuedCommands(), 0u);
}

// The unit's port held by another program is named, not taken for a cable.
TEST_F(MainFrame, APortHeldByAnotherProgramIsNamedAsSuch) {
    platform::SerialLine other;
    ASSERT_TRUE(other.open(sim_->slavePath()));
    frame_->StartSearch(true, 0);
    ASSERT_TRUE(waitFor([this] { return !frame_->SearchRunning(); }, 20000));
    EXPECT_TRUE(asked("Could not find unit, check connection\n  COM1 to COM2: no device\n  COM3 = " +
                          sim_->slavePath() + ": could not be opened: in use by another program\n"
                          "  COM4 to COM6: no device",
                      "Error"));
}

TEST_F(MainFrame, NewSpeedIsAnnouncedToAConnectedUnitAndFoundThere) {
    ASSERT_TRUE(connect());
    frame_->StartSearch(false, 7);
    ASSERT_TRUE(waitFor([this] { return !frame_->SearchRunning(); }, 20000));
    EXPECT_NE(raw().find("SSB7"), std::string::npos);
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.baud(); }), 115200);
    EXPECT_TRUE(app_->GetCommunicator().GetPort().IsConnected());
    EXPECT_EQ(app_->GetCommunicator().GetPort().GetSpeedIndex(), 7);
}

TEST_F(MainFrame, SourceButtonsSelectAndTheUnitsReportsFollow) {
    ASSERT_TRUE(connect());
    clearRaw();
    frame_->TreeBar()->Radios()->button(10)->click();  // "DVD2"
    EXPECT_EQ(frame_->TreeBar()->Radios()->button(10)->text(), "DVD2");
    EXPECT_TRUE(waitForRaw("P1Sd;\n"));
    sim_->inject("P1Sf\n");  // the unit switched to DVD4 itself
    EXPECT_TRUE(waitFor([this] { return frame_->TreeBar()->SelectedSource() == 12; }));
    EXPECT_TRUE(frame_->TreeBar()->Radios()->button(12)->isChecked());
    sim_->inject("P1S?\n");  // no such source: ignored
    pumpFor(100);
    EXPECT_EQ(frame_->TreeBar()->SelectedSource(), 12);
}

TEST_F(MainFrame, PowerOnNeedsAnOpenPortAndGoesOutInOneLine) {
    frame_->TreeBar()->OnPowerOn();
    EXPECT_TRUE(asked(CTreeBar::kNotConnectedText, "Error"));
    ASSERT_TRUE(connect());
    dialect([](sim::PellivarDialect& d) { d.setPower(false); });
    clearRaw();
    frame_->TreeBar()->Button("Power On")->click();
    EXPECT_TRUE(waitForRaw("P1P1;P1P?;;"));
    EXPECT_TRUE(waitFor([this] { return dialect([](sim::PellivarDialect& d) { return d.power(); }); }));
}

TEST_F(MainFrame, GetRetrievesEverySourceFromTheUnit) {
    ASSERT_TRUE(connect());
    dialect([](sim::PellivarDialect& d) {
        d.setValue("fc", 3, 77);
        d.setValue("fX", 16, 250);
        d.setValue("fm", 0, 9);
        d.setValue("fi", 16, 0);  // queried after source 16's "fT?j"
    });
    clearRaw();
    closeModalsAfter(30000);
    QString title, text;
    QTimer::singleShot(20, [&] {
        if (auto* d = qobject_cast<CWaitTimeDlg*>(QApplication::activeModalWidget())) {
            title = d->windowTitle();
            text = d->Text();
        }
        // A line with the marker's key that answers none of the dialog's
        // markers (the unit's own report, or a reply too late to count).
        sim_->inject("fTj50\n");
    });
    // The progress moves while the unit answers.
    std::vector<int> sent;
    int total = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CWaitTimeDlg*>(QApplication::activeModalWidget())) {
            if (sent.empty() || sent.back() != d->Sent()) sent.push_back(d->Sent());
            total = d->Total();
        }
    });
    sampler.start(50);
    frame_->TreeBar()->OnGet();
    sampler.stop();
    EXPECT_EQ(title, "Exchanging Data");
    EXPECT_EQ(text, "Please wait.... Retrieving data....");
    EXPECT_EQ(total, 17 * 36 + 1);
    EXPECT_GE(sent.size(), 3u);
    EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
    // The marker key is also source 16's input offset; the dialog closes at
    // the reply to its own marker, the last command, not at another line of
    // its key: every reply is in.
    EXPECT_EQ(app_->GetCommunicator().QueuedCommands(), 0u);
    CPellivarDoc& doc = app_->GetCurrentDoc();
    EXPECT_EQ(doc.GetSourceSettings(3).Value(VideoSetting::PictureImageColorContrast).Value(), 77);
    EXPECT_EQ(doc.GetSourceSettings(16).Value(VideoSetting::GammaCurveExponent).Value(), 250);
    EXPECT_EQ(doc.GetSourceSettings(0).Value(VideoSetting::PictureMotionThreshold).Value(), 9);
    EXPECT_EQ(doc.GetSourceSettings(16).Value(VideoSetting::FrameLock).Value(), 0);
    const std::string wire = raw();
    EXPECT_EQ(count(wire, "?"), 17u * 36 + 1 + 1);  // the batch, its marker, the power query
    EXPECT_NE(wire.find("fc?3;\n"), std::string::npos);
}

TEST_F(MainFrame, LoadSendsEverySourcePacedAndNeedsAPoweredUnit) {
    ASSERT_TRUE(connect());
    dialect([](sim::PellivarDialect& d) { d.setPower(false); });
    clearRaw();
    frame_->TreeBar()->OnLoad();
    EXPECT_TRUE(asked(CTreeBar::kNotPoweredText, "Error"));
    EXPECT_EQ(app_->GetCommunicator().QueuedCommands(), 0u);
    EXPECT_EQ(raw().find("s"), std::string::npos);

    dialect([](sim::PellivarDialect& d) { d.setPower(true); });
    app_->GetCurrentDoc().GetSourceSettings(12).Value(VideoSetting::PictureImageColorBrightness).SetValue(33);
    clearWrites();
    closeModalsAfter(30000);
    frame_->TreeBar()->OnLoad();
    ASSERT_TRUE(waitFor([this] { return app_->GetCommunicator().QueuedCommands() == 0; }, 20000));
    EXPECT_TRUE(waitFor([this] { return dialect([](sim::PellivarDialect& d) { return d.value("fb", 12); }) == 33; }));
    EXPECT_EQ(app_->GetCommunicator().SendPauseFactor(), 0);
    // Sets at pause factor 1 with Long Wait at 19200: 25 + 5 x 4 ms apart.
    std::vector<std::int64_t> times;
    int sets = 0;
    for (const Write& w : writes()) {
        if (w.text.size() > 3 && w.text[2] == 's') {
            ++sets;
            times.push_back(w.timeMs);
        }
    }
    EXPECT_EQ(sets, 17 * 36);
    std::int64_t shortest = 1 << 30;
    for (std::size_t i = 1; i < times.size(); ++i) shortest = std::min(shortest, times[i] - times[i - 1]);
    EXPECT_GE(shortest, 44);  // 45, less the clock's whole-millisecond reading
}

// The unit hangs up in the middle of a Load: the wait dialog closes, the
// status bar says the connection is lost and a box says how many commands
// did not reach the unit. Get then refuses, as for any unit not there.
TEST_F(MainFrame, ALineThatDiesDuringLoadIsReportedAsLost) {
    ASSERT_TRUE(connect());
    EXPECT_TRUE(frame_->ConnectionText().startsWith("Connected: Tolvarine Z6 on COM3"));
    sim::FaultKnobs k;
    k.disconnectAfterBytes = sim_->bytesReceived() + 2000;  // some 250 sets in
    sim_->setFaults(k);
    closeModalsAfter(30000);
    bool lost = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CWaitTimeDlg*>(QApplication::activeModalWidget())) lost = lost || d->ConnectionLost();
    });
    watcher.start(20);
    QElapsedTimer took;
    took.start();
    frame_->TreeBar()->OnLoad();
    const qint64 ms = took.elapsed();
    // Two boxes: the main window's on the line, Load's on the values.
    const auto box = [this](const std::string& caption) {
        for (const auto& a : asks())
            if (a.caption == caption) return a.text;
        return std::string();
    };
    ASSERT_TRUE(waitFor([&] { return !box(CMainFrame::kLostCaption).empty(); }, 5000));
    EXPECT_LT(ms, 20000);  // a full Load here takes some 7 s; the loss ends it early
    EXPECT_FALSE(app_->GetCommunicator().GetPort().IsConnected());
    // The reader or the next write notices first.
    EXPECT_TRUE(frame_->ConnectionText() == "Connection lost: the line hung up" ||
                frame_->ConnectionText() == "Connection lost: a command could not be written")
        << frame_->ConnectionText().toStdString();
    const std::string text = box(CMainFrame::kLostCaption);
    EXPECT_EQ(text.rfind("The connection to the unit was lost: ", 0), 0u) << text;
    // Load names what the unit did not confirm.
    const std::string load = box("Error");
    EXPECT_EQ(load.rfind("Load was cut short: the connection to the unit was lost.\n", 0), 0u) << load;
    EXPECT_NE(load.find("612 value(s) in the unit may differ from what was sent"), std::string::npos) << load;
    EXPECT_NE(load.find("\nCD, Picture, Color Space (Auto Detect / HDTV / SDTV): sent Auto Detect, not confirmed"),
              std::string::npos)
        << load;
    EXPECT_NE(text.find(" command(s) were not sent to the unit."), std::string::npos) << text;
    EXPECT_EQ(text.find("\n0 command(s)"), std::string::npos) << text;
    EXPECT_EQ(app_->GetCommunicator().QueuedCommands(), 0u);
    RecordProperty("load_until_lost_ms", static_cast<int>(ms));

    frame_->TreeBar()->OnGet();
    EXPECT_TRUE(asked(CTreeBar::kNotPoweredText, "Error"));
}

// The line dies halfway through a Get: the values already read are the
// unit's, the rest are what the pages showed before, and the user is told.
TEST_F(MainFrame, AGetCutShortByALostLineSaysTheValuesArePartlyOld) {
    ASSERT_TRUE(connect());
    sim::FaultKnobs k;
    k.disconnectAfterBytes = sim_->bytesReceived() + 1500;  // some 250 queries in
    sim_->setFaults(k);
    closeModalsAfter(30000);
    frame_->TreeBar()->OnGet();
    std::string text;
    for (const auto& a : asks())
        if (a.caption == "Error") text = a.text;
    EXPECT_EQ(text.rfind("The connection was lost during \"Get\" after ", 0), 0u) << text;
    EXPECT_NE(text.find(" of 613 queries: the values shown are partly old"), std::string::npos) << text;
}

TEST_F(MainFrame, OpeningOrDroppingADocumentSendsNothing) {
    ASSERT_TRUE(connect());
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("pellivar_gui_open_" + std::to_string(::getpid()) + ".kvx")).string();
    app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).SetValue(12);
    ASSERT_TRUE(frame_->SaveDocument(path));
    app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).SetValue(50);
    clearRaw();
    ASSERT_TRUE(frame_->OpenDocument(path));
    EXPECT_EQ(app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).Value(), 12);
    EXPECT_NE(frame_->windowTitle().toStdString().find("pellivar_gui_open_"), std::string::npos);

    app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).SetValue(50);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    EXPECT_TRUE(frame_->acceptDrops());
    EXPECT_TRUE(frame_->OpenDropped(&mime));
    EXPECT_EQ(app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).Value(), 12);
    pumpFor(200);
    EXPECT_EQ(raw(), "");
    EXPECT_TRUE(app_->Link().SendEnabled());
    EXPECT_EQ(profile_.recentFiles(4), std::vector<std::string>{path});

    // A modified document is offered for saving before it is replaced.
    app_->GetCurrentDoc().SetModifiedFlag();
    prompt_.answer(platform::IDCANCEL);
    EXPECT_FALSE(frame_->SaveModified());
    prompt_.answer(platform::IDYES);
    app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).SetValue(13);
    EXPECT_TRUE(frame_->SaveModified());
    EXPECT_FALSE(app_->GetCurrentDoc().IsModified());
    const auto last = asks().back();
    EXPECT_EQ(last.caption, "Pellivar");
    EXPECT_NE(last.text.find("Save changes to pellivar_gui_open_"), std::string::npos);
    ASSERT_TRUE(frame_->OpenDocument(path));
    EXPECT_EQ(app_->GetCurrentDoc().GetSourceSettings(2).Value(VideoSetting::PictureImageColorHue).Value(), 13);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace pellivar::test

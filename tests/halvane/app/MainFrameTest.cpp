// The main frame's command bar, split and View menu, the welcome page and
// the start with a document, under the offscreen platform.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLabel>
#include <QMenu>

#include <QAction>
#include <QEventLoop>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>

#include "GuiTestApp.h"
#include "halvane/app/CAboutDlg.h"
#include "halvane/app/CMainFrame.h"
#include "halvane/app/CWelcomeDlg.h"
#include "halvane/app/HalvaneShell.h"
#include "halvane/app/JobsProcedureService.h"
#include "halvane/app/MainFrameIds.h"
#include "halvane/app/models/MainFrameCommands.h"
#include "halvane/app/models/TargetCustomizationShell.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/document/ProcedureService.h"
#include "platform/MemoryProfile.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UiMessageQueue.h"
#include "platform/WindowBinding.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/UiMessagePump.h"

#include <chrono>

using namespace halvane::app;
using namespace halvane::app::main_frame_ids;
using namespace halvane::app::models;
using namespace halvane::diagnostics;
using namespace halvane::document;

using namespace halvane;
using namespace halvane::app::main_frame_ids;

namespace {

struct NoJobs : ProcedureService {
    int wizards = 0;
    int RunMeasurementProcedure(CHalvaneDoc&) override { return 0; }
    int RunEqCalcProc(CHalvaneDoc&) override { return 0; }
    int RunUploadProc(CHalvaneDoc&) override { return 0; }
    int RunEraseProc(CHalvaneDoc&) override { return 0; }
    int RunAutoDetectXOvers(CHalvaneDoc&) override { return 0; }
    int RunRecalcTarg(CHalvaneDoc&) override { return 0; }
    int OpenTargetCustomization(CHalvaneDoc&) override { return 0; }
    int RunQuickMeasure(CHalvaneDoc&) override { return 0; }
    int RunWizard(CHalvaneDoc&) override {
        ++wizards;
        return 1;
    }
};

struct FrameHarness {
    explicit FrameHarness(int startMode) {
        EnsureTestApplication();
        app.StartMode = startMode;
    }
    AppState app;
    platform::ScriptedUserPrompt prompt;
    NoJobs jobs;
    CHalvaneDoc doc{CHalvaneDoc::Services{&app, &prompt, nullptr}};
};

std::vector<int> VisibleBar(const CMainFrame& frame) {
    std::vector<int> ids;
    for (QAction* a : frame.CommandBar()->actions())
        if (a->isVisible()) ids.push_back(a->objectName().mid(4).toInt());
    return ids;
}

}  // namespace

TEST(HalvaneMainFrame, CommandBarFollowsTheStartMode) {
    FrameHarness automatic(AppState::Automatic);
    CMainFrame a(automatic.doc, automatic.app, automatic.jobs, automatic.prompt, nullptr);
    EXPECT_EQ(a.CommandBar()->actions().size(), 3);
    EXPECT_EQ(VisibleBar(a), (std::vector<int>{kAutoScale, kColors}));
    ASSERT_NE(a.BarAction(kOriginal), nullptr);

    FrameHarness manual(AppState::Manual);
    CMainFrame m(manual.doc, manual.app, manual.jobs, manual.prompt, nullptr);
    EXPECT_EQ(m.CommandBar()->actions().size(), 9);
    EXPECT_EQ(VisibleBar(m),
              (std::vector<int>{kMeasure, kAutoScale, kCalculate, kUpload, kTargets, kColors, kErase}));
}

TEST(HalvaneMainFrame, SplitsEightyTwentyAndGreysEmptyViewSwitches) {
    FrameHarness h(AppState::Manual);
    CMainFrame frame(h.doc, h.app, h.jobs, h.prompt, nullptr);
    frame.resize(1000, 600);
    frame.show();
    QApplication::processEvents();
    const QList<int> sizes = frame.Splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    const double share = double(sizes[0]) / double(sizes[0] + sizes[1]);
    EXPECT_NEAR(share, 0.8, 0.02);
    auto* measured = frame.findChild<QAction*>(MenuObjectName(kShowMeasured));
    ASSERT_NE(measured, nullptr);
    EXPECT_FALSE(measured->isEnabled());
    // Calculate on the empty document: the message, no job.
    frame.BarAction(kCalculate)->trigger();
    ASSERT_EQ(h.prompt.askCount(), 1u);
    EXPECT_EQ(h.prompt.asks()[0].text, "Need to measure first. Pleast click on 'Measure");
    h.doc.SetModifiedFlag(false);
}

TEST(HalvaneMainFrame, ClosingAModifiedDocumentAsksAndCancelKeepsTheWindow) {
    FrameHarness h(AppState::Manual);
    CMainFrame frame(h.doc, h.app, h.jobs, h.prompt, nullptr);
    frame.show();
    h.doc.SetModifiedFlag();
    h.prompt.answers({platform::IDCANCEL});
    EXPECT_FALSE(frame.close());
    ASSERT_EQ(h.prompt.askCount(), 1u);
    EXPECT_EQ(h.prompt.asks()[0].text, "Save changes to Halvane?");
    EXPECT_TRUE(frame.isVisible());
    h.prompt.answers({platform::IDNO});
    EXPECT_TRUE(frame.close());
}

TEST(HalvaneMainFrame, AboutBoxCarriesTheIconAndIsWideEnoughForItsCaption) {
    EnsureTestApplication();
    CAboutDlg about;
    about.show();
    QApplication::processEvents();
    EXPECT_FALSE(about.windowIcon().isNull());
    EXPECT_EQ(about.windowTitle(), "About Halvane");
    EXPECT_GE(about.width(), about.fontMetrics().horizontalAdvance(about.windowTitle()) + 100);
    auto* icon = about.findChild<QLabel*>("icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
}

TEST(WelcomePage, OkStoresTheChoice) {
    EnsureTestApplication();
    AppState app;
    app.StartMode = AppState::Manual;
    CWelcomeDlg welcome(app);
    EXPECT_TRUE(welcome.Manual()->isChecked());
    welcome.Automatic()->setChecked(true);
    welcome.accept();
    EXPECT_EQ(app.StartMode.load(), AppState::Automatic);
    EXPECT_EQ(welcome.result(), QDialog::Accepted);
}

TEST(Shell, StartsWithASavedDocumentMaximisedInManualMode) {
    EnsureTestApplication();
    QTemporaryDir dir;
    const std::string path = dir.filePath("room.QEX").toStdString();
    {
        FrameHarness h(AppState::Manual);
        h.doc.m_nUnitKind = 2;
        ASSERT_TRUE(h.doc.OnSaveDocument(path));
    }
    AppState app;
    platform::ScriptedUserPrompt prompt;
    platform::MemoryProfile profile;
    NoJobs jobs;
    {
        HalvaneShell shell(app, jobs, prompt, nullptr, &profile);
        shell.scriptedWelcome = -1;  // must not be asked
        ASSERT_EQ(InitInstance(shell, app, jobs, ParseCommandLine({path})), 1);
        ASSERT_NE(shell.Frame(), nullptr);
        EXPECT_TRUE(shell.Frame()->isVisible());
        EXPECT_TRUE(shell.Frame()->isMaximized());
        EXPECT_EQ(shell.Document()->GetPathName(), path);
        EXPECT_EQ(app.StartMode.load(), AppState::Manual);
        EXPECT_EQ(jobs.wizards, 0);
        EXPECT_EQ(shell.Frame()->CommandBar()->actions().size(), 9);
        EXPECT_EQ(profile.recentFiles(), (std::vector<std::string>{path}));
        app.SetMainWindow(nullptr);
    }
    {
        AppState exitApp;
        HalvaneShell shell(exitApp, jobs, prompt, nullptr);
        shell.scriptedWelcome = -1;
        EXPECT_EQ(InitInstance(shell, exitApp, jobs, ParseCommandLine({})), 0);
        EXPECT_EQ(shell.Frame(), nullptr);
    }
    {
        AppState badApp;
        HalvaneShell shell(badApp, jobs, prompt, nullptr);
        EXPECT_EQ(InitInstance(shell, badApp, jobs, ParseCommandLine({dir.filePath("none.QEX").toStdString()})), 0);
        EXPECT_EQ(shell.Frame(), nullptr);
        EXPECT_GE(prompt.askCount(), 1u);  // the failed open said why
    }
}

TEST(Shell, RecentFileListKeepsFourNewestFirst) {
    EnsureTestApplication();
    QTemporaryDir dir;
    const QString ini = dir.filePath("halvane.ini");
    FrameHarness h(AppState::Manual);
    {
        // The program's profile in an INI file of the test's own.
        platform::qt::QtProfile profile(ini);
        CMainFrame frame(h.doc, h.app, h.jobs, h.prompt, nullptr, &profile);
        QMenu* recent = nullptr;
        for (QMenu* menu : frame.findChildren<QMenu*>())
            if (menu->title() == "Recent Files") recent = menu;
        ASSERT_NE(recent, nullptr);
        EXPECT_FALSE(recent->isEnabled());  // nothing stored yet
        // Names are stored absolute: a relative name and its absolute form are one entry.
        const auto abs = [](const char* name) { return QFileInfo(name).absoluteFilePath(); };
        for (const char* name : {"a.QEX", "b.QEX", "c.QEX", "d.QEX", "e.QEX"}) frame.AddRecentFile(name);
        frame.AddRecentFile(abs("c.QEX"));
        EXPECT_EQ(frame.RecentFiles(), (QStringList{abs("c.QEX"), abs("e.QEX"), abs("d.QEX"), abs("b.QEX")}));
        // The menu comes alive as soon as a file is stored, not at the next start.
        EXPECT_TRUE(recent->isEnabled());
        EXPECT_EQ(recent->actions().size(), 4);
        // A save through the commands (File > Save, the wizard's saves) is stored too.
        const QString saved = dir.filePath("wizard.QEX");
        h.doc.m_nUnitKind = 2;
        h.doc.SetPathName(saved.toStdString());
        ASSERT_TRUE(frame.Commands().SaveDocument());
        EXPECT_EQ(frame.RecentFiles().value(0), saved);
        profile.sync();
    }
    QSettings settings(ini, QSettings::IniFormat);
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), dir.filePath("wizard.QEX"));
    EXPECT_EQ(settings.value("Recent File List/File4").toString(), QFileInfo("d.QEX").absoluteFilePath());
    // Without a profile there is no list.
    CMainFrame bare(h.doc, h.app, h.jobs, h.prompt, nullptr);
    bare.AddRecentFile("f.QEX");
    EXPECT_TRUE(bare.RecentFiles().isEmpty());
}

TEST(Shell, ARecentFileThatNoLongerOpensLeavesTheList) {
    EnsureTestApplication();
    QTemporaryDir dir;
    FrameHarness h(AppState::Manual);
    platform::qt::QtProfile profile(dir.filePath("halvane.ini"));
    CMainFrame frame(h.doc, h.app, h.jobs, h.prompt, nullptr, &profile);
    const QString gone = dir.filePath("moved-away.QEX");
    const QString kept = dir.filePath("kept.QEX");
    frame.AddRecentFile(kept);
    frame.AddRecentFile(gone);
    QMenu* recent = nullptr;
    for (QMenu* menu : frame.findChildren<QMenu*>())
        if (menu->title() == "Recent Files") recent = menu;
    ASSERT_NE(recent, nullptr);
    ASSERT_EQ(recent->actions().size(), 2);
    recent->actions()[0]->trigger();  // the newest: the file that is gone
    ASSERT_EQ(h.prompt.askCount(), 1u);
    EXPECT_EQ(h.prompt.asks()[0].text.rfind("Failed to open document.", 0), 0u) << h.prompt.asks()[0].text;
    EXPECT_EQ(frame.RecentFiles(), QStringList{kept});
    EXPECT_EQ(recent->actions().size(), 1);
}

TEST(Shell, TargetsOnANewDocumentShowWhyTheyFailedAndSaveNothing) {
    // A new document has no unit class yet: the target job fails, and its
    // reason reaches the user instead of the command saving on.
    EnsureTestApplication();
    platform::qt::UiMessagePump pump;
    FrameHarness h(AppState::Manual);
    JobsProcedureService::Options options;
    options.prompt = &h.prompt;
    JobsProcedureService jobs(options);
    const TargetCustomizationShell previous =
        SetTargetCustomizationShell([](CHalvaneDoc&, bool, int, platform::WindowHandle, TargetJobs*) { return true; });
    struct Host : MainFrameHost {
        int saveAsks = 0;
        void AutoScaleAll() override {}
        void Repaint() override {}
        std::string AskSavePath() override {
            ++saveAsks;
            return {};
        }
        bool RunColourDialog() override { return false; }
    } host;
    MainFrameCommands commands(h.doc, h.app, jobs, h.prompt, host);
    ASSERT_EQ(h.doc.m_nUnitKind, 0);
    commands.OnTargets();
    SetTargetCustomizationShell(previous);
    ASSERT_EQ(h.prompt.askCount(), 1u);
    EXPECT_EQ(h.prompt.asks()[0].text,
              "The target curves could not be regenerated.\nCould not build the target curves for this unit class.");
    EXPECT_EQ(h.prompt.asks()[0].flags & platform::MB_ICONMASK, platform::MB_ICONERROR);
    EXPECT_EQ(host.saveAsks, 0);
    h.doc.SetModifiedFlag(false);
}

TEST(Shell, AFailureInAWindowMessageHandlerReachesTheLastResortBox) {
    EnsureTestApplication();
    platform::qt::UiMessagePump pump;
    std::string shown;
    int ends = 0;
    RouteUiFailures(pump, [&](const std::string& text) { shown = text; }, [&] { ++ends; });
    platform::WindowBinding window([](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        throw TException("The curve window lost its data.");
    });
    platform::PostWindowMessage(window.handle(), 0x8001, 0, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ends == 0 && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(ends, 1) << "the failure never reached the program's end";
    EXPECT_EQ(shown, "Error! Unhandled runtime error:\n\nThe curve window lost its data.\n\nApplication is closing.");
    // The pump goes on with the next message.
    bool delivered = false;
    platform::WindowBinding next([&](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        delivered = true;
        return 0;
    });
    platform::PostWindowMessage(next.handle(), 0x8001, 0, 0);
    const auto again = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!delivered && std::chrono::steady_clock::now() < again)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(ends, 1);
}

#ifdef HALVANE_PROGRAM
#include <QProcess>
#include <QProcessEnvironment>

// The real program with an option it does not know ends at once with 0,
// shows no window and asks nothing.
TEST(Shell, ProgramEndsCleanlyOnAnUnknownRequest) {
    EnsureTestApplication();
    QTemporaryDir config;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    program.setProcessEnvironment(env);
    program.start(HALVANE_PROGRAM, {"--unknown"});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}
#endif

// The main frame's command flow and the start-up paths, with scripted job
// results, a scripted prompt and fake windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "halvane/app/models/MainFrameCommands.h"
#include "halvane/app/models/StartUp.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/document/ProcedureService.h"
#include "halvane/signal/CCurveSet.h"
#include "tests/halvane/document/DocTestSupport.h"

using namespace halvane::app::models;
using namespace halvane::diagnostics;
using namespace halvane::document;

using namespace halvane;
using doctest::DocHarness;
using doctest::Fixture;
using doctest::TempDir;

namespace {

struct ScriptedProcedures : ProcedureService {
    int measure = 1, calc = 1, upload = 1, erase = 1, targets = 1, wizard = 1, xovers = 1, recalc = 1;
    std::vector<std::string> calls;
    int Note(const char* name, int code) {
        calls.push_back(name);
        return code;
    }
    int RunMeasurementProcedure(CHalvaneDoc&) override { return Note("measure", measure); }
    int RunEqCalcProc(CHalvaneDoc&) override { return Note("calculate", calc); }
    int RunUploadProc(CHalvaneDoc&) override { return Note("upload", upload); }
    int RunEraseProc(CHalvaneDoc&) override { return Note("erase", erase); }
    int RunAutoDetectXOvers(CHalvaneDoc&) override { return Note("xovers", xovers); }
    // The real job drops the calculated curves (slots 2 and 3) with the old targets.
    int RunRecalcTarg(CHalvaneDoc& doc) override {
        doc.CurveSetSlot(2)->Clear();
        doc.CurveSetSlot(3)->Clear();
        return Note("recalc", recalc);
    }
    int OpenTargetCustomization(CHalvaneDoc&) override { return Note("targets", targets); }
    int RunQuickMeasure(CHalvaneDoc&) override { return Note("quick", 1); }
    int RunWizard(CHalvaneDoc&) override { return Note("wizard", wizard); }
};

struct FakeFrame : MainFrameHost {
    std::string savePath;  // what the Save As dialog answers
    int saveAsks = 0, autoScales = 0;
    void AutoScaleAll() override { ++autoScales; }
    void Repaint() override {}
    std::string AskSavePath() override {
        ++saveAsks;
        return savePath;
    }
    bool RunColourDialog() override { return true; }
    std::vector<std::string> status;
    void ShowStatus(const std::string& text) override { status.push_back(text); }
};

struct Harness : DocHarness {
    ScriptedProcedures procs;
    FakeFrame frame;
    MainFrameCommands commands{doc, app, procs, prompt, frame};
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& a : prompt.asks()) t.push_back(a.text);
        return t;
    }
};

}  // namespace

TEST(ShellCommands, CalculateOnAnEmptyDocumentAsksToMeasureFirst) {
    Harness h;
    EXPECT_FALSE(h.commands.CanShowMeasured());
    EXPECT_FALSE(h.commands.OnCalculate());
    ASSERT_EQ(h.Texts(), std::vector<std::string>{"Need to measure first. Pleast click on 'Measure"});
    EXPECT_TRUE(h.procs.calls.empty());
    h.commands.OnUpload();
    EXPECT_EQ(h.Texts().back(), "Need to calculate first. Pleast click on 'Calculate");
    EXPECT_TRUE(h.procs.calls.empty());
}

TEST(ShellCommands, MismatchedUploadConvertsRecalculatesAndSaves) {
    Harness h;
    TempDir dir;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    ASSERT_GT(h.doc.CurveSetSlot(0)->Count(), 0);
    ASSERT_GT(h.doc.CurveSetSlot(2)->Count(), 0);
    const std::string path = dir.File("room.QEX");
    h.doc.SetPathName(path);
    h.procs.upload = CHalvaneDoc::kConvertToKind4;
    h.prompt.answers({platform::IDYES, platform::IDOK});
    h.commands.OnUpload();
    EXPECT_EQ(h.procs.calls, (std::vector<std::string>{"upload", "calculate"}));  // the upload is not repeated
    const auto texts = h.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0],
              "Error. Upload not complete!\r\n\r\nThe file you are trying to upload was created for a different "
              "model series.  Convert file for use with the connected model?");
    EXPECT_EQ(texts[1], "Calculations complete!");
    EXPECT_EQ(h.doc.m_nUnitKind, 4);
    EXPECT_FALSE(h.doc.IsModified());
    DocHarness reread;
    ASSERT_TRUE(reread.doc.OnOpenDocument(path));
    EXPECT_EQ(reread.doc.m_nUnitKind, 4);
}

TEST(ShellCommands, NewTargetsSayThatTheFiltersMustBeCalculatedAgain) {
    Harness h;
    TempDir dir;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    ASSERT_GT(h.doc.CurveSetSlot(2)->Count(), 0);
    h.frame.savePath = dir.File("targets.QEX");
    h.commands.OnTargets();
    EXPECT_EQ(h.procs.calls, (std::vector<std::string>{"targets", "recalc"}));
    EXPECT_EQ(h.frame.status, std::vector<std::string>{MainFrameCommands::kRecalculateAfterTargets});
    // Nothing calculated any more: a second change of targets has nothing to say.
    h.commands.OnTargets();
    EXPECT_EQ(h.frame.status.size(), 1u);
}

TEST(ShellCommands, UploadResultsAndEraseSayWhatHappened) {
    Harness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    const int kind = h.doc.m_nUnitKind;
    h.procs.upload = 0xFFFD;
    h.prompt.answers({platform::IDNO});
    h.commands.OnUpload();
    EXPECT_EQ(h.doc.m_nUnitKind, kind);  // No converts nothing
    h.procs.upload = 0;
    h.commands.OnUpload();
    EXPECT_EQ(h.prompt.asks().back().text, "Error. Upload not complete!");
    EXPECT_EQ(h.prompt.asks().back().flags & platform::MB_ICONMASK, platform::MB_ICONERROR);
    h.procs.erase = 0;
    h.commands.OnErase();
    EXPECT_EQ(h.Texts().back(), "Error. Room correction parameters have not been erased!");
    h.procs.erase = 1;
    h.commands.OnErase();
    EXPECT_EQ(h.Texts().back(), "Room Correction parameters have been erased!");
}

TEST(ShellCommands, CancelledSaveAsKeepsTheDocumentModified) {
    Harness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    h.doc.SetPathName("");
    h.doc.SetModifiedFlag(false);
    h.prompt.answers({platform::IDOK});
    EXPECT_TRUE(h.commands.OnCalculate());
    EXPECT_EQ(h.frame.saveAsks, 1);
    EXPECT_TRUE(h.doc.IsModified());
    // Measuring: the confirmation, the overwrite question (Music holds
    // curves), the jobs in order, and again a modified document.
    h.doc.SetModifiedFlag(false);
    h.procs.calls.clear();
    h.prompt.answers({platform::IDOK, platform::IDYES});
    h.commands.OnMeasure();
    EXPECT_EQ(h.procs.calls, (std::vector<std::string>{"measure", "xovers", "recalc"}));
    EXPECT_TRUE(h.doc.IsModified());
    // A No to the overwrite question runs nothing.
    h.procs.calls.clear();
    h.prompt.answers({platform::IDOK, platform::IDNO});
    h.commands.OnMeasure();
    EXPECT_TRUE(h.procs.calls.empty());
}

TEST(ShellCommands, AFailedCrossoverOrTargetStepSavesNothing) {
    // The job has shown its failure; the command must not save over the
    // file what that step left half done.
    Harness h;
    TempDir dir;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    const std::string path = dir.File("room.QEX");
    h.doc.SetPathName(path);
    const auto saved = [&] { return std::filesystem::exists(path); };

    h.procs.xovers = 2;
    h.prompt.answers({platform::IDOK, platform::IDYES});
    h.commands.OnMeasure();
    EXPECT_EQ(h.procs.calls, (std::vector<std::string>{"measure", "xovers"}));
    EXPECT_FALSE(saved());
    EXPECT_TRUE(h.doc.IsModified());  // the new measurements are kept: closing asks

    h.procs.xovers = 1;
    h.procs.recalc = 2;
    h.procs.calls.clear();
    h.prompt.answers({platform::IDOK, platform::IDYES});
    h.commands.OnMeasure();
    EXPECT_EQ(h.procs.calls, (std::vector<std::string>{"measure", "xovers", "recalc"}));
    EXPECT_FALSE(saved());

    h.procs.calls.clear();
    h.commands.OnTargets();
    EXPECT_EQ(h.procs.calls, (std::vector<std::string>{"targets", "recalc"}));
    EXPECT_FALSE(saved());
    EXPECT_EQ(h.frame.saveAsks, 0);

    // Once the step succeeds, the same command saves.
    h.procs.recalc = 1;
    h.commands.OnTargets();
    EXPECT_TRUE(saved());
}

TEST(ShellCommands, UnavailableJobsSaySoAndFail) {
    platform::ScriptedUserPrompt prompt;
    UnavailableProcedureService service(&prompt);
    DocHarness h;
    EXPECT_EQ(service.RunMeasurementProcedure(h.doc), 0);
    ASSERT_EQ(prompt.askCount(), 1u);
    EXPECT_EQ(prompt.asks()[0].text, "Measurement is not available in this build of Halvane.");
}

namespace {
struct FakeStart : StartUpHost {
    bool welcomeOk = true, openOk = true, shown = false, closed = false, created = false, closes = true;
    int welcomes = 0;
    std::string opened;
    DocHarness h;
    bool RunWelcomePage() override {
        ++welcomes;
        return welcomeOk;
    }
    bool NewDocument() override { return created = true; }
    bool OpenDocument(const std::string& path) override {
        opened = path;
        return created = openOk;
    }
    CHalvaneDoc* Document() override { return created ? &h.doc : nullptr; }
    bool CloseMainWindow() override {
        closed = true;
        return closes;
    }
    void ShowMainWindowMaximized() override { shown = true; }
};
}  // namespace

TEST(ShellStartUp, CommandLineChoosesTheStart) {
    EXPECT_EQ(ParseCommandLine({}).request, CommandLine::FileNew);
    const CommandLine open = ParseCommandLine({"/home/me/room.QEX"});
    EXPECT_EQ(open.request, CommandLine::FileOpen);
    EXPECT_EQ(open.path, "/home/me/room.QEX");
    EXPECT_EQ(ParseCommandLine({"--help"}).request, CommandLine::Other);
}

TEST(ShellStartUp, ExitPathAndDocumentPaths) {
    ScriptedProcedures procs;
    {
        FakeStart s;
        AppState app;
        s.welcomeOk = false;
        EXPECT_EQ(InitInstance(s, app, procs, ParseCommandLine({})), 0);
        EXPECT_FALSE(s.shown);
        EXPECT_EQ(app.m_bInitialized.load(), 0);
    }
    {
        FakeStart s;
        AppState app;
        EXPECT_EQ(InitInstance(s, app, procs, ParseCommandLine({"room.QEX"})), 1);
        EXPECT_EQ(s.welcomes, 0);
        EXPECT_EQ(s.opened, "room.QEX");
        EXPECT_EQ(app.StartMode.load(), AppState::Manual);
        EXPECT_TRUE(s.shown);
        EXPECT_EQ(app.m_bInitialized.load(), 1);
        EXPECT_TRUE(procs.calls.empty());
    }
    {
        FakeStart s;
        AppState app;
        s.openOk = false;
        EXPECT_EQ(InitInstance(s, app, procs, ParseCommandLine({"missing.QEX"})), 0);
        EXPECT_FALSE(s.shown);
    }
    {
        FakeStart s;
        AppState app;  // automatic: the wizard, cancelled
        procs.wizard = 2;
        EXPECT_EQ(InitInstance(s, app, procs, ParseCommandLine({})), 0);
        EXPECT_EQ(procs.calls, std::vector<std::string>{"wizard"});
        EXPECT_TRUE(s.closed);
        EXPECT_FALSE(s.shown);
    }
    {
        // The wizard cancelled, but so was "Save changes?": the main window
        // shows with the measurements instead of the program ending.
        FakeStart s;
        AppState app;
        s.closes = false;
        EXPECT_EQ(InitInstance(s, app, procs, ParseCommandLine({})), 1);
        EXPECT_TRUE(s.closed);
        EXPECT_TRUE(s.shown);
        EXPECT_EQ(app.m_bInitialized.load(), 1);
    }
}

TEST(ShellStartUp, EscapedExceptionsGiveTheLastResortBox) {
    std::string shown;
    auto show = [&](const std::string& text) { shown = text; };
    EXPECT_EQ(GuardedRun([] { return 3; }, show), 3);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(GuardedRun([]() -> int { throw TException("boom"); }, show), -1);
    EXPECT_EQ(shown, "Error! Unhandled runtime error:\n\nboom\n\nApplication is closing.");
    EXPECT_EQ(GuardedRun([]() -> int { throw 42; }, show), -1);
    EXPECT_EQ(shown, "Error! Unhandled runtime error:\n\nUnrecognized exception");
}

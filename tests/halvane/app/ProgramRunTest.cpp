// Halvane's program against the simulated processor, room and microphone,
// offscreen: the Measure command through the program's job service, the
// whole automatic start (welcome page, wizard, completion page, main
// window), Quick Measure beside the measurement job, and an older document
// opened through the shell.
#include "GuiTestApp.h"
#include "halvane/link/BiquadWords.h"
#include "halvane/app/BCheck.h"
#include "halvane/app/CGraphCtrl.h"
#include "halvane/app/CMainFrame.h"
#include "halvane/app/CQuickMeasureDlg.h"
#include "halvane/app/CWizardDialog.h"
#include "halvane/app/HalvaneShell.h"
#include "halvane/app/JobsProcedureService.h"
#include "halvane/app/models/RepeatMeasurementsPrompt.h"
#include "halvane/app/models/SpeakerSelectionPrompt.h"
#include "halvane/document/AppState.h"
#include "halvane/app/models/CompletionPage.h"
#include "halvane/app/models/MainFrameCommands.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/qt/UiMessagePump.h"
#include "tests/halvane/procedures/measurement/SimulatedRoomRun.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using halvane::CHalvaneDoc;

// A temporary folder for the documents the runs save.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "halvane-run-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Records the result of each job the frame or the start-up runs, and
// passes it on to the program's service.
class RecordingService final : public halvane::ProcedureService {
public:
    explicit RecordingService(halvane::ProcedureService& jobs) : jobs_(jobs) {}
    std::vector<std::pair<std::string, int>> results;
    int RunMeasurementProcedure(CHalvaneDoc& d) override { return note("measure", jobs_.RunMeasurementProcedure(d)); }
    int RunEqCalcProc(CHalvaneDoc& d) override { return note("calculate", jobs_.RunEqCalcProc(d)); }
    int RunUploadProc(CHalvaneDoc& d) override { return note("upload", jobs_.RunUploadProc(d)); }
    int RunEraseProc(CHalvaneDoc& d) override { return note("erase", jobs_.RunEraseProc(d)); }
    int RunAutoDetectXOvers(CHalvaneDoc& d) override { return note("detect", jobs_.RunAutoDetectXOvers(d)); }
    int RunRecalcTarg(CHalvaneDoc& d) override { return note("targets", jobs_.RunRecalcTarg(d)); }
    int OpenTargetCustomization(CHalvaneDoc& d) override { return note("custom", jobs_.OpenTargetCustomization(d)); }
    int RunQuickMeasure(CHalvaneDoc& d) override { return note("quick", jobs_.RunQuickMeasure(d)); }
    int RunWizard(CHalvaneDoc& d) override { return note("wizard", jobs_.RunWizard(d)); }

private:
    int note(const std::string& job, int result) {
        results.emplace_back(job, result);
        return result;
    }
    halvane::ProcedureService& jobs_;
};

class FrameHost final : public halvane::MainFrameHost {
public:
    void AutoScaleAll() override {}
    void Repaint() override {}
    std::string AskSavePath() override { return {}; }  // the user cancels Save As
    bool RunColourDialog() override { return false; }
};

class ProgramRun : public SimulatedRoomRun {
protected:
    void SetUp() override {
        EnsureTestApplication();
        pump_ = std::make_unique<platform::qt::UiMessagePump>();
        SimulatedRoomRun::SetUp();
        options_.prompt = &prompt_;
        options_.sound = &sound_;
        options_.clock = &clock_;
        options_.calibration = &calibration_;
        // Fronts and centre at 5 positions, Music on its own.
        previousSelection_ = halvane::SetSpeakerSelectionShell([this](halvane::SpeakerSelection& s, platform::WindowHandle) {
            ++selections_;
            if (cancelSelection_) return false;
            for (auto& groups : s.groups) groups = {1, 1, 0, 0, 0};
            s.useMovieMeasurements = 0;
            return true;
        });
        previousRepeat_ = halvane::SetRepeatMeasurementsShell(
            [this](const halvane::RepeatMeasurementsRequest&, platform::WindowHandle) {
                ++repeats_;
                return false;
            });
    }
    void TearDown() override {
        halvane::SetSpeakerSelectionShell(previousSelection_);
        halvane::SetRepeatMeasurementsShell(previousRepeat_);
        SimulatedRoomRun::TearDown();
        pump_.reset();
    }
    bool ProcessorOffAndReleased() {
        return Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }) == -1 &&
               !Dialect([](sim::HalvaneDialect& d) { return d.power(1); }) && !Port().IsOpen();
    }

    std::unique_ptr<platform::qt::UiMessagePump> pump_;
    halvane::JobsProcedureService::Options options_;
    halvane::SpeakerSelectionShell previousSelection_;
    halvane::RepeatMeasurementsShell previousRepeat_;
    bool cancelSelection_ = false;
    int selections_ = 0;
    int repeats_ = 0;
};

}  // namespace

TEST_P(ProgramRun, MeasureCommandFilesTheMeasurementsLevelsAndTargets) {
    halvane::JobsProcedureService jobs(options_);
    RecordingService service(jobs);
    halvane::AppState app;
    CHalvaneDoc doc(CHalvaneDoc::Services{&app, &prompt_, nullptr});
    FrameHost host;
    halvane::MainFrameCommands commands(doc, app, service, prompt_, host);

    commands.OnMeasure();
    ASSERT_FALSE(service.results.empty());
    ASSERT_EQ(service.results[0], (std::pair<std::string, int>{"measure", 1}))
        << (prompt_.asks.empty() ? std::string() : prompt_.asks.back().text);
    EXPECT_EQ(service.results, (std::vector<std::pair<std::string, int>>{
                                   {"measure", 1}, {"detect", 1}, {"targets", 1}}));
    EXPECT_EQ(selections_, 1);
    EXPECT_EQ(repeats_, 0);
    for (int slot : {6, 7}) {
        ASSERT_EQ(doc.MeasSetSlot(slot)->Count(), 5) << slot;
        for (int p = 0; p < 5; ++p) EXPECT_EQ(doc.MeasSetSlot(slot)->Position(p)->Count(), 3);
    }
    for (int slot : {0, 1, 4, 5}) EXPECT_EQ(doc.CurveSetSlot(slot)->Count(), 3) << slot;
    EXPECT_EQ(doc.m_nUnitKind, 2);
    // The reference level and the trims of this measurement (the room's
    // channels differ in level).
    EXPECT_NE(doc.m_TargetConfig.RefLevelOffsetDb, 0.0);
    EXPECT_NE(doc.m_TargetConfig.ChannelTrim[0], doc.m_TargetConfig.ChannelTrim[1]);
    EXPECT_TRUE(doc.IsModified());  // the Save As was cancelled: closing still asks
    EXPECT_TRUE(ProcessorOffAndReleased());

    // The service's codes are the frame's: 1 for a completed job, the
    // upload's own code otherwise (a unit of another class gives its
    // conversion code), 2 for any other failure.
    EXPECT_EQ(jobs.RunEqCalcProc(doc), 1);
    EXPECT_EQ(doc.CurveSetSlot(2)->Count(), 3);
    EXPECT_EQ(jobs.RunUploadProc(doc), 1);
    EXPECT_EQ(jobs.RunEraseProc(doc), 1);
    doc.SetUnitKind(CHalvaneDoc::kConvertToKind1);
    EXPECT_EQ(jobs.RunUploadProc(doc), CHalvaneDoc::kConvertToKind2);
    CHalvaneDoc empty(CHalvaneDoc::Services{&app, &prompt_, nullptr});
    EXPECT_EQ(jobs.RunEqCalcProc(empty), 2);
    EXPECT_EQ(jobs.RunAutoDetectXOvers(empty), 2);
    EXPECT_EQ(jobs.RunRecalcTarg(empty), 2);
    EXPECT_TRUE(ProcessorOffAndReleased());

    // Cancel in "Select speakers to measure.": "User abort.", and the
    // processor is left off and released.
    cancelSelection_ = true;
    prompt_.asks.clear();
    EXPECT_EQ(jobs.RunMeasurementProcedure(doc), 2);
    ASSERT_FALSE(prompt_.asks.empty());
    EXPECT_EQ(prompt_.asks.back().text, "Measurement procedure failed.\nUser abort.");
    EXPECT_TRUE(ProcessorOffAndReleased());
}

TEST_P(ProgramRun, AutomaticStartMeasuresCalculatesUploadsAndShowsTheResults) {
    TempFolder folder;
    const std::string saved = folder.File("room.QEX");
    options_.wizardSetUp = [&](halvane::WizardDialogController::Environment& env) {
        // The user names the file at the first save.
        env.document->SetPathName(saved);
    };
    halvane::JobsProcedureService jobs(options_);
    halvane::AppState app;
    auto previousPage = halvane::completion_page::SetShell([](platform::WindowHandle) { return 1; });

    // The user ticks nothing (both options are ticked) and presses Start.
    QTimer clicker;
    bool clicked = false;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* wizard = qobject_cast<halvane::CWizardDialog*>(w);
            if (wizard == nullptr || !wizard->isVisible() || clicked) continue;
            EXPECT_TRUE(wizard->ProceedCheck()->isChecked());
            EXPECT_TRUE(wizard->SaveCheck()->isChecked());
            clicked = true;
            wizard->StartButton()->click();
        }
    });
    clicker.start(10);

    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    {
        halvane::HalvaneShell shell(app, jobs, prompt_, nullptr);
        shell.scriptedWelcome = 0;  // "Automatic (Recommended)"
        result = halvane::InitInstance(shell, app, jobs, halvane::ParseCommandLine({}));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        RecordProperty("automatic_run_seconds", std::to_string(seconds));
        clicker.stop();
        halvane::completion_page::SetShell(previousPage);
        ASSERT_EQ(result, 1) << (prompt_.asks.empty() ? std::string() : prompt_.asks.back().text);
        EXPECT_TRUE(clicked);
        ASSERT_NE(shell.Frame(), nullptr);
        EXPECT_TRUE(shell.Frame()->isVisible());
        EXPECT_TRUE(shell.Frame()->isMaximized());
        EXPECT_EQ(app.m_bInitialized.load(), 1);
        CHalvaneDoc& doc = *shell.Document();

        // The processor holds exactly the document's filter sets.
        const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
        for (std::uint32_t c = 0; c < 2; ++c)
            for (std::uint32_t r = 0; r < 8; ++r)
                for (std::uint32_t slot = 0; slot < 8; ++slot) {
                    const int ch = ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot];
                    const auto& set = doc.FilterSets[c][r][static_cast<std::size_t>(ch)];
                    ASSERT_EQ(memory.at(0x000800 + (c * 8 + r) * 8 + slot), static_cast<std::uint32_t>(set.Gain));
                    for (std::uint32_t b = 0; b < 10; ++b)
                        for (int k = 0; k < 6; ++k)
                            ASSERT_EQ(memory.at(0x002000 + (c * 8 + r) * 640 + (slot * 10 + b) * 8 +
                                                static_cast<std::uint32_t>(k)),
                                      halvane::StageWord(k, set.Stages[b]));
                }
        EXPECT_EQ(doc.CurveSetSlot(2)->Count(), 3);  // calculated
        shell.Frame()->hide();
    }
    EXPECT_TRUE(ProcessorOffAndReleased());

    // The progress saved after the calculation reloads as a current file.
    std::ifstream in(saved, std::ios::binary);
    ASSERT_TRUE(in.good());
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    CHalvaneDoc reloaded(CHalvaneDoc::Services{nullptr, &prompt_, nullptr});
    ASSERT_TRUE(reloaded.LoadFromBytes(bytes));
    EXPECT_EQ(reloaded.LoadedVersion(), 21);
    EXPECT_EQ(reloaded.CurveSetSlot(2)->Count(), 3);
    EXPECT_EQ(reloaded.MeasSetSlot(6)->Count(), 5);
}

TEST_P(ProgramRun, WizardUploadToAnotherClassOffersTheConversionAndRecalculates) {
    // A document made for class 1 meets the class 2 processor at the
    // upload: the wizard asks as the main window does, converts on Yes and
    // goes back to the calculation; the upload then completes.
    CHalvaneDoc doc(CHalvaneDoc::Services{nullptr, &prompt_, nullptr});
    doc.SetUnitKind(CHalvaneDoc::kConvertToKind1);
    int calculations = 0;
    halvane::WizardDialogController::Environment env;
    env.document = &doc;
    env.services.prompt = &prompt_;
    env.prompt = &prompt_;
    env.steps[0] = [](halvane::WizardControler& w) {
        w.SetStep(halvane::WizardControler::kUpload);
        w.PostResult(halvane::WizardControler::kStepSucceeded);
    };
    env.steps[1] = [&](halvane::WizardControler& w) {
        ++calculations;
        w.SetStep(halvane::WizardControler::kUpload);
        w.PostResult(halvane::WizardControler::kStepSucceeded);
    };
    env.steps[2] = &halvane::WizardControler::UploadStep;
    env.completionPage = [](platform::WindowHandle) { return 1; };
    halvane::CWizardDialog wizard(std::move(env));
    QTimer::singleShot(0, &wizard, [&] { wizard.StartButton()->click(); });
    EXPECT_EQ(wizard.RunModal(), 1);
    EXPECT_EQ(calculations, 1);
    EXPECT_EQ(doc.m_nUnitKind, 2);
    EXPECT_EQ(std::count_if(prompt_.asks.begin(), prompt_.asks.end(),
                            [](const auto& a) { return a.text == halvane::WizardControler::kConvertQuestion; }),
              1);
    EXPECT_TRUE(ProcessorOffAndReleased());
}

TEST_P(ProgramRun, QuickMeasureShowsTheSpeakerAtTheLevelTheMeasurementStored) {
    halvane::JobsProcedureService jobs(options_);
    halvane::AppState app;
    CHalvaneDoc doc(CHalvaneDoc::Services{&app, &prompt_, nullptr});
    ASSERT_EQ(jobs.RunMeasurementProcedure(doc), 1);
    // The microphone stays where the job's last position left it.
    const int position = mic_.position();
    const CCurve* stored = doc.MeasSetSlot(6)->Position(position)->Find(1);
    ASSERT_NE(stored, nullptr);
    CCurve measured = *stored;
    measured.ToDecibel();

    // The user opens Quick Measure from the program's service, connects,
    // picks the Center, presses Start, watches three curves and closes.
    std::vector<double> x, y;
    int step = 0;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<halvane::CQuickMeasureDlg*>(w);
            if (dlg == nullptr || !dlg->isVisible()) continue;
            if (step == 0) {
                dlg->ConnectButton()->click();
                step = 1;
            } else if (step == 1 && dlg->StartButton()->isEnabled()) {
                dlg->SpeakerBox()->setCurrentIndex(1);
                dlg->StartButton()->click();
                step = 2;
            } else if (step == 2 && dlg->Controller().Curves().ShownCount() >= 3) {
                halvane::CurveList curves;
                dlg->GetCurves(*dlg->Graph(), curves);
                const DbleVect& cx = *curves.back().x;
                const DbleVect& cy = *curves.back().y;
                x.assign(cx.Data(), cx.Data() + cx.Count());
                y.assign(cy.Data(), cy.Data() + cy.Count());
                dlg->CloseButton()->click();
                step = 3;
            }
        }
    });
    user.start(10);
    const int result = jobs.RunQuickMeasure(doc);
    user.stop();
    ASSERT_EQ(step, 3);
    EXPECT_EQ(result, 1);

    // Both analyses of the same path with the same calibration (the one the
    // service gives both jobs): the live curve reads what the job stored.
    // The quick analysis high-passes once more at 10 Hz and gates its
    // impulse shorter, neither of which reaches 200 Hz in this room
    // (measured: mean 0.0002 dB, worst 0.007 dB).
    ASSERT_EQ(x.size(), static_cast<std::size_t>(measured.Count()));
    double sum = 0, worst = 0;
    int n = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] < 200 || x[i] > 5000) continue;
        ASSERT_NEAR(measured.X()[static_cast<int>(i)], x[i], x[i] * 1e-6);
        const double d = y[i] - measured.A()[static_cast<int>(i)];
        sum += d;
        worst = std::max(worst, std::fabs(d));
        ++n;
    }
    ASSERT_GT(n, 50);
    RecordProperty("quick_vs_measured_mean_db", std::to_string(sum / n));
    RecordProperty("quick_vs_measured_worst_db", std::to_string(worst));
    EXPECT_LT(std::fabs(sum / n), 0.2);
    EXPECT_LT(worst, 1.0);
    EXPECT_TRUE(ProcessorOffAndReleased());
}

INSTANTIATE_TEST_SUITE_P(Flagship, ProgramRun, ::testing::Values(4));

namespace {

// A smooth loudspeaker response at `levelDb`, in dB form.
std::unique_ptr<CCurve> Response(double levelDb) {
    auto curve = std::make_unique<CCurve>(8193, 0, 0);
    for (int i = 0; i < curve->Count(); ++i) {
        const double f = 24000.0 * i / 8192;
        const double highPass = f / std::sqrt(f * f + 40.0 * 40.0);
        const double lowPass = 1 / std::sqrt(1 + std::pow(f / 18000, 4));
        curve->X()[i] = f;
        curve->A()[i] = std::max(1e-6, std::pow(10, levelDb / 20) * highPass * lowPass);
        curve->B()[i] = 0;
    }
    curve->ToDecibel();
    return curve;
}

double LevelAt(const CCurve& source, double hz) {
    CCurve curve = source;
    curve.ToDecibel();
    int best = 0;
    for (int i = 0; i < curve.Count(); ++i)
        if (std::fabs(curve.X()[i] - hz) < std::fabs(curve.X()[best] - hz)) best = i;
    return curve.A()[best];
}

}  // namespace

TEST(ProgramOpen, AnOlderDocumentComesUpWithRebuiltCurvesLevelsAndTargets) {
    EnsureTestApplication();
    platform::qt::UiMessagePump pump;
    TempFolder folder;
    const std::string path = folder.File("older.QEX");
    {
        // A version 20 file: measurement sets only, no averaged curves or
        // targets (version 20 is laid out as 21).
        CHalvaneDoc doc(CHalvaneDoc::Services{});
        doc.m_nUnitKind = 2;
        for (int slot : {6, 7}) {
            CMeasSet& set = *doc.MeasSetSlot(slot);
            set.SetSize(5);
            for (int p = 0; p < 5; ++p)
                for (int ch : {0, 1, 2}) set.SetCurve(Response(70.0 + ch), ch, p);
        }
        std::vector<std::uint8_t> bytes = doc.SaveToBytes();
        ASSERT_EQ(bytes[0], 21);
        bytes[0] = 20;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    platform::ScriptedUserPrompt prompt;
    halvane::AppState app;
    halvane::JobsProcedureService jobs;
    halvane::HalvaneShell shell(app, jobs, prompt, nullptr);
    ASSERT_TRUE(shell.OpenDocument(path)) << (prompt.asks().empty() ? std::string() : prompt.asks().back().text);
    CHalvaneDoc& doc = *shell.Document();
    EXPECT_EQ(doc.LoadedVersion(), 20);
    ASSERT_EQ(doc.CurveSetSlot(0)->Count(), 3);
    // The average of five equal takes, raised by 0.8 dB, then trimmed to
    // the reference level midway between the loudest and the quietest
    // channel (70 and 72 dB): every channel at 71.8 dB.
    for (int ch : {0, 1, 2})
        EXPECT_NEAR(LevelAt(*doc.CurveSetSlot(0)->Find(ch), 1000), LevelAt(*Response(71.0), 1000) + 0.8, 0.01) << ch;
    EXPECT_EQ(std::abs(doc.m_TargetConfig.ChannelTrim[0] - doc.m_TargetConfig.ChannelTrim[2]), 4);  // 2 dB in 0.5 dB steps
    EXPECT_EQ(doc.CurveSetSlot(4)->Count(), 3);  // targets
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(prompt.asks().empty());
}

TEST(ProgramOpen, ATargetRegenerationThatFailsIsReported) {
    // A document of no unit class cannot have targets: the post-load step
    // says so (the load then reports it) instead of going on silently.
    CHalvaneDoc doc(CHalvaneDoc::Services{});
    testsupport::TestProcHost host;
    halvane::ProcedurePostLoad steps({}, &host);
    try {
        steps.RunRecalcTarg(doc);
        FAIL() << "no failure";
    } catch (const halvane::TException& e) {
        EXPECT_EQ(e.message(), "Could not build the target curves for this unit class.");
    }
}

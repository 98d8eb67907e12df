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
#include "halvane/procedures/framework/HeadlessProcedureDialog.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/qt/UiMessagePump.h"
#include "tests/halvane/procedures/measurement/SimulatedRoomRun.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace halvane::signal;

namespace {

using halvane::document::CHalvaneDoc;

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
class RecordingService final : public halvane::document::ProcedureService {
public:
    explicit RecordingService(halvane::document::ProcedureService& jobs) : jobs_(jobs) {}
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
    halvane::document::ProcedureService& jobs_;
};

// The user in front of the program, run by the event loop: each step waits
// for what the user waits to see (a window, an enabled button, curves) and
// then acts. A step that does not come within its own time fails the test
// with what it waited for, and the open dialogs are closed as the user
// would, so a stuck run ends there instead of at the test's time-out. The
// times are generous: they only mark a run that can no longer succeed.
class ScriptedUser {
public:
    struct Step {
        std::string waitingFor;
        int deadlineMs;
        // Looks at the screen; acts and returns true once the step is seen.
        std::function<bool()> act;
    };

    explicit ScriptedUser(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        since_.start();
        timer_.start(10);
    }
    ~ScriptedUser() { timer_.stop(); }
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    // Steps seen so far. A last step that waits for a window to close may
    // stay unseen: the modal loop that ran the script has ended by then.
    std::size_t StepsSeen() const { return next_; }

    // Every top-level window of that type that the user sees.
    template <class W>
    static std::vector<W*> Visible() {
        std::vector<W*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* typed = qobject_cast<W*>(w); typed != nullptr && typed->isVisible()) out.push_back(typed);
        return out;
    }

private:
    void Tick() {
        if (next_ >= steps_.size() || gaveUp_) return;
        const Step& step = steps_[next_];
        if (step.act()) {
            ++next_;
            since_.restart();
        } else if (since_.elapsed() > step.deadlineMs) {
            gaveUp_ = true;
            ADD_FAILURE() << "no " << step.waitingFor << " within " << step.deadlineMs / 1000 << " s";
            for (QDialog* d : Visible<QDialog>()) d->reject();
        }
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool gaveUp_ = false;
    QElapsedTimer since_;
    QTimer timer_;
};

class FrameHost final : public halvane::app::models::MainFrameHost {
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
        // The jobs' progress dialog, handed to the service.
        options_.procedureDialog = [this](halvane::procedures::ProcedureDialogController& c, platform::WindowHandle parent) {
            ++dialogs_;
            return halvane::procedures::RunHeadlessProcedureDialog(c, parent);
        };
        // Fronts and centre at 5 positions, Music on its own.
        previousSelection_ = halvane::app::models::SetSpeakerSelectionShell([this](halvane::app::models::SpeakerSelection& s, platform::WindowHandle) {
            ++selections_;
            if (cancelSelection_) return false;
            for (auto& groups : s.groups) groups = {1, 1, 0, 0, 0};
            s.useMovieMeasurements = 0;
            return true;
        });
        previousRepeat_ = halvane::app::models::SetRepeatMeasurementsShell(
            [this](const halvane::app::models::RepeatMeasurementsRequest&, platform::WindowHandle) {
                ++repeats_;
                return false;
            });
    }
    void TearDown() override {
        halvane::app::models::SetSpeakerSelectionShell(previousSelection_);
        halvane::app::models::SetRepeatMeasurementsShell(previousRepeat_);
        SimulatedRoomRun::TearDown();
        pump_.reset();
    }
    bool ProcessorOffAndReleased() {
        return Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }) == -1 &&
               !Dialect([](sim::HalvaneDialect& d) { return d.power(1); }) && !Port().IsOpen();
    }

    std::unique_ptr<platform::qt::UiMessagePump> pump_;
    halvane::app::JobsProcedureService::Options options_;
    halvane::app::models::SpeakerSelectionShell previousSelection_;
    halvane::app::models::RepeatMeasurementsShell previousRepeat_;
    bool cancelSelection_ = false;
    int selections_ = 0;
    int repeats_ = 0;
    int dialogs_ = 0;
};

}  // namespace

TEST_P(ProgramRun, MeasureCommandFilesTheMeasurementsLevelsAndTargets) {
    halvane::app::JobsProcedureService jobs(options_);
    RecordingService service(jobs);
    halvane::document::AppState app;
    CHalvaneDoc doc(CHalvaneDoc::Services{&app, &prompt_, nullptr});
    FrameHost host;
    halvane::app::models::MainFrameCommands commands(doc, app, service, prompt_, host);

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
    // Each of the eleven jobs ran under the dialog the service was handed.
    EXPECT_EQ(dialogs_, 11);
}

TEST_P(ProgramRun, AutomaticStartMeasuresCalculatesUploadsAndShowsTheResults) {
    TempFolder folder;
    const std::string saved = folder.File("room.QEX");
    options_.wizardSetUp = [&](halvane::procedures::WizardDialogController::Environment& env) {
        // The user names the file at the first save.
        env.document->SetPathName(saved);
    };
    halvane::app::JobsProcedureService jobs(options_);
    halvane::document::AppState app;
    auto previousPage = halvane::app::models::completion_page::SetShell([](platform::WindowHandle) { return 1; });

    // The user ticks nothing (both options are ticked), presses Start and
    // waits for the wizard to measure, calculate and upload.
    bool clicked = false;
    ScriptedUser user({{"wizard with Start", 60000,
                        [&] {
                            for (auto* wizard : ScriptedUser::Visible<halvane::app::CWizardDialog>()) {
                                EXPECT_TRUE(wizard->ProceedCheck()->isChecked());
                                EXPECT_TRUE(wizard->SaveCheck()->isChecked());
                                clicked = true;
                                wizard->StartButton()->click();
                                return true;
                            }
                            return false;
                        }},
                       {"end of the wizard's measure, calculate and upload", 400000,
                        [&] { return ScriptedUser::Visible<halvane::app::CWizardDialog>().empty(); }}});

    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    {
        halvane::app::HalvaneShell shell(app, jobs, prompt_, nullptr);
        shell.scriptedWelcome = 0;  // "Automatic (Recommended)"
        result = halvane::app::models::InitInstance(shell, app, jobs, halvane::app::models::ParseCommandLine({}));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        RecordProperty("automatic_run_seconds", std::to_string(seconds));
        halvane::app::models::completion_page::SetShell(previousPage);
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
                    const int ch = halvane::link::ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot];
                    const auto& set = doc.FilterSets[c][r][static_cast<std::size_t>(ch)];
                    ASSERT_EQ(memory.at(0x000800 + (c * 8 + r) * 8 + slot), static_cast<std::uint32_t>(set.Gain));
                    for (std::uint32_t b = 0; b < 10; ++b)
                        for (int k = 0; k < 6; ++k)
                            ASSERT_EQ(memory.at(0x002000 + (c * 8 + r) * 640 + (slot * 10 + b) * 8 +
                                                static_cast<std::uint32_t>(k)),
                                      halvane::link::StageWord(k, set.Stages[b]));
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
    halvane::procedures::WizardDialogController::Environment env;
    env.document = &doc;
    env.services.prompt = &prompt_;
    env.prompt = &prompt_;
    env.steps[0] = [](halvane::procedures::WizardControler& w) {
        w.SetStep(halvane::procedures::WizardControler::kUpload);
        w.PostResult(halvane::procedures::WizardControler::kStepSucceeded);
    };
    env.steps[1] = [&](halvane::procedures::WizardControler& w) {
        ++calculations;
        w.SetStep(halvane::procedures::WizardControler::kUpload);
        w.PostResult(halvane::procedures::WizardControler::kStepSucceeded);
    };
    env.steps[2] = &halvane::procedures::WizardControler::UploadStep;
    env.completionPage = [](platform::WindowHandle) { return 1; };
    halvane::app::CWizardDialog wizard(std::move(env));
    ScriptedUser user({{"wizard with Start", 60000,
                        [&] {
                            if (!wizard.isVisible()) return false;
                            wizard.StartButton()->click();
                            return true;
                        }},
                       {"end of the upload", 120000, [&] { return !wizard.isVisible(); }}});
    EXPECT_EQ(wizard.RunModal(), 1);
    EXPECT_GE(user.StepsSeen(), 1u);
    EXPECT_EQ(calculations, 1);
    EXPECT_EQ(doc.m_nUnitKind, 2);
    EXPECT_EQ(std::count_if(prompt_.asks.begin(), prompt_.asks.end(),
                            [](const auto& a) { return a.text == CHalvaneDoc::kConvertQuestion; }),
              1);
    EXPECT_TRUE(ProcessorOffAndReleased());
}

TEST_P(ProgramRun, QuickMeasureShowsTheSpeakerAtTheLevelTheMeasurementStored) {
    halvane::app::JobsProcedureService jobs(options_);
    halvane::document::AppState app;
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
    const auto dialog = [] {
        const auto open = ScriptedUser::Visible<halvane::app::CQuickMeasureDlg>();
        return open.empty() ? nullptr : open.front();
    };
    ScriptedUser user({{"Quick Measure window", 60000,
                        [&] {
                            auto* dlg = dialog();
                            if (dlg == nullptr) return false;
                            dlg->ConnectButton()->click();
                            return true;
                        }},
                       {"Start enabled after Connect", 120000,
                        [&] {
                            auto* dlg = dialog();
                            if (dlg == nullptr || !dlg->StartButton()->isEnabled()) return false;
                            dlg->SpeakerBox()->setCurrentIndex(1);
                            dlg->StartButton()->click();
                            return true;
                        }},
                       {"third curve of the Center", 180000,
                        [&] {
                            auto* dlg = dialog();
                            if (dlg == nullptr || dlg->Controller().Curves().ShownCount() < 3) return false;
                            halvane::app::models::CurveList curves;
                            dlg->GetCurves(*dlg->Graph(), curves);
                            const DbleVect& cx = *curves.back().x;
                            const DbleVect& cy = *curves.back().y;
                            x.assign(cx.Data(), cx.Data() + cx.Count());
                            y.assign(cy.Data(), cy.Data() + cy.Count());
                            dlg->CloseButton()->click();
                            return true;
                        }}});
    const int result = jobs.RunQuickMeasure(doc);
    ASSERT_EQ(user.StepsSeen(), 3u);
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
    halvane::document::AppState app;
    // The target regeneration runs under the service's progress dialog.
    int dialogs = 0;
    halvane::app::JobsProcedureService::Options options;
    options.procedureDialog = [&](halvane::procedures::ProcedureDialogController& c, platform::WindowHandle parent) {
        ++dialogs;
        return halvane::procedures::RunHeadlessProcedureDialog(c, parent);
    };
    halvane::app::JobsProcedureService jobs(std::move(options));
    halvane::app::HalvaneShell shell(app, jobs, prompt, nullptr);
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
    EXPECT_EQ(dialogs, 1);
}

TEST(ProgramOpen, ATargetRegenerationThatFailsIsReported) {
    // A document of no unit class cannot have targets: the post-load step
    // says so (the load then reports it) instead of going on silently.
    CHalvaneDoc doc(CHalvaneDoc::Services{});
    testsupport::TestProcHost host;
    halvane::procedures::ProcedurePostLoad steps({}, &host);
    try {
        steps.RunRecalcTarg(doc);
        FAIL() << "no failure";
    } catch (const halvane::diagnostics::TException& e) {
        EXPECT_EQ(e.message(), "Could not build the target curves for this unit class.");
    }
}

namespace {

// What a measurement that does not complete must leave alone: everything
// the file holds (measured sets, positions, levels, targets, calculated
// sets, filter sets), the working slots the file does not hold, the
// colours and the modified flag.
struct DocumentState {
    std::vector<std::uint8_t> file;
    std::array<int, 4> workingSlots{};
    std::array<std::uint32_t, 3> colours{};
    bool modified = false;
    std::string path;

    static DocumentState Of(const CHalvaneDoc& doc) {
        DocumentState s;
        s.file = doc.SaveToBytes();
        for (int slot = 8; slot < 12; ++slot)
            s.workingSlots[static_cast<std::size_t>(slot - 8)] = doc.CurveSetSlot(slot)->Count();
        s.colours = doc.m_CurveColor;
        s.modified = doc.IsModified();
        s.path = doc.GetPathName();
        return s;
    }
    bool operator==(const DocumentState&) const = default;
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A measurement started over a saved project that has measurements,
// targets and calculated filters, which then does not complete.
class MeasurementThatFails : public ProgramRun {
protected:
    void SetUp() override {
        ProgramRun::SetUp();
        path_ = folder_.File("room.QEX");
        // Five positions of three channels in both configurations, written
        // as a version 20 file so that opening it rebuilds the averaged
        // curves, levels and targets.
        CHalvaneDoc made(CHalvaneDoc::Services{});
        made.m_nUnitKind = 2;
        for (int slot : {6, 7}) {
            CMeasSet& set = *made.MeasSetSlot(slot);
            set.SetSize(5);
            for (int p = 0; p < 5; ++p)
                for (int ch : {0, 1, 2}) set.SetCurve(Response(70.0 + ch + p * 0.5), ch, p);
        }
        std::vector<std::uint8_t> bytes = made.SaveToBytes();
        bytes[0] = 20;
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

        jobs_ = std::make_unique<halvane::app::JobsProcedureService>(options_);
        service_ = std::make_unique<RecordingService>(*jobs_);
        shell_ = std::make_unique<halvane::app::HalvaneShell>(app_, *service_, prompt_, nullptr);
        ASSERT_TRUE(shell_->OpenDocument(path_));
        doc_ = shell_->Document();
        // Calculated curves and filter sets as a calculation leaves them
        // (made up here: the calculation itself is not under test).
        for (int c = 0; c < 2; ++c) {
            doc_->CurveSetSlot(2 + c)->CopyFrom(*doc_->CurveSetSlot(c));
            for (auto& slot : doc_->FilterSets[static_cast<std::size_t>(c)])
                for (std::size_t ch = 0; ch < 3; ++ch) {
                    slot[ch].Gain = static_cast<std::int32_t>(ch) - 3;
                    slot[ch].Filled = 1;
                    slot[ch].Stages[0].b0_2 = 0.25;
                }
        }
        ASSERT_TRUE(doc_->OnSaveDocument(path_));
        ASSERT_EQ(doc_->CurveSetSlot(2)->Count(), 3);
        ASSERT_EQ(doc_->CurveSetSlot(4)->Count(), 3);
        ASSERT_EQ(doc_->FilterSets[0][3][0].Filled, 1);
        before_ = DocumentState::Of(*doc_);
        saved_ = FileBytes(path_);
        // Stamped in the past, so that any write shows.
        stamp_ = std::filesystem::last_write_time(path_) - std::chrono::hours(1);
        std::filesystem::last_write_time(path_, stamp_);
        service_->results.clear();
        prompt_.asks.clear();
    }
    void TearDown() override {
        shell_.reset();
        service_.reset();
        jobs_.reset();
        ProgramRun::TearDown();
    }

    // Measure, OK, Yes to "your previous measurements will be lost", and the
    // run fails with `failure` (after "Measurement procedure failed.\n").
    void MeasureAndExpectFailure(const std::string& failure) {
        FrameHost host;
        halvane::app::models::MainFrameCommands commands(*doc_, app_, *service_, prompt_, host);
        commands.OnMeasure();
        EXPECT_TRUE(Asked("If you proceed further your previous measurements will be lost.\nWould you like to "
                          "proceed?"));
        ASSERT_FALSE(prompt_.asks.empty());
        EXPECT_EQ(prompt_.asks.back().text, "Measurement procedure failed.\n" + failure);
        // The command stops at the failed run: no detection, no targets, no save.
        EXPECT_EQ(service_->results, (std::vector<std::pair<std::string, int>>{{"measure", 2}}));
        ExpectDocumentAndFileAsTheyWere();
    }

    void ExpectDocumentAndFileAsTheyWere() {
        EXPECT_TRUE(DocumentState::Of(*doc_) == before_) << "the document changed";
        EXPECT_EQ(std::filesystem::last_write_time(path_), stamp_) << "the file was written";
        EXPECT_TRUE(FileBytes(path_) == saved_) << "the file changed";
        // The next automatic save writes the same project again.
        ASSERT_TRUE(doc_->OnSaveDocument(path_));
        const std::vector<std::uint8_t> resaved = FileBytes(path_);
        RecordProperty("file_bytes_before", std::to_string(saved_.size()));
        RecordProperty("file_bytes_after_next_save", std::to_string(resaved.size()));
        EXPECT_TRUE(resaved == saved_) << "the next save wrote " << resaved.size() << " bytes over " << saved_.size();
    }

    bool Asked(const std::string& text) const {
        return std::any_of(prompt_.asks.begin(), prompt_.asks.end(), [&](const auto& a) { return a.text == text; });
    }
    static bool IsMovePrompt(const WillingPrompt::Ask& ask, int position) {
        return ask.text.rfind("Please move microphone to Position " + std::to_string(position) + ".", 0) == 0;
    }

    TempFolder folder_;
    std::string path_;
    halvane::document::AppState app_;
    std::unique_ptr<halvane::app::JobsProcedureService> jobs_;
    std::unique_ptr<RecordingService> service_;
    std::unique_ptr<halvane::app::HalvaneShell> shell_;
    CHalvaneDoc* doc_ = nullptr;
    DocumentState before_;
    std::vector<std::uint8_t> saved_;
    std::filesystem::file_time_type stamp_;
};

}  // namespace

TEST_P(MeasurementThatFails, CancelInTheSpeakerSelectionLeavesTheProjectAsItWas) {
    cancelSelection_ = true;
    MeasureAndExpectFailure("User abort.");
    EXPECT_EQ(selections_, 1);
    EXPECT_TRUE(ProcessorOffAndReleased());
}

TEST_P(MeasurementThatFails, CancelAtTheSecondPositionLeavesTheProjectAsItWas) {
    // The first position is measured (and passes its checks), then the user
    // cancels the move to the second.
    prompt_.rule = [](const WillingPrompt::Ask& ask) { return IsMovePrompt(ask, 2) ? platform::IDCANCEL : 0; };
    MeasureAndExpectFailure("User abort.");
    EXPECT_TRUE(std::any_of(prompt_.asks.begin(), prompt_.asks.end(),
                            [](const auto& a) { return IsMovePrompt(a, 2); }));
    EXPECT_TRUE(ProcessorOffAndReleased());
}

TEST_P(MeasurementThatFails, AFailedTakeNotRepeatedLeavesTheProjectAsItWas) {
    // At the second position the microphone hears nothing; the user
    // neither repeats the measurement nor restarts.
    prompt_.rule = [this](const WillingPrompt::Ask& ask) {
        if (IsMovePrompt(ask, 2)) {
            sim::MicKnobs knobs = mic_.knobs();
            knobs.mute = true;
            mic_.setKnobs(knobs);
        }
        if (ask.text.find("Would you like to repeat the last measurement") == std::string::npos) return 0;
        return (ask.flags & platform::MB_TYPEMASK) == platform::MB_YESNOCANCEL ? platform::IDCANCEL : platform::IDNO;
    };
    FrameHost host;
    halvane::app::models::MainFrameCommands commands(*doc_, app_, *service_, prompt_, host);
    commands.OnMeasure();
    ASSERT_FALSE(prompt_.asks.empty());
    const std::string failure = prompt_.asks.back().text;
    EXPECT_EQ(failure.rfind("Measurement procedure failed.\n", 0), 0u) << failure;
    EXPECT_NE(failure.find(", User abort"), std::string::npos) << failure;
    EXPECT_EQ(service_->results, (std::vector<std::pair<std::string, int>>{{"measure", 2}}));
    ExpectDocumentAndFileAsTheyWere();
    EXPECT_TRUE(ProcessorOffAndReleased());
}

TEST_P(MeasurementThatFails, ALostLineLeavesTheProjectAsItWas) {
    // The processor's cable is pulled while the user walks to the second
    // position; asked to check the connection and try again, the user
    // gives up.
    prompt_.rule = [this](const WillingPrompt::Ask& ask) {
        if (IsMovePrompt(ask, 2)) sim_->disconnect();
        return ask.text.rfind("Failed to receive response from unit", 0) == 0 ? platform::IDCANCEL : 0;
    };
    FrameHost host;
    halvane::app::models::MainFrameCommands commands(*doc_, app_, *service_, prompt_, host);
    commands.OnMeasure();
    ASSERT_FALSE(prompt_.asks.empty());
    EXPECT_EQ(prompt_.asks.back().text.rfind("Measurement procedure failed.\n", 0), 0u) << prompt_.asks.back().text;
    EXPECT_EQ(service_->results, (std::vector<std::pair<std::string, int>>{{"measure", 2}}));
    ExpectDocumentAndFileAsTheyWere();
    EXPECT_FALSE(Port().IsOpen());
}

TEST_P(MeasurementThatFails, TheWizardsMeasureStepLeavesTheOpenedProjectAsItWas) {
    // The wizard over the opened project, saving after each step: the user
    // cancels the speaker selection, then aborts the stage at the second
    // position, then closes the wizard.
    int saves = 0;
    options_.wizardSetUp = [&](halvane::procedures::WizardDialogController::Environment& env) {
        env.saveDocument = [&] {
            ++saves;
            return doc_->OnSaveDocument(path_);
        };
    };
    halvane::app::JobsProcedureService wizardJobs(options_);
    cancelSelection_ = true;
    std::promise<void> aborted;
    std::atomic<bool> atSecondPosition{false};
    prompt_.rule = [&](const WillingPrompt::Ask& ask) {
        if (IsMovePrompt(ask, 2)) {
            // Waits (on the job's worker) for the user's abort.
            atSecondPosition = true;
            EXPECT_EQ(aborted.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready)
                << "the stage was not aborted";
        }
        return 0;
    };

    int starts = 0;
    bool abortClicked = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* wizard = qobject_cast<halvane::app::CWizardDialog*>(w);
            if (wizard == nullptr || !wizard->isVisible() || !wizard->StartButton()->isEnabled()) {
                if (wizard != nullptr && atSecondPosition && !abortClicked) {
                    abortClicked = true;
                    wizard->AbortButton()->click();
                    aborted.set_value();
                }
                continue;
            }
            if (starts == 2) {
                wizard->reject();  // the second failure: the user gives up
                continue;
            }
            if (starts == 1) cancelSelection_ = false;
            ++starts;
            wizard->StartButton()->click();
        }
    });
    user.start(10);
    const int result = wizardJobs.RunWizard(*doc_);
    user.stop();
    EXPECT_NE(result, 1);
    EXPECT_EQ(starts, 2);
    EXPECT_TRUE(abortClicked);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(std::count_if(prompt_.asks.begin(), prompt_.asks.end(),
                            [](const auto& a) { return a.text.rfind("Measurement procedure failed.\n", 0) == 0; }),
              2);
    ExpectDocumentAndFileAsTheyWere();
    EXPECT_TRUE(ProcessorOffAndReleased());
}

INSTANTIATE_TEST_SUITE_P(Flagship, MeasurementThatFails, ::testing::Values(4));

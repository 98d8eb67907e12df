// The wizard's logic without windows: its steps (fakes, and the real
// calculation on a document that cannot be calculated) on the controller's
// worker, the dialog's answers to their results, abort, close and the way
// out through the completion page.
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/procedures/wizard/WizardDialogController.h"
#include "platform/UiMessageQueue.h"
#include "platform/UserPrompt.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using halvane::procedures::WizardControler;
using halvane::procedures::WizardDialogController;

namespace {

class FakeWizardView final : public halvane::procedures::WizardView {
public:
    std::string caption, status;
    bool startEnabled = true, abortEnabled = true, optionsEnabled = true;
    bool proceed = false, save = false;
    std::array<bool, 3> boxes{};
    int ended = -1;
    bool busy = false;
    std::vector<std::string> statuses;

    void SetCaption(const std::string& c) override { caption = c; }
    void SetStatusText(const std::string& t) override {
        status = t;
        statuses.push_back(t);
    }
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void SetProgressBusy(bool b) override { busy = b; }
    void EnableStart(bool e) override { startEnabled = e; }
    void EnableAbort(bool e) override { abortEnabled = e; }
    void EnableOptions(bool e) override { optionsEnabled = e; }
    void SetOptions(bool p, bool s) override {
        proceed = p;
        save = s;
    }
    bool ProceedOption() const override { return proceed; }
    bool SaveOption() const override { return save; }
    void SetStepBoxes(bool a, bool b, bool c) override { boxes = {a, b, c}; }
    void EndDialog(int result) override { ended = result; }
};

// Answers every question with `answer`; asked from the dialog's thread and
// from the steps' worker.
class ScriptedPrompt final : public platform::UserPrompt {
public:
    std::atomic<int> answer{platform::IDYES};
    std::vector<std::string> Asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    bool WasAsked(const std::string& text) const {
        const auto asked = Asked();
        return std::find(asked.begin(), asked.end(), text) != asked.end();
    }

protected:
    int show(const std::string& text, const std::string&, unsigned, platform::WindowHandle) override {
        std::lock_guard lock(mutex_);
        asked_.push_back(text);
        return answer.load();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> asked_;
};

// A job polling the running flag until the user aborts; an abort that never
// comes fails the test instead of holding the step for ever.
void PollUntilAborted(WizardControler& w) {
    if (!testsupport::WaitUntil([&] { return w.Host().RunningFlag().load() == 0; }, 20000))
        ADD_FAILURE() << "the step was never aborted";
}

// Drains the window-message queue until `done` holds (or 10 s pass).
bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        platform::DrainUiMessageQueue();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

struct Wizard : ::testing::Test {
    ScriptedPrompt prompt;
    FakeWizardView view;
    std::array<int, 3> runs{};
    std::array<int, 3> failFirst{};  // per step: how many runs fail first
    int saves = 0;
    int pageAnswer = 1;
    int pages = 0;
    std::unique_ptr<WizardDialogController> wizard;

    // A step that succeeds (moving on) unless it is still to fail.
    WizardControler::StepOperation fakeStep(int index) {
        return [this, index](WizardControler& w) {
            if (runs[static_cast<std::size_t>(index)]++ < failFirst[static_cast<std::size_t>(index)]) {
                w.PostResult(WizardControler::kStepFailed);
                return;
            }
            w.SetStep(index + 1);
            w.PostResult(WizardControler::kStepSucceeded);
        };
    }
    void make(WizardControler::Steps steps = {}, halvane::document::CHalvaneDoc* doc = nullptr) {
        WizardDialogController::Environment env;
        env.document = doc;
        env.steps = steps;
        for (int i = 0; i < 3; ++i)
            if (!env.steps[static_cast<std::size_t>(i)]) env.steps[static_cast<std::size_t>(i)] = fakeStep(i);
        env.prompt = &prompt;
        env.services.prompt = &prompt;
        env.saveDocument = [this] {
            ++saves;
            return true;
        };
        env.completionPage = [this](platform::WindowHandle) {
            ++pages;
            return pageAnswer;
        };
        wizard = std::make_unique<WizardDialogController>(env);
        wizard->Attach(view);
        wizard->OnInitDialog();
    }
    bool idle() const { return !wizard->StepRunning(); }
    // Fake steps but for one.
    static WizardControler::Steps with(int index, WizardControler::StepOperation operation) {
        WizardControler::Steps steps;
        steps[static_cast<std::size_t>(index)] = std::move(operation);
        return steps;
    }
    void TearDown() override { wizard.reset(); }
};

}  // namespace

TEST_F(Wizard, InitialisesAndRunsAllStepsWhenProceeding) {
    make();
    EXPECT_EQ(view.caption, "Halvane");
    EXPECT_TRUE(view.proceed);
    EXPECT_TRUE(view.save);
    EXPECT_FALSE(view.abortEnabled);
    EXPECT_EQ(view.status, "Press start to begin.");

    wizard->OnStart();
    EXPECT_FALSE(view.startEnabled);
    EXPECT_FALSE(view.optionsEnabled);
    EXPECT_TRUE(view.abortEnabled);
    EXPECT_EQ(view.statuses.back(), "Running...");
    ASSERT_TRUE(PumpUntil([&] { return wizard->Ended(); }));
    EXPECT_EQ(runs, (std::array<int, 3>{1, 1, 1}));
    EXPECT_EQ(saves, 2);  // after Measure and Calculate; the upload ends the run
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(view.ended, 1);
    EXPECT_EQ(view.boxes, (std::array<bool, 3>{true, true, true}));
}

TEST_F(Wizard, WithoutProceedEachStepWaitsForStartAndSavesOnlySuccess) {
    make();
    view.proceed = false;
    failFirst[0] = 1;
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(view.status, "The previous step failed.\n\rPress start to repeat the last step.");
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.abortEnabled);
    EXPECT_EQ(wizard->Controler()->Step(), 0);

    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(view.status, "Press start to start the next step.");
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(runs[1], 0);
    EXPECT_EQ(view.boxes, (std::array<bool, 3>{true, false, false}));
    // The step boxes follow the controller, not the user's clicks.
    view.boxes = {false, true, true};
    wizard->OnStepBoxClicked();
    EXPECT_EQ(view.boxes, (std::array<bool, 3>{true, false, false}));

    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(runs[1], 1);
    EXPECT_EQ(wizard->Controler()->Step(), 2);
}

TEST_F(Wizard, FailedUploadStaysAtUploadAndStartRetriesIt) {
    failFirst[2] = 2;
    make();
    view.save = false;
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(wizard->Controler()->Step(), 2);
    EXPECT_EQ(view.status, WizardDialogController::kStepFailed);
    EXPECT_EQ(saves, 0);
    for (int attempt = 2; attempt <= 3; ++attempt) {
        wizard->OnStart();
        ASSERT_TRUE(PumpUntil([&] { return idle(); }));
        EXPECT_EQ(runs[2], attempt);
    }
    EXPECT_EQ(runs[0], 1);
    EXPECT_EQ(view.ended, 1);
}

TEST_F(Wizard, CompletionPageExitOrNoPageEndsWithCancel) {
    for (int answer : {2, 0, -1}) {
        pageAnswer = answer;
        make();
        wizard->OnStart();
        ASSERT_TRUE(PumpUntil([&] { return wizard->Ended(); }));
        EXPECT_EQ(wizard->EndResult(), 2) << answer;
        wizard.reset();
    }
}

TEST_F(Wizard, AbortStopsTheStageAndStartRunsItAgain) {
    std::atomic<int> flagAtStart{-1};
    std::atomic<bool> waiting{false};
    int measureRuns = 0;
    auto measure = [&](WizardControler& w) {
        ++measureRuns;
        flagAtStart = w.Host().RunningFlag().load();
        if (measureRuns == 1) {
            // A job polling the running flag until the user aborts.
            waiting = true;
            PollUntilAborted(w);
            throw halvane::diagnostics::TException("Procedure aborted\n");
        }
        w.SetStep(1);
        w.PostResult(WizardControler::kStepSucceeded);
    };
    make(with(0, measure));
    view.proceed = false;
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return waiting.load(); }));
    // A stage that counts nothing (the processor's power waits) shows a busy bar.
    EXPECT_TRUE(view.busy);
    prompt.answer = platform::IDNO;
    wizard->OnAbortStage();
    EXPECT_EQ(wizard->RunningFlag().load(), 1);
    prompt.answer = platform::IDYES;
    wizard->OnAbortStage();
    EXPECT_TRUE(prompt.WasAsked("Are you sure you want to abort?"));
    EXPECT_EQ(view.statuses.back(), "Aborting...");
    EXPECT_FALSE(view.abortEnabled);
    EXPECT_TRUE(view.busy);
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(view.status, WizardDialogController::kStepFailed);
    EXPECT_FALSE(view.busy);
    EXPECT_EQ(wizard->Controler()->Step(), 0);

    // Start clears the abort: the stage runs again with the flag up.
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(flagAtStart.load(), 1);
    EXPECT_EQ(wizard->Controler()->Step(), 1);
}

TEST_F(Wizard, AStageThatFinishesDespiteAnAbortIsKeptButDoesNotProceed) {
    std::atomic<bool> waiting{false};
    auto measure = [&](WizardControler& w) {
        waiting = true;
        PollUntilAborted(w);
        w.SetStep(1);
        w.PostResult(WizardControler::kStepSucceeded);
    };
    make(with(0, measure));
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return waiting.load(); }));
    wizard->OnAbortStage();
    ASSERT_TRUE(PumpUntil([&] { return idle(); }));
    EXPECT_EQ(view.status, WizardDialogController::kNextStep);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(runs[1], 0);
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return wizard->Ended(); }));
    EXPECT_EQ(runs[1], 1);
}

TEST_F(Wizard, ExceptionInAStepIsAFailedStepWithItsText) {
    int calls = 0;
    make(with(1, [&](WizardControler&) {
        if (++calls == 1) throw std::logic_error("no such channel");
        throw 42;
    }));
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle() && calls == 1; }));
    EXPECT_TRUE(prompt.WasAsked("no such channel"));
    EXPECT_EQ(view.status, WizardDialogController::kStepFailed);
    EXPECT_EQ(wizard->Controler()->Step(), 1);
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle() && calls == 2; }));
    EXPECT_EQ(view.status, WizardDialogController::kStepFailed);
    EXPECT_EQ(prompt.Asked().back(), "Unrecognized exception");

    try {
        wizard->Controler()->RunStep(3);
        FAIL() << "no logic error";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "void WizardControler::RunStep(STEP step) called with invalid step");
    }
}

TEST_F(Wizard, ClosingWhileAStepRunsAbortsAndEndsAfterItsResult) {
    std::atomic<bool> waiting{false};
    auto measure = [&](WizardControler& w) {
        waiting = true;
        PollUntilAborted(w);
        w.PostResult(WizardControler::kStepFailed);
    };
    make(with(0, measure));
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return waiting.load(); }));
    prompt.answer = platform::IDNO;
    wizard->OnCloseRequest();
    EXPECT_FALSE(wizard->Ended());
    prompt.answer = platform::IDYES;
    wizard->OnCloseRequest();
    EXPECT_FALSE(wizard->Ended());  // the job is still stopping
    ASSERT_TRUE(PumpUntil([&] { return wizard->Ended(); }));
    EXPECT_EQ(view.ended, 2);

    // With nothing running the close ends the wizard at once.
    make();
    wizard->OnCloseRequest();
    EXPECT_EQ(view.ended, 2);
}

TEST_F(Wizard, CalculationFailsWhenTheTargetsCannotBeBuilt) {
    // An empty document of no unit class: nothing can be detected or
    // targeted, and the step says so, with the job's reason, instead of
    // calculating on.
    halvane::document::CHalvaneDoc doc(halvane::document::CHalvaneDoc::Services{nullptr, &prompt, nullptr});
    make(with(1, &WizardControler::CalculateStep), &doc);
    wizard->OnStart();
    ASSERT_TRUE(PumpUntil([&] { return idle() && wizard->Controler()->Step() == 1 && runs[0] == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return view.status == WizardDialogController::kStepFailed; }));
    EXPECT_TRUE(prompt.WasAsked("Calculation failed\nCould not detect the crossovers for this unit class."));
    EXPECT_EQ(wizard->Controler()->Step(), 1);
}

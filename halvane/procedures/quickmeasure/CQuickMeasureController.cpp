#include "halvane/procedures/quickmeasure/CQuickMeasureController.h"

#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/diagnostics/CatchFailure.h"
#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/SendStringWndMessage.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/framework/ChannelNames.h"
#include "halvane/procedures/framework/ExitActions.h"
#include "halvane/signal/AudioSampler2Wave.h"
#include "halvane/signal/CSimpleChirpProc.h"
#include "platform/WindowMessage.h"

#include <cstdio>
#include <exception>

namespace halvane::procedures {

namespace {

// UM_CURVE_READY: wParam points to the message's own hold on the curve, so a
// curve for a dialog that has closed is freed with the message.
class CurveReadyMessage final : public platform::WindowMessage {
public:
    CurveReadyMessage(platform::WindowHandle target, std::shared_ptr<signal::CCurve> curve)
        : WindowMessage(target, diagnostics::messages::Id(diagnostics::messages::kCurveReady), 0, 0), curve_(std::move(curve)) {
        wParam = reinterpret_cast<std::uintptr_t>(&curve_);
    }
    static const std::shared_ptr<signal::CCurve>& CurveOf(std::uintptr_t wParam) {
        return *reinterpret_cast<const std::shared_ptr<signal::CCurve>*>(wParam);
    }

private:
    std::shared_ptr<signal::CCurve> curve_;
};

std::string ChannelName(int channel) {
    return channel >= 0 && channel < signal::ChannelTable::kCount ? ChannelNames[static_cast<std::size_t>(channel)]
                                                          : std::string();
}

}  // namespace

CQuickMeasureController::CQuickMeasureController(Options options)
    : prompt_(options.prompt), sound_(options.sound), clock_(options.clock),
      programCalibration_(std::make_unique<MicrophoneCalibrationSource>(
          options.sound != nullptr ? *options.sound : platform::systemSoundSystem())),
      calibration_(options.calibration != nullptr ? options.calibration : programCalibration_.get()) {}

CQuickMeasureController::~CQuickMeasureController() {
    Close();
    Detach();
}

void CQuickMeasureController::Attach(QuickMeasureView& view, void* nativeDialog, void* nativeProgressBar) {
    Detach();
    view_ = &view;
    windows_.Bind([this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { return OnDialogMessage(m, w, l); },
                  [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
                      return activity_.Forward(view_, m, w, l);
                  },
                  nativeDialog, nativeProgressBar);
}

void CQuickMeasureController::Detach() {
    windows_.Unbind();
    view_ = nullptr;
}

void CQuickMeasureController::OnInitDialog() {
    if (!progress_)
        progress_ = std::make_unique<diagnostics::ConTypes::MultiThreadedProgress>(
            windows_.ProgressBar(), DialogHandle(), prompt_);
    if (!worker_ && !closed_) worker_ = std::make_unique<Worker>();
    UpdateControls();
}

void CQuickMeasureController::UpdateControls() {
    // A closing dialog takes no more buttons, whatever the worker's state.
    const std::int32_t state = closing_ || closed_ ? quickmeasure::kDisconnecting : state_.load();
    if (view_ != nullptr) view_->EnableControls(quickmeasure::ControlsFor(state));
}

void CQuickMeasureController::Queue(quickmeasure::Button button, TaskFunction task) {
    quickmeasure::Transition t;
    const std::int32_t from = state_.load();
    if (closed_ || closing_ || !worker_ || !quickmeasure::FindTransition(button, from, t)) {
        platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
        prompt.MessageBox(kBusyText, kBusyCaption, platform::MB_OK | platform::MB_ICONERROR, DialogHandle());
        return;
    }
    state_.store(t.running);
    worker_->Post(task, this, std::make_shared<QuickMeasureTaskData>(QuickMeasureTaskData{from, t.success, t.failure}));
    // The task counts nothing (the search, the power waits): busy until it ends.
    activity_.Text(view_);
    UpdateControls();
}

void CQuickMeasureController::OnConnect() { Queue(quickmeasure::Button::Connect, &CQuickMeasureController::Connect); }

void CQuickMeasureController::OnDisconnect() {
    Queue(quickmeasure::Button::Disconnect, &CQuickMeasureController::Disconnect);
}

void CQuickMeasureController::OnStart() {
    curves_.Clear();
    if (view_ != nullptr) view_->CurvesChanged(false);
    Queue(quickmeasure::Button::Start, &CQuickMeasureController::StartMeasurement);
}

void CQuickMeasureController::OnStop() {
    Queue(quickmeasure::Button::Stop, &CQuickMeasureController::StopMeasurement);
}

void CQuickMeasureController::OnSpeakerSelected(int channel) {
    if (channel >= 0 && channel < signal::ChannelTable::kCount) channel_.store(channel);
}

void CQuickMeasureController::WriteCurve(std::shared_ptr<signal::CCurve> curve) {
    if (!curve) return;
    const bool rescale = curves_.Add(std::move(curve));
    if (view_ != nullptr) view_->CurvesChanged(rescale);
}

bool CQuickMeasureController::HasRecorder() const {
    std::lock_guard lock(recorderMutex_);
    return recorder_ != nullptr;
}

// --- Tasks (the worker) -----------------------------------------------------

void CQuickMeasureController::TaskDone(std::shared_ptr<QuickMeasureTaskData> data) {
    state_.store(data->success);
    const platform::WindowHandle dialog = DialogHandle();
    if (dialog) diagnostics::Threading::PostWndMessage(dialog, diagnostics::messages::Id(diagnostics::messages::kDone), 0, 1);
}

void CQuickMeasureController::TaskFailed(std::shared_ptr<QuickMeasureTaskData> data) {
    state_.store(data->failure);
    const platform::WindowHandle dialog = DialogHandle();
    if (dialog) diagnostics::Threading::PostWndMessage(dialog, diagnostics::messages::Id(diagnostics::messages::kDone), 0, 0);
}

void CQuickMeasureController::Status(const std::string& text) {
    if (progress_) progress_->SetText(text);
}

void CQuickMeasureController::PostLogLine(const std::string& text) {
    const platform::WindowHandle dialog = DialogHandle();
    if (dialog) diagnostics::Threading::PostWndMessageObject(std::make_unique<diagnostics::Threading::SendStringWndMessage>(dialog, text));
}

void CQuickMeasureController::ShowError(const std::string& text, const char* caption) {
    // Once the dialog is closing nobody is there to answer.
    if (!progress_ || progress_->IsAborted()) return;
    progress_->MessageBox(text, caption, platform::MB_OK | platform::MB_ICONERROR);
}

void CQuickMeasureController::ReleaseRecorder() {
    std::unique_ptr<signal::AudioSampler2::Wave> gone;
    {
        std::lock_guard lock(recorderMutex_);
        gone = std::move(recorder_);
        recorderStreaming_ = false;
    }
    // Deleting it waits for its dispatcher, which may be in DataReady.
    gone.reset();
    queue_.Clear();
}

void CQuickMeasureController::Connect(std::shared_ptr<QuickMeasureTaskData> data) {
    diagnostics::CatchFailure(
        [&] {
            Status("Searching for unit");
            unit_ = link::ConTypes::FindConnectedUnit(progress_.get());
            if (unit_ == nullptr) throw diagnostics::TException(link::ConTypes::NoUnitFoundText());
            unitExits_.UsePort(unit_->Port());
            unitExits_.Arm([this] { link::ConTypes::ReleaseUnit(unit_); });
            std::string model, port;
            unit_->GetModelName(model);
            unit_->GetPortDescription(port);
            Status(diagnostics::Format("Found unit: %s on %s", model.c_str(), port.c_str()));
            Status("Powering off unit");
            unit_->PowerOff(1);
            unit_->CheckFirmwareVersion();

            MicrophoneCalibration cal;
            std::shared_ptr<const design::CCurveCorrectionManager> correction;
            correctionKind_ = 0;
            if (calibration_->GetCalibration(cal)) {
                correction = design::CCurveCorrectionManager::Create(cal.kind, cal.curve);
                if (correction) correctionKind_ = cal.kind;
            }
            {
                std::lock_guard lock(correctionMutex_);
                correction_ = std::move(correction);
            }

            Status("Powering on unit");
            unitExits_.Arm([this] { unit_->PowerOff(0); });
            unit_->PowerOn();
            Status("Preparing for measurement");
            // Armed first: the preparation can fail after a state it set
            // went out unconfirmed (the receiver's "REQ1"), and it is ended
            // before the power-off, as the upload's ends do.
            unitExits_.Arm([this] { unit_->EndMeasurement(); });
            unit_->PrepareMeasurement(0);
            Status("Connection established with unit");
            TaskDone(data);
        },
        [&](const char* what) {
            // What the connect changed is undone, newest first (power off,
            // the unit let go), also when a close cut it short: the shut-down
            // behind it then finds no unit. The aborted progress of a closing
            // dialog would fail every call the unit reports through, so the
            // unit reports to nobody on its way out.
            if (unit_ != nullptr) unit_->SetProgress(nullptr);
            diagnostics::CatchFailure([&] { unitExits_.RunAll(); },
                                      [&](const char* why) { Status(diagnostics::Format("Error: %s", why)); });
            Status(diagnostics::Format("Error: %s", what));
            ShowError(what, "Error");
            TaskFailed(data);
        });
}

void CQuickMeasureController::Disconnect(std::shared_ptr<QuickMeasureTaskData> data) {
    const int channel = channel_.load();
    auto fail = [&](const char* what) {
        ShowError(diagnostics::Format("Error disconnecting from unit, %s", what), "error");
        TaskFailed(data);
    };
    diagnostics::CatchFailure(
        [&] {
            Status("Disconnecting from unit");
            // Newest first, each whatever the others did: the tone off, the
            // recorder gone, then the unit let go (tone off again, the end of
            // the measurement mode, power off, disconnect).
            ExitActions exits;
            if (unit_ != nullptr) {
                exits.Arm([this] { unitExits_.RunAll(); });
                ArmToneOff(exits, channel);
            }
            exits.Arm([this] { ReleaseRecorder(); });
            if (unit_ != nullptr) ArmToneOff(exits, channel);
            exits.RunAll();
            Status("Disconnected from unit");
            TaskDone(data);
        },
        fail);
}

void CQuickMeasureController::StartMeasurement(std::shared_ptr<QuickMeasureTaskData> data) {
    const int channel = channel_.load();
    // Nothing is recorded on a failed Start: the tone goes off again (an
    // exit action, dismissed once the measurement runs), and the recorder is
    // not kept, so the next Start finds and opens the microphone afresh.
    ExitActions exits;
    auto fail = [&](const char* what) {
        // The tone is off before the failure is told; should switching it
        // off fail too, the log says so.
        diagnostics::CatchFailure([&] { exits.RunAll(); }, [&](const char* why) { Status(diagnostics::Format("Error: %s", why)); });
        if (HasRecorder()) ReleaseRecorder();
        Status(what);
        ShowError(what, "error");
        TaskFailed(data);
    };
    diagnostics::CatchFailure(
        [&] {
            Status(diagnostics::Format("Starting measurement for speaker %s", ChannelName(channel).c_str()));
            if (unit_ == nullptr) throw diagnostics::TException("Must be connected to a unit before starting the audio sampling");
            if (!HasRecorder()) {
                auto wave = std::make_unique<signal::AudioSampler2::Wave>(
                    this, true, sound_ != nullptr ? *sound_ : platform::systemSoundSystem(),
                    clock_ != nullptr ? *clock_ : platform::systemClock());
                if (!wave->FindMicrophone())
                    throw diagnostics::TException("failed to initialize audio measurement (check USB connection to PC)");
                if (!wave->Open())
                    throw diagnostics::TException("failed to open audio measurement device (check USB connection to PC)");
                const bool fixedLevel = !wave->HasVolumeControl();
                {
                    std::lock_guard lock(recorderMutex_);
                    recorder_ = std::move(wave);
                    recorderStreaming_ = false;
                }
                // Once per recorder, in the log.
                if (fixedLevel) Status(kNoVolumeControlText);
            }
            recorder_->SetLevel(InputLevelForKind(correctionKind_));
            queue_.Clear();
            const ExitActions::Id toneOff = ArmToneOff(exits, channel);
            unit_->StartTestTone(channel, 0);
            // The first start queues the recorder's ring; after a Stop the ring
            // is still queued and the input only starts again.
            const bool started = recorderStreaming_ ? recorder_->Start() : recorder_->PrepareAndStart();
            if (!started) throw diagnostics::TException("failed to start audio measurement (check USB connection to PC)");
            recorderStreaming_ = true;
            exits.Dismiss(toneOff);
            Status(diagnostics::Format("Measuring speaker %s", ChannelName(channel).c_str()));
            TaskDone(data);
        },
        fail);
}

void CQuickMeasureController::StopMeasurement(std::shared_ptr<QuickMeasureTaskData> data) {
    const int channel = channel_.load();
    auto fail = [&](const char* what) {
        ShowError(what, "error");
        TaskFailed(data);
    };
    diagnostics::CatchFailure(
        [&] {
            // The tone off, then the recorder stopped, each whatever the
            // other did.
            ExitActions exits;
            exits.Arm([this] {
                if (HasRecorder()) recorder_->Stop();
                queue_.Clear();
            });
            if (unit_ != nullptr) ArmToneOff(exits, channel);
            exits.RunAll();
            Status("Measurement stopped");
            TaskDone(data);
        },
        fail);
}

// --- Analysis (the recorder's dispatcher) ------------------------------------

void CQuickMeasureController::DataReady(Data data) {
    const int total = queue_.Append(std::move(data.block), data.count);
    if (total < QuickMeasureSampleQueue::kWindow || state_.load() != quickmeasure::kMeasuring) return;
    std::vector<double> window;
    if (!queue_.TakeWindow(window)) return;
    Analyse(window);
}

void CQuickMeasureController::Analyse(std::vector<double>& window) {
    const int channel = channel_.load();
    std::unique_ptr<signal::CCurve> response;
    // A window the analysis rejects shows no curve; the next one may.
    const bool analysed = diagnostics::CatchFailure(
        [&] {
            signal::AudioSampler::CSimpleChirpProc proc(window.data(), QuickMeasureSampleQueue::kHop,
                                                QuickMeasureSampleQueue::kWindow, 16, 48000, nullptr,
                                                channel == signal::ChannelTable::kSubwoofer);
            response = proc.QuickResponse();
        },
        [](const char*) {});
    if (!analysed || !response) return;
    std::shared_ptr<const design::CCurveCorrectionManager> correction;
    {
        std::lock_guard lock(correctionMutex_);
        correction = correction_;
    }
    try {
        if (correction) correction->Apply(*response);
        SmoothMeasuredResponse(*response);
    } catch (const std::exception&) {
        return;
    }
    response->SetName("Measurement");
    ++analyses_;
    const platform::WindowHandle dialog = DialogHandle();
    if (!dialog) return;
    diagnostics::Threading::PostWndMessageObject(
        std::make_unique<CurveReadyMessage>(dialog, std::shared_ptr<signal::CCurve>(std::move(response))));
}

// --- Close -------------------------------------------------------------------

bool CQuickMeasureController::BeginClose(std::function<void()> closed) {
    if (closed_ || closing_) return false;
    // Disconnected with no task running (the state leaves 0 only by a
    // button), or nobody to tell when the shut-down has ended: nothing
    // waits, so closing here is quick.
    if (state_.load() == quickmeasure::kDisconnected || !worker_ || !DialogHandle()) {
        Close();
        return true;
    }
    closing_ = true;
    onClosed_ = std::move(closed);
    if (progress_) progress_->Abort();
    PostLogLine("Disconnecting from unit");
    activity_.SetBusy(view_, true);
    UpdateControls();
    // A task queued and not yet begun is dropped, as the worker's end would
    // drop it; the shut-down follows the running one.
    worker_->Clear();
    worker_->PostTask([this] {
        ShutDown();
        PostLogLine("Disconnected from unit");
        shutDownEnded_.store(true);
        const platform::WindowHandle dialog = DialogHandle();
        if (dialog) diagnostics::Threading::PostWndMessage(dialog, diagnostics::messages::Id(diagnostics::messages::kDone), 0, 1);
    });
    return false;
}

void CQuickMeasureController::FinishClose() {
    std::function<void()> closed = std::move(onClosed_);
    onClosed_ = nullptr;
    // The worker has nothing left to run: its end is quick.
    Close();
    if (closed) closed();
}

void CQuickMeasureController::Close() {
    if (closed_) return;
    closed_ = true;
    if (progress_) progress_->Abort();
    // Waits for a running task (the shut-down, when it has begun); queued
    // ones are dropped unrun, and what they would have done is done here.
    worker_.reset();
    ShutDown();
    UpdateControls();
}

void CQuickMeasureController::ShutDown() {
    ReleaseRecorder();
    if (unit_ != nullptr) {
        // The aborted progress would fail every call the unit reports
        // through; the unit reports to nobody from now on.
        unit_->SetProgress(nullptr);
        // Newest first: the tone off, then what Connect armed (the end of
        // the measurement mode, power off, the port let go). The dialog is
        // going: nobody is left to tell but the error output.
        ExitActions exits;
        exits.Arm([this] { unitExits_.RunAll(); });
        ArmToneOff(exits, channel_.load());
        diagnostics::CatchFailure([&] { exits.RunAll(); },
                     [](const char* what) { std::fprintf(stderr, "Quick Measure: closing the unit: %s\n", what); });
    }
    state_.store(quickmeasure::kDisconnected);
}

ExitActions::Id CQuickMeasureController::ArmToneOff(ExitActions& exits, int channel) {
    exits.UsePort(unit_->Port());
    return exits.Arm([this, channel] { unit_->StopTestTone(channel, 0); });
}

// --- Messages ----------------------------------------------------------------

std::intptr_t CQuickMeasureController::OnDialogMessage(std::uint32_t message, std::uintptr_t wParam,
                                                       std::intptr_t lParam) {
    if (message == diagnostics::messages::Id(diagnostics::messages::kCurveReady)) {
        if (wParam != 0) WriteCurve(CurveReadyMessage::CurveOf(wParam));
    } else if (message == diagnostics::Threading::UmSetDisplayString()) {
        if (view_ != nullptr) view_->AppendLog(diagnostics::Threading::SendStringWndMessage::TextOf(lParam));
    } else if (message == diagnostics::messages::Id(diagnostics::messages::kDone)) {
        UpdateControls();
        if (!closing_) activity_.SetBusy(view_, false);
        if (closing_ && !closed_ && shutDownEnded_.load()) FinishClose();
    }
    return 0;
}

}  // namespace halvane::procedures

#pragma once

#include "halvane/diagnostics/MultiThreadedProgress.h"
#include "halvane/diagnostics/ThreadHandler.h"
#include "halvane/procedures/framework/DialogWindows.h"
#include "halvane/procedures/framework/ExitActions.h"
#include "halvane/procedures/framework/ProgressBarActivity.h"
#include "halvane/procedures/measurement/MicrophoneCalibration.h"
#include "halvane/procedures/quickmeasure/QuickMeasureCurves.h"
#include "halvane/procedures/quickmeasure/QuickMeasureSampleQueue.h"
#include "halvane/procedures/quickmeasure/QuickMeasureStates.h"
#include "halvane/procedures/quickmeasure/QuickMeasureView.h"
#include "halvane/signal/AudioSampler2WaveCallback.h"
#include "halvane/signal/CCurve.h"
#include "platform/Clock.h"
#include "platform/SoundSystem.h"
#include "platform/UserPrompt.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace halvane::design {
class CCurveCorrectionManager;
}

namespace halvane::signal::AudioSampler2 {
class Wave;
}
namespace halvane::link::ConTypes {
class UnitBase;
}

namespace halvane::procedures {

// One queued task: the state it started from and the states it ends in.
struct QuickMeasureTaskData {
    std::int32_t from = 0;
    std::int32_t success = 0;
    std::int32_t failure = 0;
};

// Quick Measure without its widgets: the live response of one speaker while
// the processor plays its test signal on that channel. Connect, disconnect,
// start and stop run as tasks on the dialog's own worker (the only thread
// that drives the unit while the dialog is open), guarded by the state table
// so that one task runs at a time. The streaming recorder delivers the
// microphone's blocks on its dispatcher thread; every 65536 new samples the
// latest 131072 are analysed there and the response crosses to the
// user-interface thread as UM_CURVE_READY. Status texts go to the log as
// UM_SET_DISPLAY_STRING through the progress object, the end of each task as
// UM_DONE.
class CQuickMeasureController final : public signal::AudioSampler2::WaveCallback {
public:
    struct Options {
        platform::UserPrompt* prompt = nullptr;  // null: the process-wide prompt
        platform::SoundSystem* sound = nullptr;  // null: the system's sound inputs
        platform::Clock* clock = nullptr;        // null: the system clock
        // Asked at each Connect. Null: the program's source on `sound`, as
        // the measurement job's; a source with nothing to give: responses
        // are shown uncorrected, at the lowest input level.
        ICalibrationSource* calibration = nullptr;
    };

    explicit CQuickMeasureController(Options options);
    // Closes (see Close) and detaches.
    ~CQuickMeasureController() override;
    CQuickMeasureController(const CQuickMeasureController&) = delete;
    CQuickMeasureController& operator=(const CQuickMeasureController&) = delete;

    // The widgets exist: queued messages now reach them.
    void Attach(QuickMeasureView& view, void* nativeDialog = nullptr, void* nativeProgressBar = nullptr);
    void Detach();

    // Dialog initialisation: the progress object and the task worker, then
    // the controls for the state.
    void OnInitDialog();

    // The buttons. Outside the states the table allows them: "Busy, please
    // wait" (caption "Error") and nothing changes.
    void OnConnect();
    void OnDisconnect();
    // Empties the shown curves (the count of curves shown goes on).
    void OnStart();
    void OnStop();
    // A new selection in the speaker box.
    void OnSpeakerSelected(int channel);

    // UM_CURVE_READY on the user-interface thread.
    void WriteCurve(std::shared_ptr<signal::CCurve> curve);
    void UpdateControls();

    // The Close button, Escape or the close box, without holding up the
    // user-interface thread: aborts the progress (a running task ends at its
    // next wait), disables the controls, logs "Disconnecting from unit" and
    // queues the shut-down on the worker behind the running task: the
    // recorder is deleted and a held unit let go (tone off, end of
    // measurement, power off, disconnect). Once the shut-down has ended,
    // `closed` runs on the user-interface thread, from the message queue.
    // With nothing to shut down (not connected and no task running, or no
    // dialog to tell) it closes at once and answers true; `closed` is then
    // not called. Calls while closing do nothing and answer false.
    bool BeginClose(std::function<void()> closed);
    // Between BeginClose and the end of the close.
    bool IsClosing() const { return closing_ && !closed_; }

    // Closes here and now: aborts the progress, waits for a running task
    // (the shut-down too, when it has begun), deletes the recorder and lets
    // go of the unit. For the dialog's destruction and for callers without a
    // message queue. Failures on the way are only logged: the dialog always
    // closes. Later calls do nothing.
    void Close();

    std::int32_t State() const { return state_.load(); }
    int Channel() const { return channel_.load(); }
    const QuickMeasureCurves& Curves() const { return curves_; }
    // Responses computed so far (dispatcher thread), for diagnostics.
    std::uint64_t AnalysisCount() const { return analyses_.load(); }
    bool HasRecorder() const;
    platform::WindowHandle DialogHandle() const { return windows_.Dialog(); }

    // The streaming recorder's client (dispatcher thread).
    void DataReady(Data data) override;

    static constexpr const char* kBusyText = "Busy, please wait";
    static constexpr const char* kBusyCaption = "Error";

private:
    using Worker = diagnostics::Threading::ThreadHandler<CQuickMeasureController, std::shared_ptr<QuickMeasureTaskData>>;
    using TaskFunction = void (CQuickMeasureController::*)(std::shared_ptr<QuickMeasureTaskData>);

    void Queue(quickmeasure::Button button, TaskFunction task);

    // The tasks, on the worker.
    void TaskDone(std::shared_ptr<QuickMeasureTaskData> data);
    void TaskFailed(std::shared_ptr<QuickMeasureTaskData> data);
    void Connect(std::shared_ptr<QuickMeasureTaskData> data);
    void Disconnect(std::shared_ptr<QuickMeasureTaskData> data);
    void StartMeasurement(std::shared_ptr<QuickMeasureTaskData> data);
    void StopMeasurement(std::shared_ptr<QuickMeasureTaskData> data);

    // The shut-down behind a close: the recorder deleted, a held unit let go
    // and the state disconnected. On the worker, or on the calling thread
    // once the worker has ended; does nothing a second time.
    void ShutDown();
    // The queued shut-down has ended (user-interface thread, at UM_DONE).
    void FinishClose();

    void Status(const std::string& text);
    // A log line that does not go through the progress (aborted once the
    // dialog is closing).
    void PostLogLine(const std::string& text);
    void ShowError(const std::string& text, const char* caption);
    void ReleaseRecorder();
    // Arms switching the tone of `channel` off; the unit is held.
    ExitActions::Id ArmToneOff(ExitActions& exits, int channel);
    void Analyse(std::vector<double>& window);

    std::intptr_t OnDialogMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    platform::UserPrompt* prompt_;
    platform::SoundSystem* sound_;
    platform::Clock* clock_;
    std::unique_ptr<MicrophoneCalibrationSource> programCalibration_;
    ICalibrationSource* calibration_;

    std::unique_ptr<diagnostics::ConTypes::MultiThreadedProgress> progress_;
    // Written by the user-interface thread before a task is queued and by
    // the worker when it ends; read by the recorder's dispatcher.
    std::atomic<std::int32_t> state_{quickmeasure::kDisconnected};
    std::unique_ptr<Worker> worker_;

    // User-interface thread.
    QuickMeasureView* view_ = nullptr;
    QuickMeasureCurves curves_;
    bool closed_ = false;
    bool closing_ = false;
    std::function<void()> onClosed_;
    DialogWindows windows_;
    // The bar: busy while a task or the close waits on the unit.
    ProgressBarActivity activity_;

    // The worker's (and Close's, once the worker has ended).
    std::unique_ptr<signal::AudioSampler2::Wave> recorder_;
    bool recorderStreaming_ = false;  // its ring was queued once
    link::ConTypes::UnitBase* unit_ = nullptr;
    // How the held unit is let go, armed by Connect as it changes the
    // processor (power off before the power-on, the end of the measurement
    // mode once it is prepared) and run, newest first, by a failed Connect,
    // Disconnect and the shut-down.
    ExitActions unitExits_;
    int correctionKind_ = 0;

    std::atomic<int> channel_{0};
    QuickMeasureSampleQueue queue_;
    mutable std::mutex recorderMutex_;  // guards recorder_ being there, for HasRecorder
    std::mutex correctionMutex_;
    std::shared_ptr<const design::CCurveCorrectionManager> correction_;
    std::atomic<std::uint64_t> analyses_{0};
    // Set by the worker when the queued shut-down has ended.
    std::atomic<bool> shutDownEnded_{false};
};

}  // namespace halvane::procedures

#pragma once

#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/procedures/framework/CProcBase.h"
#include "halvane/procedures/framework/JobProgress.h"
#include "halvane/procedures/measurement/MeasurementQueue.h"
#include "halvane/procedures/measurement/MeasurementSession.h"
#include "halvane/procedures/measurement/MicrophoneCalibration.h"
#include "halvane/signal/CCurveWriter.h"
#include "halvane/signal/CMeasSet.h"
#include "platform/Event.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace halvane::link::ConTypes {
class UnitBase;
}

namespace halvane::procedures {

class IConflictUi;
class IMeasurementRecorder;
class ISpeakerSelectionUi;

// Sets limits to those of a processor's unit class: class 1 five sample
// rates and ten stages per filter set, class 2 eight and ten, class 4 eight
// and five; another class changes nothing and answers false.
bool SetUnitClassLimits(link::UnitClassLimits& limits, std::int32_t unitClass);

// The user's own "stop" (Cancel of a move prompt, of the speaker selection,
// of a level check): the run ends at once, never offered for a repeat.
class MeasurementUserAbort final : public diagnostics::TException {
public:
    MeasurementUserAbort();
};

// What the measurement job talks to besides the processor: the recorder,
// the dialogs and the microphone calibration. Null members: the program's
// recorder, no user (the dialogs answer Cancel), the program's calibration
// source (MicrophoneCalibrationSource on the system's sound inputs); the
// prompt null means the process-wide one.
struct MeasurementServices {
    IMeasurementRecorder* recorder = nullptr;
    ISpeakerSelectionUi* speakerSelection = nullptr;
    IConflictUi* conflicts = nullptr;
    ICalibrationSource* calibration = nullptr;
    platform::UserPrompt* prompt = nullptr;
};

// The measurement procedure: every selected loudspeaker at every listening
// position, for Movie and (when chosen) Music. The processor plays its test
// sweep on one channel at a time, the microphone records a take, the take
// becomes a response curve filed by position and channel, and the level
// checks judge each finished position.
//
// The job measures into its own sets and session and leaves the document
// alone: RunMeasurementProcedure files the results once the run completed,
// so a run that does not complete changes nothing there.
//
// However the run ends, the processor is left with its test tone off, the
// measurement ended, powered off and released, and the host is ended (1 on
// success, 2 otherwise).
class CEqMeasurementProc final : public CProcBase {
public:
    explicit CEqMeasurementProc(document::CHalvaneDoc* document, MeasurementServices services = {});
    ~CEqMeasurementProc() override;

    int Run(void* argument) override;
    // "Measurement procedure failed." with the failure's text below it, for
    // any result but 1.
    void OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent) override;


    // The progress part the unit reports through while the job holds it.
    JobProgress& Progress() { return progress_; }

    signal::CMeasSet& Measurements(int configuration) { return meas_[static_cast<std::size_t>(configuration & 1)]; }
    // The run's choices: channels, positions, whether Music was measured.
    const MeasurementSession& Session() const { return session_; }
    const MicrophoneCalibration& Calibration() const { return calibration_; }
    std::int32_t CorrectionKind() const { return calibration_.kind; }
    std::int32_t UnitClass() const { return unitClass_; }
    // Those of the measured unit's class, once the run has checked it.
    const link::UnitClassLimits& Limits() const { return limits_; }

    static constexpr const char* kNoUnitText = "Could not find a valid Tessik processor.";
    static constexpr const char* kFailedText = "Measurement procedure failed.";
    static constexpr const char* kFirstPositionText =
        "Please move the microphone to the\nfirst position and then click OK.";

private:
    int remaining() const;
    void StartMeasuringItem();
    void RestartSampling();
    void ResetRecorder();
    void OpenMicrophone();
    bool AcquireAndProcess();
    bool MeasureTake();
    bool StoreAndAdvance(std::unique_ptr<signal::CCurve> curve);
    bool MovePrompt();
    void RestartFromBeginning();
    void StartTone();
    void StopTone();
    int Ask(const std::string& text, const std::string& caption, unsigned flags);
    void CheckAbortHere() const;

    void SetText(std::string text) { progress_.SetText(std::move(text)); }
    platform::WindowHandle GetWindow() { return progress_.GetWindow(); }

    // The chirp processing's intermediate curves are not kept.
    class DiscardingWriter final : public signal::CCurveWriter {
    public:
        void WriteCurve(const signal::CCurve&) override {}
        void WriteCurve(const signal::CCurve&, const std::string&) override {}
    };

    MeasurementServices services_;
    JobProgress progress_;
    DiscardingWriter writer_;
    std::unique_ptr<IMeasurementRecorder> ownRecorder_;
    IMeasurementRecorder* recorder_ = nullptr;

    MeasurementSession session_;
    std::array<signal::CMeasSet, 2> meas_;
    MicrophoneCalibration calibration_;
    std::vector<design::ChannelLevelMap> levelMaps_;
    std::int32_t configuration_ = 0;
    std::array<MeasurementQueue, 2> queues_;
    MeasurementItem current_;
    std::shared_ptr<design::CCurveCorrectionManager> correction_;
    link::ConTypes::UnitBase* unit_ = nullptr;
    std::int32_t unitClass_ = 0;
    link::UnitClassLimits limits_;
    std::uint32_t inputLevel_ = 4096;
    std::unique_ptr<platform::Event> event_;
    const std::atomic<std::int32_t>* running_ = nullptr;
    bool toneOn_ = false;
};

}  // namespace halvane::procedures

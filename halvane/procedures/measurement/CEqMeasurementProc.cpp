#include "halvane/procedures/measurement/CEqMeasurementProc.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/link/UnitBase.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/framework/CheckAbort.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "halvane/procedures/framework/ExitActions.h"
#include "halvane/procedures/measurement/IMeasurementRecorder.h"
#include "halvane/procedures/measurement/MeasurementSelection.h"
#include "halvane/procedures/measurement/WaveRecorder.h"
#include "platform/StringTable.h"

#include <algorithm>

namespace halvane::procedures {

bool SetUnitClassLimits(link::UnitClassLimits& limits, std::int32_t unitClass) { return limits.SetForUnitClass(unitClass); }

namespace {

std::string UserAbortText() {
    diagnostics::RegisterHalvaneStrings();
    return platform::processStrings().text(diagnostics::ids::UserAbort);
}

}  // namespace

MeasurementUserAbort::MeasurementUserAbort() : diagnostics::TException(UserAbortText()) {}

CEqMeasurementProc::CEqMeasurementProc(document::CHalvaneDoc* document, MeasurementServices services)
    : CProcBase(document), services_(services), progress_(*this, services.prompt) {
    title_ = "Measurement Procedure";
    recorder_ = services_.recorder;
    if (recorder_ == nullptr) {
        ownRecorder_ = std::make_unique<WaveRecorder>();
        recorder_ = ownRecorder_.get();
    }
}

CEqMeasurementProc::~CEqMeasurementProc() = default;

int CEqMeasurementProc::remaining() const {
    return queues_[0].Count() + (session_.MeasureMusicConfig() != 0 ? queues_[1].Count() : 0);
}

void CEqMeasurementProc::CheckAbortHere() const { CheckAbort(running_); }

int CEqMeasurementProc::Ask(const std::string& text, const std::string& caption, unsigned flags) {
    return progress_.MessageBox(text, caption, flags);
}

int CEqMeasurementProc::Run(void*) {
    IProcDialog* host = Host();
    DoneGuard done(host, 2);
    running_ = host != nullptr ? &host->RunningFlag() : nullptr;
    toneOn_ = false;
    // Declared after the guard: the exit actions have all run before the
    // host hears of the end.
    ExitActions exits;

    SetText("Initializing...");
    unit_ = link::ConTypes::FindConnectedUnit(&progress_);
    if (unit_ == nullptr) throw diagnostics::TException(link::ConTypes::NoUnitFoundText());
    exits.UsePort(unit_->Port());
    exits.Arm([this] { link::ConTypes::ReleaseUnit(unit_); });

    CheckAbortHere();
    // Each run chooses afresh.
    session_ = MeasurementSession{};
    if (!SelectSpeakersToMeasure(session_, services_.speakerSelection, GetWindow(), unit_->UnitClass()))
        throw MeasurementUserAbort();

    // One level map per position of whichever configuration has more.
    const auto& positions = session_.PositionsPerConfiguration();
    levelMaps_.assign(static_cast<std::size_t>(std::max({positions[0], positions[1], 1})), design::ChannelLevelMap{});
    meas_[0].Clear();
    meas_[1].Clear();
    queues_[1].Clear();
    if (session_.MeasureMusicConfig() != 0) {
        configuration_ = 1;
        BuildMeasurementQueue(session_, queues_[1], 1);
        meas_[1].SetSize(session_.PositionCount());
    }
    configuration_ = 0;
    BuildMeasurementQueue(session_, queues_[0], 0);
    meas_[0].SetSize(session_.PositionCount());
    if (queues_[0].IsEmpty()) throw diagnostics::TException("No speakers were selected to measure.");
    current_ = queues_[0].Peek();

    CheckAbortHere();
    unit_->CheckFirmwareVersion();
    unitClass_ = unit_->UnitClass();
    if (!SetUnitClassLimits(limits_, unitClass_)) throw diagnostics::TException(kNoUnitText);
    unit_->PowerOff(1);

    CheckAbortHere();
    exits.Arm([this] { unit_->PowerOff(0); });
    unit_->PowerOn();
    // Armed first: the preparation can fail after a state it set went out
    // unconfirmed (the receiver's "REQ1"), and it is ended before the
    // power-off, as Quick Measure's and the upload's ends are.
    exits.Arm([this] { unit_->EndMeasurement(); });
    unit_->PrepareMeasurement(0);

    CheckAbortHere();
    CheckAbortHere();
    // The program's own source unless the caller gives one; a source with
    // nothing to give leaves the program's.
    MicrophoneCalibrationSource programSource;
    if (services_.calibration == nullptr || !services_.calibration->GetCalibration(calibration_))
        programSource.GetCalibration(calibration_);
    correction_ = design::CCurveCorrectionManager::Create(calibration_.kind, calibration_.curve);

    CheckAbortHere();
    event_ = std::make_unique<platform::Event>(platform::Event::Reset::Auto);
    // The capture thread sets the event: the input is closed before it goes.
    exits.Arm([this] {
        recorder_->Close();
        event_.reset();
    });
    OpenMicrophone();

    Ask(kFirstPositionText, diagnostics::ProgramName(), platform::MB_OK);
    recorder_->SetLevel(inputLevel_);
    progress_.SetRange(remaining());

    // Newest of the exit actions, so the tone goes off before anything else.
    exits.Arm([this] { StopTone(); });
    for (;;) {
        progress_.SetRemaining(remaining());
        StartMeasuringItem();
        CheckAbortHere();
        while (!recorder_->WaitForData(event_.get())) {
            // The take is lost: set the input up again and record anew.
            RestartSampling();
            while (!recorder_->Start()) RestartSampling();
        }
        StopTone();
        CheckAbortHere();
        if (!AcquireAndProcess()) break;
        CheckAbortHere();
    }

    SetText("Measurement procedure is complete. Preprocessing measurements...");
    exits.RunAll();
    done.SetResult(1);
    return 1;
}

void CEqMeasurementProc::OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent) {
    if (result == 1) return;
    std::string text = kFailedText;
    if (lastError != nullptr) text += "\n" + lastError->message();
    platform::UserPrompt& prompt = services_.prompt != nullptr ? *services_.prompt : platform::CurrentUserPrompt();
    prompt.MessageBox(text, diagnostics::ProgramName(), platform::MB_OK, parent);
}

}  // namespace halvane::procedures

// The measuring loop's steps of the measurement job: one take of the
// current item, its processing and filing, the prompts between positions
// and the repeat and restart choices after a failed take.
#include "halvane/procedures/measurement/CEqMeasurementProc.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/link/UnitBase.h"
#include "halvane/link/UnitCrossoverChoices.h"
#include "halvane/procedures/framework/CSpkrs.h"
#include "halvane/procedures/measurement/IMeasurementRecorder.h"
#include "halvane/procedures/measurement/LevelChecks.h"
#include "halvane/procedures/measurement/Posn.h"
#include "halvane/signal/CSimpleChirpProc.h"

namespace halvane::procedures {

namespace {

constexpr const char* kMicrophoneRetryText =
    "Failed to find valid microphone. Check microphone connection.\n Click OK to retry or CANCEL to fail. ";
constexpr const char* kSamplingRetryText =
    "Failed to start sampling, check microphone connection. \n Click OK to retry or CANCEL to fail.";
constexpr const char* kRepeatQuestion =
    "\r\n\r\nWould you like to repeat the last measurement?\r\n(Clicking 'No' will abort the procedure)";
constexpr const char* kRestartQuestion =
    "\r\n\r\nWould you like to repeat the last measurement or restart from the beginning?\r\n(Clicking 'No' will "
    "restart the procedure, 'Cancel' will abort the procedure)";
constexpr const char* kMusicPassText =
    "Movie config measurement complete, press OK to begin Music config measurements";
// A take the chirp processing cannot read at all (wrong length or rate).
constexpr const char* kNoResponseText = "The measurement could not be processed.";

constexpr int kSweepLength = signal::AudioSampler::CSimpleChirpProc::kMeasureChirpLength;
constexpr int kTakeLength = signal::AudioSampler::CSimpleChirpProc::kMeasureSampleCount;

std::string ConfigurationName(int configuration) { return configuration == 0 ? "Movie" : "Music"; }

}  // namespace

void CEqMeasurementProc::StartTone() {
    unit_->StartTestTone(current_.channel, current_.position);
    toneOn_ = true;
}

void CEqMeasurementProc::StopTone() {
    if (!toneOn_ || unit_ == nullptr) return;
    toneOn_ = false;
    unit_->StopTestTone(current_.channel, current_.position);
}

void CEqMeasurementProc::OpenMicrophone() {
    while (!(recorder_->FindMicrophone(event_.get()) && recorder_->Open())) {
        if (Ask(kMicrophoneRetryText, "", platform::MB_OKCANCEL) != platform::IDOK)
            throw diagnostics::TException("Failed to find valid microphone.");
    }
    if (!recorder_->IsOpen()) throw diagnostics::TException("Failed to initialize Wave audio capture device.");
    inputLevel_ = InputLevelForKind(calibration_.kind);
    // Said once, while the first position prompt shows.
    if (!recorder_->HasVolumeControl()) SetText(kNoVolumeControlText);
}

void CEqMeasurementProc::StartMeasuringItem() {
    SetText(diagnostics::Format("Measuring %s %s at position %d", ConfigurationName(configuration_).c_str(),
                   CSpkrs(current_.channel).ToString().c_str(), current_.position + 1));
    StartTone();
    while (!recorder_->Start()) RestartSampling();
}

void CEqMeasurementProc::ResetRecorder() {
    recorder_->Close();
    if (recorder_->FindMicrophone(event_.get()) && recorder_->Open()) recorder_->SetLevel(inputLevel_);
}

void CEqMeasurementProc::RestartSampling() {
    StopTone();
    for (;;) {
        if (Ask(kSamplingRetryText, "", platform::MB_OKCANCEL) != platform::IDOK)
            throw diagnostics::TException("Failed to setup microphone device");
        ResetRecorder();
        if (recorder_->IsOpen()) {
            StartTone();
            return;
        }
    }
}

bool CEqMeasurementProc::AcquireAndProcess() {
    try {
        return MeasureTake();
    } catch (const MeasurementUserAbort&) {
        throw;
    } catch (const diagnostics::TCodedException& failure) {
        SetText(failure.message);
        const int answer = Ask(failure.message + kRestartQuestion, "", platform::MB_YESNOCANCEL);
        if (answer == platform::IDYES) return true;
        if (answer == platform::IDNO) {
            RestartFromBeginning();
            return true;
        }
        throw diagnostics::TException(diagnostics::Format("%s, User abort", failure.message.c_str()));
    } catch (const diagnostics::TException& failure) {
        SetText(failure.message());
        if (Ask(failure.message() + kRepeatQuestion, "", platform::MB_YESNO) == platform::IDYES) return true;
        throw diagnostics::TException(diagnostics::Format("%s, User abort", failure.message().c_str()));
    }
}

bool CEqMeasurementProc::MeasureTake() {
    const bool subwoofer = current_.channel == CSpkrs::kSubwoofer;
    std::vector<double> take;
    double largest = 0, smallest = 0;
    if (!recorder_->StopAndReport(take, largest, smallest))
        throw diagnostics::TException("Failed to acquire data after measuring");
    if (take.size() != static_cast<std::size_t>(kTakeLength)) throw diagnostics::TException("Bad buffer size");
    signal::AudioSampler::CSimpleChirpProc chirp(take.data(), kSweepLength, kTakeLength, recorder_->BitsPerSample(),
                                         recorder_->SampleRate(), &writer_, subwoofer);
    std::unique_ptr<signal::CCurve> curve = chirp.MeasureResponse();
    if (!curve) throw diagnostics::TException(kNoResponseText);
    if (correction_) correction_->Apply(*curve);
    SmoothMeasuredResponse(*curve);
    curve->SetName(CSpkrs(current_.channel).ToString());
    return StoreAndAdvance(std::move(curve));
}

bool CEqMeasurementProc::StoreAndAdvance(std::unique_ptr<signal::CCurve> curve) {
    MeasurementQueue& queue = queues_[static_cast<std::size_t>(configuration_)];
    signal::CMeasSet& set = meas_[static_cast<std::size_t>(configuration_)];
    set.SetCurve(std::move(curve), current_.channel, current_.position);
    progress_.SetRemaining(remaining());

    if (queue.IsLastOfPosition()) {
        SetText(diagnostics::Format("Verifying measurements for position %d.", current_.position + 1));
        const std::size_t p = static_cast<std::size_t>(current_.position);
        if (p < levelMaps_.size() && set.Position(current_.position) != nullptr) {
            if (const auto choices = link::UnitCrossoverChoices::For(unitClass_))
                design::MeasureChannelLevels(*choices, levelMaps_[p], *set.Position(current_.position));
            else
                levelMaps_[p].clear();
        }
        LevelCheckUi ui;
        ui.conflicts = services_.conflicts;
        ui.prompt = services_.prompt != nullptr ? services_.prompt : &platform::CurrentUserPrompt();
        ui.parent = GetWindow();
        if (!RunLevelChecks(set, ui, levelMaps_, session_, configuration_, queue, current_.position,
                            current_.channel))
            throw MeasurementUserAbort();
    }

    const MeasurementItem finished = queue.Pop();
    const bool positionChanged = queue.IsEmpty() || queue.Peek().position != finished.position;
    if (!queue.IsEmpty()) {
        current_ = queue.Peek();
        if (positionChanged && !MovePrompt()) throw MeasurementUserAbort();
        return true;
    }
    if (configuration_ == 1) return false;

    configuration_ = 1;
    BuildMeasurementQueue(session_, queues_[1], 1);
    meas_[1].SetSize(session_.PositionCount());
    // The Music positions are judged on their own levels.
    for (design::ChannelLevelMap& map : levelMaps_) map.clear();
    if (session_.MeasureMusicConfig() == 0 || queues_[1].IsEmpty()) return false;
    Ask(kMusicPassText, diagnostics::ProgramName(), platform::MB_OKCANCEL);
    current_ = queues_[1].Peek();
    if (!MovePrompt()) throw MeasurementUserAbort();
    return true;
}

bool CEqMeasurementProc::MovePrompt() {
    const std::string text = diagnostics::Format("Please move microphone to %s.\nPress OK to continue or CANCEL to abort.",
                                    Posn(current_.position, session_.PositionCount()).Label().c_str());
    const bool start = current_ == MeasurementItem{0, 0};
    return Ask(text, start ? "Start" : "Position done!", platform::MB_OKCANCEL) == platform::IDOK;
}

void CEqMeasurementProc::RestartFromBeginning() {
    // Everything measured so far goes: the run starts again with the first
    // Movie item, and the position count is Movie's again.
    configuration_ = 0;
    if (session_.MeasureMusicConfig() != 0) {
        BuildMeasurementQueue(session_, queues_[1], 1);
        meas_[1].SetSize(session_.PositionCount());
    } else {
        queues_[1].Clear();
    }
    BuildMeasurementQueue(session_, queues_[0], 0);
    meas_[0].SetSize(session_.PositionCount());
    for (design::ChannelLevelMap& map : levelMaps_) map.clear();
    current_ = queues_[0].Peek();
    progress_.SetRange(remaining());
    if (!MovePrompt()) throw MeasurementUserAbort();
}

}  // namespace halvane::procedures

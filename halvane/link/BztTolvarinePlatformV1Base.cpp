// The flagship family's command set: power, measurement, test tone, speaker
// settings, and the filter upload into DSP memory.

#include "halvane/link/BztTolvarinePlatformV1Base.h"

#include "halvane/design/Biquad.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/Progress.h"
#include "halvane/diagnostics/ProgressText.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/link/BiquadWords.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/ReadBackContext.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/UploadRetries.h"
#include "halvane/link/UploadSource.h"
#include "halvane/link/VerifyContext.h"
#include "halvane/link/WireText.h"
#include "platform/UserPrompt.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace halvane::link::ConTypes {

namespace {

constexpr BztTolvarinePlatformV1Base::DspCommandPrefixes kPrefixes[2] = {
    {"dq28C0918000000\n", "dq28C0917000000\n", "dq5C50001", "dq6C50001", "dq3850001"},
    {"dm28C0918000000\n", "dm28C0917000000\n", "dm5C50001", "dm6C50001", "dm3850001"},
};

constexpr const char* kFirmwareText =
    "Qex v1.1 and later requires v1.30x or later firmware to be installed on your Z5/Z6.\n"
    "Please install the latest firmware that was provided with the Qex kit or visit the website to download the "
    "most recent firmware version.\n";
constexpr const char* kServiceCommand = "D5190.8\n";
constexpr const char* kDebugCommand = "D3807.2\n";
constexpr const char* kToneOff = "P1N8\n";
constexpr int kSlots = 8;
constexpr int kAttempts = Comm::LinkTiming::kWriteAttempts;
constexpr std::uint32_t kDeadBase = 0xDEAD0;
using Comm::LinkTiming;

// What a clean upload sends for one DSP word: the write command (prefix,
// address, word, "\n") and the read command of its read-back (prefix,
// address, "\n").
std::int64_t WordBytes(const BztTolvarinePlatformV1Base::DspCommandPrefixes& words, const char* writePrefix) {
    return static_cast<std::int64_t>(std::strlen(writePrefix) + 13 + std::strlen(words.read) + 7);
}

// The failure text, and why the upload stopped retrying when it says more.
[[noreturn]] void ThrowUploadFailure(const char* text, const Comm::UploadRetries* retries,
                                     const Comm::CBasicTessikPort& port) {
    std::string why = retries != nullptr ? retries->WhyStopped() : std::string();
    if (why.empty() && port.LinkFailed()) why = "The processor stopped answering.";
    diagnostics::ThrowErrorText(why.empty() ? std::string(text) : std::string(text) + "\n" + why);
}

}  // namespace

const BztTolvarinePlatformV1Base::DspCommandPrefixes& BztTolvarinePlatformV1Base::PrefixesOf(std::int32_t generation) {
    return kPrefixes[generation == 0 ? 0 : 1];
}

BztTolvarinePlatformV1Base::BztTolvarinePlatformV1Base(std::int32_t modelIndex, std::int32_t unitClass,
                                                       Comm::CBasicTessikPort& port)
    : SerBase(modelIndex, unitClass, port), DspGeneration(modelIndex >= 4 ? 1 : 0) {}

void BztTolvarinePlatformV1Base::Send(const char* command) { Port().SendAndReceive(command, "\n"); }

void BztTolvarinePlatformV1Base::CheckFirmwareVersion() {
    double version = 0;
    char letter = 0;
    if (!Port().ParseVersion(version, letter)) diagnostics::ThrowErrorText("Failed to get the version numbers.");
    if (version < 1.30 || (version == 1.30 && letter < 'a')) diagnostics::ThrowErrorText(kFirmwareText);
}

void BztTolvarinePlatformV1Base::PowerOn() {
    while (!Port().SetPower(true)) {
        Reporter().ThrowIfAborted();
        if (!diagnostics::ConTypes::AskAbortRetryIgnore(Reporter(), "Failed to power on unit.")) break;
    }
    ServiceSequence();
}

void BztTolvarinePlatformV1Base::ServiceSequence() {
    Comm::CBasicTessikPort& port = Port();
    port.Pause(LinkTiming::kPowerOnSettleMs);
    port.Drain();
    Send("SST0\n");
    Send("SST0\n");
    for (;;) {
        Comm::VerifyContext context(&port);
        if (Comm::SetAndVerifyDouble(context, "P1VM", "%.1lf", -95.5)) break;
        port.Pause(LinkTiming::kAfterVolumeFailureMs);
        Reporter().ThrowIfAborted();
        if (!diagnostics::ConTypes::AskAbortRetryIgnore(Reporter(), "Failed to set main zone volume to -95.5 while powering up unit.")) break;
        port.Drain();
    }
    port.Drain();
    Send(kServiceCommand);
    for (int i = 0; i < LinkTiming::kServiceChecks && !port.Stopping(); ++i) {
        std::string reply;
        port.SendAndReceive("gR1\n", "\n", &reply);
        if (reply.find("In") != std::string::npos) Send(kServiceCommand);
    }
    Send(kServiceCommand);
}

void BztTolvarinePlatformV1Base::PowerUpSequence() {
    Comm::CBasicTessikPort& port = Port();
    Reporter().SetText("Powering on unit.");
    if (!port.SetPower(false)) diagnostics::ThrowErrorText("Failed to power off Unit");
    if (!port.SetPower(true)) diagnostics::ThrowErrorText("Failed to power up Unit");
    ServiceSequence();
    Send("P1S4\n");
    Send("P1M1\n");
    port.Pause(LinkTiming::kPowerUpSettleMs);
    port.Drain();
    Reporter().SetText("Done powering on unit.");
}

void BztTolvarinePlatformV1Base::PrepareMeasurement(std::int32_t flag) {
    Send("P1S4\n");
    Send("P1S4\n");
    const char* scq = (flag & 0xFF) != 0 ? "SCQ41\n" : "SCQ40\n";
    Send(scq);
    Send(scq);
    Port().Drain();
    for (;;) {
        std::string text;
        if (SetupForMeasurement(text)) return;
        Reporter().ThrowIfAborted();
        if (!diagnostics::ConTypes::AskAbortRetryIgnore(Reporter(), text)) return;
    }
}

bool BztTolvarinePlatformV1Base::SetupForMeasurement(std::string& failureText) {
    Comm::CBasicTessikPort& port = Port();
    port.Drain();
    const design::TargetConfig defaults;
    Comm::VerifyContext context(&port);
    if (!Comm::SendSpeakerConfig(context, defaults, defaults.GroupFlag) ||
        !Comm::SendSpeakerLevels(context, defaults)) {
        failureText = context.failureText + "\r\nFailed to prepare unit for measurement.";
        port.Drain();
        return false;
    }
    port.Pause(LinkTiming::kSetupPauseMs);
    port.Drain();
    for (int i = 0; i < LinkTiming::kSetupCommands; ++i) {
        Send("SUC4C\n");
        port.Pause(LinkTiming::kSetupPauseMs);
        port.Drain();
    }
    port.Pause(LinkTiming::kSetupSettleMs);
    port.Drain();
    return true;
}

void BztTolvarinePlatformV1Base::EndMeasurement() {
    Send(kToneOff);
    Send(kToneOff);
}

void BztTolvarinePlatformV1Base::StartTestTone(std::int32_t channel, std::int32_t second) {
    Comm::CBasicTessikPort& port = Port();
    const std::string command = diagnostics::Format("P1N%d\n", channel);
    port.Drain();
    while (!port.SendAndReceive(command, "\n")) {
        port.Drain();
        StopTestTone(channel, second);
        Reporter().ThrowIfAborted();
        const int answer = Reporter().MessageBox(
            "Failed to receive response from unit while starting test tone.\nCheck connection to unit and click OK to "
            "try again or CANCEL to abort",
            "", platform::MB_OKCANCEL);
        if (answer != platform::IDOK) diagnostics::ThrowErrorText("Failed to start test tone");
    }
    // The processor reports the tone's start on two more lines.
    port.ReadReply("\n", nullptr, Comm::CBasicTessikPort::kCommandTimes);
    port.ReadReply("\n", nullptr, Comm::CBasicTessikPort::kCommandTimes);
    port.Pause(LinkTiming::kToneSettleMs);
}

void BztTolvarinePlatformV1Base::StopTestTone(std::int32_t, std::int32_t) {
    Send(kToneOff);
    Send(kToneOff);
}

void BztTolvarinePlatformV1Base::BeginSpeakerUpload() { PowerUpSequence(); }

void BztTolvarinePlatformV1Base::EndSpeakerUpload(std::int32_t flag) {
    if (flag == 0)
        for (int i = 0; i < 3; ++i) Send("SCQ41\n");
    Port().Drain();
    if (!Port().SetPower(false)) Port().SetPower(false);
}

void BztTolvarinePlatformV1Base::EnterDebugMode() {
    Port().Drain();
    if (!Port().SendAndReceive(kDebugCommand, "\n")) diagnostics::ThrowErrorText("Failed to enter debug mode");
}

void BztTolvarinePlatformV1Base::PrepareUpload() {
    if (!Port().SetPower(false)) diagnostics::ThrowErrorText("Failed to power off Unit");
    PowerUpSequence();
    EnterDebugMode();
    // Debug mode announces itself on a second line.
    Port().ReadReply("\n", nullptr, Comm::CBasicTessikPort::kCommandTimes);
}

void BztTolvarinePlatformV1Base::EndUpload(std::int32_t flag) {
    Comm::CBasicTessikPort& port = Port();
    // The processor's own wait before debug mode is left: kept after an
    // abort too, and short enough not to hold the abort up.
    port.Settle(LinkTiming::kDebugExitPauseMs);
    port.Drain();
    if (flag == 0) {
        for (int attempt = 0; attempt < LinkTiming::kDebugGoTries; ++attempt) {
            if (port.SendAndReceive("dg1\n", "\n")) break;
            port.Drain();
            if (port.Stopping()) break;
        }
        port.Pause(LinkTiming::kDebugExitPauseMs);
        port.Drain();
    }
    // Sent whatever the replies: on a failed line each goes out once.
    for (int i = 0; i < LinkTiming::kDebugExitCommands; ++i) {
        Send("dx\n");
        port.Drain();
    }
    port.Pause(LinkTiming::kDebugExitPauseMs);
    port.Drain();
}

void BztTolvarinePlatformV1Base::UploadSpeakerConfig(link::UploadSource* document) {
    if (document == nullptr) ThrowNoDocument();
    Reporter().SetRange(1);
    design::TargetConfig copy = document->Targets();
    // One rear speaker when exactly one of the rear channels was measured
    // (the Movie set decides unless it has both or neither).
    const auto rears = [&](int set) {
        return (document->HasMeasuredCurve(set, 4) ? 1 : 0) + (document->HasMeasuredCurve(set, 5) ? 1 : 0);
    };
    const int movieRears = rears(0);
    copy.ConfigOption = movieRears == 1 || rears(1) == 1 ? 1 : 0;
    for (auto& crossovers : copy.Crossover) {
        if (crossovers[design::TargetConfigBasic::Subwoofer] == design::TargetConfigBasic::kNoCrossover) continue;
        const auto heard = [](std::int32_t x) { return x == design::TargetConfigBasic::kNoCrossover ? 0 : x; };
        crossovers[design::TargetConfigBasic::Subwoofer] =
            std::max(heard(crossovers[design::TargetConfigBasic::Front]), heard(crossovers[design::TargetConfigBasic::Center]));
    }
    Comm::VerifyContext context(&Port());
    if (!Comm::SendSpeakerConfig(context, copy, document->Targets().GroupFlag))
        diagnostics::ThrowErrorText(context.failureText + "\r\nFailed to upload speaker config");
    Reporter().Step(1);
}

void BztTolvarinePlatformV1Base::UploadSpeakerLevels(link::UploadSource* document) {
    if (document == nullptr) ThrowNoDocument();
    Reporter().SetRange(1);
    ZeroUnmeasuredTrims(*document);
    Comm::VerifyContext context(&Port());
    if (!Comm::SendSpeakerLevels(context, document->Targets()))
        diagnostics::ThrowErrorText(context.failureText + "\r\nFailed to upload speaker levels");
    Reporter().Step(1);
}

std::int32_t BztTolvarinePlatformV1Base::ReadBaseOffset(const char* query) {
    Comm::CBasicTessikPort& port = Port();
    unsigned value = 0;
    bool read = false;
    for (int attempt = 0; attempt < kAttempts && !read; ++attempt) {
        port.Drain();
        port.Write(query);
        read = port.ReadValue(value, "%06X") || port.ReadValue(value, "%06X");
        if (port.Stopping()) break;
    }
    port.Drain();
    if (!read) ThrowUploadFailure("Failed to read offset.", nullptr, port);
    // DEAD0 is what a processor answers without its DSP running.
    if (value > 0xFFFFFFu || value == kDeadBase) diagnostics::ThrowErrorText("Offset was greater than maximum offset.");
    return static_cast<std::int32_t>(value);
}

void BztTolvarinePlatformV1Base::WriteDspCommand(const std::string& command, Comm::UploadRetries& retries) {
    Comm::CBasicTessikPort& port = Port();
    CountFilterWord();
    const auto echoed = [&] {
        if (!port.Write(command)) return false;
        for (int line = 0; line < LinkTiming::kDspReplyLines; ++line) {
            std::string reply;
            if (!port.ReadReply("\n", &reply, Comm::CBasicTessikPort::kCommandTimes)) return false;
            if (reply.find("Invalid Command") != std::string::npos) return false;
            if (reply.size() == 6) return true;
        }
        return false;
    };
    if (!Comm::VerifiedWrite(port, &retries, echoed, [&] { port.Drain(); }))
        ThrowUploadFailure("Failed to get expected response", &retries, port);
}

void BztTolvarinePlatformV1Base::UploadCoefficients(bool erase, link::UploadSource* document) {
    Comm::CBasicTessikPort& port = Port();
    if (!port.IsOpen() || port.Found() == 0) diagnostics::ThrowErrorText("Connection to unit was lost.");
    if (!erase && document == nullptr) ThrowNoDocument();
    const int rates = Limits().RateCount();
    const int stages = Limits().StageCount();
    diagnostics::ConTypes::Progress& progress = Reporter();
    progress.SetRange(stages * rates * 16);
    const DspCommandPrefixes& words = PrefixesOf(DspGeneration);
    Comm::UploadRetries retries(port, progress,
                                std::int64_t{stages} * rates * 16 * link::kStageWordCount *
                                    WordBytes(words, words.coefficientWrite));
    const std::int32_t base = ReadBaseOffset(words.coefficientBaseQuery);
    const std::string readTemplate = std::string(words.read) + "%06X";

    for (int c = 0; c < 2; ++c) {
        link::CSampFS rate(0, Limits().RateCount());
        while (rate.IsValid()) {
            const int r = rate.Next();
            for (int s = 0; s < kSlots; ++s) {
                for (int b = 0; b < stages; ++b) {
                    const design::Biquad stage =
                        erase ? design::Biquad::Identity() : document->FilterStage(c, r, kSlotChannel[s], b);
                    const std::int32_t address = CoefficientAddress(base, c, r, s, b, rates, stages);
                    std::string text[link::kStageWordCount];
                    try {
                        for (int k = 0; k < link::kStageWordCount; ++k) text[k] = link::FormatWord(k, stage);
                    } catch (const std::out_of_range&) {
                        // A coefficient the DSP cannot hold is this upload's
                        // own failure, not the program's.
                        diagnostics::ThrowErrorText("Failed to upload/verify coefficients");
                    }
                    // The six words, then the stage read back whole.
                    const auto written = [&] {
                        for (int k = 0; k < link::kStageWordCount; ++k)
                            WriteDspCommand(words.coefficientWrite + Comm::FormatInt("%06X", address + k) + text[k] +
                                                "\n",
                                            retries);
                        std::int32_t next = address;
                        link::ReadBackContext readBack{&port, "%06X", readTemplate, &next};
                        return link::VerifyReadBack(stage, readBack);
                    };
                    if (!Comm::VerifiedWrite(port, &retries, written, [&] { port.Drain(); }))
                        ThrowUploadFailure("Failed to upload/verify coefficients", &retries, port);
                    progress.Step(1);
                    progress.ThrowIfAborted();
                }
                progress.ThrowIfAborted();
            }
            progress.ThrowIfAborted();
        }
        progress.ThrowIfAborted();
    }
}

void BztTolvarinePlatformV1Base::UploadGains(bool erase, link::UploadSource* document) {
    Comm::CBasicTessikPort& port = Port();
    if (!port.IsOpen() || port.Found() == 0) diagnostics::ThrowErrorText("Connection to unit was lost.");
    if (!erase && document == nullptr) ThrowNoDocument();
    const int rates = Limits().RateCount();
    diagnostics::ConTypes::Progress& progress = Reporter();
    progress.SetRange(rates * 16);
    const DspCommandPrefixes& words = PrefixesOf(DspGeneration);
    Comm::UploadRetries retries(port, progress, std::int64_t{rates} * 16 * WordBytes(words, words.gainWrite));
    const std::int32_t base = ReadBaseOffset(words.gainBaseQuery);
    const std::string readTemplate = std::string(words.read) + "%06X";

    for (int c = 0; c < 2; ++c) {
        link::CSampFS rate(0, Limits().RateCount());
        while (rate.IsValid()) {
            const int r = rate.Next();
            for (int s = 0; s < kSlots; ++s) {
                const std::int32_t gain = erase ? 0 : document->FilterGain(c, r, kSlotChannel[s]);
                const std::int32_t address = GainAddress(base, c, r, s, rates);
                const auto written = [&] {
                    WriteDspCommand(words.gainWrite + Comm::FormatInt("%06X", address) +
                                        link::FormatUploadWord(gain) + "\n",
                                    retries);
                    std::int32_t next = address;
                    link::ReadBackContext readBack{&port, "%06X", readTemplate, &next};
                    return link::VerifyUploadWord(gain, readBack);
                };
                if (!Comm::VerifiedWrite(port, &retries, written, [&] { port.Drain(); }))
                    ThrowUploadFailure("Failed to upload/verify gains", &retries, port);
                progress.Step(1);
                progress.ThrowIfAborted();
            }
            progress.ThrowIfAborted();
        }
        progress.ThrowIfAborted();
    }
}

// Every word was read back while it was uploaded.
bool BztTolvarinePlatformV1Base::VerifyCoefficients(link::UploadSource*, std::int32_t) { return true; }

}  // namespace halvane::link::ConTypes

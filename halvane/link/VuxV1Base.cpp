// The receiver family's command set: every setting is a fixed-width word
// set and then confirmed by a query; coefficients and gains travel as the
// bits of single-precision floats.

#include "halvane/link/VuxV1Base.h"

#include "halvane/design/Biquad.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/Progress.h"
#include "halvane/diagnostics/ProgressText.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/SetAndConfirm.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/UploadRetries.h"
#include "halvane/link/UploadSource.h"
#include "halvane/signal/ChannelTable.h"
#include "platform/UserPrompt.h"

#include <bit>
#include <cmath>

namespace halvane::link::ConTypes {

namespace {

constexpr const char* kRetryTail = "\nCheck connection to unit and click OK to try again or CANCEL to abort";

// Asks OK/Cancel with `text`; Cancel (or no answer) raises `cancelText`.
// An aborted job asks nothing: it ends as aborted.
void AskOkOrThrow(diagnostics::ConTypes::Progress& progress, const std::string& text, const char* cancelText) {
    progress.ThrowIfAborted();
    if (progress.MessageBox(text + kRetryTail, "", platform::MB_OKCANCEL) != platform::IDOK)
        diagnostics::ThrowErrorText(cancelText);
}

// Abort/Retry/Ignore after a failed setting; an aborted job asks nothing.
bool AskUnlessAborted(diagnostics::ConTypes::Progress& progress, const std::string& text) {
    progress.ThrowIfAborted();
    return diagnostics::ConTypes::AskAbortRetryIgnore(progress, text);
}

void DropOneLine(Comm::CBasicTessikPort& port) { port.ReadReply("\n", nullptr, Comm::CBasicTessikPort::kCommandTimes); }

// Said after a failed exchange: why the upload stopped retrying.
std::string WhyStopped(const Comm::UploadRetries& retries) {
    const std::string why = retries.WhyStopped();
    return why.empty() ? why : why + "\n";
}

// What a clean upload sends for one coefficient or gain: the set ("C" or
// "G", the digits, eight hexadecimal digits, "\n") and its query (the word,
// "?\n").
constexpr std::int64_t kCoefficientBytes = (6 + 8 + 1) + (6 + 2);
constexpr std::int64_t kGainBytes = (4 + 8 + 1) + (4 + 2);

std::string ChannelLevelName(int channel) {
    if (channel == signal::ChannelTable::kSubwoofer) return "Movie Subwoofer";
    return signal::ChannelTable::kNames[static_cast<std::size_t>(channel)];
}

}  // namespace

std::uint32_t VuxV1Base::CoefficientBits(const design::Biquad& stage, int digit) {
    double value = 0;
    switch (digit) {
    case 0: value = stage.b1_2 / stage.b0_2; break;
    case 1: value = stage.b2_2 / stage.b0_2; break;
    // Written as products, so that a zero term goes as -0.0 (80000000),
    // which is what the receivers expect of an erased stage.
    case 2: value = -2.0 * stage.a1_2; break;
    default: value = -2.0 * stage.a2_2; break;
    }
    return std::bit_cast<std::uint32_t>(static_cast<float>(value));
}

std::uint32_t VuxV1Base::GainBits(std::int32_t gainWord, double b0Product) {
    const double steps = SignExtendGain(gainWord);
    const double gain = std::exp(steps * 0.5 * std::log(10.0) / 20.0) * b0Product;
    return std::bit_cast<std::uint32_t>(static_cast<float>(gain));
}

void VuxV1Base::CheckFirmwareVersion() {}

void VuxV1Base::PowerOn() {
    Comm::CBasicTessikPort& port = Port();
    while (!port.SetPower(true)) {
        Reporter().ThrowIfAborted();
        if (!diagnostics::ConTypes::AskAbortRetryIgnore(Reporter(), "Failed to power on unit.")) break;
    }
    port.Pause(Comm::LinkTiming::kPowerOnSettleMs);
    port.Drain();
}

void VuxV1Base::PrepareMeasurement(std::int32_t) {
    const design::TargetConfig defaults;
    SendReceiverSpeakerSetup(defaults);
    SendReceiverLevels(defaults);
    std::string unused;
    SetupForMeasurement(unused);
}

bool VuxV1Base::SetupForMeasurement(std::string&) {
    Comm::CBasicTessikPort& port = Port();
    while (!Comm::SetAndConfirm(port, "REQ", "%d", 1)) {
        port.Drain();
        AskOkOrThrow(Reporter(), "Failed to receive response from unit while trying to prepare for measurement.",
                     "Failed to prepare unit for measurement");
    }
    // The receiver reports the new state on a line of its own.
    DropOneLine(port);
    return true;
}

void VuxV1Base::EndMeasurement() {
    Comm::SetAndConfirm(Port(), "REQ", "%d", 0);
    DropOneLine(Port());
}

void VuxV1Base::StartTestTone(std::int32_t channel, std::int32_t) {
    Comm::CBasicTessikPort& port = Port();
    while (!Comm::SetAndConfirm(port, "QEX", "%d", channel)) {
        port.Drain();
        AskOkOrThrow(Reporter(), "Failed to start the test tone.", "Failed to start test tone");
    }
    DropOneLine(port);
    port.Pause(Comm::LinkTiming::kToneSettleMs);
}

void VuxV1Base::StopTestTone(std::int32_t, std::int32_t) {
    Comm::SetAndConfirm(Port(), "QEX", "%d", 8);
    DropOneLine(Port());
}

void VuxV1Base::BeginSpeakerUpload() {}

void VuxV1Base::EndSpeakerUpload(std::int32_t flag) {
    EndMeasurement();
    if (flag == 0) SetValidCoefficientsState(1);
    PowerOff(0);
}

void VuxV1Base::PrepareUpload() {
    PowerOn();
    std::string unused;
    SetupForMeasurement(unused);
    SetValidCoefficientsState(0);
}

void VuxV1Base::EndUpload(std::int32_t flag) {
    if (flag == 0) return;
    EndMeasurement();
    PowerOff(0);
}

void VuxV1Base::SetValidCoefficientsState(std::int32_t state) {
    Comm::CBasicTessikPort& port = Port();
    while (!Comm::SetAndConfirm(port, "AVC", "%d", state)) {
        port.Drain();
        AskOkOrThrow(Reporter(), "Failed to set Qex valid coefficients state.",
                     "Failed to set Qex valid coefficients state");
    }
}

void VuxV1Base::SendReceiverSpeakerSetup(const design::TargetConfig& targets) {
    Comm::CBasicTessikPort& port = Port();
    if (targets.ExtraOption == 0 || targets.ExtraOption == 1) {
        while (!Comm::SetAndConfirm(port, "B", "%d", targets.ExtraOption))
            if (!AskUnlessAborted(Reporter(),
                                     diagnostics::Format("Failed to set AUX speaker selection to %d", targets.ExtraOption)))
                break;
    }
    for (int c = 0; c < design::TargetConfigBasic::kConfigurations; ++c) {
        for (int g = 0; g < design::TargetConfigBasic::kGroups; ++g) {
            const std::int32_t x = targets.CrossoverFor(c, g);
            std::int32_t code = x;
            if (x == design::TargetConfigBasic::kNoCrossover)
                code = 0;
            else if (targets.GroupFlagFor(c, g) != 0 || g == design::TargetConfigBasic::Subwoofer)
                code = 5;  // "Flat" in the receivers' crossover list
            const std::string word = diagnostics::Format("F%d%d", c, g);
            while (!Comm::SetAndConfirm(port, word, "%d", code))
                if (!AskUnlessAborted(Reporter(), std::string("Failed to set crossover for spkr: ") +
                                                         signal::ChannelTable::kGroupNames[static_cast<std::size_t>(g)]))
                    break;
        }
    }
}

void VuxV1Base::SendReceiverLevels(const design::TargetConfig& targets) {
    Comm::CBasicTessikPort& port = Port();
    const auto level = [&](int index, std::int32_t value, const std::string& name) {
        while (!Comm::SetAndConfirm(port, diagnostics::Format("L%d", index), "%d", value))
            if (!AskUnlessAborted(Reporter(), "Failed to set speaker level for spkr: " + name)) break;
    };
    for (int i = 0; i < signal::ChannelTable::kCount; ++i)
        level(i, targets.ChannelTrim[static_cast<std::size_t>(i)], ChannelLevelName(i));
    level(8, targets.MusicSubTrim, "Music Subwoofer");
}

void VuxV1Base::UploadSpeakerConfig(link::UploadSource* document) {
    if (document == nullptr) ThrowNoDocument();
    Reporter().SetRange(1);
    const design::TargetConfig copy = document->Targets();
    SendReceiverSpeakerSetup(copy);
    Reporter().Step(1);
}

void VuxV1Base::UploadSpeakerLevels(link::UploadSource* document) {
    if (document == nullptr) ThrowNoDocument();
    Reporter().SetRange(1);
    ZeroUnmeasuredTrims(*document);
    SendReceiverLevels(document->Targets());
    Reporter().Step(1);
}

void VuxV1Base::UploadCoefficients(bool erase, link::UploadSource* document) {
    Comm::CBasicTessikPort& port = Port();
    if (!port.IsOpen() || port.Found() == 0) diagnostics::ThrowErrorText("Connection to unit was lost.");
    if (!erase && document == nullptr) ThrowNoDocument();
    const int rates = Limits().RateCount();
    const int stages = Limits().StageCount();
    diagnostics::ConTypes::Progress& progress = Reporter();
    progress.SetRange(stages * rates * 16);
    Comm::UploadRetries retries(port, progress,
                                std::int64_t{rates} * 16 * (std::int64_t{stages} * 4 * kCoefficientBytes + kGainBytes));

    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < signal::ChannelTable::kCount; ++k) {
            const int code = kChannelCode[k];
            link::CSampFS rate(0, Limits().RateCount());
            while (rate.IsValid()) {
                const int r = rate.Next();
                double product = 1.0;
                for (int b = 0; b < stages; ++b) {
                    const design::Biquad stage = erase ? design::Biquad::Identity() : document->FilterStage(c, r, k, b);
                    product *= 2.0 * stage.b0_2;
                    for (int i = 0; i < 4; ++i) {
                        const std::uint32_t bits = CoefficientBits(stage, i);
                        const std::string word = diagnostics::Format("C%d%d%d%d%d", c, code, r, b, i);
                        CountFilterWord();
                        if (!Comm::SetAndConfirm(port, word, "%08X", bits, Comm::ReplyForm::Strict, &retries))
                            diagnostics::ThrowError("Failed to upload coefficient %d%d%d%d%d -> %d\n%s", c, code, r, b,
                                                i, static_cast<std::int32_t>(bits), WhyStopped(retries).c_str());
                    }
                    port.Drain();
                    progress.Step(1);
                    progress.ThrowIfAborted();
                }
                const std::uint32_t gain = GainBits(erase ? 0 : document->FilterGain(c, r, k), product);
                CountFilterWord();
                if (!Comm::SetAndConfirm(port, diagnostics::Format("G%d%d%d", c, code, r), "%08X", gain,
                                         Comm::ReplyForm::Loose, &retries))
                    diagnostics::ThrowError("Failed to upload gain %d%d%d -> %d\n%s", c, code, r,
                                        static_cast<std::int32_t>(gain), WhyStopped(retries).c_str());
                progress.ThrowIfAborted();
            }
        }
    }
}

// The gains went with the coefficients.
void VuxV1Base::UploadGains(bool, link::UploadSource*) {}

bool VuxV1Base::VerifyCoefficients(link::UploadSource* document, std::int32_t) {
    Comm::CBasicTessikPort& port = Port();
    if (!port.IsOpen() || port.Found() == 0) diagnostics::ThrowErrorText("Connection to unit was lost.");
    if (document == nullptr) ThrowNoDocument();
    Reporter().SetText("Verifying...");
    const int stages = Limits().StageCount();
    std::string text;
    using diagnostics::Format;

    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < signal::ChannelTable::kCount; ++k) {
            const int code = kChannelCode[k];
            link::CSampFS rate(0, Limits().RateCount());
            while (rate.IsValid()) {
                const int r = rate.Next();
                double product = 1.0;
                for (int b = 0; b < stages; ++b) {
                    const design::Biquad& stage = document->FilterStage(c, r, k, b);
                    product *= 2.0 * stage.b0_2;
                    for (int i = 0; i < 4; ++i) {
                        const std::uint32_t expected = CoefficientBits(stage, i);
                        std::int64_t read = 0;
                        if (!Comm::ReadConfirmValue(port, Format("C%d%d%d%d%d", c, code, r, b, i), "%08X", read))
                            text += Format("Failed to read coefficient %d%d%d%d%d.\n", c, code, r, b, i);
                        else if (read != expected)
                            text += Format("Failed to verify coefficient %d%d%d%d%d -> %0X. was %0X.\n", c, code, r, b,
                                           i, expected, static_cast<unsigned>(read));
                    }
                }
                const std::uint32_t expected = GainBits(document->FilterGain(c, r, k), product);
                std::int64_t read = 0;
                // Gain replies may carry characters after the value.
                if (!Comm::ReadConfirmValue(port, Format("G%d%d%d", c, code, r), "%08X", read, Comm::ReplyForm::Loose))
                    text += Format("Failed to read gain %d%d%d.\n", c, code, r);
                else if (read != expected)
                    text += Format("Failed to verify gain %d%d%d -> %0X. was %0X.\n", c, code, r, expected,
                                   static_cast<unsigned>(read));
            }
            port.Drain();
            // A silent processor would cost a failed read per word.
            if (port.Stopping()) {
                Reporter().ThrowIfAborted();
                diagnostics::ThrowErrorText((text + "The processor stopped answering.\n").substr(0, kVerifyTextLimit));
            }
        }
    }
    if (!text.empty()) diagnostics::ThrowErrorText(text.substr(0, kVerifyTextLimit));
    return true;
}

}  // namespace halvane::link::ConTypes

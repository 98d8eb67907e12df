#include "halvane/link/SerBase.h"

#include "halvane/diagnostics/Progress.h"
#include "halvane/diagnostics/ProgressText.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/UploadSource.h"

namespace halvane::link::ConTypes {

namespace {

class SilentProgress final : public diagnostics::ConTypes::Progress {
public:
    void SetRange(int) override {}
    void Step(int) override {}
    void SetText(std::string text) override { StoreStatusText(std::move(text)); }
    platform::WindowHandle GetWindow() override { return {}; }
};

constexpr int kRearRightAux = 4;
constexpr int kSubwooferChannel = 7;

}  // namespace

std::unique_ptr<diagnostics::ConTypes::Progress> SerBase::MakeSilentProgress() { return std::make_unique<SilentProgress>(); }

diagnostics::ConTypes::Progress& SerBase::Reporter() const {
    if (diagnostics::ConTypes::Progress* p = GetProgress()) return *p;
    return *silent_;
}

void SerBase::PowerOff(std::int32_t askOnFailure) {
    Comm::CBasicTessikPort& port = Port();
    while (!port.SetPower(false)) {
        if (askOnFailure == 0) {
            port.SetPower(false);
            return;
        }
        // An aborted job asks nothing: it ends as aborted.
        Reporter().ThrowIfAborted();
        if (!diagnostics::ConTypes::AskAbortRetryIgnore(Reporter(), "Failed to power off unit.")) return;
    }
}

void SerBase::ZeroUnmeasuredTrims(link::UploadSource& document) {
    design::TargetConfig& targets = document.Targets();
    for (int ch = 0; ch < design::TargetConfig::kChannels; ++ch)
        if (!document.HasMeasuredCurve(0, ch) && !document.HasMeasuredCurve(1, ch))
            targets.ChannelTrim[static_cast<std::size_t>(ch)] = 0;
    if (targets.ConfigOption != 0) targets.ChannelTrim[kRearRightAux] = 0;
    if (!document.HasMeasuredCurve(1, kSubwooferChannel)) targets.MusicSubTrim = 0;
}

void SerBase::ThrowNoDocument() { diagnostics::ThrowErrorText("No project to upload."); }

}  // namespace halvane::link::ConTypes

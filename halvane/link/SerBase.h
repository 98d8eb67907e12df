#pragma once

#include "halvane/diagnostics/Progress.h"
#include "halvane/link/UnitBase.h"

#include <memory>
#include <string>

namespace halvane::link {
class UploadSource;
}

namespace halvane::link::ConTypes {

// A unit driven over the serial port. Its families share the set-up of a
// measurement (speaker configuration and levels for the test signal), the
// power-off with its question, and the speaker-level rule for channels
// that were never measured.
class SerBase : public UnitBase {
public:
    using UnitBase::UnitBase;

    // Prepares the processor for a measurement. False (flagship) with the
    // text to show; the receiver asks its own question and throws instead.
    virtual bool SetupForMeasurement(std::string& failureText) = 0;

    // Switches off; when that fails and `askOnFailure` is set, asks
    // Abort/Retry/Ignore "Failed to power off unit." (Retry switches off
    // again); otherwise one more try whose result does not matter.
    void PowerOff(std::int32_t askOnFailure) override;

protected:
    // The job's progress, or the unit's own silent one whose questions get
    // the process-wide prompt, so that no operation needs a null check.
    diagnostics::ConTypes::Progress& Reporter() const;

    // The document's trims of channels measured in neither configuration
    // (and of channel 4 with one rear speaker), and the Music subwoofer's
    // without a Music subwoofer curve, become 0 dB before levels go out.
    static void ZeroUnmeasuredTrims(link::UploadSource& document);

    // Raised for an upload asked of no document.
    [[noreturn]] static void ThrowNoDocument();

private:
    // What the unit says while no job holds it: kept per unit, so one
    // unit's texts never reach another's.
    static std::unique_ptr<diagnostics::ConTypes::Progress> MakeSilentProgress();
    std::unique_ptr<diagnostics::ConTypes::Progress> silent_ = MakeSilentProgress();
};

}  // namespace halvane::link::ConTypes

#pragma once

#include <cstdint>
#include <string>

#include "halvane/procedures/framework/CProcBase.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "platform/WindowHandle.h"

namespace halvane::design {
struct FilterDesign;
}

namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::document {
struct DocumentData;
}

namespace halvane::procedures {


// Designs the correction filters of both configurations: for every measured
// channel with a target, a chain fitted at the design rate (192000 Hz for a
// unit of 8 rates, else 96000 Hz), converted from those stored stages and
// gain word to every other rate, and an own fit at 32000 Hz. Each result
// goes into the document's filter set [configuration][rate slot][channel];
// the calculated response of each channel into the new calculated sets,
// which the completion publishes (or empties first, when the job failed).
//
// The stored coefficients are the values the processor's words hold,
// chosen per slot with the whole chain in view (ChooseHeldCoefficients),
// so the upload, its read-back and the file agree; every slot is converted
// from the exact design-rate chain, not from its held values.
class CEqCalcProc final : public CProcBase {
public:
    static constexpr const char* kFailedText = "The filters could not be calculated.";
    // Exact: store the fitted and converted coefficients as they are,
    // before any word is chosen (what the held values are judged against).
    enum class Coefficients { Held, Exact };

    explicit CEqCalcProc(document::CHalvaneDoc& document, Coefficients coefficients = Coefficients::Held);
    int Run(void* argument) override;
    void OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent) override;

private:
    Coefficients coefficients_;
};

// Writes the design's chain into the document's record [configuration][rate
// index][channel]: the gain word's low 24 bits, filled, and every stage of
// the stage limit in force, the design's halved stages first and the
// identity (in use) after them.
void StoreBiquadTable(document::DocumentData& document, const design::FilterDesign& design, std::int32_t rateIndex, int channel,
                      int configuration);

// Runs the calculation (under `host`, or else the progress dialog `shell`
// shows); true when it completed. When it did not, `failure` (if given)
// receives why.
bool RunEqCalcProc(platform::WindowHandle parent, document::CHalvaneDoc& document, IProcDialog* host,
                   std::string* failure = nullptr, const ProcedureDialogShell& shell = {});

}  // namespace halvane::procedures

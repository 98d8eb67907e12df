#include "halvane/link/UploadRetries.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/Progress.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/LinkTiming.h"

#include <algorithm>

namespace halvane::link::Comm {

UploadRetries::UploadRetries(CBasicTessikPort& port, diagnostics::ConTypes::Progress& progress, std::int64_t cleanBytes)
    : port_(port), progress_(progress),
      budget_(LinkTiming::kUploadRetryAllowance +
              static_cast<int>(std::max<std::int64_t>(0, cleanBytes) / LinkTiming::kUploadBytesPerRetry)) {}

bool UploadRetries::Spend() {
    if (port_.Stopping() || spent_ >= budget_) return false;
    ++spent_;
    progress_.SetText(diagnostics::Format("Line errors: sending again (%d of %d retries used).", spent_, budget_));
    return true;
}

std::string UploadRetries::WhyStopped() const {
    if (port_.LinkFailed()) return "The processor stopped answering.";
    if (spent_ >= budget_)
        return diagnostics::Format("The line to the processor loses data: the upload gave up after %d retries.", spent_);
    return {};
}

bool VerifiedWrite(CBasicTessikPort& port, UploadRetries* retries, const std::function<bool()>& attempt,
                   const std::function<void()>& recover) {
    for (int n = 0; n < LinkTiming::kWriteAttempts; ++n) {
        if (n > 0) {
            if (retries != nullptr ? !retries->Spend() : port.Stopping()) return false;
        }
        if (attempt()) return true;
        recover();
    }
    return false;
}

}  // namespace halvane::link::Comm

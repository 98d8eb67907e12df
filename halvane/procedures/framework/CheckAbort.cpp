#include "halvane/procedures/framework/CheckAbort.h"

#include "halvane/diagnostics/ThrowError.h"

namespace halvane::procedures {

bool CheckAbort(const std::atomic<std::int32_t>* runningFlag) {
    if (runningFlag != nullptr && runningFlag->load() == 0) diagnostics::ThrowErrorText(kProcedureAbortedText);
    return true;
}

}  // namespace halvane::procedures

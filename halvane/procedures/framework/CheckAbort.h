#pragma once

#include <atomic>
#include <cstdint>

namespace halvane::procedures {

// The text a job ends with when the user aborts it.
constexpr const char* kProcedureAbortedText = "Procedure aborted\n";

// A job's abort poll, between unit operations and between channels: raises
// "Procedure aborted\n" once the host's running flag is 0. A job without a
// host (null flag) never aborts here. Returns true otherwise.
bool CheckAbort(const std::atomic<std::int32_t>* runningFlag);

}  // namespace halvane::procedures

#pragma once

namespace halvane::design {

inline constexpr const char* kInvalidMapCrossoverText = "Error, Map Crossover invalid value";

// Tells the user that a group's crossover holds the invalid code 165; the
// caller then goes on with that value. The box goes through the
// process-wide user prompt, so a job's worker waits for the answer.
void ReportInvalidMapCrossover();

}  // namespace halvane::design

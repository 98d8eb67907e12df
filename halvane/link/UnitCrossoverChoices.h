#pragma once

#include <cstdint>
#include <memory>

#include "halvane/design/CrossoverIterator.h"

// The crossover choices of a unit kind (the unit class id of the document:
// 1, 2 or 4) that the design may propose or use, and the boxes shown when
// the kind cannot be used. The callers of the design's crossover and level
// steps ask here first and hand the choices on. The boxes go through the
// process-wide user prompt, so a job's worker waits for the answer.
namespace halvane::link::UnitCrossoverChoices {

inline constexpr const char* kNoUnitClassText = "Critical Error (7257F592-B44A-4bf6-A1A3-43CEBE7433F1)";
inline constexpr const char* kNoChoicesText = "Critical Error (12C41562-7363-4cf8-A90C-87B84E93DAD6)";
inline constexpr const char* kCriticalCaption = "Error";

// The class's crossover choices (without the "Flat" entry). An unknown kind
// shows the first critical error, a class without choices the second; both
// give null, and the caller then changes nothing.
std::unique_ptr<design::ConTypes::CrossoverIterator> For(std::int32_t unitKind);

}  // namespace halvane::link::UnitCrossoverChoices

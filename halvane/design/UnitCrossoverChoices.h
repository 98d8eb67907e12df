#pragma once

#include <cstdint>
#include <memory>

#include "halvane/link/CrossoverIterator.h"

// The crossover choices the design may propose or use for a unit kind (the
// unit class id of the document: 1, 2 or 4), and the boxes the design shows
// when the kind or a stored crossover cannot be used. The boxes go through
// the process-wide user prompt, so a job's worker waits for the answer.
namespace UnitCrossoverChoices {

inline constexpr const char* kNoUnitClassText = "Critical Error (7257F592-B44A-4bf6-A1A3-43CEBE7433F1)";
inline constexpr const char* kNoChoicesText = "Critical Error (12C41562-7363-4cf8-A90C-87B84E93DAD6)";
inline constexpr const char* kCriticalCaption = "Error";
inline constexpr const char* kInvalidMapCrossoverText = "Error, Map Crossover invalid value";

// The class's crossover choices (without the "Flat" entry). An unknown kind
// shows the first critical error, a class without choices the second; both
// give null, and the caller then changes nothing.
std::unique_ptr<ConTypes::CrossoverIterator> For(std::int32_t unitKind);

// A group's crossover holds the invalid code 165.
void ReportInvalidMapCrossover();

}  // namespace UnitCrossoverChoices

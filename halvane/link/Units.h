#pragma once

#include "halvane/link/UnitBase.h"

#include <string>
#include <vector>

namespace halvane::link::ConTypes {

// Creates the nine unit objects, in registry order: model 5, 4 (second
// flagship generation), 2, 3, 0, 1 (first generation), 6, 7, 8 (receivers),
// each talking through `port`, which outlives them. Called once at
// start-up; a second call replaces them.
void CreateUnits(Comm::CBasicTessikPort& port);
// Deletes them in the same order.
void DestroyUnits();

// The units in registry order.
std::vector<UnitBase*> RegisteredUnits();

// The first enabled unit, in registry order, that the units' port finds
// connected (one port search serves the whole walk); it then reports through
// `progress`. When none answers, every enabled unit disconnects (the port is
// closed) and the result is null.
UnitBase* FindConnectedUnit(diagnostics::ConTypes::Progress* progress);

inline constexpr const char* kNoUnitFound = "Could not find a valid Tessik processor.";
// The text of a job that found no processor: "Could not find a valid Tessik
// processor." and, after it, which ports the port search tried, the device
// each stood for, and how to choose the port (the units' port's last search).
std::string NoUnitFoundText();

// Drops the job's hold on a unit: clears its progress, disconnects it and
// clears the holder. Nothing happens to an empty holder.
void ReleaseUnit(UnitBase*& holder);

}  // namespace halvane::link::ConTypes

#pragma once

#include <string>

namespace halvane::link::ConTypes {

// The processor models Halvane knows, by model index. Index 9 is "no unit".
// Identification prefixes end in one blank, so that a name that begins
// another ("Tolvarine Z6" and "Tolvarine Z6v") never matches it.
constexpr int kModelCount = 9;
constexpr int kNoUnitModel = 9;

struct ModelEntry {
    const char* prefix;       // 8-bit identification prefix; null for index 9
    const char* displayName;  // shown to the user
    int unitClass;            // 1, 2 or 4; 0 for index 9
};

// The entry of a model index; any index outside 0-8 gives the "No unit found" entry.
const ModelEntry& ModelTableEntry(int modelIndex);

// The unit class of a model index (0 for none): the table the port consults
// for its power commands.
inline int UnitClassOfModel(int modelIndex) { return ModelTableEntry(modelIndex).unitClass; }

}  // namespace halvane::link::ConTypes

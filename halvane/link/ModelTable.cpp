#include "halvane/link/ModelTable.h"

namespace halvane::link::ConTypes {

namespace {

constexpr ModelEntry kModels[kModelCount + 1] = {
    {"Tolvarine Z6 ", "Tolvarine Z6", 1},
    {"Tolvarine Z5 ", "Tolvarine Z5", 1},
    {"Bzt 50/Qex ", "Bzt 50/Qex", 1},
    {"Bzt 40/Qex ", "Bzt 40/Qex", 1},
    {"Tolvarine Z6v ", "Tolvarine Z6v", 2},
    {"Bzt 50v ", "Bzt 50v", 2},
    {"Vux300 ", "Vux 300", 4},
    {"Vux500 ", "Vux 500", 4},
    {"Vux700 ", "Vux 700", 4},
    {nullptr, "No unit found", 0},
};

}  // namespace

const ModelEntry& ModelTableEntry(int modelIndex) {
    if (modelIndex < 0 || modelIndex >= kModelCount) return kModels[kNoUnitModel];
    return kModels[modelIndex];
}

}  // namespace halvane::link::ConTypes

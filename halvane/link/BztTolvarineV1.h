#pragma once

#include <cstdint>

#include "halvane/link/BztTolvarinePlatformV1Base.h"

namespace halvane::link::ConTypes {

// Tolvarine Z6, Tolvarine Z5, Bzt 50/Qex, Bzt 40/Qex (models 0-3, class 1).
class BztTolvarineV1 final : public BztTolvarinePlatformV1Base {
public:
    BztTolvarineV1(std::int32_t modelIndex, Comm::CBasicTessikPort& port)
        : BztTolvarinePlatformV1Base(modelIndex, 1, port) {}
};

}  // namespace halvane::link::ConTypes

#pragma once

#include <cstdint>

#include "halvane/link/BztTolvarinePlatformV1Base.h"

namespace halvane::link::ConTypes {

// Tolvarine Z6v, Bzt 50v (models 4-5, class 2).
class BztTolvarineV2 final : public BztTolvarinePlatformV1Base {
public:
    BztTolvarineV2(std::int32_t modelIndex, Comm::CBasicTessikPort& port)
        : BztTolvarinePlatformV1Base(modelIndex, 2, port) {}
};

}  // namespace halvane::link::ConTypes

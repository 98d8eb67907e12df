#pragma once

#include <cstdint>

#include "halvane/link/BztTolvarinePlatformV1Base.h"

namespace halvane::link::ConTypes {

// Tolvarine Z6v, Bzt 50v (models 4-5, class 2).
class BztTolvarineV2 final : public BztTolvarinePlatformV1Base {
public:
    explicit BztTolvarineV2(std::int32_t modelIndex) : BztTolvarinePlatformV1Base(modelIndex, 2) {}
};

}  // namespace halvane::link::ConTypes

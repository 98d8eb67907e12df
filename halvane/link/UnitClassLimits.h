#pragma once

#include <cstdint>

namespace halvane {

// The number of sample rates a processor supports (the CSampFS count) and of
// correction stages per filter set, set from the unit class in use:
// class 1: 5 rates, 10 stages; class 2: 8 and 10; class 4: 8 and 5.
// Process-wide; set on one thread and read from a job's worker.
class UnitClassLimits {
public:
    static constexpr std::int32_t kInitialRates = 8;
    static constexpr std::int32_t kInitialStages = 10;

    static std::int32_t RateCount();
    static std::int32_t StageCount();
    // Another id leaves both unchanged; false then.
    static bool SetForUnitClass(std::int32_t unitClass);
    // Back to 8 and 10.
    static void Reset();
};

}  // namespace halvane

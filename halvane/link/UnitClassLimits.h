#pragma once

#include <cstdint>
#include <optional>

namespace halvane::link {

// The number of sample rates a processor supports (the CSampFS count) and of
// correction stages per filter set, by unit class: class 1: 5 rates, 10
// stages; class 2: 8 and 10; class 4: 8 and 5.
//
// A connected unit has its own (ConTypes::UnitBase::Limits), which is what
// the uploads write with. The values in use for the document and the
// calculation are still process-wide (the static members): set on one
// thread and read from a job's worker.
class UnitClassLimits {
public:
    static constexpr std::int32_t kInitialRates = 8;
    static constexpr std::int32_t kInitialStages = 10;

    // The limits of one unit class.
    struct Of {
        std::int32_t rates = kInitialRates;
        std::int32_t stages = kInitialStages;
    };
    // Another id than 1, 2 or 4 has none.
    static std::optional<Of> ForUnitClass(std::int32_t unitClass);

    static std::int32_t RateCount();
    static std::int32_t StageCount();
    // Another id leaves both unchanged; false then.
    static bool SetForUnitClass(std::int32_t unitClass);
    // Back to 8 and 10.
    static void Reset();
};

}  // namespace halvane::link

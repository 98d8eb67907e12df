#pragma once

#include <cstdint>
#include <optional>

namespace halvane::link {

// The number of sample rates a processor supports (the CSampFS count) and of
// correction stages per filter set, by unit class: class 1: 5 rates, 10
// stages; class 2: 8 and 10; class 4: 8 and 5.
//
// A value, held by whoever a unit class belongs to: a connected unit has its
// own (ConTypes::UnitBase::Limits), which is what the uploads write with; a
// document those of its unit kind (DocumentData::Limits), which the
// calculation and the target curves work with. Nothing of it is shared
// between jobs, so what one job chose never reaches the next.
class UnitClassLimits {
public:
    static constexpr std::int32_t kInitialRates = 8;
    static constexpr std::int32_t kInitialStages = 10;

    // 8 rates and 10 stages: the limits while no unit class is known.
    constexpr UnitClassLimits() = default;

    // Another id than 1, 2 or 4 has none.
    static std::optional<UnitClassLimits> ForUnitClass(std::int32_t unitClass);
    // The class's, or the initial ones for another id.
    static UnitClassLimits ForUnitClassOrInitial(std::int32_t unitClass);

    std::int32_t RateCount() const { return rates_; }
    std::int32_t StageCount() const { return stages_; }
    // Another id leaves both unchanged; false then.
    bool SetForUnitClass(std::int32_t unitClass);
    // Back to 8 and 10.
    void Reset() { *this = UnitClassLimits{}; }

    bool operator==(const UnitClassLimits&) const = default;

private:
    constexpr UnitClassLimits(std::int32_t rates, std::int32_t stages) : rates_(rates), stages_(stages) {}

    std::int32_t rates_ = kInitialRates;
    std::int32_t stages_ = kInitialStages;
};

}  // namespace halvane::link

#include "halvane/link/UnitClassLimits.h"

namespace halvane::link {

std::optional<UnitClassLimits> UnitClassLimits::ForUnitClass(std::int32_t unitClass) {
    switch (unitClass) {
    case 1: return UnitClassLimits{5, 10};
    case 2: return UnitClassLimits{8, 10};
    case 4: return UnitClassLimits{8, 5};
    default: return std::nullopt;
    }
}

UnitClassLimits UnitClassLimits::ForUnitClassOrInitial(std::int32_t unitClass) {
    return ForUnitClass(unitClass).value_or(UnitClassLimits{});
}

bool UnitClassLimits::SetForUnitClass(std::int32_t unitClass) {
    const std::optional<UnitClassLimits> limits = ForUnitClass(unitClass);
    if (!limits) return false;
    *this = *limits;
    return true;
}

}  // namespace halvane::link

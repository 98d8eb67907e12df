#include "halvane/link/UnitClassLimits.h"

#include <atomic>

namespace halvane::link {

namespace {

std::atomic<std::int32_t> g_rates{UnitClassLimits::kInitialRates};
std::atomic<std::int32_t> g_stages{UnitClassLimits::kInitialStages};

}  // namespace

std::int32_t UnitClassLimits::RateCount() { return g_rates.load(); }
std::int32_t UnitClassLimits::StageCount() { return g_stages.load(); }

std::optional<UnitClassLimits::Of> UnitClassLimits::ForUnitClass(std::int32_t unitClass) {
    switch (unitClass) {
    case 1: return Of{5, 10};
    case 2: return Of{8, 10};
    case 4: return Of{8, 5};
    default: return std::nullopt;
    }
}

bool UnitClassLimits::SetForUnitClass(std::int32_t unitClass) {
    const std::optional<Of> limits = ForUnitClass(unitClass);
    if (!limits) return false;
    g_rates = limits->rates;
    g_stages = limits->stages;
    return true;
}

void UnitClassLimits::Reset() {
    g_rates = kInitialRates;
    g_stages = kInitialStages;
}

}  // namespace halvane::link

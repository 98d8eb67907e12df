#include "halvane/link/UnitClassLimits.h"

#include <atomic>

namespace halvane {

namespace {

std::atomic<std::int32_t> g_rates{UnitClassLimits::kInitialRates};
std::atomic<std::int32_t> g_stages{UnitClassLimits::kInitialStages};

}  // namespace

std::int32_t UnitClassLimits::RateCount() { return g_rates.load(); }
std::int32_t UnitClassLimits::StageCount() { return g_stages.load(); }

bool UnitClassLimits::SetForUnitClass(std::int32_t unitClass) {
    switch (unitClass) {
    case 1: g_rates = 5; g_stages = 10; return true;
    case 2: g_rates = 8; g_stages = 10; return true;
    case 4: g_rates = 8; g_stages = 5; return true;
    default: return false;
    }
}

void UnitClassLimits::Reset() {
    g_rates = kInitialRates;
    g_stages = kInitialStages;
}

}  // namespace halvane

#pragma once

#include "halvane/link/UnitClassLimits.h"

namespace testsupport {

// Puts the process-wide unit-class limits (sample rates and stages per
// filter set) back to their start values when it goes. A fixture whose
// tests change them, directly or by opening a document or running a job,
// holds one as its first member, so a test that stops half-way leaves
// nothing behind for the tests after it.
class UnitClassLimitsGuard {
public:
    UnitClassLimitsGuard() = default;
    ~UnitClassLimitsGuard() { halvane::link::UnitClassLimits::Reset(); }
    UnitClassLimitsGuard(const UnitClassLimitsGuard&) = delete;
    UnitClassLimitsGuard& operator=(const UnitClassLimitsGuard&) = delete;
};

}  // namespace testsupport

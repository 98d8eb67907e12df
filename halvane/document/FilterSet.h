#pragma once

#include <array>
#include <cstdint>

#include "halvane/design/Biquad.h"

namespace halvane::document {

// The correction filters of one configuration, sample-rate slot and
// channel, as the calculation job stores them and the uploads send them.
struct FilterSet {
    // Stages a set holds; unit kinds 1 and 2 use all 10, unit kind 4 the
    // first 5.
    static constexpr int kMaxStages = 10;

    // The set's 24-bit gain word in 0.5 dB steps; 0 after a reset.
    std::int32_t Gain = 0;
    // 1 once the calculation job has stored the set; 0 after a reset.
    std::int32_t Filled = 0;
    std::array<design::Biquad, kMaxStages> Stages{};

    // Gain and Filled 0, every stage the unused stage (0, 0, 0.5, 0, 0 with
    // both bytes 0).
    void Reset();

    bool operator==(const FilterSet&) const = default;
};

// How many sample-rate slots and stages per set a unit kind uses (the
// filter-set block of the document file has this shape).
struct FilterLayout {
    int rateSlots = 0;
    int stages = 0;
};

// Unit kind 1: 5 slots of 10 stages; 2: 8 of 10; 4: 8 of 5. Any other kind
// has no layout (both 0).
FilterLayout FilterLayoutFor(std::int32_t unitKind);
bool IsUnitKind(std::int32_t unitKind);

}  // namespace halvane::document

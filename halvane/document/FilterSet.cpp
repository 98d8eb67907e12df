#include "halvane/document/FilterSet.h"

namespace halvane::document {

void FilterSet::Reset() {
    Gain = 0;
    Filled = 0;
    Stages.fill(design::Biquad::Identity());
}

FilterLayout FilterLayoutFor(std::int32_t unitKind) {
    switch (unitKind) {
    case 1: return {5, 10};
    case 2: return {8, 10};
    case 4: return {8, 5};
    default: return {};
    }
}

bool IsUnitKind(std::int32_t unitKind) { return FilterLayoutFor(unitKind).rateSlots != 0; }

}  // namespace halvane::document

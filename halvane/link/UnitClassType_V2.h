#pragma once

#include "halvane/link/UnitClassBase.h"

#include <memory>

namespace halvane::link::ConTypes {

// The second flagship class (models 4-5): eight sample rates, ten stages,
// the flagship crossover list.
class UnitClassType_V2 final : public UnitClassBase {
public:
    UnitClassType_V2() : UnitClassBase(2) {}
    std::unique_ptr<design::ConTypes::CrossoverIterator> NewCrossoverIterator() const override;
    std::unique_ptr<design::ConTypes::CrossoverIterator> NewFlatCrossoverIterator() const override;
};

}  // namespace halvane::link::ConTypes

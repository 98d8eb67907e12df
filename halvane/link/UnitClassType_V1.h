#pragma once

#include "halvane/link/UnitClassBase.h"

#include <memory>

namespace halvane::link::ConTypes {

// The first flagship class (models 0-3): five sample rates, ten stages,
// the flagship crossover list.
class UnitClassType_V1 final : public UnitClassBase {
public:
    UnitClassType_V1() : UnitClassBase(1) {}
    std::unique_ptr<design::ConTypes::CrossoverIterator> NewCrossoverIterator() const override;
    std::unique_ptr<design::ConTypes::CrossoverIterator> NewFlatCrossoverIterator() const override;
};

}  // namespace halvane::link::ConTypes

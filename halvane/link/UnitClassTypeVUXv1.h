#pragma once

#include "halvane/link/UnitClassBase.h"

#include <memory>

namespace halvane::link::ConTypes {

// The receiver class (models 6-8): eight sample rates, five stages, the
// receiver crossover list.
class UnitClassTypeVUXv1 final : public UnitClassBase {
public:
    UnitClassTypeVUXv1() : UnitClassBase(4) {}
    std::unique_ptr<design::ConTypes::CrossoverIterator> NewCrossoverIterator() const override;
    std::unique_ptr<design::ConTypes::CrossoverIterator> NewFlatCrossoverIterator() const override;
};

}  // namespace halvane::link::ConTypes

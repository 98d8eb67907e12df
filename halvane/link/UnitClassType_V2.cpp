#include "halvane/link/UnitClassType_V2.h"

namespace halvane::link::ConTypes {

std::unique_ptr<design::ConTypes::CrossoverIterator> UnitClassType_V2::NewCrossoverIterator() const {
    return std::make_unique<design::ConTypes::BztTolvarineCrossoverFreqIterator>();
}

std::unique_ptr<design::ConTypes::CrossoverIterator> UnitClassType_V2::NewFlatCrossoverIterator() const {
    return std::make_unique<design::ConTypes::BztTolvarineFlatCrossoverFreqIterator>();
}

}  // namespace halvane::link::ConTypes

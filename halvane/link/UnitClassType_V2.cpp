#include "halvane/link/UnitClassType_V2.h"

namespace ConTypes {

std::unique_ptr<CrossoverIterator> UnitClassType_V2::NewCrossoverIterator() const {
    return std::make_unique<BztTolvarineCrossoverFreqIterator>();
}

std::unique_ptr<CrossoverIterator> UnitClassType_V2::NewFlatCrossoverIterator() const {
    return std::make_unique<BztTolvarineFlatCrossoverFreqIterator>();
}

}  // namespace ConTypes

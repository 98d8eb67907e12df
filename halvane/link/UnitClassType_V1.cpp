#include "halvane/link/UnitClassType_V1.h"

namespace ConTypes {

std::unique_ptr<CrossoverIterator> UnitClassType_V1::NewCrossoverIterator() const {
    return std::make_unique<BztTolvarineCrossoverFreqIterator>();
}

std::unique_ptr<CrossoverIterator> UnitClassType_V1::NewFlatCrossoverIterator() const {
    return std::make_unique<BztTolvarineFlatCrossoverFreqIterator>();
}

}  // namespace ConTypes

#include "halvane/link/UnitClassTypeVUXv1.h"

namespace ConTypes {

std::unique_ptr<CrossoverIterator> UnitClassTypeVUXv1::NewCrossoverIterator() const {
    return std::make_unique<UnitClassTypeVUXv1CrossoverFreqIterator>();
}

std::unique_ptr<CrossoverIterator> UnitClassTypeVUXv1::NewFlatCrossoverIterator() const {
    return std::make_unique<UnitClassTypeVUXv1CrossoverFreqIteratorFlat>();
}

}  // namespace ConTypes

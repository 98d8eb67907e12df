#include "halvane/link/UnitClassTypeVUXv1.h"

namespace halvane::link::ConTypes {

std::unique_ptr<design::ConTypes::CrossoverIterator> UnitClassTypeVUXv1::NewCrossoverIterator() const {
    return std::make_unique<design::ConTypes::UnitClassTypeVUXv1CrossoverFreqIterator>();
}

std::unique_ptr<design::ConTypes::CrossoverIterator> UnitClassTypeVUXv1::NewFlatCrossoverIterator() const {
    return std::make_unique<design::ConTypes::UnitClassTypeVUXv1CrossoverFreqIteratorFlat>();
}

}  // namespace halvane::link::ConTypes

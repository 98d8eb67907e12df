#include "halvane/link/UnitClassBase.h"

namespace ConTypes {

namespace {

// In one translation unit, so they register in this order; FindUnitClass
// lives here too, so a program that asks for a class links them in.
UnitClassType_V1 g_classV1;
UnitClassType_V2 g_classV2;
UnitClassTypeVUXv1 g_classVux;

}  // namespace

std::unique_ptr<CrossoverIterator> UnitClassType_V1::NewCrossoverIterator() const {
    return std::make_unique<BztTolvarineCrossoverFreqIterator>();
}
std::unique_ptr<CrossoverIterator> UnitClassType_V1::NewFlatCrossoverIterator() const {
    return std::make_unique<BztTolvarineFlatCrossoverFreqIterator>();
}
std::unique_ptr<CrossoverIterator> UnitClassType_V2::NewCrossoverIterator() const {
    return std::make_unique<BztTolvarineCrossoverFreqIterator>();
}
std::unique_ptr<CrossoverIterator> UnitClassType_V2::NewFlatCrossoverIterator() const {
    return std::make_unique<BztTolvarineFlatCrossoverFreqIterator>();
}
std::unique_ptr<CrossoverIterator> UnitClassTypeVUXv1::NewCrossoverIterator() const {
    return std::make_unique<UnitClassTypeVUXv1CrossoverFreqIterator>();
}
std::unique_ptr<CrossoverIterator> UnitClassTypeVUXv1::NewFlatCrossoverIterator() const {
    return std::make_unique<UnitClassTypeVUXv1CrossoverFreqIteratorFlat>();
}

UnitClassBase* FindUnitClass(std::int32_t id) {
    for (UnitClassBase* c : UnitClassBase::Objects())
        if (c->Id() == id) return c;
    return nullptr;
}

}  // namespace ConTypes

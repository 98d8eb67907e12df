#include "halvane/link/UnitClassBase.h"

#include "halvane/link/UnitClassTypeVUXv1.h"
#include "halvane/link/UnitClassType_V1.h"
#include "halvane/link/UnitClassType_V2.h"

namespace halvane::link::ConTypes {

namespace {

// In one translation unit, so they register in this order; FindUnitClass
// lives here too, so a program that asks for a class links them in.
UnitClassType_V1 g_classV1;
UnitClassType_V2 g_classV2;
UnitClassTypeVUXv1 g_classVux;

}  // namespace

UnitClassBase* FindUnitClass(std::int32_t id) {
    for (UnitClassBase* c : UnitClassBase::Objects())
        if (c->Id() == id) return c;
    return nullptr;
}

}  // namespace halvane::link::ConTypes

#pragma once

#include "halvane/design/CrossoverIterator.h"
#include "halvane/link/ObjectRegistry.h"

#include <cstdint>
#include <memory>

namespace halvane::link::ConTypes {

// A unit class: which sample rates, how many correction stages and which
// crossover choices the design and the dialogs offer. Ids 1 and 2 are the
// flagship classes, 4 the receiver class.
class UnitClassBase : public ObjectRegistry<UnitClassBase> {
public:
    explicit UnitClassBase(std::int32_t id) : id_(id) {}
    virtual ~UnitClassBase() = default;

    std::int32_t Id() const { return id_; }
    virtual bool IsReceiverClass() const { return id_ == 4; }
    // The caller owns the iterator.
    virtual std::unique_ptr<design::ConTypes::CrossoverIterator> NewCrossoverIterator() const = 0;
    // The same list with the leading "Flat" entry.
    virtual std::unique_ptr<design::ConTypes::CrossoverIterator> NewFlatCrossoverIterator() const = 0;

private:
    std::int32_t id_;
};

// The first registered unit class with this id; null when there is none.
// The three classes are registered at program start as 1, 2, 4.
UnitClassBase* FindUnitClass(std::int32_t id);

}  // namespace halvane::link::ConTypes

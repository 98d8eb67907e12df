#pragma once

#include "halvane/link/UnitBase.h"

namespace ConTypes {

// A unit driven over the serial port. Its families share the set-up of a
// measurement (speaker configuration and levels for the test signal).
class SerBase : public UnitBase {
public:
    using UnitBase::UnitBase;

    virtual void SetupForMeasurement(Progress* progressHolder) = 0;
};

// The unit operations whose command set is not there yet fail with this
// TException ("<operation>: not yet implemented"), never quietly.
[[noreturn]] void ThrowNotYetImplemented(const char* operation);

}  // namespace ConTypes

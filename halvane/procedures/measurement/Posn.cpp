#include "halvane/procedures/measurement/Posn.h"

#include <stdexcept>

namespace halvane::procedures {

bool Posn::IsValid() const { return index_ >= 0 && index_ < positionCount_; }

std::string Posn::ToString() const {
    if (!IsValid()) throw std::logic_error("Can't convert invalid Posn to string");
    return "Position " + std::to_string(index_ + 1);
}

std::string Posn::Label() const { return IsValid() ? "Position " + std::to_string(index_ + 1) : "Posn Out Of Range"; }

bool Posn::Next() {
    if (!IsValid()) throw std::logic_error("Can't increment invalid Posn object");
    ++index_;
    return index_ < positionCount_;
}

}  // namespace halvane::procedures

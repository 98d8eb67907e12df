#include "halvane/procedures/measurement/Posn.h"

#include <stdexcept>

std::atomic<std::int32_t> PositionCount{5};
std::array<std::int32_t, 2> PositionsPerConfiguration = {5, 5};

bool Posn::IsValid() const { return index_ >= 0 && index_ < PositionCount.load(); }

std::string Posn::ToString() const {
    if (!IsValid()) throw std::logic_error("Can't convert invalid Posn to string");
    return "Position " + std::to_string(index_ + 1);
}

std::string Posn::Label() const { return IsValid() ? "Position " + std::to_string(index_ + 1) : "Posn Out Of Range"; }

bool Posn::Next() {
    if (!IsValid()) throw std::logic_error("Can't increment invalid Posn object");
    ++index_;
    return index_ < PositionCount.load();
}

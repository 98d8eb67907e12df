#pragma once

#include <cstdint>
#include <string>

namespace halvane::procedures {

// A listening position index, valid 0..positionCount - 1, where
// positionCount is the PositionCount of the measuring run it belongs to
// (MeasurementSession).
class Posn {
public:
    constexpr Posn(int index, std::int32_t positionCount) : index_(index), positionCount_(positionCount) {}

    constexpr int Value() const { return index_; }
    constexpr operator int() const { return index_; }  // NOLINT
    bool IsValid() const;

    // "Position %d" with index + 1. Throws std::logic_error "Can't convert
    // invalid Posn to string" for an invalid index.
    std::string ToString() const;
    // The same text, or "Posn Out Of Range" for an invalid index.
    std::string Label() const;
    // Steps to the next position; true while it is still below the
    // position count. Throws std::logic_error "Can't increment invalid Posn
    // object" for an invalid index.
    bool Next();

private:
    std::int32_t index_;
    std::int32_t positionCount_;
};

}  // namespace halvane::procedures

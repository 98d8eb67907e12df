#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

// The number of listening positions of the configuration being worked on
// (5 at start). BuildMeasurementQueue sets it; Posn checks against it. An
// atomic because the worker that measures sets it while the views may label
// positions.
extern std::atomic<std::int32_t> PositionCount;

// The number of positions chosen for configuration 0 ("Movie") and 1
// ("Music"), 5..10; 5 and 5 at start. The speaker-selection dialog sets them
// while the job that asked waits for its answer.
extern std::array<std::int32_t, 2> PositionsPerConfiguration;

// A listening position index, valid 0..PositionCount - 1.
class Posn {
public:
    constexpr Posn(int index = 0) : index_(index) {}  // NOLINT: indices convert freely

    constexpr int Value() const { return index_; }
    constexpr operator int() const { return index_; }  // NOLINT
    bool IsValid() const;

    // "Position %d" with index + 1. Throws std::logic_error "Can't convert
    // invalid Posn to string" for an invalid index.
    std::string ToString() const;
    // The same text, or "Posn Out Of Range" for an invalid index.
    std::string Label() const;
    // Steps to the next position; true while it is still below
    // PositionCount. Throws std::logic_error "Can't increment invalid Posn
    // object" for an invalid index.
    bool Next();

private:
    std::int32_t index_;
};

#pragma once

namespace halvane::app::models::CustomControls {

// The value grid of a numeric spin box: every value is clamped into
// [minimum, maximum] and then lowered to minimum + a whole multiple of step;
// the up-down position of a value v is (v - minimum) * numerator /
// denominator - offset, and back the other way (integer arithmetic,
// truncating).
//
// Degenerate settings are made harmless rather than undefined: a maximum
// below the minimum becomes the minimum (a crossover lowered below the
// lowest frequency gives a one-value spin), a step below 1 becomes 1 and a
// zero numerator or denominator becomes 1.
class SpinGrid {
public:
    SpinGrid() = default;
    SpinGrid(int minimum, int maximum, int step = 1, int numerator = 1, int denominator = 1, int offset = 0);

    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int step() const { return step_; }

    // The value on the grid nearest below `v` within the limits.
    int snap(long long v) const;
    int positionOf(int value) const;
    int valueOf(long long position) const;
    // The up-down range: position of the maximum minus that of the minimum.
    int positionRange() const { return positionOf(max_) - positionOf(min_); }

private:
    int min_ = 0;
    int max_ = 1;
    int step_ = 1;
    int num_ = 1;
    int den_ = 1;
    int offset_ = 0;
};

}  // namespace halvane::app::models::CustomControls

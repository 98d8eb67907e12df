#pragma once

#include <cstdint>

// The ranges the stored target configuration of a project file can hold.
// Every version's controls, calculations and defaults stay well inside
// them; a value outside was written by no version of the program, so the
// file is damaged and its open fails (DocumentArchive::Read). The margins
// leave room for what older versions may have stored.
namespace halvane::document::StoredValueRanges {

template <typename T>
struct Range {
    T lowest;
    T highest;
    constexpr bool Holds(T value) const { return value >= lowest && value <= highest; }
};

// No frequency the program handles lies above half the highest sample rate
// of any slot (192000 Hz); the controls and the detection stay at or below
// 20000 Hz.
inline constexpr std::int32_t kHighestFrequencyHz = 96000;

// Crossovers: the unit classes offer 5 ("Flat") to 160 Hz, and the codes are
// -1 (no target curve), 165 (invalid) and 170 (no crossover).
inline constexpr Range<std::int32_t> kCrossoverHz{-1, kHighestFrequencyHz};

// The highest equalised frequency and the subwoofer's minimum EQ and
// high-pass frequencies: 20 Hz up to 20000 Hz in the controls.
inline constexpr Range<std::int32_t> kFrequencyHz{0, kHighestFrequencyHz};

// Room gains, the computed reference level and the user's offset to it, in
// dB. The detection gives room gains of 0 to 4 dB and the offset control
// -3 to 0 dB; the computed reference lies between channel levels, and the
// level computation gives none below 20 log10(1e-40) = -800 dB.
inline constexpr Range<double> kLevelDb{-1000.0, 1000.0};
inline constexpr Range<std::int32_t> kLevelOffsetDb{-1000, 1000};

// Channel trims in steps of 0.5 dB: the level computation gives -24..24
// (12 dB either way); twice that for older versions.
inline constexpr Range<std::int32_t> kTrimSteps{-48, 48};

// The subwoofer high-pass order: the controls offer 0 ("Auto") to 9
// ("8th Order"); up to a 16th-order filter for older versions.
inline constexpr Range<std::int32_t> kSubHighPassOrder{0, 17};

// On/off options: "Same As Movie", the groups' full-range flags and the
// one-rear-speaker option.
inline constexpr Range<std::int32_t> kFlag{0, 1};

// The receivers' AUX speaker selection: 0 or 1 is sent, 2 sends nothing.
inline constexpr Range<std::int32_t> kAuxSelection{0, 2};

}  // namespace halvane::document::StoredValueRanges

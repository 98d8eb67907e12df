#pragma once

#include <array>
#include <cstdint>

namespace halvane::link {

// A sample-rate index: 48000, 44100, 32000, 96000, 88200, 64000, 192000,
// 176400 Hz. Valid below a rate count: that of the unit class it is for (a
// unit's or a document's UnitClassLimits), or else all eight; also the rate
// slot of a document's filter sets.
class CSampFS {
public:
    static constexpr std::array<std::int32_t, 8> kRates = {48000, 44100, 32000, 96000, 88200, 64000, 192000, 176400};

    explicit CSampFS(std::int32_t index = 0) : index_(index) {}
    CSampFS(std::int32_t index, std::int32_t rateCount) : index_(index), rateCount_(rateCount) {}

    bool IsValid() const;
    // The current index, then one step on; std::logic_error
    // "Can't increment invalid CSampFS" on an invalid index.
    std::int32_t Next();
    // std::logic_error "Can't get frequency of invalid CSampFS object".
    std::int32_t GetFrequency() const;
    // std::logic_error "Can't get index of invalid CSampFS object".
    std::int32_t GetIndex() const;

private:
    std::int32_t index_;
    std::int32_t rateCount_ = static_cast<std::int32_t>(kRates.size());
};

}  // namespace halvane::link

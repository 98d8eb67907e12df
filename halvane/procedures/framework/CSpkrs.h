#pragma once

#include <cstdint>
#include <string>

#include "halvane/signal/ChannelTable.h"

namespace halvane::procedures {

// A loudspeaker channel number, valid 0..7 (7 the subwoofer). Loops over the
// channels start at 0 and run while Next() answers true. Operations on an
// invalid value throw std::logic_error.
class CSpkrs {
public:
    static constexpr int kSubwoofer = signal::ChannelTable::kSubwoofer;

    constexpr CSpkrs(int channel = 0) : value_(channel) {}  // NOLINT: channel numbers convert freely

    constexpr int Value() const { return value_; }
    constexpr operator int() const { return value_; }  // NOLINT
    constexpr bool IsValid() const { return signal::ChannelTable::IsChannel(value_); }
    bool IsSubwoofer() const { return value_ == kSubwoofer; }

    // Steps to the next channel; true while the new value is still a
    // channel (7 steps to 8 and answers false). Throws "Can't increment
    // invalid CSpkrs object" on an invalid value.
    bool Next();
    // The channel's name. Throws "Can't convert invalid CSpkrs to string".
    std::string ToString() const;
    // The partner channel, 8 when the channel has none. Throws "Can't get
    // pair of invalid CSpkrs".
    int GetPair() const;

private:
    std::int32_t value_;
};

}  // namespace halvane::procedures

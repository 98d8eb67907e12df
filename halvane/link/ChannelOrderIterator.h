#pragma once

#include <array>

namespace halvane::link {

// The order in which channels are listed: Left Front, Right Front, Left
// Surround, Right Surround, Left Rear/Aux, Right Rear/Aux, Center, Subwoofer.
inline constexpr std::array<int, 8> kChannelListOrder = {0, 2, 6, 3, 5, 4, 1, 7};

// Walks kChannelListOrder; after the last channel the current value is 8.
class ChannelOrderIterator {
public:
    ChannelOrderIterator() = default;

    int Current() const { return channel_; }
    bool IsValid() const { return channel_ >= 0 && channel_ <= 7; }
    // Steps to the next channel; std::logic_error "Can't increment invalid
    // iterator" once the walk has ended.
    ChannelOrderIterator& Next();

private:
    int position_ = 0;
    int channel_ = kChannelListOrder[0];
};

}  // namespace halvane::link

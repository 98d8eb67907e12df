#pragma once

#include <array>
#include <string>

#include "halvane/signal/ChannelTable.h"

// The channel and group tables as the program's global texts, built from
// the one channel table (halvane/signal/ChannelTable.h) at start-up and kept
// until exit.

namespace halvane::procedures {

// The name of each channel 0..7 ("Left Front" ... "Subwoofer").
extern const std::array<std::string, signal::ChannelTable::kCount> ChannelNames;
// The partner of each channel; 8 for the center and the subwoofer.
extern const std::array<int, signal::ChannelTable::kCount> ChannelPairs;
// The speaker groups: "Front", "Center", "Surround", "Rear", "Subwoofer".
extern const std::array<std::string, signal::ChannelTable::kGroupCount> GroupNames;
// The group of each channel (an index into GroupNames).
extern const std::array<int, signal::ChannelTable::kCount> ChannelGroups;
// The listing order of the graph views: 0, 2, 6, 3, 5, 4, 1, 7, then 8 as
// the end mark.
extern const std::array<int, signal::ChannelTable::kCount + 1> ChannelListOrder;

}  // namespace halvane::procedures

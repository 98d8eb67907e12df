#pragma once

#include <array>

// Halvane's loudspeaker channels: the one table every layer numbers,
// names, pairs and lists them by. Channel numbers run 0..7 in this order;
// 8 stands for "none" in the pair table and "all" where a channel is chosen.
namespace halvane::signal::ChannelTable {

inline constexpr int kCount = 8;
inline constexpr int kSubwoofer = 7;
inline constexpr int kNone = 8;  // also "all channels" and the end mark of a listing

inline constexpr std::array<const char*, kCount> kNames = {
    "Left Front", "Center", "Right Front", "Right Surround",
    "Right Rear/Aux", "Left Rear/Aux", "Left Surround", "Subwoofer",
};

// The partner of each channel (kNone for the center and the subwoofer).
inline constexpr std::array<int, kCount> kPairs = {2, kNone, 0, 6, 5, 4, 3, kNone};

// The speaker groups of the speaker-configuration commands, and the group of
// each channel.
inline constexpr int kGroupCount = 5;
inline constexpr std::array<const char*, kGroupCount> kGroupNames = {"Front", "Center", "Surround", "Rear",
                                                                     "Subwoofer"};
inline constexpr std::array<int, kCount> kGroupOf = {0, 1, 0, 2, 3, 3, 2, 4};

// The order in which channels are listed (the graph views, the processor's
// channel walk): left and right of each pair together from the front
// backwards, then the center and the subwoofer, ended by kNone.
inline constexpr std::array<int, kCount + 1> kListOrder = {0, 2, 6, 3, 5, 4, 1, 7, kNone};

inline constexpr bool IsChannel(int c) { return c >= 0 && c < kCount; }

}  // namespace halvane::signal::ChannelTable

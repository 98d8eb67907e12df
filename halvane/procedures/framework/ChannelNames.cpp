#include "halvane/procedures/framework/ChannelNames.h"

namespace halvane::procedures {

namespace {

template <std::size_t N>
std::array<std::string, N> Texts(const std::array<const char*, N>& from) {
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i) out[i] = from[i];
    return out;
}

}  // namespace

const std::array<std::string, signal::ChannelTable::kCount> ChannelNames = Texts(signal::ChannelTable::kNames);
const std::array<int, signal::ChannelTable::kCount> ChannelPairs = signal::ChannelTable::kPairs;
const std::array<std::string, signal::ChannelTable::kGroupCount> GroupNames = Texts(signal::ChannelTable::kGroupNames);
const std::array<int, signal::ChannelTable::kCount> ChannelGroups = signal::ChannelTable::kGroupOf;
const std::array<int, signal::ChannelTable::kCount + 1> ChannelListOrder = signal::ChannelTable::kListOrder;

}  // namespace halvane::procedures

#include "halvane/procedures/framework/ChannelNames.h"

namespace {

template <std::size_t N>
std::array<std::string, N> Texts(const std::array<const char*, N>& from) {
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i) out[i] = from[i];
    return out;
}

}  // namespace

const std::array<std::string, ChannelTable::kCount> ChannelNames = Texts(ChannelTable::kNames);
const std::array<int, ChannelTable::kCount> ChannelPairs = ChannelTable::kPairs;
const std::array<std::string, ChannelTable::kGroupCount> GroupNames = Texts(ChannelTable::kGroupNames);
const std::array<int, ChannelTable::kCount> ChannelGroups = ChannelTable::kGroupOf;
const std::array<int, ChannelTable::kCount + 1> ChannelListOrder = ChannelTable::kListOrder;

#include "halvane/link/ChannelOrderIterator.h"

#include <stdexcept>

namespace halvane::link {

ChannelOrderIterator& ChannelOrderIterator::Next() {
    if (!IsValid()) throw std::logic_error("Can't increment invalid iterator");
    ++position_;
    channel_ = position_ < static_cast<int>(kChannelListOrder.size()) ? kChannelListOrder[position_] : 8;
    return *this;
}

}  // namespace halvane::link

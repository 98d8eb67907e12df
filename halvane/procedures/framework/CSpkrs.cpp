#include "halvane/procedures/framework/CSpkrs.h"

#include <stdexcept>


namespace halvane::procedures {

bool CSpkrs::Next() {
    if (!IsValid()) throw std::logic_error("Can't increment invalid CSpkrs object");
    ++value_;
    return IsValid();
}

std::string CSpkrs::ToString() const {
    if (!IsValid()) throw std::logic_error("Can't convert invalid CSpkrs to string");
    return signal::ChannelTable::kNames[static_cast<std::size_t>(value_)];
}

int CSpkrs::GetPair() const {
    if (!IsValid()) throw std::logic_error("Can't get pair of invalid CSpkrs");
    return signal::ChannelTable::kPairs[static_cast<std::size_t>(value_)];
}

}  // namespace halvane::procedures

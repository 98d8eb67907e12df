#include "halvane/link/CSampFS.h"

#include <stdexcept>

namespace halvane::link {

bool CSampFS::IsValid() const {
    return index_ >= 0 && index_ < rateCount_ && index_ < static_cast<std::int32_t>(kRates.size());
}

std::int32_t CSampFS::Next() {
    if (!IsValid()) throw std::logic_error("Can't increment invalid CSampFS");
    return index_++;
}

std::int32_t CSampFS::GetFrequency() const {
    if (!IsValid()) throw std::logic_error("Can't get frequency of invalid CSampFS object");
    return kRates[static_cast<std::size_t>(index_)];
}

std::int32_t CSampFS::GetIndex() const {
    if (!IsValid()) throw std::logic_error("Can't get index of invalid CSampFS object");
    return index_;
}

}  // namespace halvane::link

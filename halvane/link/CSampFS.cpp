#include "halvane/link/CSampFS.h"

#include "halvane/link/UnitClassLimits.h"

#include <stdexcept>

namespace halvane::link {

bool CSampFS::IsValid() const {
    const std::int32_t count = rateCount_ >= 0 ? rateCount_ : UnitClassLimits::RateCount();
    return index_ >= 0 && index_ < count && index_ < static_cast<std::int32_t>(kRates.size());
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

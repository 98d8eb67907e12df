#include "halvane/signal/DbleVect.h"

#include <algorithm>
#include <utility>

#include "halvane/signal/Parallel.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::signal {

DbleVect::DbleVect(int n) {
    if (n >= 1) {
        values_ = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(n));
        count_ = n;
    }
}

DbleVect::DbleVect(const DbleVect& other) : DbleVect(other.count_) {
    if (count_ > 0) std::copy_n(other.values_.get(), count_, values_.get());
}

DbleVect& DbleVect::operator=(const DbleVect& other) {
    if (this != &other) {
        DbleVect copy(other);
        *this = std::move(copy);
    }
    return *this;
}

DbleVect::DbleVect(DbleVect&& other) noexcept
    : count_(std::exchange(other.count_, 0)), values_(std::move(other.values_)) {}

DbleVect& DbleVect::operator=(DbleVect&& other) noexcept {
    count_ = std::exchange(other.count_, 0);
    values_ = std::move(other.values_);
    return *this;
}

void DbleVect::SetSize(int n) {
    if (n == count_) return;
    if (n < 1) {
        values_.reset();
        count_ = 0;
        return;
    }
    if (n < count_) {
        count_ = n;
        return;
    }
    auto grown = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(n));
    const double* src = values_.get();
    double* dst = grown.get();
    const int keep = count_;
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) dst[i] = i < keep ? src[i] : 0.0;
    values_ = std::move(grown);
    count_ = n;
}

void DbleVect::Assign(const double* values, int n) {
    DbleVect fresh(n);
    if (fresh.count_ > 0) std::copy_n(values, fresh.count_, fresh.values_.get());
    *this = std::move(fresh);
}

void DbleVect::Serialize(platform::ArchiveWriter& ar) const {
    ar.writeInt32(count_);
    if (count_ > 0) ar.writeDoubles(values_.get(), static_cast<std::size_t>(count_));
}

void DbleVect::Serialize(platform::ArchiveReader& ar) {
    const std::int32_t n = ar.readInt32();
    if (n <= 0) {
        values_.reset();
        count_ = 0;
        return;
    }
    ar.requireElements(n, sizeof(double), "a list of numbers");
    if (n != count_) *this = DbleVect(n);
    ar.readDoubles(values_.get(), static_cast<std::size_t>(n));
}

}  // namespace halvane::signal

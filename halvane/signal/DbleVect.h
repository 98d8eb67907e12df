#pragma once

#include <memory>

namespace platform {
class ArchiveReader;
class ArchiveWriter;
}  // namespace platform

namespace halvane::signal {

// A counted array of doubles: the storage of every number series of
// Halvane. The array holds at least Count() values and is absent when the
// count is 0.
class DbleVect {
public:
    DbleVect() = default;
    // n < 1 gives an empty vector; otherwise n values of unspecified contents.
    explicit DbleVect(int n);
    DbleVect(const DbleVect& other);
    DbleVect& operator=(const DbleVect& other);
    DbleVect(DbleVect&& other) noexcept;
    DbleVect& operator=(DbleVect&& other) noexcept;
    ~DbleVect() = default;

    int Count() const { return count_; }
    double* Data() { return values_.get(); }
    const double* Data() const { return values_.get(); }
    double& operator[](int i) { return values_[i]; }
    double operator[](int i) const { return values_[i]; }

    // Equal n does nothing; n < 1 frees the array; a smaller n only lowers
    // the count (the first n values stay); a larger n copies the count valid
    // values into a new array and zero-fills the rest.
    void SetSize(int n);
    // Replaces the contents by n values copied from `values`.
    void Assign(const double* values, int n);

    // Stored form: int32 count, then count little-endian doubles.
    void Serialize(platform::ArchiveWriter& ar) const;
    // A stored count of 0 or less empties the vector and reads nothing
    // more. A count larger than the stream can hold raises ArchiveException
    // before anything is allocated.
    void Serialize(platform::ArchiveReader& ar);

private:
    int count_ = 0;
    std::unique_ptr<double[]> values_;
};

}  // namespace halvane::signal

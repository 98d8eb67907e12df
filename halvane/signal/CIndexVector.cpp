#include "halvane/signal/CIndexVector.h"

#include <utility>

#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::signal {

namespace {

// The first index with a value strictly greater than x, or n when none.
int FirstAbove(const DbleVect& v, double x) {
    int i = 0;
    while (i < v.Count() && !(v[i] > x)) ++i;
    return i;
}

}  // namespace

int CIndexVector::NearestIndex(double x) const {
    const int n = Count();
    if (n == 0) return 0;
    const int i = FirstAbove(values_, x);
    if (i == 0) return 0;
    if (i == n) return n - 1;
    return (x - values_[i - 1] < values_[i] - x) ? i - 1 : i;
}

int CIndexVector::UpperIndex(double x) const {
    const int n = Count();
    if (n == 0) return 0;
    const int i = FirstAbove(values_, x);
    return i == n ? n - 1 : i;
}

void CIndexVector::Serialize(platform::ArchiveWriter& ar) const {
    ar.writeUInt16(static_cast<std::uint16_t>(kind_));
    values_.Serialize(ar);
}

void CIndexVector::Serialize(platform::ArchiveReader& ar) {
    const std::uint16_t kind = ar.readUInt16();
    DbleVect values;
    values.Serialize(ar);
    kind_ = kind;
    values_ = std::move(values);
}

}  // namespace halvane::signal

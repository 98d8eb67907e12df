#include "halvane/signal/CMeasSet.h"

#include <cmath>
#include <stdexcept>

#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::signal {

void CMeasSet::SetSize(int n) {
    positions_.clear();
    for (int i = 0; i < n; ++i) positions_.push_back(std::make_unique<CCurveSet>());
}

void CMeasSet::Clear() { positions_.clear(); }

CCurveSet* CMeasSet::Position(int position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return positions_[static_cast<std::size_t>(position)].get();
}

void CMeasSet::CopyFrom(const CMeasSet& other) {
    if (&other == this) return;
    SetSize(other.Count());
    for (int p = 0; p < Count(); ++p) positions_[p]->CopyFrom(*other.positions_[p]);
}

void CMeasSet::SetCurve(std::unique_ptr<CCurve>&& curve, int channel, int position) {
    CCurveSet* set = Position(position);
    if (set == nullptr) throw std::logic_error("Can't set curve at a position beyond the measurement set");
    set->Add(channel, std::move(curve));
}

CCurve* CMeasSet::GetCurve(int channel, int position) {
    CCurveSet* set = Position(position);
    if (set == nullptr) return nullptr;
    return (*set)[channel].get();
}

void CMeasSet::RemoveCurve(int channel, int position) {
    if (CCurveSet* set = Position(position)) set->Remove(channel);
}

void CMeasSet::Average(CCurveSet& out) {
    const int positions = Count();
    for (int c = 0; c < ChannelTable::kCount; ++c) {
        CCurve* first = GetCurve(c, 0);
        if (first == nullptr) continue;
        std::unique_ptr<CCurve> sum = first->Clone();
        sum->ToPolar();
        const int n = sum->Count();
        double* m = sum->A();
        for (int i = 0; i < n; ++i) m[i] *= m[i];
        int contributed = 1;
        for (int p = 1; p < positions; ++p) {
            CCurve* curve = GetCurve(c, p);
            if (curve == nullptr) continue;
            sum->AccumulatePower(*curve);
            ++contributed;
        }
        sum->ToPolar();
        const double k = 1.0 / contributed;
        m = sum->A();
        for (int i = 0; i < n; ++i) m[i] = std::sqrt(k * m[i]);
        sum->WrapPhase();
        out[c] = std::move(sum);
    }
}

void CMeasSet::Serialize(platform::ArchiveWriter& ar) const {
    ar.writeInt32(Count());
    for (const auto& set : positions_) set->Serialize(ar);
}

void CMeasSet::Serialize(platform::ArchiveReader& ar) {
    const std::int32_t count = ar.readInt32();
    if (count < 0)
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "The document is damaged: a measurement set of a negative count.");
    ar.requireElements(count, 4, "measurement set");
    CMeasSet loaded;
    loaded.SetSize(count);
    for (auto& set : loaded.positions_) set->Serialize(ar);
    positions_ = std::move(loaded.positions_);
}

}  // namespace halvane::signal

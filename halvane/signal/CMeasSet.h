#pragma once

#include <memory>
#include <vector>

#include "halvane/signal/CCurveSet.h"

namespace halvane::signal {

// The raw measurements of a run: one curve set per listening position
// (position 0 first), each a live set, possibly empty.
class CMeasSet {
public:
    CMeasSet() = default;
    CMeasSet(const CMeasSet&) = delete;
    CMeasSet& operator=(const CMeasSet&) = delete;
    CMeasSet(CMeasSet&&) noexcept = default;
    CMeasSet& operator=(CMeasSet&&) noexcept = default;
    virtual ~CMeasSet() = default;

    // Deletes every position and makes n empty ones (none for n < 1).
    void SetSize(int n);
    void Clear();
    int Count() const { return static_cast<int>(positions_.size()); }
    // The position's set; null when the position is not below the count.
    CCurveSet* Position(int position) const;
    // SetSize(other's count), then a deep copy position by position.
    void CopyFrom(const CMeasSet& other);

    // Stores the curve in the position's set at the channel, deleting a curve
    // stored there before. A position outside 0..count-1 or a channel key
    // CCurveSet::Add refuses throws std::logic_error and leaves the caller's
    // curve as it was.
    void SetCurve(std::unique_ptr<CCurve>&& curve, int channel, int position);
    // None when the position is not below the count; otherwise the position's
    // slot for the channel (inserting an empty slot when absent).
    CCurve* GetCurve(int channel, int position);
    void RemoveCurve(int channel, int position);

    // The spatial power average into `out`, channel by channel (0..7): the
    // root mean square of the magnitudes over the positions with a power-
    // weighted mean phase wrapped into (-pi, pi], on position 0's axis and
    // with its name. Channels position 0 lacks are left alone in `out`; a
    // later position that lacks the channel is left out of the mean. The
    // positions' curves are left polar (phases in [0, 2 pi)).
    void Average(CCurveSet& out);

    // Stored form: int32 count, then the count curve sets, position 0 first.
    void Serialize(platform::ArchiveWriter& ar) const;
    // Raises ArchiveException for a damaged stream; the set is unchanged
    // then.
    void Serialize(platform::ArchiveReader& ar);

private:
    std::vector<std::unique_ptr<CCurveSet>> positions_;
};

}  // namespace halvane::signal

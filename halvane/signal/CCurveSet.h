#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::signal {

// One curve per channel: the measured, averaged, target or calculated
// curves of one configuration. Keys are channel numbers (0..7; a loaded set
// also accepts 8). The set owns its curves. A key may be present with an
// empty slot (the subscript inserts one); counting, indexed access and
// storing skip empty slots.
class CCurveSet {
public:
    // The subwoofer's channel number.
    static constexpr int kSubwooferKey = ChannelTable::kSubwoofer;

    // Where NextKey stopped: the key (outside 0..7 when no curve was found)
    // and the set it walked.
    struct Cursor {
        int key;
        const CCurveSet* set;
    };

    CCurveSet() = default;
    CCurveSet(const CCurveSet&) = delete;
    CCurveSet& operator=(const CCurveSet&) = delete;
    CCurveSet(CCurveSet&&) noexcept = default;
    CCurveSet& operator=(CCurveSet&&) noexcept = default;
    virtual ~CCurveSet() = default;

    // Stores the curve at the key; the set owns it from then on, and a curve
    // stored there before is deleted. A negative key throws std::logic_error
    // "Can't add curve at -'ve index", a key above 8 (which the stored form
    // cannot carry) "Can't add curve beyond the last channel"; both leave
    // the set and the caller's curve as they were.
    void Add(int key, std::unique_ptr<CCurve>&& curve);
    // The key's curve, or null; inserts nothing.
    CCurve* Find(int key) const;
    bool HasCurve(int key) const;
    bool HasSubwooferCurve() const { return HasCurve(kSubwooferKey); }
    // Deletes the key's curve and removes the key.
    void Remove(int key);
    // The key's slot, inserted empty when absent. Assigning to it replaces
    // (and deletes) the curve stored there.
    std::unique_ptr<CCurve>& operator[](int key) { return slots_[key]; }

    virtual CCurve* GetAt(int i) const;
    virtual void Clear();
    virtual int Count() const;
    // The key of the i-th curve in ascending key order, or -1.
    int KeyAt(int i) const;

    // Clears this set and stores a clone of every curve of the other under
    // the same key.
    void CopyFrom(const CCurveSet& other);

    // The first key at or after `start` that holds a curve, stepping through
    // the channels 0..7 in order; stops with the first key past 7 when none
    // does.
    static Cursor NextKey(const CCurveSet& set, int start);

    // Stored form: int32 n, then n pairs of int32 key and curve, keys
    // ascending.
    void Serialize(platform::ArchiveWriter& ar) const;
    // Raises ArchiveException for a damaged set (a key outside 0..8, a
    // negative or impossible count, a damaged curve); the set is unchanged
    // then.
    void Serialize(platform::ArchiveReader& ar);

private:
    std::map<std::int32_t, std::unique_ptr<CCurve>> slots_;
};

}  // namespace halvane::signal

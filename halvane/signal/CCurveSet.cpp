#include "halvane/signal/CCurveSet.h"

#include <stdexcept>
#include <string>

#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::signal {

namespace {

// The bytes of the smallest stored entry: a key and an empty curve (an
// empty axis and empty values with their kind and form, the two skipped
// fields and an empty 8-bit name).
constexpr std::size_t kSmallestEntry = 4 + 23;

}  // namespace

void CCurveSet::Add(int key, std::unique_ptr<CCurve>&& curve) {
    if (key < 0) throw std::logic_error("Can't add curve at -'ve index");
    // A key the stored form cannot carry would make the document unreadable.
    if (key > ChannelTable::kNone) throw std::logic_error("Can't add curve beyond the last channel");
    slots_[key] = std::move(curve);
}

CCurve* CCurveSet::Find(int key) const {
    const auto it = slots_.find(key);
    return it != slots_.end() ? it->second.get() : nullptr;
}

bool CCurveSet::HasCurve(int key) const { return Find(key) != nullptr; }

void CCurveSet::Remove(int key) { slots_.erase(key); }

void CCurveSet::Clear() { slots_.clear(); }

int CCurveSet::Count() const {
    int n = 0;
    for (const auto& [key, curve] : slots_)
        if (curve) ++n;
    return n;
}

CCurve* CCurveSet::GetAt(int i) const {
    if (i < 0) return nullptr;
    for (const auto& [key, curve] : slots_)
        if (curve && i-- == 0) return curve.get();
    return nullptr;
}

int CCurveSet::KeyAt(int i) const {
    if (i < 0) return -1;
    for (const auto& [key, curve] : slots_)
        if (curve && i-- == 0) return key;
    return -1;
}

void CCurveSet::CopyFrom(const CCurveSet& other) {
    if (&other == this) return;
    std::map<std::int32_t, std::unique_ptr<CCurve>> copy;
    for (const auto& [key, curve] : other.slots_)
        if (curve) copy[key] = curve->Clone();
    slots_ = std::move(copy);
}

CCurveSet::Cursor CCurveSet::NextKey(const CCurveSet& set, int start) {
    // The channels are stepped as CSpkrs steps them: upwards through 0..7.
    int key = start;
    while (ChannelTable::IsChannel(key) && !set.HasCurve(key)) ++key;
    return {key, &set};
}

void CCurveSet::Serialize(platform::ArchiveWriter& ar) const {
    const int n = Count();
    ar.writeInt32(n);
    for (int i = 0; i < n; ++i) {
        ar.writeInt32(KeyAt(i));
        GetAt(i)->Serialize(ar);
    }
}

void CCurveSet::Serialize(platform::ArchiveReader& ar) {
    const std::int32_t n = ar.readInt32();
    if (n < 0) throw platform::ArchiveException(platform::ArchiveException::Cause::Generic, "The document is damaged: a curve set of a negative count.");
    ar.requireElements(n, kSmallestEntry, "curve set");
    // Read into a fresh map and keep it only when the whole set was read.
    std::map<std::int32_t, std::unique_ptr<CCurve>> loaded;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t key = ar.readInt32();
        auto curve = std::make_unique<CCurve>();
        curve->Serialize(ar);
        // A channel key outside 0..8 (8: all channels) is a damaged stream.
        if (key < 0 || key > ChannelTable::kNone)
            throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                             "The document is damaged: curve set key " + std::to_string(key) + " is not a channel.");
        loaded[key] = std::move(curve);
    }
    slots_ = std::move(loaded);
}

}  // namespace halvane::signal

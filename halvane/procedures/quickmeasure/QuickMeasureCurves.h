#pragma once

#include "halvane/signal/CCurve.h"

#include <cstdint>
#include <deque>
#include <memory>

namespace halvane::procedures {

// The curves Quick Measure shows: the last three responses, each in the
// colour of its place in the sequence of all curves shown (red, green,
// blue, red, ...). Starting a measurement empties the list but keeps the
// count, so the colours continue where they stopped. User-interface thread.
class QuickMeasureCurves {
public:
    static constexpr std::size_t kShown = 3;
    // 0x00BBGGRR: RGB(0xCC, 0, 0), RGB(0, 0xCC, 0), RGB(0, 0, 0xCC).
    static constexpr std::uint32_t kColours[3] = {0x0000CCu, 0x00CC00u, 0xCC0000u};

    struct Entry {
        std::shared_ptr<signal::CCurve> curve;
        std::uint32_t colour = 0;
    };

    // Appends a new curve, dropping the oldest beyond three. Answers whether
    // the graph should rescale: only while the list is still filling, so a
    // running display keeps the user's scale. A null curve is ignored
    // (false).
    bool Add(std::shared_ptr<signal::CCurve> curve);
    void Clear() { entries_.clear(); }

    const std::deque<Entry>& Entries() const { return entries_; }
    std::uint64_t ShownCount() const { return shown_; }

private:
    std::deque<Entry> entries_;
    std::uint64_t shown_ = 0;
};

}  // namespace halvane::procedures

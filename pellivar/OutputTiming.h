#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pellivar {

// The custom output resolution page's arithmetic, apart from its controls.
//
// The page keeps the total sizes H and V, the active sizes AH and AV, the
// sync starts and ends, the pixel clock P and the vertical refresh R
// consistent: in pixel-rate mode P is typed and R follows (R = P / V / H),
// in refresh mode R is typed and P follows (P = H x R x V). Each pass also
// narrows the ranges the controls accept. Divisions are in floating point
// and truncated toward zero. A range that depends on a size or rate that is
// not positive (a file or a reply may hold 0) is left as it was instead of
// dividing by it; a range whose maximum comes out below its minimum gets
// maximum = minimum.
struct OutputTiming {
    static constexpr std::int64_t kMinPixelRate = 27000000;
    static constexpr std::int64_t kMaxPixelRate = 165000000;
    static constexpr int kMinRefresh = 23;
    static constexpr int kMaxRefresh = 100;

    struct Range {
        int minimum = 0;
        int maximum = 0;
        friend bool operator==(const Range&, const Range&) = default;
    };

    struct Input {
        int totalH = 0, totalV = 0, activeH = 0, activeV = 0;
        int hSyncStart = 0, hSyncEnd = 0, vSyncStart = 0, vSyncEnd = 0;
        std::int64_t pixelRate = 0;
        int refresh = 0;
        bool pixelMode = true;
    };

    struct Result {
        std::int64_t pixelRate = 0;
        int refresh = 0;
        int f1Active = 0, f1Blank = 0, offset = 0;
        std::optional<Range> totalH, totalV, refreshRange;
        Range activeH, activeV, hSyncStart, hSyncEnd, vSyncStart, vSyncEnd;
    };

    static Result Recalc(const Input& in);

    // R = P / (H x V), truncated; `fallback` when H or V is not positive.
    static int RefreshOf(std::int64_t pixelRate, int totalH, int totalV, int fallback);

    // The pixel rate travels as two 16-bit halves, four lower-case hex
    // digits each (blanks of "%4x" become "0"): "fUse" high, "fUsd" low.
    // 74250000 goes out as "fUse046c" and "fUsdf710".
    static std::string HalfText(unsigned half);
    static std::string HighHalfCommand(std::int64_t pixelRate);
    static std::string LowHalfCommand(std::int64_t pixelRate);
    static constexpr const char* kHighQuery = "fU?e";
    static constexpr const char* kLowQuery = "fU?d";
    static constexpr const char* kHighKey = "fUe";
    static constexpr const char* kLowKey = "fUd";
    // A reply "fUe<hex>" / "fUd<hex>" (at most four hex digits after
    // optional blanks, as "%4x" reads) replaces that half of `pixelRate`.
    // False (nothing changed) for any other line.
    static bool ApplyHalfReply(const std::string& line, std::int64_t& pixelRate);
};

}  // namespace pellivar

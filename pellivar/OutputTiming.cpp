#include "pellivar/OutputTiming.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace pellivar {

namespace {

int truncToInt(double v) {
    if (!std::isfinite(v)) return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    return static_cast<int>(std::trunc(std::clamp(v, kMin, kMax)));
}

OutputTiming::Range range(int lo, int hi) { return {lo, std::max(lo, hi)}; }

}  // namespace

int OutputTiming::RefreshOf(std::int64_t pixelRate, int totalH, int totalV, int fallback) {
    if (totalH <= 0 || totalV <= 0) return fallback;
    return truncToInt(static_cast<double>(pixelRate) / totalV / totalH);
}

OutputTiming::Result OutputTiming::Recalc(const Input& in) {
    Result r;
    const double H = in.totalH, V = in.totalV;
    r.f1Active = in.activeV;
    r.f1Blank = in.totalV - in.activeV;
    r.offset = 0;
    r.refresh = in.refresh;
    r.pixelRate = in.pixelRate;

    const int hFloor = in.activeH + in.hSyncEnd;
    const int vFloor = in.activeV + in.vSyncEnd;
    if (in.pixelMode) {
        r.pixelRate = std::clamp(in.pixelRate, kMinPixelRate, kMaxPixelRate);
        const double P = static_cast<double>(r.pixelRate);
        if (in.totalV > 0) {
            const int lo = std::max(truncToInt(P / V / 100), hFloor);
            r.totalH = range(lo, std::max(truncToInt(P / V / 23), lo));
        }
        if (in.totalH > 0) {
            const int lo = std::max(truncToInt(P / H / 100), vFloor);
            r.totalV = range(lo, std::max(truncToInt(P / H / 23), lo));
        }
        r.refresh = RefreshOf(r.pixelRate, in.totalH, in.totalV, in.refresh);
        r.refreshRange = Range{kMinRefresh, kMaxRefresh};
    } else {
        Range rr{kMinRefresh, kMaxRefresh};
        if (in.totalH > 0 && in.totalV > 0) {
            rr.minimum = std::max(rr.minimum, truncToInt(kMinPixelRate / H / V));
            rr.maximum = std::min(rr.maximum, truncToInt(kMaxPixelRate / H / V));
        }
        rr = range(rr.minimum, rr.maximum);
        r.refreshRange = rr;
        r.refresh = std::clamp(in.refresh, rr.minimum, rr.maximum);
        const double R = r.refresh;
        if (in.totalV > 0 && R > 0) {
            const int lo = std::max(truncToInt(kMinPixelRate / V / R), hFloor);
            r.totalH = range(lo, std::max(truncToInt(kMaxPixelRate / V / R), lo));
        }
        if (in.totalH > 0 && R > 0) {
            const int lo = std::max(truncToInt(kMinPixelRate / H / R), vFloor);
            r.totalV = range(lo, std::max(truncToInt(kMaxPixelRate / H / R), lo));
        }
        r.pixelRate = static_cast<std::int64_t>(in.totalH) * r.refresh * in.totalV;
    }

    r.activeH = range(1, in.totalH - in.hSyncEnd);
    r.activeV = range(1, in.totalV - in.vSyncEnd);
    r.hSyncStart = range(1, in.totalH - in.activeH - 1);
    r.hSyncEnd = range(in.hSyncStart + 1, in.totalH - in.activeH);
    r.vSyncStart = range(1, in.totalV - in.activeV - 1);
    r.vSyncEnd = range(in.vSyncStart + 1, in.totalV - in.activeV);
    return r;
}

std::string OutputTiming::HalfText(unsigned half) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kHex[half & 0xF];
        half >>= 4;
    }
    return text;
}

std::string OutputTiming::HighHalfCommand(std::int64_t pixelRate) {
    return std::string("fUse") + HalfText(static_cast<unsigned>((pixelRate >> 16) & 0xFFFF));
}

std::string OutputTiming::LowHalfCommand(std::int64_t pixelRate) {
    return std::string("fUsd") + HalfText(static_cast<unsigned>(pixelRate & 0xFFFF));
}

bool OutputTiming::ApplyHalfReply(const std::string& line, std::int64_t& pixelRate) {
    const bool high = line.rfind(kHighKey, 0) == 0;
    const bool low = line.rfind(kLowKey, 0) == 0;
    if (!high && !low) return false;
    std::size_t i = 3;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    unsigned v = 0;
    int digits = 0;
    for (; i < line.size() && digits < 4; ++i, ++digits) {
        const int c = std::tolower(static_cast<unsigned char>(line[i]));
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (d < 0) break;
        v = v * 16 + static_cast<unsigned>(d);
    }
    if (digits == 0) return false;
    const std::uint32_t old = static_cast<std::uint32_t>(pixelRate);
    const std::uint32_t now = high ? ((old & 0xFFFFu) | (v << 16)) : ((old & 0xFFFF0000u) | v);
    pixelRate = static_cast<std::int64_t>(now);
    return true;
}

}  // namespace pellivar

#include "RoomFigure.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <string>

#include "halvane/document/FilterSet.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/link/VuxV1Base.h"
#include "halvane/signal/CCurve.h"
#include "sim/Room.h"

using namespace halvane::signal;

namespace roomfigure {

double Chain::MagnitudeDb(double hz) const {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * hz / rate);
    const std::complex<double> z2 = z1 * z1;
    double db = 0.5 * gainSteps + 20.0 * std::log10(std::fabs(scale));
    for (const Stage& s : stages)
        db += 20.0 * std::log10(std::abs(s.b0 + s.b1 * z1 + s.b2 * z2) / std::abs(1.0 + s.a1 * z1 + s.a2 * z2));
    return db;
}

std::vector<double> Chain::MagnitudeDb(const std::vector<double>& hz) const {
    std::vector<double> out;
    out.reserve(hz.size());
    for (double f : hz) out.push_back(MagnitudeDb(f));
    return out;
}

double FromCoefficientWord(std::uint32_t word) {
    word &= 0xFFFFFFu;
    return (word & 0x800000u) != 0 ? (static_cast<double>(word) - 16777216.0) / 8388608.0
                                   : static_cast<double>(word) / 8388607.0;
}

std::int32_t FromGainWord(std::uint32_t word) {
    word &= 0xFFFFFFu;
    return (word & 0x800000u) != 0 ? static_cast<std::int32_t>(word) - 0x1000000 : static_cast<std::int32_t>(word);
}

Chain ChainFromWords(const DspMemory& memory, const BlockLayout& layout, int configuration, int rateSlot, int slot,
                     double rateHz) {
    const auto block = static_cast<std::uint32_t>(configuration * layout.rates + rateSlot);
    const auto word = [&](std::uint32_t address) { return memory.at(address); };
    Chain chain;
    chain.rate = rateHz;
    for (int b = 0; b < layout.stages; ++b) {
        const std::uint32_t base =
            layout.coefficientBase + block * 640 + static_cast<std::uint32_t>(slot * layout.stages + b) * 8;
        // Words: b2/2, b1/2, b0/2, a2/2, a1/2.
        Stage s;
        s.b2 = 2 * FromCoefficientWord(word(base));
        s.b1 = 2 * FromCoefficientWord(word(base + 1));
        s.b0 = 2 * FromCoefficientWord(word(base + 2));
        s.a2 = 2 * FromCoefficientWord(word(base + 3));
        s.a1 = 2 * FromCoefficientWord(word(base + 4));
        chain.stages.push_back(s);
    }
    chain.gainSteps = FromGainWord(word(layout.gainBase + block * 8 + static_cast<std::uint32_t>(slot)));
    return chain;
}

Chain ChainFromReceiverWords(const ReceiverWords& words, int configuration, int rateSlot, int channel, int stages,
                             double rateHz) {
    const int code = halvane::link::ConTypes::VuxV1Base::kChannelCode[channel];
    const auto value = [&](const char* word) { return static_cast<double>(std::bit_cast<float>(words.at(word))); };
    char word[32];
    Chain chain;
    chain.rate = rateHz;
    for (int b = 0; b < stages; ++b) {
        double d[4];
        for (int i = 0; i < 4; ++i) {
            std::snprintf(word, sizeof word, "C%d%d%d%d%d", configuration, code, rateSlot, b, i);
            d[i] = value(word);
        }
        chain.stages.push_back({1.0, d[0], d[1], -d[2], -d[3]});
    }
    std::snprintf(word, sizeof word, "G%d%d%d", configuration, code, rateSlot);
    chain.scale = value(word);
    return chain;
}

Chain HeldFilters::ChainAt(int configuration, int rateSlot, int channel, double rateHz) const {
    if (unitKind == 4) return ChainFromReceiverWords(words, configuration, rateSlot, channel, layout.stages, rateHz);
    int slot = 0;
    while (halvane::link::ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot] != channel) ++slot;
    return ChainFromWords(memory, layout, configuration, rateSlot, slot, rateHz);
}

Chain ChainFromFilterSet(const halvane::document::FilterSet& set, int stages, double rateHz) {
    Chain chain;
    chain.rate = rateHz;
    for (int b = 0; b < stages && b < halvane::document::FilterSet::kMaxStages; ++b) {
        const halvane::design::Biquad& q = set.Stages[static_cast<std::size_t>(b)];
        Stage s;
        if (q.inUse != 0) s = {2 * q.b0_2, 2 * q.b1_2, 2 * q.b2_2, 2 * q.a1_2, 2 * q.a2_2};
        chain.stages.push_back(s);
    }
    chain.gainSteps = FromGainWord(static_cast<std::uint32_t>(set.Gain));
    return chain;
}

Band FitBand(double lowerEqLimit, double upperEqLimit, int fitRate) {
    return {lowerEqLimit * std::numbers::sqrt2,
            std::min(upperEqLimit / std::numbers::sqrt2, std::min(static_cast<double>(fitRate / 4), 12000.0))};
}

std::vector<double> PointsIn(const CCurve& grid, const Band& band) {
    std::vector<double> hz;
    for (int i = 0; i < grid.Count(); ++i)
        if (grid.X()[i] >= band.lo && grid.X()[i] <= band.hi) hz.push_back(grid.X()[i]);
    return hz;
}

std::vector<double> DbAt(const CCurve& curve, const std::vector<double>& hz) {
    auto db = curve.Clone();
    db->ToDecibel();
    std::vector<double> out;
    out.reserve(hz.size());
    for (double f : hz) out.push_back(db->ValueAt(0, f).first);
    return out;
}

Judgement Judge(const std::vector<std::vector<double>>& positionsDb, const std::vector<double>& targetDb,
                const std::vector<double>& correctionDb) {
    Judgement j;
    if (positionsDb.empty() || targetDb.empty()) return j;
    const std::size_t n = targetDb.size();
    if (correctionDb.size() != n) throw std::invalid_argument("correction and target differ in length");
    double sum = 0;
    for (const auto& p : positionsDb) {
        if (p.size() != n) throw std::invalid_argument("position and target differ in length");
        for (std::size_t i = 0; i < n; ++i) sum += p[i] + correctionDb[i] - targetDb[i];
    }
    j.offsetDb = sum / static_cast<double>(n * positionsDb.size());
    double all = 0;
    for (const auto& p : positionsDb) {
        double squares = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double d = p[i] + correctionDb[i] - targetDb[i] - j.offsetDb;
            squares += d * d;
        }
        all += squares;
        j.perPosition.push_back(std::sqrt(squares / static_cast<double>(n)));
    }
    j.rmsDb = std::sqrt(all / static_cast<double>(n * positionsDb.size()));
    return j;
}

Judgement JudgeUncorrected(const std::vector<std::vector<double>>& positionsDb, const std::vector<double>& targetDb) {
    return Judge(positionsDb, targetDb, std::vector<double>(targetDb.size(), 0.0));
}

std::vector<double> IdealCorrectionDb(const std::vector<std::vector<double>>& positionsDb,
                                      const std::vector<double>& targetDb) {
    std::vector<double> out(targetDb.size(), 0.0);
    if (positionsDb.empty()) return out;
    for (std::size_t i = 0; i < targetDb.size(); ++i) {
        double power = 0;
        for (const auto& p : positionsDb) power += std::pow(10.0, p.at(i) / 10.0);
        out[i] = targetDb[i] - 10.0 * std::log10(power / static_cast<double>(positionsDb.size()));
    }
    return out;
}

double LargestDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double worst = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

CCurve TrueCurve(const sim::Room& room, int channel, int position) {
    constexpr int kPoints = 8193;
    const double nyquist = room.rate() / 2.0;
    CCurve curve(kPoints, 0, 0);
    for (int i = 0; i < kPoints; ++i) {
        const double f = nyquist * i / (kPoints - 1);
        const std::complex<double> h = room.response(channel, position, f);
        curve.X()[i] = f;
        curve.A()[i] = std::norm(h);
        curve.B()[i] = 0.0;
    }
    // Power, zero phase: the smoothing averages power whatever the path's
    // delay and phase.
    curve.Smooth(6, 25, 5, 48000);
    for (int i = 0; i < curve.Count(); ++i) curve.A()[i] = std::sqrt(curve.A()[i]);
    return curve;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace roomfigure

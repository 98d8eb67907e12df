// The choice of held coefficients: a low near-cancelling pole/zero pair at
// the high rates, where rounding each coefficient alone pulls the pair
// apart, on a lattice like the flagship's words and on one like the
// receiver's floats.

#include "halvane/design/HeldCoefficients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

using namespace halvane::design;

namespace {

// Steps of 2^-22 in [-2, 2], as the flagship's halved 24-bit words give
// (the two scalings of the sign are 1 part in 8 million apart; immaterial
// here).
class StepLattice final : public CoefficientLattice {
public:
    bool HoldsNumeratorRatios() const override { return false; }
    double Nearest(double x) const override {
        if (!(x >= -2.0 && x <= 2.0)) return std::numeric_limits<double>::quiet_NaN();
        return std::round(x * 4194304.0) / 4194304.0;
    }
    double Spacing(double) const override { return 1.0 / 4194304.0; }
};

// Single floats of b1/b0, b2/b0, a1, a2; b0 free.
class FloatLattice final : public CoefficientLattice {
public:
    bool HoldsNumeratorRatios() const override { return true; }
    double Nearest(double x) const override { return static_cast<double>(static_cast<float>(x)); }
    double Spacing(double x) const override {
        const float f = std::fabs(static_cast<float>(x));
        return static_cast<double>(std::nextafter(f, 10.0f)) - static_cast<double>(f);
    }
};

// A pair (c1, c2) of roots at f Hz with quality q.
void Pair(double f, double q, double rate, double& c1, double& c2) {
    const double w = 2.0 * std::numbers::pi * f / rate;
    const double r = std::exp(-w / (2.0 * q));
    c1 = -2.0 * r * std::cos(w * std::sqrt(1.0 - 1.0 / (4.0 * q * q)));
    c2 = r * r;
}

// Three stages at `rate`: a dip of poles at 35 Hz over zeros at 37 Hz, its
// twin a little higher, and a presence peak at 3 kHz; numerators scaled so
// no coefficient passes 2, as the calculation leaves them.
FilterDesign RoomLikeChain(int rate) {
    FilterDesign d;
    d.InitStages(3);
    d.SampleRate = rate;
    d.GainSteps = -3;
    const double pole[3] = {35.0, 48.0, 3000.0}, zero[3] = {37.0, 45.0, 3100.0};
    const double qp[3] = {4.0, 5.0, 2.0}, qz[3] = {3.5, 5.5, 2.5};
    for (std::size_t k = 0; k < 3; ++k) {
        Pair(pole[k], qp[k], rate, d.A1[k], d.A2[k]);
        double b1 = 0, b2 = 0;
        Pair(zero[k], qz[k], rate, b1, b2);
        const double scale = 2.0 / std::max({1.0, std::fabs(b1), std::fabs(b2)}) * 0.999;
        // (so b1 sits just inside -2, as the calculation leaves a low pair)
        d.B0[k] = scale;
        d.B1[k] = scale * b1;
        d.B2[k] = scale * b2;
    }
    return d;
}

FilterDesign EachRounded(const FilterDesign& d, const CoefficientLattice& lattice) {
    FilterDesign q = d;
    for (auto* v : {&q.B0, &q.B1, &q.B2, &q.A1, &q.A2})
        for (double& c : *v) c = lattice.Nearest(c);
    return q;
}

void ExpectHeldAndStable(const FilterDesign& held, const CoefficientLattice& lattice) {
    for (std::size_t k = 0; k < held.B0.size(); ++k) {
        EXPECT_EQ(held.A0[k], 1.0);
        EXPECT_EQ(lattice.Nearest(held.A1[k]), held.A1[k]) << k;
        EXPECT_EQ(lattice.Nearest(held.A2[k]), held.A2[k]) << k;
        if (lattice.HoldsNumeratorRatios()) {
            EXPECT_EQ(lattice.Nearest(held.B1[k] / held.B0[k]), held.B1[k] / held.B0[k]) << k;
            EXPECT_EQ(lattice.Nearest(held.B2[k] / held.B0[k]), held.B2[k] / held.B0[k]) << k;
        } else {
            for (double c : {held.B0[k], held.B1[k], held.B2[k]}) EXPECT_EQ(lattice.Nearest(c), c) << k;
        }
        EXPECT_LT(std::fabs(held.A2[k]), 1.0) << k;
        EXPECT_LT(std::fabs(held.A1[k]), 1.0 + held.A2[k]) << k;
    }
}

}  // namespace

TEST(HeldCoefficients, KeepsLowPairsTogetherOnTheFlagshipsWordsAtEveryHighRate) {
    const StepLattice lattice;
    for (int rate : {96000, 176400, 192000}) {
        const FilterDesign exact = RoomLikeChain(rate);
        const double alone = LargestChainDifferenceDb(exact, EachRounded(exact, lattice), 20.0, 20000.0);
        FilterDesign held = exact;
        ChooseHeldCoefficients(held, lattice);
        double rms = 0.0;
        const double worst = LargestChainDifferenceDb(exact, held, 20.0, 20000.0, &rms);
        // Rounding alone is what the chain must not be left with at the
        // highest rates (4.5 to 5 dB off). The choice keeps within 0.6 dB
        // everywhere (the grid leaning towards where the chain is off);
        // what it still loses is the low pair's gain below it (its two sums
        // hold only 5 or 6 steps at 176.4 and 192 kHz).
        if (rate > 96000) {
            EXPECT_GT(alone, 1.0) << rate;
        }
        EXPECT_LT(worst, std::min(alone / 2.0, 0.7)) << rate << " rounded alone " << alone;
        EXPECT_LT(rms, 0.2) << rate;
        EXPECT_EQ(held.GainSteps, exact.GainSteps);
        ExpectHeldAndStable(held, lattice);
    }
}

TEST(HeldCoefficients, HoldsTheReceiversRatiosAndLeavesAStageThatRoundsWellAlone) {
    const FloatLattice lattice;
    const FilterDesign exact = RoomLikeChain(192000);
    FilterDesign held = exact;
    ChooseHeldCoefficients(held, lattice);
    EXPECT_LT(LargestChainDifferenceDb(exact, held, 20.0, 20000.0), 0.6);
    ExpectHeldAndStable(held, lattice);

    // The presence peak loses nothing worth a search: it keeps its
    // rounding, coefficient by coefficient.
    const StepLattice words;
    FilterDesign high = RoomLikeChain(48000);
    high.StageCount = 1;
    for (auto* v : {&high.B0, &high.B1, &high.B2, &high.A0, &high.A1, &high.A2}) *v = {(*v)[2]};
    FilterDesign chosen = high;
    ChooseHeldCoefficients(chosen, words);
    const FilterDesign rounded = EachRounded(high, words);
    EXPECT_EQ(chosen.B0, rounded.B0);
    EXPECT_EQ(chosen.B1, rounded.B1);
    EXPECT_EQ(chosen.A1, rounded.A1);
    EXPECT_EQ(chosen.A2, rounded.A2);
}

TEST(HeldCoefficients, SlotsChosenSideBySideGetTheWordsEachGetsAlone) {
    // The calculation chooses a channel's rate slots at once on several
    // threads; each slot's words must be those it gets on its own, whatever
    // ran beside it (an empty slot stays out of the way).
    const StepLattice lattice;
    std::vector<FilterDesign> together, alone;
    for (int rate : {48000, 96000, 176400, 192000}) {
        together.push_back(RoomLikeChain(rate));
        alone.push_back(RoomLikeChain(rate));
    }
    std::vector<FilterDesign*> slots;
    for (FilterDesign& d : together) slots.push_back(&d);
    slots.insert(slots.begin() + 1, nullptr);
    ChooseHeldCoefficients(slots, lattice);
    for (std::size_t k = 0; k < alone.size(); ++k) {
        ChooseHeldCoefficients(alone[k], lattice);
        for (auto member : {&FilterDesign::B0, &FilterDesign::B1, &FilterDesign::B2, &FilterDesign::A1,
                            &FilterDesign::A2})
            EXPECT_EQ(together[k].*member, alone[k].*member) << together[k].SampleRate;
    }
}

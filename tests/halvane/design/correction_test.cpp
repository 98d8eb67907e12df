// The built-in input corrections: the generated tables (telling rows, the
// documented ranges, exact row frequencies), the manager's modes, and the
// removal of a correction from measured curves. The tables are written by
// data/make_correction_tables.py (scipy's PchipInterpolator through the
// telling rows and the range extremes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/design/CorrectionTables.h"
#include "halvane/design/CurveLevel.h"

using namespace halvane::design;
using namespace halvane::signal;

namespace {

// The calibration template of a flat input: 0 dB on the uniform 0-24 kHz
// grid of a 65536-point take at 48 kHz.
CCurve FlatUniform(double levelDb = 0.0) {
    const int n = 32769;
    CCurve c(n, CIndexVector::Frequency, CComplexVector::Decibel);
    for (int i = 0; i < n; ++i) {
        c.X()[i] = i * (24000.0 / (n - 1));
        c.A()[i] = levelDb;
        c.B()[i] = 0.0;
    }
    return c;
}

struct Telling {
    int row;
    double aDb, aPhase, bDb, bPhase;
};
constexpr Telling kTelling[] = {
    {0, -9.062513, 116.984254, 0.537129, 23.917042},
    {25, -6.091462, 102.369277, 1.057669, 45.839834},
    {100, -0.258113, 315.450986, -0.067533, 388.14686},
    {150, 0.903959, 69.970816, 0.699163, 1633.763261},
    {250, 1.727445, 104.001577, -3.448404, 25796.373739},
    {280, 1.855074, 295.645431, 16.922039, 59390.569804},
};

}  // namespace

TEST(CorrectionTables, RowFrequenciesAreExactOnTheOctaves) {
    EXPECT_EQ(CorrectionTableFrequency(0), 10.0);
    EXPECT_EQ(CorrectionTableFrequency(25), 20.0);
    EXPECT_EQ(CorrectionTableFrequency(100), 160.0);
    EXPECT_EQ(CorrectionTableFrequency(275), 20480.0);
    EXPECT_NEAR(CorrectionTableFrequency(280), 23525.34231, 1e-5);
    for (int k = 1; k < kCorrectionTableRows; ++k) EXPECT_GT(CorrectionTableFrequency(k), CorrectionTableFrequency(k - 1));
}

TEST(CorrectionTables, HoldTheTellingRowsAndStayInTheirRanges) {
    for (const Telling& t : kTelling) {
        EXPECT_EQ(kCorrectionTableA[t.row].level, t.aDb) << t.row;
        EXPECT_EQ(kCorrectionTableA[t.row].phase, t.aPhase) << t.row;
        EXPECT_EQ(kCorrectionTableB[t.row].level, t.bDb) << t.row;
        EXPECT_EQ(kCorrectionTableB[t.row].phase, t.bPhase) << t.row;
    }
    auto range = [](const auto& table, double CorrectionTableRow::*field) {
        double lo = 1e300, hi = -1e300;
        for (const auto& r : table) {
            lo = std::min(lo, r.*field);
            hi = std::max(hi, r.*field);
        }
        return std::make_pair(lo, hi);
    };
    EXPECT_EQ(range(kCorrectionTableA, &CorrectionTableRow::level), std::make_pair(-9.062513, 4.830849));
    EXPECT_EQ(range(kCorrectionTableA, &CorrectionTableRow::phase), std::make_pair(-22.157048, 395.578519));
    EXPECT_EQ(range(kCorrectionTableB, &CorrectionTableRow::level), std::make_pair(-7.041322, 18.751658));
    for (int k = 1; k < kCorrectionTableRows; ++k) EXPECT_GT(kCorrectionTableB[k].phase, kCorrectionTableB[k - 1].phase);
    // No jumps between rows: neighbours within 1.5 dB.
    for (int k = 1; k < kCorrectionTableRows; ++k) {
        EXPECT_LT(std::fabs(kCorrectionTableA[k].level - kCorrectionTableA[k - 1].level), 1.5) << k;
        EXPECT_LT(std::fabs(kCorrectionTableB[k].level - kCorrectionTableB[k - 1].level), 1.5) << k;
    }
}

TEST(CorrectionTables, TableCurveIsInTheDecibelForm) {
    const auto b = MakeCorrectionTableCurve(2);
    ASSERT_EQ(b->Count(), kCorrectionTableRows);
    EXPECT_EQ(b->Form(), CComplexVector::Decibel);
    EXPECT_EQ(b->X()[25], 20.0);
    EXPECT_EQ(b->A()[280], 16.922039);
    EXPECT_EQ(b->B()[150], 1633.763261);
}

TEST(CorrectionManager, OnlyModesOneToThreeMakeAManager) {
    const CCurve flat = FlatUniform();
    for (int mode : {-1, 0, 4, 99}) EXPECT_EQ(CCurveCorrectionManager::Create(mode, flat), nullptr) << mode;
    for (int mode : {1, 2, 3}) {
        auto m = CCurveCorrectionManager::Create(mode, flat);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->Mode(), mode);
        EXPECT_EQ(m->Reference().Count(), flat.Count());
        EXPECT_EQ(m->Reference().A()[100], 0.0);
    }
}

TEST(CorrectionManager, ModeTwoLowersAFlatCurveBy2913Decibels) {
    auto m = CCurveCorrectionManager::Create(2, FlatUniform());
    ASSERT_NE(m, nullptr);
    // The template's own grid smoothed onto 25 points per octave from 5 Hz.
    const CCurve& correction = m->Correction();
    EXPECT_EQ(correction.X()[0], 5.0);
    EXPECT_LE(correction.X()[correction.Count() - 1], 24000.0);
    EXPECT_NEAR(correction.X()[25], 10.0, 1e-9);

    CCurve measured = FlatUniform(-3.0);
    m->Apply(measured);
    ASSERT_EQ(measured.Count(), correction.Count());
    for (int i = 0; i < measured.Count(); ++i) {
        EXPECT_EQ(measured.X()[i], correction.X()[i]);
        EXPECT_NEAR(LevelDbAt(measured, i), -3.0 - 29.13, 0.01) << measured.X()[i];
    }
}

TEST(CorrectionManager, TableModesRemoveGainAndTable) {
    const std::pair<int, double> modes[] = {{1, -22.3}, {3, -7.52}};
    for (auto [mode, gain] : modes) {
        auto m = CCurveCorrectionManager::Create(mode, FlatUniform());
        ASSERT_NE(m, nullptr);
        // The table's axis, smoothed from its second row (10.28 Hz) on.
        EXPECT_NEAR(m->Correction().X()[0], 10.0 * std::exp2(1.0 / 25.0), 1e-9);
        CCurve measured = FlatUniform();
        m->Apply(measured);
        const auto& table = mode == 1 ? kCorrectionTableA : kCorrectionTableB;
        // At 640 Hz and 160 Hz (table rows 150 and 100) the table is smooth,
        // so the third-octave smoothing moves it by little.
        for (int row : {100, 150}) {
            const double f = CorrectionTableFrequency(row);
            const int i = measured.Axis().NearestIndex(f);
            EXPECT_NEAR(measured.X()[i], f, 1e-6);
            EXPECT_NEAR(LevelDbAt(measured, i), -(gain + table[row].level), 0.1) << "mode " << mode << " row " << row;
        }
    }
}

TEST(CorrectionManager, CurveOnTheCorrectionGridIsDividedInPlace) {
    auto m = CCurveCorrectionManager::Create(3, FlatUniform());
    ASSERT_NE(m, nullptr);
    CCurve measured;
    m->Correction().CopyTo(measured);
    measured.SetName("Left Front");
    const double* a = measured.A();
    const double* x = measured.X();
    m->Apply(measured);
    EXPECT_EQ(measured.A(), a);
    EXPECT_EQ(measured.X(), x);
    EXPECT_EQ(measured.Name(), "Left Front");
    for (int i = 0; i < measured.Count(); ++i) EXPECT_NEAR(MagnitudeAt(measured, i), 1.0, 1e-12);
}

TEST(CorrectionManager, ApplyLeavesTheCorrectionUnchanged) {
    auto m = CCurveCorrectionManager::Create(1, FlatUniform());
    ASSERT_NE(m, nullptr);
    CCurve before;
    m->Correction().CopyTo(before);
    for (int k = 0; k < 3; ++k) {
        CCurve measured = FlatUniform(k);
        m->Apply(measured);
    }
    ASSERT_EQ(m->Correction().Count(), before.Count());
    EXPECT_EQ(m->Correction().Form(), before.Form());
    EXPECT_TRUE(std::equal(before.A(), before.A() + before.Count(), m->Correction().A()));
    EXPECT_TRUE(std::equal(before.B(), before.B() + before.Count(), m->Correction().B()));
}

TEST(MakeCorrectionCurve, DividesByTheChosenTableOnly) {
    for (int type : {1, 2}) {
        const auto table = MakeCorrectionTableCurve(type);
        CCurve curve;
        table->CopyTo(curve);
        for (int i = 0; i < curve.Count(); ++i) {
            curve.A()[i] = 0.0;
            curve.B()[i] = 0.0;
        }
        MakeCorrectionCurve(curve, type);
        const auto& rows = type == 1 ? kCorrectionTableA : kCorrectionTableB;
        for (int k = 0; k < kCorrectionTableRows; k += 20) EXPECT_NEAR(LevelDbAt(curve, k), -rows[k].level, 1e-9);
    }
    CCurve untouched = FlatUniform(2.0);
    for (int type : {0, 3, 4}) {
        MakeCorrectionCurve(untouched, type);
        EXPECT_EQ(untouched.Form(), CComplexVector::Decibel);
        EXPECT_EQ(untouched.A()[500], 2.0);
    }
}

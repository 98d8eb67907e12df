// Grid steps, grid lines and their labels. The expected lists were printed
// by /usr/bin/python3 running the same rules written out in Python (loops
// over math.fmod, math.floor(math.log10(...)) and 10 ** k, exactly as the
// comments of each case give them); labels against Python's '%.8g' % v.
#include "halvane/app/models/AxisTicks.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

using namespace halvane::app::models;

namespace {

using namespace halvane;

std::vector<double> Values(const std::vector<AxisTick>& ticks, bool major) {
    std::vector<double> out;
    for (const AxisTick& t : ticks)
        if (t.major == major) out.push_back(t.value);
    return out;
}

TEST(AxisTicks, NiceStepRoundsToOneTwoOrFive) {
    // b = 10 ** math.floor(math.log10(s)); b / 5 if s / b <= 2 else b / 2 if s / b < 5 else b
    EXPECT_DOUBLE_EQ(NiceStep(50), 10.0);
    EXPECT_DOUBLE_EQ(NiceStep(100), 20.0);
    EXPECT_DOUBLE_EQ(NiceStep(290), 50.0);
    EXPECT_DOUBLE_EQ(NiceStep(0.7), 0.1);
    EXPECT_DOUBLE_EQ(NiceStep(19980), 2000.0);
    EXPECT_DOUBLE_EQ(NiceStep(5), 1.0);
    EXPECT_DOUBLE_EQ(NiceStep(1), 0.2);
    EXPECT_DOUBLE_EQ(NiceStep(3.3), 0.5);
    EXPECT_DOUBLE_EQ(NiceStep(99.99999999999986), 20.0);
    EXPECT_DOUBLE_EQ(NiceStep(49.99999999999999), 10.0);
    EXPECT_EQ(NiceStep(0), 0.0);
    EXPECT_EQ(NiceStep(-4), 0.0);
}

TEST(AxisTicks, AxisStepCountsWholeDecadesOnALogAxis) {
    // math.floor(math.log10(20000 / 20)) = 3
    EXPECT_DOUBLE_EQ(AxisStep(true, 20, 20000), 3.0);
    EXPECT_DOUBLE_EQ(AxisStep(true, 100, 1000), 1.0);
    // Less than a decade: a linear step.
    EXPECT_DOUBLE_EQ(AxisStep(true, 1000, 1100), 20.0);
    EXPECT_DOUBLE_EQ(AxisStep(false, -50, 0), 10.0);
    EXPECT_EQ(AxisStep(false, 3, 3), 0.0);
    EXPECT_TRUE(SpansDecade(20, 200));
    EXPECT_FALSE(SpansDecade(20, 199));
}

TEST(AxisTicks, LinearXLinesStartOneStepPastTheLowEndsResidue) {
    EXPECT_EQ(Values(LinearXTicks(-50, 0, 10), true), (std::vector<double>{-40, -30, -20, -10, 0}));
    EXPECT_EQ(Values(LinearXTicks(1000, 1100, 20), true), (std::vector<double>{1020, 1040, 1060, 1080, 1100}));
    EXPECT_EQ(Values(LinearXTicks(-7, 13, 5), true), (std::vector<double>{-5, 0, 5, 10}));
    // Ends on the grid with rounding noise (a logarithmic axis gives back
    // 999.9999999999998 and 1099.9999999999998) keep the lines of exact ends.
    const auto noisy = Values(LinearXTicks(999.9999999999998, 1099.9999999999998, 20), true);
    ASSERT_EQ(noisy.size(), 5u);
    EXPECT_NEAR(noisy.front(), 1020, 1e-9);
    EXPECT_NEAR(noisy.back(), 1100, 1e-9);
    // A step of 0 (an empty range) or one too small for its values draws none.
    EXPECT_TRUE(LinearXTicks(0, 10, 0).empty());
    EXPECT_TRUE(LinearXTicks(1e20, 1e20 + 1e6, 1e-5).empty());
}

TEST(AxisTicks, LinearYLinesWithMinorSteps) {
    const auto ticks = LinearYTicks(-47.5, -2.5, 10, 5);
    EXPECT_EQ(Values(ticks, true), (std::vector<double>{-40, -30, -20, -10}));
    EXPECT_EQ(Values(ticks, false), (std::vector<double>{-46, -44, -42, -38, -36, -34, -32, -28, -26, -24, -22,
                                                         -18, -16, -14, -12, -8, -6, -4}));
    // A low end on the grid is a line of its own.
    EXPECT_EQ(Values(LinearYTicks(-50, 0, 10, 5), true), (std::vector<double>{-50, -40, -30, -20, -10, 0}));
    EXPECT_TRUE(LinearYTicks(0, 1, -1, 5).empty());
}

TEST(AxisTicks, LogLinesAtOneTwoFivePerDecade) {
    const auto ticks = LogTicks(20, 20000);
    EXPECT_EQ(Values(ticks, true), (std::vector<double>{20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000}));
    EXPECT_EQ(Values(ticks, false), (std::vector<double>{30, 40, 60, 70, 80, 90, 150, 300, 400, 600, 700, 800, 900,
                                                         1500, 3000, 4000, 6000, 7000, 8000, 9000, 15000}));
    EXPECT_TRUE(LogTicks(0, 10).empty());
}

TEST(AxisTicks, LabelsAreShortGeneralNumbersInAnyLocale) {
    // A decimal-comma locale, where the machine has one, must not change them.
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(FormatXLabel(20, 3, false), "20");
    EXPECT_EQ(FormatXLabel(2000, 3, false), "2k");
    EXPECT_EQ(FormatXLabel(1500, 0, false), "1.5k");
    EXPECT_EQ(FormatXLabel(0.25, 0.05, false), "0.25");
    EXPECT_EQ(FormatXLabel(-2000, 500, false), "-2k");
    EXPECT_EQ(FormatXLabel(0.125, 0.05, true), "125");
    // Float noise near zero on a linear axis reads 0, never "-0" or "2.7e-15".
    EXPECT_EQ(FormatYLabel(2.7e-15, 10), "0");
    EXPECT_EQ(FormatYLabel(-1e-16, 0.2), "0");
    EXPECT_EQ(FormatYLabel(-30, 10), "-30");
    // '%.8g' % (1 / 3) = 0.33333333 is 10 characters: fewer digits fit 8.
    EXPECT_EQ(FormatAxisNumber(1.0 / 3.0), "0.333333");
    EXPECT_EQ(FormatAxisNumber(1.2000000000000002), "1.2");
    EXPECT_EQ(FormatAxisNumber(-0.0), "0");
    // A decade axis passes step 0: its small lines keep their values.
    EXPECT_EQ(FormatYLabel(0.01, 0), "0.01");
    EXPECT_EQ(FormatFixed2(1234.567), "1234.57");
    EXPECT_EQ(FormatFixed2(-0.004), "-0.00");
    if (comma) std::setlocale(LC_NUMERIC, "C");
}

}  // namespace

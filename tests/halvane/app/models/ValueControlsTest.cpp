// The value lists, grids, parsers and combo rules under the value controls.
#include "halvane/app/models/Applicator.h"
#include "halvane/app/models/ComboModel.h"
#include "halvane/app/models/DoubleField.h"
#include "halvane/app/models/EditText.h"
#include "halvane/app/models/SpinAccelTable.h"
#include "halvane/app/models/SpinGrid.h"
#include "halvane/app/models/ValueList.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

using namespace halvane::app::models::CustomControls;

using namespace halvane::app::models::CustomControls;

TEST(ValueList, StopsAtTheFirstEmptyLabelAndSnapsToTheClosestValue) {
    const ValueList list(std::vector<ValueEntry>{{10, "Ten"}, {20, "Twenty"}, {30, "Thirty"}, {0, ""}, {40, "Forty"}});
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.closest(24), 1u);
    EXPECT_EQ(list.closest(25), 1u);  // equal distances: the first
    EXPECT_EQ(list.closest(26), 2u);
    EXPECT_EQ(list.closest(-5), 0u);
    EXPECT_EQ(list.closest(std::numeric_limits<int>::min()), 0u);
    EXPECT_EQ(list.closest(std::numeric_limits<int>::max()), 2u);
    EXPECT_FALSE(ValueList().closest(3).has_value());
}

TEST(ValueList, TypingMatchesLabelsWithoutRegardToCaseAndCompletesPrefixes) {
    const ValueList list{{1, "First"}, {2, "Second"}, {3, "Sept"}};
    TypedMatch m = list.matchTyped("se");
    ASSERT_TRUE(m.index.has_value());
    EXPECT_EQ(*m.index, 1u);
    EXPECT_EQ(m.completedText, "second");
    EXPECT_EQ(m.completedFrom, 2u);

    m = list.matchTyped("SECOND");
    EXPECT_EQ(m.index, 1u);
    EXPECT_FALSE(m.completedText.has_value());

    m = list.matchTyped("sep");
    EXPECT_EQ(m.completedText, "sept");
    EXPECT_FALSE(list.matchTyped("x").index.has_value());
    EXPECT_FALSE(list.matchTyped("").index.has_value());
}

TEST(ValueList, SlopeOrderNamesCoverTheTenOrders) {
    const ValueList& names = SlopeOrderNames();
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names[0].label, "Auto");
    EXPECT_EQ(names[1].label, "Flat");
    EXPECT_EQ(names[2].label, "1st Order");
    EXPECT_EQ(names[4].label, "3rd Order");
    EXPECT_EQ(names[9].label, "8th Order");
    EXPECT_EQ(names[9].value, 9);
}

TEST(SpinGrid, ClampsLowersToTheStepAndMapsPositions) {
    const SpinGrid grid(20, 200, 5, 1, 1, 0);
    EXPECT_EQ(grid.snap(23), 20);
    EXPECT_EQ(grid.snap(29), 25);
    EXPECT_EQ(grid.snap(-7), 20);
    EXPECT_EQ(grid.snap(1000), 200);
    EXPECT_EQ(grid.positionOf(45), 25);
    EXPECT_EQ(grid.valueOf(25), 45);
    EXPECT_EQ(grid.valueOf(27), 45);

    // Scaled positions: numerator 1, denominator 10, offset 2 (truncating).
    const SpinGrid scaled(0, 1000, 10, 1, 10, 2);
    EXPECT_EQ(scaled.positionOf(500), 48);
    EXPECT_EQ(scaled.valueOf(48), 500);
    EXPECT_EQ(scaled.positionRange(), 100);
}

TEST(SpinGrid, AnInvertedRangeHoldsOneValue) {
    // A subwoofer crossover of 5 Hz lowers a 20.. range to 20..5.
    const SpinGrid grid(20, 5);
    EXPECT_EQ(grid.maximum(), 20);
    EXPECT_EQ(grid.snap(3), 20);
    EXPECT_EQ(grid.snap(400), 20);
    EXPECT_EQ(grid.positionRange(), 0);
    const SpinGrid zeros(0, 10, 0, 0, 0);
    EXPECT_EQ(zeros.snap(7), 7);
    EXPECT_EQ(zeros.valueOf(3), 3);
}

TEST(SpinAccelTable, HoldsTheEntriesWhosePowerOfTenFitsTheRange) {
    const std::vector<SpinAccel> full = SpinAccelTable(std::numeric_limits<int>::max());
    const std::vector<SpinAccel> expected{{0, 1}, {2, 6}, {4, 40}, {6, 192}, {8, 800}, {10, 3160}, {12, 12000}};
    EXPECT_EQ(full, expected);
    EXPECT_EQ(SpinAccelTable(9).size(), 1u);      // a list of 10 entries
    EXPECT_EQ(SpinAccelTable(20000).size(), 5u);  // 0..20000, default scale
    EXPECT_EQ(SpinAccelTable(10).size(), 2u);
    EXPECT_EQ(SpinAccelTable(0).size(), 1u);
    EXPECT_EQ(SpinAccelIncrement(full, 0), 1);
    EXPECT_EQ(SpinAccelIncrement(full, 1999), 1);
    EXPECT_EQ(SpinAccelIncrement(full, 2000), 6);
    EXPECT_EQ(SpinAccelIncrement(SpinAccelTable(20000), 60000), 800);
}

TEST(Applicator, ParsesWholeNumbersWithItsScaleFlags) {
    const Applicator plain;
    EXPECT_EQ(plain.parse(" 42 "), 42);
    EXPECT_EQ(plain.parse("-3"), -3);
    EXPECT_EQ(plain.parse("+7"), 7);
    EXPECT_FALSE(plain.parse("").has_value());
    EXPECT_FALSE(plain.parse("12abc").has_value());
    EXPECT_FALSE(plain.parse("+-1").has_value());
    EXPECT_FALSE(plain.parse("99999999999").has_value());
    EXPECT_EQ(Applicator(Applicator::kTimes10).parse("12"), 120);
    EXPECT_EQ(Applicator(Applicator::kTimes100).parse("12"), 1200);
    EXPECT_FALSE(Applicator(Applicator::kTimes100).parse("30000000").has_value());
    EXPECT_EQ(plain.format(-15), "-15");
}

TEST(DoubleField, PullsOutOfRangeNumbersToTheLimitAndRefusesNonFiniteText) {
    const DoubleField field(0.0, 10.0);
    double v = 5.0;
    EXPECT_FALSE(field.apply("12", &v));
    EXPECT_EQ(v, 10.0);
    EXPECT_FALSE(field.apply("-1", &v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(field.apply("2.5", &v));
    EXPECT_EQ(v, 2.5);
    // "nan" would pass both limit tests; "inf" would set the maximum.
    for (const char* bad : {"nan", "NaN", "inf", "-inf", "infinity", "1e999", "abc", "", "2,5"}) {
        double w = 3.0;
        EXPECT_FALSE(field.apply(bad, &w)) << bad;
        EXPECT_EQ(w, 3.0) << bad;
    }
    EXPECT_EQ(DoubleField::show(&v), "2.500000");
    EXPECT_EQ(DoubleField::show(nullptr), "0.000000");
    const double big = 1e300;
    EXPECT_EQ(DoubleField::show(&big).size(), 301u + 7u);
}

TEST(DoubleField, FormatsAndParsesWithAPointWhateverTheNumericLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale here";
    EXPECT_EQ(FormatDouble(10.0), "10.000000");
    EXPECT_EQ(ParseFiniteDouble("2.5"), 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SpinBackspace, GrowsACompletionLeftwardsAndOtherwiseDeletes) {
    EditText edit{U"second", 2, 4};  // "se" typed, "cond" completed
    ASSERT_TRUE(SpinBackspace(edit));
    EXPECT_EQ(edit, (EditText{U"second", 1, 5}));
    ASSERT_TRUE(SpinBackspace(edit));
    EXPECT_EQ(edit, (EditText{U"second", 0, 6}));
    ASSERT_TRUE(SpinBackspace(edit));  // all selected: stays
    EXPECT_EQ(edit, (EditText{U"second", 0, 6}));

    EditText middle{U"abcdef", 1, 2};
    ASSERT_TRUE(SpinBackspace(middle));
    EXPECT_EQ(middle, (EditText{U"adef", 1, 0}));
    ASSERT_TRUE(SpinBackspace(middle));
    EXPECT_EQ(middle, (EditText{U"def", 0, 0}));
    ASSERT_TRUE(SpinBackspace(middle));  // caret at the start: nothing to delete
    EXPECT_EQ(middle, (EditText{U"def", 0, 0}));

    EditText empty;
    EXPECT_FALSE(SpinBackspace(empty));
}

TEST(ComboModel, LeavesOutExcludedValuesAndSelectsTheLastForAMissingValue) {
    const ValueList list{{1, "One"}, {2, "Two"}, {3, "Three"}, {4, "Four"}};
    const ComboModel combo(list, {2});
    ASSERT_EQ(combo.items().size(), 3u);
    EXPECT_EQ(combo.items()[1].label, "Three");
    bool changed = true;
    int v = 3;
    EXPECT_EQ(combo.select(&v, changed), 1u);
    EXPECT_FALSE(changed);
    v = 2;  // excluded: not in the list
    EXPECT_EQ(combo.select(&v, changed), 2u);
    EXPECT_TRUE(changed);
    EXPECT_EQ(v, 4);
    EXPECT_EQ(combo.dropItems(), 4u);

    std::vector<ValueEntry> many;
    for (int i = 0; i < 30; ++i) many.push_back({i, "Item " + std::to_string(i)});
    EXPECT_EQ(ComboModel(ValueList(many)).dropItems(), 21u);
}

TEST(ComboModel, AnEmptyListSelectsNothingAndLeavesTheVariable) {
    const ComboModel combo(ValueList{{1, "One"}}, {1});
    int v = 77;
    bool changed = true;
    EXPECT_FALSE(combo.select(&v, changed).has_value());
    EXPECT_FALSE(changed);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(combo.dropItems(), 1u);
}

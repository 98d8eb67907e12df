// What the spin boxes show, how they step and what typing into them does.
#include "halvane/app/models/SpinModel.h"

#include <gtest/gtest.h>

using namespace halvane::app::models::CustomControls;

using namespace halvane::app::models::CustomControls;

TEST(ListSpinModel, ShowsTheClosestLabelAndMovesTheVariableOntoIt) {
    const ListSpinModel spin(ValueList{{10, "10 Hz"}, {20, "20 Hz"}, {30, "30 Hz"}});
    int v = 24;
    EXPECT_EQ(spin.display(v), "20 Hz");
    EXPECT_EQ(v, 20);
    EXPECT_EQ(spin.range(), 2);

    int none = 5;
    EXPECT_EQ(ListSpinModel(ValueList()).display(none), "");
    EXPECT_EQ(none, 5);
}

TEST(ListSpinModel, StepsWithinTheListOnly) {
    const ListSpinModel spin(ValueList{{10, "a"}, {20, "b"}, {30, "c"}});
    EXPECT_EQ(spin.step(10, 1), 20);
    EXPECT_EQ(spin.step(20, -1), 10);
    EXPECT_EQ(spin.step(10, 2), 30);
    EXPECT_FALSE(spin.step(30, 1).has_value());
    EXPECT_FALSE(spin.step(10, -1).has_value());
    EXPECT_FALSE(ListSpinModel(ValueList()).step(0, 1).has_value());
}

TEST(ListSpinModel, TypingSelectsOrCompletesALabel) {
    const ListSpinModel spin(ValueList{{1, "First"}, {2, "Second"}});
    SpinTyped t = spin.typed("se");
    EXPECT_TRUE(t.valid);
    EXPECT_EQ(t.value, 2);
    EXPECT_EQ(t.completedText, "second");
    EXPECT_EQ(t.completedFrom, 2u);
    t = spin.typed("first");
    EXPECT_TRUE(t.valid);
    EXPECT_EQ(t.value, 1);
    t = spin.typed("third");
    EXPECT_FALSE(t.valid);
    EXPECT_FALSE(t.value.has_value());
}

TEST(NumericSpinModel, TypedNumbersBeyondTheLimitsAreInvalidButPullTheVariable) {
    const NumericSpinModel spin(SpinGrid(5, 10, 1));
    SpinTyped t = spin.typed("12");
    EXPECT_FALSE(t.valid);
    EXPECT_EQ(t.value, 10);
    t = spin.typed("2");
    EXPECT_FALSE(t.valid);
    EXPECT_EQ(t.value, 5);
    t = spin.typed("7");
    EXPECT_TRUE(t.valid);
    EXPECT_EQ(t.value, 7);
    t = spin.typed("seven");
    EXPECT_FALSE(t.valid);
    EXPECT_FALSE(t.value.has_value());
}

TEST(NumericSpinModel, StepsOnTheGridAndStopsAtTheLimits) {
    const NumericSpinModel spin(SpinGrid(20, 200, 10));
    EXPECT_EQ(spin.step(20, 1), 30);
    EXPECT_EQ(spin.step(25, 1), 30);  // 25 lies on 20's grid line first
    EXPECT_EQ(spin.step(200, 1), 200);
    EXPECT_EQ(spin.step(20, -1), 20);
    EXPECT_EQ(spin.step(20, 1000), 200);
    int v = 47;
    EXPECT_EQ(spin.display(v), "40");
    EXPECT_EQ(v, 40);
    EXPECT_EQ(spin.range(), 180);
}

TEST(NumericSpinModel, NamedValuesShowAndAcceptTheirNames) {
    // CSpinText: a crossover spin whose 170 reads "No Speaker".
    const NumericSpinModel spin(SpinGrid(40, 170, 10), ValueList{{170, "No Speaker"}});
    int v = 170;
    EXPECT_EQ(spin.display(v), "No Speaker");
    v = 80;
    EXPECT_EQ(spin.display(v), "80");
    const SpinTyped t = spin.typed("no");
    EXPECT_TRUE(t.valid);
    EXPECT_EQ(t.value, 170);
    EXPECT_EQ(t.completedText, "no Speaker");
}

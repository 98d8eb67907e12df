// The progress dialog's status texts and the positional inserts they use.
#include "halvane/procedures/framework/ProcedureState.h"

#include <gtest/gtest.h>

using halvane::procedures::FormatPositional;
using halvane::procedures::ProcedureStatusText;

TEST(ProcedureState, EachStateShowsItsTextWithTheStatusArgumentAndAnEmptySecondInsert) {
    struct Case {
        int state;
        const char* expected;
    };
    const Case cases[] = {
        {0, "Press start to begin."},
        {1, "Procedure Completed Successfully. "},
        {2, "Procedure Terminated By User.  "},
        {3, "Procedure Failed.  "},
        {4, "Measuring please wait...  "},
        {5, "Aborting... "},
        {6, ""},
    };
    for (const Case& c : cases) {
        std::string text = "unchanged";
        EXPECT_TRUE(ProcedureStatusText(c.state, "Measuring", text)) << c.state;
        EXPECT_EQ(text, c.expected) << c.state;
    }
    // DoProcedure passes an empty argument: the running text starts with a blank.
    std::string running;
    ASSERT_TRUE(ProcedureStatusText(4, "", running));
    EXPECT_EQ(running, " please wait...  ");

    for (int state : {7, 8, -1}) {
        std::string text = "unchanged";
        EXPECT_FALSE(ProcedureStatusText(state, "x", text)) << state;
        EXPECT_EQ(text, "unchanged");
        EXPECT_EQ(halvane::procedures::ProcedureStateText(state), "Error, index exceeded maximum");
    }
}

TEST(ProcedureState, PositionalInsertsAreFilledOnceAndNeverReadAsFormats) {
    EXPECT_EQ(FormatPositional("%2 and %1", {"a", "b"}), "b and a");
    EXPECT_EQ(FormatPositional("%1%1", {"x"}), "xx");
    EXPECT_EQ(FormatPositional("%3 missing", {"a"}), " missing");
    EXPECT_EQ(FormatPositional("100%% %s %d %", {}), "100% %s %d %");
    // An insert holding percent signs and digits is copied as it is.
    EXPECT_EQ(FormatPositional("[%1]", {"%2 %s 50%"}), "[%2 %s 50%]");
}

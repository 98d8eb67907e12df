// Classification of identification replies and the clock texts, straight
// from the tables of the processor's link.

#include "marnoch/UnitClockText.h"
#include "marnoch/UnitPatterns.h"

#include <gtest/gtest.h>

#include <clocale>

namespace marnoch {

TEST(UnitPatterns, FirstPassAcceptanceAndModel) {
    struct Case {
        const char* reply;
        FirstPassMatch::Kind kind;
        int listModel;
        bool accepted;
        int model;
    };
    const Case cases[] = {
        {"Bzt 50 v1.07\n", FirstPassMatch::Firmware, kModelNone, true, 5},
        {"Bzt 50v FLASH Prog\n", FirstPassMatch::Programmer, 8, true, 8},
        {"Bzt 20 V2.1\n", FirstPassMatch::Firmware, kModelNone, true, 1},
        {"Tolvarine Z6v v3.0\n", FirstPassMatch::Firmware, kModelNone, true, 11},
        {"Bzt 50/Qex v1.2\n", FirstPassMatch::Firmware, kModelNone, true, 6},
        {"TOLVARINE Z6v3 ISP\r", FirstPassMatch::Loader, 12, true, 12},
        {"Invalid Command\n", FirstPassMatch::InvalidCommand, kModelNone, false, 1},
        {"hello there\n", FirstPassMatch::None, kModelNone, false, 1},
    };
    for (const Case& c : cases) {
        const auto m = MatchFirstPass(c.reply);
        EXPECT_EQ(m.kind, c.kind) << c.reply;
        EXPECT_EQ(m.model, c.listModel) << c.reply;
        EXPECT_EQ(PassesAcceptance(c.reply, false), c.accepted) << c.reply;
        if (c.accepted) {
            EXPECT_EQ(ModelOfReply(c.reply, false), c.model) << c.reply;
        }
    }
    // The probe leaves out the all-capital entries.
    EXPECT_TRUE(PassesAcceptance("TOLVARINE Z5 ISP", false));
    EXPECT_FALSE(PassesAcceptance("TOLVARINE Z5 ISP", true));
    EXPECT_EQ(FoundText(5), "Bzt 50 found");
    EXPECT_EQ(FoundText(12), "Tolvarine Z6v found");
    EXPECT_EQ(FoundText(kModelNone), "");
    EXPECT_TRUE(IsLoaderBanner("Bzt ISP V2"));
    EXPECT_FALSE(IsLoaderBanner("Bzt 50 v1.07"));
}

// The clock texts do not follow the locale: a German locale would print no
// AM/PM marker at all.
TEST(UnitClockText, TwentyFourAndTwelveHourForms) {
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved ? saved : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    std::tm t{};
    t.tm_wday = 0;
    t.tm_hour = 13;
    t.tm_min = 5;
    EXPECT_EQ(WeekdayCommand(&t), "STD1\n");
    EXPECT_EQ(WeekdayCommand(nullptr), "STD0\n");
    EXPECT_EQ(ClockCommand(t, true), "STC13:05\n");
    EXPECT_EQ(ClockCommand(t, false), "STC01:05PM\n");
    t.tm_hour = 0;
    t.tm_wday = 6;
    EXPECT_EQ(ClockCommand(t, false), "STC12:05AM\n");
    EXPECT_EQ(WeekdayCommand(&t), "STD7\n");
    t.tm_hour = 12;
    EXPECT_EQ(ClockCommand(t, false), "STC12:05PM\n");
    std::setlocale(LC_ALL, restore.c_str());
}

}  // namespace marnoch

#include "platform/MemoryProfile.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Profile, ValuesAndDefaults) {
    MemoryProfile p;
    EXPECT_EQ(p.getInt("Settings", "LanguageId", 1033), 1033);
    p.setInt("Settings", "LanguageId", 1031);
    EXPECT_EQ(p.getInt("Settings", "LanguageId", 1033), 1031);
    p.setString("Settings", "Name", "not a number");
    EXPECT_EQ(p.getInt("Settings", "Name", 7), 7);
    EXPECT_TRUE(p.contains("Settings", "Name"));
    EXPECT_FALSE(p.contains("Other", "Name"));
}

TEST(Profile, RecentFilesKeepFourMostRecentFirstWithoutDuplicates) {
    MemoryProfile p;
    for (const char* f : {"a.QEX", "b.QEX", "c.QEX", "d.QEX", "e.QEX"}) p.addRecentFile(f);
    EXPECT_EQ(p.recentFiles(), (std::vector<std::string>{"e.QEX", "d.QEX", "c.QEX", "b.QEX"}));
    p.addRecentFile("c.QEX");
    EXPECT_EQ(p.recentFiles(), (std::vector<std::string>{"c.QEX", "e.QEX", "d.QEX", "b.QEX"}));
    p.addRecentFile("");
    EXPECT_EQ(p.recentFiles().size(), 4u);
}

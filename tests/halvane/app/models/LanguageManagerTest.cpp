// The choice of the interface language, the menu and the stored choice,
// over scripted language files.
#include "halvane/app/models/LanguageManager.h"
#include "platform/MemoryProfile.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace halvane::app::models;

using namespace halvane;

namespace {

// Files named by abbreviation, each with its tag and string entries; some
// are listed but cannot be read.
class FakeFiles final : public LanguageFiles {
public:
    struct File {
        std::string tag;
        std::map<int, std::string> strings;
        bool readable = true;
    };
    bool load(const std::string& abbreviation) override {
        attempts.push_back(abbreviation);
        const auto it = files.find(abbreviation);
        if (it == files.end() || !it->second.readable) return false;
        loaded = abbreviation;
        return true;
    }
    void unload() override { loaded.clear(); }
    std::vector<std::string> tags() override {
        std::vector<std::string> out;
        for (const std::string& name : order) out.push_back(files.at(name).tag);
        return out;
    }
    std::optional<std::string> peekString(const std::string& abbreviation, int id) override {
        const auto it = files.find(abbreviation);
        if (it == files.end() || !it->second.readable) return std::nullopt;
        const auto s = it->second.strings.find(id);
        if (s == it->second.strings.end()) return std::nullopt;
        return s->second;
    }
    void add(const std::string& abbreviation, File file) {
        files[abbreviation] = std::move(file);
        order.push_back(abbreviation);
    }

    std::map<std::string, File> files;
    std::vector<std::string> order;
    std::vector<std::string> attempts;
    std::string loaded;
};

class FakeLocales final : public LocaleProvider {
public:
    LanguageId userUiLanguage() override { return userUi; }
    LanguageId systemUiLanguage() override { return 0; }
    LanguageId userLanguage() override { return user; }
    LanguageId systemLanguage() override { return 0; }
    std::string languageName(LanguageId id) override {
        if (id == 0x0409) return "American English";
        if (id == 0x0407) return "Deutsch";
        return {};
    }
    LanguageId userUi = 0;
    LanguageId user = 0;
};

class LanguageManagerTest : public ::testing::Test {
protected:
    FakeFiles files;
    FakeLocales locales;
    platform::MemoryProfile profile;
};

}  // namespace

TEST(LanguageTable, MapsIdsAbbreviationsAndLocaleNames) {
    ASSERT_TRUE(FindLanguage(0x0407).has_value());
    EXPECT_STREQ(FindLanguage(0x0407)->abbreviation, "DEU");
    EXPECT_STREQ(FindLanguage(0x0807)->abbreviation, "DES");
    EXPECT_STREQ(FindLanguage(0x0409)->abbreviation, "ENU");
    EXPECT_STREQ(FindLanguage(0x0C0A)->abbreviation, "ESN");
    EXPECT_FALSE(FindLanguage(0x0007).has_value());  // neutral German
    EXPECT_EQ(LanguageOfLocale("de_DE"), 0x0407);
    EXPECT_EQ(LanguageOfLocale("de-CH"), 0x0807);
    EXPECT_EQ(LanguageOfLocale("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LanguageOfLocale("de"), 0x0007);
    EXPECT_EQ(LanguageOfLocale("de_LU"), 0x0007);
    EXPECT_EQ(LanguageOfLocale("xx_YY"), 0);
    EXPECT_EQ(LanguageOfLocale(""), 0);
}

TEST_F(LanguageManagerTest, AStoredLanguageFallsBackToItsPrimaryLanguagesDefaultOnTheThirdAttempt) {
    files.add("DEU", {"de_DE", {}});
    profile.setInt("", "LanguageId", 0x0807);  // Swiss German: no DES file
    LanguageManager manager(files, locales, profile);
    manager.SelectUiLanguage();
    EXPECT_EQ(files.attempts, (std::vector<std::string>{"DES", "DEU"}));  // 0x0007 has no abbreviation
    EXPECT_EQ(files.loaded, "DEU");
    EXPECT_EQ(manager.language(), 0x0407);
    EXPECT_TRUE(manager.moduleLoaded());
}

TEST_F(LanguageManagerTest, ADefaultSublanguageIsNotRetriedAndTheSearchGoesOn) {
    LanguageManager manager(files, locales, profile);
    EXPECT_FALSE(manager.TryLanguage(0x040C));  // French (France): no FRA file
    EXPECT_EQ(files.attempts, (std::vector<std::string>{"FRA"}));
    EXPECT_EQ(manager.language(), 0x000C);  // the last attempt, the neutral id
    EXPECT_FALSE(manager.TryLanguage(0));
}

TEST_F(LanguageManagerTest, CandidatesComeInOrderAndTheOwnLanguageIsTheLastResort) {
    files.add("FRA", {"fr_FR", {}, /*readable=*/false});
    locales.userUi = 0x040C;
    locales.user = 0x0411;  // Japanese: no file
    LanguageManager manager(files, locales, profile);
    manager.SelectUiLanguage();
    EXPECT_EQ(files.attempts, (std::vector<std::string>{"FRA", "JPN"}));
    EXPECT_EQ(manager.language(), kOwnLanguage);
    EXPECT_FALSE(manager.moduleLoaded());
    EXPECT_TRUE(files.loaded.empty());
}

TEST_F(LanguageManagerTest, TheOwnLanguageNeedsNoFileAndReleasesALoadedOne) {
    files.add("DEU", {"de_DE", {}});
    LanguageManager manager(files, locales, profile);
    ASSERT_TRUE(manager.TryLanguage(0x0407));
    EXPECT_EQ(files.loaded, "DEU");
    EXPECT_TRUE(manager.TryLanguage(0x0409));
    EXPECT_TRUE(files.loaded.empty());
    EXPECT_FALSE(manager.moduleLoaded());
}

TEST_F(LanguageManagerTest, TheMenuListsTheOwnLanguageFirstThenTaggedFilesAndChecksTheOneInUse) {
    files.add("DEU", {"de_DE", {}});
    files.add("XXX", {"", {}});  // no language tag: not offered
    files.add("JPN", {"ja_JP", {}});
    LanguageManager manager(files, locales, profile);
    ASSERT_TRUE(manager.TryLanguage(0x0407));
    const std::vector<LanguageMenuEntry> menu = manager.MenuEntries();
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].command, 28416);
    EXPECT_EQ(menu[0].language, 0x0409);
    EXPECT_EQ(menu[0].text, "American English");
    EXPECT_FALSE(menu[0].checked);
    EXPECT_EQ(menu[1].language, 0x0407);
    EXPECT_EQ(menu[1].text, "Deutsch");
    EXPECT_TRUE(menu[1].checked);
    EXPECT_EQ(menu[2].command, 28418);
    EXPECT_EQ(menu[2].text, "1041 - ???");
}

TEST_F(LanguageManagerTest, TheMenuNeverOutgrowsItsCommandRange) {
    for (int i = 0; i < 300; ++i) files.add("F" + std::to_string(i), {"de_DE", {}});
    LanguageManager manager(files, locales, profile);
    EXPECT_EQ(manager.MenuEntries().size(), 256u);
    EXPECT_EQ(manager.MenuEntries().back().command, 28671);
}

TEST_F(LanguageManagerTest, ChoosingALanguageStoresItAndReadsTheNoticeInItWithoutSwitching) {
    files.add("DEU", {"de_DE", {{457, "Halvane muss neu gestartet werden."}}});
    LanguageManager manager(files, locales, profile);
    manager.SelectUiLanguage();
    ASSERT_EQ(manager.language(), kOwnLanguage);
    manager.MenuEntries();
    EXPECT_EQ(manager.OnLanguageCommand(28417), "Halvane muss neu gestartet werden.");
    EXPECT_EQ(profile.getInt("", "LanguageId", 0), 0x0407);
    EXPECT_TRUE(files.loaded.empty());  // the running program keeps its texts
    EXPECT_EQ(manager.language(), kOwnLanguage);

    EXPECT_EQ(manager.OnLanguageCommand(28416), LanguageManager::kRestartNoticeText);
    EXPECT_EQ(profile.getInt("", "LanguageId", 0), 0x0409);
    EXPECT_FALSE(manager.OnLanguageCommand(28418).has_value());
    EXPECT_FALSE(manager.OnLanguageCommand(100).has_value());
}

TEST_F(LanguageManagerTest, AnUnreadableChoiceIsStoredAllTheSameWithTheNoticeInUse) {
    files.add("DEU", {"de_DE", {{457, "neu starten"}}, /*readable=*/false});
    LanguageManager manager(files, locales, profile);
    manager.SelectUiLanguage();
    manager.MenuEntries();
    EXPECT_EQ(manager.OnLanguageCommand(28417), LanguageManager::kRestartNoticeText);
    EXPECT_EQ(profile.getInt("", "LanguageId", 0), 0x0407);
}

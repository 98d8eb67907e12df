// Language files built by lrelease from the committed .ts sources
// (languages/*.ts): their tags, loading one over the built-in texts, the
// Tools > Languages menu and the restart notice in the chosen language.
#include "GuiTestApp.h"
#include "halvane/app/LanguageMenu.h"
#include "halvane/app/QtLanguageFiles.h"
#include "halvane/app/QtLocaleProvider.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/MemoryProfile.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/StringTable.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace halvane;

namespace {

class ScriptedLocales final : public LocaleProvider {
public:
    LanguageId userUiLanguage() override { return userUi; }
    LanguageId systemUiLanguage() override { return 0; }
    LanguageId userLanguage() override { return 0; }
    LanguageId systemLanguage() override { return 0; }
    std::string languageName(LanguageId id) override { return real.languageName(id); }
    LanguageId userUi = 0;
    QtLocaleProvider real;
};

QString dialogTitle() {
    return QCoreApplication::translate("halvane::CSpeakerMeasurementSelectionDialog", "Select speakers to measure.");
}

class LanguageFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureTestApplication();
        RegisterHalvaneStrings();
    }
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        platform::SetUserPrompt(&prompt_);
    }
    void TearDown() override { platform::SetUserPrompt(nullptr); }

    // Puts the built file `name` (e.g. "halvaneDEU.qm") into the program
    // directory under `as`.
    void install(const QString& name, const QString& as = QString()) {
        const QString from = QDir(QStringLiteral(HALVANE_TEST_LANGUAGES)).filePath(name);
        ASSERT_TRUE(QFile::copy(from, dir_.filePath(as.isEmpty() ? name : as))) << from.toStdString();
    }

    QTemporaryDir dir_;
    platform::MemoryProfile profile_;
    platform::ScriptedUserPrompt prompt_;
    ScriptedLocales locales_;
};

}  // namespace

TEST_F(LanguageFilesTest, TagsComeFromTheFilesAndAnUnreadableOneHasNone) {
    install("halvaneDEU.qm");
    install("halvaneFRA.qm");
    install("halvaneXXX.qm");
    install("halvaneDEU.qm", "otherDEU.qm");  // another program's
    QFile broken(dir_.filePath("halvaneITA.qm"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a translation");
    broken.close();
    QtLanguageFiles files(dir_.path(), "halvane", HalvaneStringIds());
    EXPECT_EQ(files.tags(), (std::vector<std::string>{"de_DE", "fr_FR", "", ""}));
    EXPECT_FALSE(files.load("ITA"));
    EXPECT_FALSE(files.load("JPN"));
    EXPECT_EQ(files.peekString("DEU", 457), "Halvane muss neu gestartet werden, damit die neue Sprache wirksam wird.");
    EXPECT_FALSE(files.peekString("DEU", 205).has_value());
    EXPECT_EQ(files.installed(), nullptr);
}

TEST_F(LanguageFilesTest, TheChosenLanguageTranslatesDialogsAndTheStringTableUntilItIsReleased) {
    install("halvaneDEU.qm");
    profile_.setInt("", "LanguageId", 0x0807);  // Swiss German: found as German
    QtLanguageFiles files(dir_.path(), "halvane", HalvaneStringIds());
    {
        LanguageManager manager(files, locales_, profile_);
        manager.SelectUiLanguage();
        EXPECT_EQ(manager.language(), 0x0407);
        EXPECT_EQ(dialogTitle(), QString::fromUtf8("Zu messende Lautsprecher wählen."));
        EXPECT_EQ(platform::processStrings().text(ids::Movie), "Film");
        EXPECT_EQ(platform::processStrings().text(ids::Music), "Music");  // not translated: built in
    }
    EXPECT_EQ(dialogTitle(), "Select speakers to measure.");
    EXPECT_EQ(platform::processStrings().text(ids::Movie), "Movie");
}

TEST_F(LanguageFilesTest, TheProgramsFilesLieBesideItUnderItsName) {
    const auto files = QtLanguageFiles::ForProgram();
    EXPECT_EQ(QFileInfo(files->pathOf("DEU")).fileName(), "halvane_ui_testsDEU.qm");
    EXPECT_EQ(QFileInfo(files->pathOf("DEU")).absolutePath(), QCoreApplication::applicationDirPath());
}

TEST_F(LanguageFilesTest, NoFileAtAllLeavesTheBuiltInTexts) {
    locales_.userUi = 0x0407;
    QtLanguageFiles files(dir_.path(), "halvane", HalvaneStringIds());
    LanguageManager manager(files, locales_, profile_);
    manager.SelectUiLanguage();
    EXPECT_EQ(manager.language(), kOwnLanguage);
    EXPECT_EQ(dialogTitle(), "Select speakers to measure.");
}

TEST_F(LanguageFilesTest, TheMenuOffersTaggedFilesAndAChoiceShowsTheNoticeInThatLanguage) {
    install("halvaneDEU.qm");
    install("halvaneFRA.qm");
    install("halvaneXXX.qm");
    QtLanguageFiles files(dir_.path(), "halvane", HalvaneStringIds());
    LanguageManager manager(files, locales_, profile_);
    manager.SelectUiLanguage();
    QMenu menu;
    LanguageMenu languages(&menu, manager);
    languages.Rebuild();
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "American English");
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_EQ(actions[1]->text(), "Deutsch");
    EXPECT_EQ(actions[2]->text(), QString::fromUtf8("français"));
    EXPECT_FALSE(actions[1]->isChecked());
    EXPECT_EQ(actions[2]->objectName(), "id_28418");
    EXPECT_EQ(menu.menuAction()->objectName(), "id_32784");

    actions[1]->trigger();
    ASSERT_EQ(prompt_.askCount(), 1u);
    EXPECT_EQ(prompt_.asks()[0].text, "Halvane muss neu gestartet werden, damit die neue Sprache wirksam wird.");
    EXPECT_EQ(prompt_.asks()[0].flags, platform::MB_OK | platform::MB_ICONINFORMATION);
    EXPECT_EQ(profile_.getInt("", "LanguageId", 0), 0x0407);
    // The running program keeps its language.
    EXPECT_EQ(dialogTitle(), "Select speakers to measure.");
    EXPECT_EQ(manager.language(), kOwnLanguage);
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_TRUE(menu.actions()[0]->isChecked());
}

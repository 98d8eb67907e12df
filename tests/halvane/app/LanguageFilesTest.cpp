// Language files built by lrelease from the committed .ts sources
// (languages/*.ts): their tags, the main window, dialogs and boxes, loading one over the built-in texts, the
// Tools > Languages menu and the restart notice in the chosen language.
#include "GuiTestApp.h"
#include "halvane/app/CAboutDlg.h"
#include "halvane/app/CMainFrame.h"
#include "halvane/app/CWelcomeDlg.h"
#include "halvane/app/LanguageMenu.h"
#include "halvane/app/QtLanguageFiles.h"
#include "halvane/app/QtLocaleProvider.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/MemoryProfile.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/StringTable.h"
#include "platform/qt/QtUserPrompt.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/document/ProcedureService.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace halvane::app;
using namespace halvane::app::models;
using namespace halvane::diagnostics;
using namespace halvane::document;

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
        EXPECT_EQ(platform::processStrings().text(halvane::diagnostics::ids::Movie), "Film");
        EXPECT_EQ(platform::processStrings().text(halvane::diagnostics::ids::Music), "Music");  // not translated: built in
    }
    EXPECT_EQ(dialogTitle(), "Select speakers to measure.");
    EXPECT_EQ(platform::processStrings().text(halvane::diagnostics::ids::Movie), "Movie");
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

namespace {

struct NoJobs : ProcedureService {
    int RunMeasurementProcedure(CHalvaneDoc&) override { return 0; }
    int RunEqCalcProc(CHalvaneDoc&) override { return 0; }
    int RunUploadProc(CHalvaneDoc&) override { return 0; }
    int RunEraseProc(CHalvaneDoc&) override { return 0; }
    int RunAutoDetectXOvers(CHalvaneDoc&) override { return 0; }
    int RunRecalcTarg(CHalvaneDoc&) override { return 0; }
    int OpenTargetCustomization(CHalvaneDoc&) override { return 0; }
    int RunQuickMeasure(CHalvaneDoc&) override { return 0; }
    int RunWizard(CHalvaneDoc&) override { return 1; }
};

}  // namespace

TEST_F(LanguageFilesTest, ALoadedFileTranslatesMenusDialogsAndMessageBoxes) {
    install("halvaneDEU.qm");
    QtLanguageFiles files(dir_.path(), "halvane", HalvaneStringIds());
    ASSERT_TRUE(files.load("DEU"));

    AppState app;
    app.StartMode = AppState::Manual;
    NoJobs jobs;
    CHalvaneDoc doc{CHalvaneDoc::Services{&app, &prompt_, nullptr}};
    {
        CMainFrame frame(doc, app, jobs, prompt_, nullptr);
        QMenu* file = frame.menuBar()->actions()[0]->menu();
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->title(), "&Datei");
        EXPECT_EQ(file->actions()[1]->text(), QString::fromUtf8("Ö&ffnen..."));
        EXPECT_EQ(file->actions()[0]->text(), "&New");  // not in the file: as built in
        EXPECT_EQ(frame.BarAction(1003)->text(), "Messen");
        frame.show();
        doc.SetModifiedFlag();
        prompt_.answers({platform::IDNO});
        EXPECT_TRUE(frame.close());
        ASSERT_EQ(prompt_.askCount(), 1u);
        EXPECT_EQ(prompt_.asks()[0].text, QString::fromUtf8("Änderungen an Halvane speichern?").toStdString());
    }

    CWelcomeDlg welcome(app);
    EXPECT_EQ(welcome.findChild<QLabel*>("idc_1031")->text(), "Willkommen!");
    EXPECT_EQ(welcome.findChild<QPushButton*>("idcancel")->text(), "Beenden");
    EXPECT_EQ(CAboutDlg().windowTitle(), QString::fromUtf8("Über Halvane"));

    // A box the toolkit-free code asks in English is shown translated.
    platform::qt::QtUserPrompt shown(QStringLiteral("Halvane"));
    QString seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(5);
    EXPECT_EQ(shown.MessageBox("Need to measure first. Pleast click on 'Measure", "", platform::MB_OK), platform::IDOK);
    EXPECT_EQ(seen, QString::fromUtf8("Zuerst messen. Bitte auf „Messen“ klicken"));
    poll.stop();

    files.unload();
    EXPECT_EQ(CAboutDlg().windowTitle(), "About Halvane");
}

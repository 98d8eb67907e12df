// Marnoch's dialog offscreen: its controls and texts, and the workflows run
// from its buttons against the simulated processor.

#include "../MarnochSim.h"
#include "marnoch/MarnochTexts.h"
#include "marnoch/ui/CAboutBox.h"
#include "marnoch/ui/CMarnochDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <chrono>
#include <filesystem>
#include <thread>

namespace marnoch::test {

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "marnoch_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication a(argc, argv);
    return a;
}

struct ScriptedChooser final : IFileChooser {
    std::string answer;
    bool cancel = false;
    bool ChooseSettingsFile(bool, const std::string&, std::string& chosen) override {
        if (cancel) return false;
        chosen = answer;
        return true;
    }
};

QPushButton* button(QWidget& w, const char* name) { return w.findChild<QPushButton*>(name); }

// Counts the paints a widget gets.
struct PaintCounter final : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

TEST(MarnochDialog, ShowsItsControlsAndTexts) {
    app();
    CMarnochDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Marnoch");
    EXPECT_EQ(button(dialog, "aboutButton")->text(), "About");
    EXPECT_EQ(button(dialog, "createBackupButton")->text(), "Create Backup File");
    EXPECT_EQ(button(dialog, "uploadButton")->text(), "Upload Backup File to Processor");
    EXPECT_EQ(button(dialog, "exitButton")->text(), "Exit");
    EXPECT_TRUE(dialog.progressBar()->isVisible());
    EXPECT_TRUE(dialog.statusText().isEmpty());
    // Left to right as the template places them, none overlapping.
    const int aboutRight = button(dialog, "aboutButton")->geometry().right();
    const int createLeft = button(dialog, "createBackupButton")->geometry().left();
    const int uploadLeft = button(dialog, "uploadButton")->geometry().left();
    const int exitLeft = button(dialog, "exitButton")->geometry().left();
    EXPECT_LT(aboutRight, createLeft);
    EXPECT_LT(button(dialog, "createBackupButton")->geometry().right(), uploadLeft);
    EXPECT_LT(button(dialog, "uploadButton")->geometry().right(), exitLeft);

    CAboutBox about;
    EXPECT_EQ(about.windowTitle(), "About Marnoch");
    EXPECT_EQ(about.versionText(), "Version 1.03");
}

TEST(MarnochDialog, CreateBackupFromTheButton) {
    app();
    MarnochSim sim;
    ASSERT_TRUE(sim.started());
    sim.randomMemory(31);
    SettingsImage image;
    TempDir dir;
    ScriptedChooser chooser;
    chooser.answer = dir.file("gui.k47");
    std::vector<QString> messages;
    CMarnochDlg::Hooks hooks;
    hooks.makePort = [&] { return sim.makePort(image); };
    hooks.chooser = &chooser;
    hooks.message = [&](const QString& m) { messages.push_back(m); };
    CMarnochDlg dialog(hooks);
    dialog.show();

    // The workflow holds the event loop; the status line paints each step
    // all the same.
    for (int i = 0; i < 20 && !dialog.windowHandle()->isExposed(); ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    QApplication::processEvents();
    PaintCounter counter;
    dialog.findChild<QLabel*>("statusLine")->installEventFilter(&counter);
    button(dialog, "createBackupButton")->click();
    EXPECT_GE(counter.paints, 6);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dialog.statusText().toStdString(), text::kSavedOk);
    EXPECT_FALSE(dialog.progressBar()->isVisible());
    EXPECT_TRUE(std::filesystem::exists(chooser.answer));
    EXPECT_TRUE(button(dialog, "createBackupButton")->isEnabled());

    chooser.cancel = true;
    button(dialog, "uploadButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].toStdString(), text::kInvalidFileSelection);
    EXPECT_EQ(dialog.statusText(), "Bzt 50 found");
}

// The failure text in a real message box, captioned with the program's name.
TEST(MarnochDialog, FailureShowsAMessageBox) {
    app();
    SettingsImage image;
    platform::ScaledClock clock(kTimeScale);
    CMarnochDlg::Hooks hooks;
    hooks.makePort = [&] { return std::make_unique<CSerialPort>(image, clock, [](int) { return std::string(); }); };
    CMarnochDlg dialog(hooks);
    dialog.show();
    QString title, text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    button(dialog, "uploadButton")->click();
    poll.stop();
    EXPECT_EQ(title, "Marnoch");
    EXPECT_EQ(text.toStdString(), text::kNotFound);
    EXPECT_EQ(dialog.statusText().toStdString(), text::kFindingUnit);
}

// The program as shipped: its own port on COM1, which the environment
// places at the simulator's device, at real time.
TEST(MarnochDialog, FindsTheUnitWhereCom1Points) {
    app();
    MarnochSim sim({}, 1, 1.0);
    ASSERT_TRUE(sim.started());
    ::setenv("COM1", sim.path().c_str(), 1);
    ScriptedChooser chooser;
    chooser.cancel = true;
    std::vector<QString> messages;
    CMarnochDlg::Hooks hooks;
    hooks.chooser = &chooser;
    hooks.message = [&](const QString& m) { messages.push_back(m); };
    CMarnochDlg dialog(hooks);
    button(dialog, "createBackupButton")->click();
    ::unsetenv("COM1");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].toStdString(), text::kInvalidFileSelection);
    EXPECT_EQ(dialog.statusText(), "Bzt 50 found");
}

}  // namespace marnoch::test

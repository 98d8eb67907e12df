// Marnoch's dialog offscreen: its controls and texts, and the workflows run
// from its buttons against the simulated processor.

#include "../MarnochSim.h"
#include "marnoch/MarnochTexts.h"
#include "marnoch/ui/CAboutBox.h"
#include "marnoch/ui/CMarnochDlg.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

namespace marnoch::test {

using namespace marnoch::ui;

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
    ASSERT_TRUE(WaitUntil(
        [&] {
            QApplication::processEvents();
            return dialog.windowHandle()->isExposed();
        },
        10000))
        << "the dialog was never shown";
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
    EXPECT_EQ(text.toStdString(), text::kNotFound + "\n  COM1 to COM8: no device");
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

namespace marnoch::test {

// While a backup runs (found at 38400 after five silent speeds) the window
// keeps handling its events: a timer keeps firing, the progress bar paints,
// the bar moves during the search as well as during the transfer, and the
// window will not close under the workflow.
TEST(MarnochDialog, KeepsPaintingAndMovingDuringAWorkflow) {
    app();
    sim::MarnochDialect::Config c;
    c.firmwareBaud = 38400;
    MarnochSim sim(c);
    ASSERT_TRUE(sim.started());
    sim.randomMemory(32);
    SettingsImage image;
    TempDir dir;
    ScriptedChooser chooser;
    chooser.answer = dir.file("moving.k47");
    std::vector<QString> messages;
    CMarnochDlg::Hooks hooks;
    hooks.makePort = [&] { return sim.makePort(image); };
    hooks.chooser = &chooser;
    hooks.message = [&](const QString& m) { messages.push_back(m); };
    CMarnochDlg dialog(hooks);
    dialog.show();
    ASSERT_TRUE(WaitUntil(
        [&] {
            QApplication::processEvents();
            return dialog.windowHandle()->isExposed();
        },
        10000))
        << "the dialog was never shown";

    std::set<int> searchValues;
    int transferValues = 0;
    QObject::connect(dialog.progressBar(), &QProgressBar::valueChanged, [&](int v) {
        if (dialog.statusText().toStdString() == text::kFindingUnit) searchValues.insert(v);
        else ++transferValues;
    });
    PaintCounter barPaints;
    dialog.progressBar()->installEventFilter(&barPaints);
    int ticks = 0;
    bool closedWhileBusy = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (dialog.busy() && ticks == 5) {
            dialog.reject();
            closedWhileBusy = !dialog.isVisible();
        }
    });
    timer.start(20);
    button(dialog, "createBackupButton")->click();
    timer.stop();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dialog.statusText().toStdString(), text::kSavedOk);
    EXPECT_GE(searchValues.size(), 5u);
    EXPECT_GE(transferValues, 100);
    EXPECT_GE(ticks, 20);
    EXPECT_GE(barPaints.paints, 10);
    EXPECT_FALSE(closedWhileBusy);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.busy());
    EXPECT_TRUE(button(dialog, "exitButton")->isEnabled());
}

// "&About Marnoch.." in the window's context menu opens the about box.
TEST(MarnochDialog, AboutEntryInTheWindowMenu) {
    app();
    CMarnochDlg dialog;
    dialog.show();
    ASSERT_NE(dialog.aboutAction(), nullptr);
    EXPECT_EQ(dialog.aboutAction()->text(), "&About Marnoch..");
    EXPECT_EQ(dialog.contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_TRUE(dialog.actions().contains(dialog.aboutAction()));
    QString title, version;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<CAboutBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            version = box->versionText();
            box->accept();
        }
    });
    poll.start(10);
    dialog.aboutAction()->trigger();
    poll.stop();
    EXPECT_EQ(title, "About Marnoch");
    EXPECT_EQ(version, "Version 1.03");
}

}  // namespace marnoch::test

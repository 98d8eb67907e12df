// The Qt side of the platform layer under the offscreen platform: the 1 ms
// message pump (also inside modal loops), message boxes asked by workers,
// joins on the user-interface thread, progress to real widgets, QSettings.
#include "halvane/diagnostics/MultiThreadedProgress.h"
#include "halvane/diagnostics/SendStringWndMessage.h"
#include "halvane/diagnostics/ThreadHandler.h"
#include "platform/UiMessageQueue.h"
#include "platform/WindowBinding.h"
#include "platform/qt/ProgressBarWindow.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtUserPrompt.h"
#include "platform/qt/UiMessagePump.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <stdexcept>
#include <thread>

// Fontconfig keeps its caches until exit by design; LeakSanitizer would
// report them the first time a box lays out its text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

using platform::qt::QtUserPrompt;
using platform::qt::UiMessagePump;

constexpr std::uint32_t kTestMessage = 0x8020;

// Answers the next message box that opens on the user-interface thread,
// recording what it showed. kEscape closes it with the Escape key instead.
class BoxAnswerer {
public:
    static constexpr int kEscape = -1;

    explicit BoxAnswerer(int button, int afterMs = 1) {
        timer_.setInterval(afterMs);
        QObject::connect(&timer_, &QTimer::timeout, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            timer_.stop();
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            answered = true;
            if (button == kEscape)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(static_cast<QMessageBox::StandardButton>(button))->click();
        });
        timer_.start();
    }

    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool answered = false;

private:
    QTimer timer_;
};

// Processes events until `done` or the limit; true when done.
bool processUntil(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class QtPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "platform_qt_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
    }
    void SetUp() override {
        platform::uiMessageQueue().discardAll();
        pump_ = std::make_unique<UiMessagePump>();
        prompt_ = std::make_unique<QtUserPrompt>(QStringLiteral("Halvane"));
        platform::SetUserPrompt(prompt_.get());
    }
    void TearDown() override {
        platform::SetUserPrompt(nullptr);
        prompt_.reset();
        pump_.reset();
        platform::uiMessageQueue().discardAll();
    }

    static QApplication* app_;
    std::unique_ptr<UiMessagePump> pump_;
    std::unique_ptr<QtUserPrompt> prompt_;
};
QApplication* QtPlatformTest::app_ = nullptr;

}  // namespace

// The pump's timer belongs to the application's thread, so it cannot come
// before the application object (no static initialiser may build one).
TEST(UiMessagePumpAlone, RefusesToStartBeforeTheApplication) {
    if (QCoreApplication::instance() != nullptr) GTEST_SKIP() << "an application exists in this process";
    EXPECT_THROW(UiMessagePump pump, std::logic_error);
    EXPECT_EQ(platform::CurrentUiEventPump(), nullptr);
}

TEST_F(QtPlatformTest, AWorkersQuestionIsAnsweredOnTheUiThread) {
    BoxAnswerer user(QMessageBox::Retry);
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = platform::CurrentUserPrompt().MessageBox("Failed to power on unit.", "",
                                                          platform::MB_ABORTRETRYIGNORE | platform::MB_ICONQUESTION);
    });
    ASSERT_TRUE(processUntil([&] { return answer.load() != -1; }));
    worker.join();
    EXPECT_EQ(answer, platform::IDRETRY);
    EXPECT_EQ(user.title, "Halvane");  // an empty caption becomes the program's name
    EXPECT_EQ(user.text, "Failed to power on unit.");
    EXPECT_EQ(user.icon, QMessageBox::Question);
}

TEST_F(QtPlatformTest, AQuestionOnTheUiThreadRunsAtOnceAndEscapeIsTheCautiousAnswer) {
    {
        BoxAnswerer user(QMessageBox::Yes);
        EXPECT_EQ(prompt_->MessageBox("Are you sure you want to abort?", "Please confirm:", platform::MB_YESNO),
                  platform::IDYES);
        EXPECT_EQ(user.title, "Please confirm:");
    }
    {
        BoxAnswerer user(BoxAnswerer::kEscape);
        EXPECT_EQ(prompt_->MessageBox("Save?", "Halvane", platform::MB_YESNOCANCEL), platform::IDCANCEL);
    }
    {
        BoxAnswerer user(BoxAnswerer::kEscape);
        EXPECT_EQ(prompt_->MessageBox("Continue?", "Halvane", platform::MB_YESNO), platform::IDNO);
    }
    {
        BoxAnswerer user(QMessageBox::Ok);
        EXPECT_EQ(prompt_->MessageBox("Done", "Error", platform::MB_OK | platform::MB_ICONERROR), platform::IDOK);
        EXPECT_EQ(user.icon, QMessageBox::Critical);
    }
}

TEST_F(QtPlatformTest, APostedMessageArrivesThroughThePumpWhileAModalDialogIsOpen) {
    QDialog dialog;
    platform::WindowBinding window([&](std::uint32_t message, std::uintptr_t, std::intptr_t lParam) {
        if (message == kTestMessage) dialog.done(static_cast<int>(lParam));
        return std::intptr_t{0};
    });
    std::thread worker;
    QTimer::singleShot(0, &dialog, [&] {
        worker = std::thread([&] { halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 0, 42); });
    });
    QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });
    EXPECT_EQ(dialog.exec(), 42);
    worker.join();
}

// A window handler that opens a modal box inside a send: the next message
// is still delivered by a nested drain while that box is open.
TEST_F(QtPlatformTest, AModalBoxOpenedInsideASendDoesNotStarveTheQueue) {
    int boxAnswer = -1;
    std::vector<int> order;
    platform::WindowBinding window([&](std::uint32_t, std::uintptr_t wParam, std::intptr_t) {
        order.push_back(static_cast<int>(wParam));
        if (wParam == 1) {
            halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 2, 0);
            boxAnswer = prompt_->MessageBox("Measurement finished.", "", platform::MB_OKCANCEL);
            order.push_back(10);
        } else if (wParam == 2) {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr) box->button(QMessageBox::Ok)->click();
        }
        return std::intptr_t{0};
    });
    BoxAnswerer fallback(QMessageBox::Cancel, 3000);  // only if the nested drain never ran
    halvane::diagnostics::Threading::PostWndMessage(window.handle(), kTestMessage, 1, 0);
    ASSERT_TRUE(processUntil([&] { return boxAnswer != -1; }));
    EXPECT_EQ(boxAnswer, platform::IDOK);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 10}));
}

// The user-interface thread destroys a handler whose task waits for the
// user: the destructor's wait keeps events running, so the box is shown and
// answered instead of the two threads waiting on each other for ever.
TEST_F(QtPlatformTest, DestroyingAHandlerOnTheUiThreadWhileItsTaskAsksDoesNotDeadlock) {
    struct Job {
        void Ask(int) {
            started.count_down();
            answer = platform::CurrentUserPrompt().MessageBox("Unit not responding.", "", platform::MB_OK);
        }
        std::latch started{1};
        std::atomic<int> answer{-1};
    } job;
    auto handler = std::make_unique<halvane::diagnostics::Threading::UIThreadHandler<Job, int>>();
    handler->Post(&Job::Ask, &job, 0);
    job.started.wait();
    BoxAnswerer user(QMessageBox::Ok);
    handler.reset();
    EXPECT_EQ(job.answer, platform::IDOK);
    EXPECT_TRUE(user.answered);
    EXPECT_EQ(user.title, "Halvane");
}

TEST_F(QtPlatformTest, ProgressFromAWorkerDrivesABarAndAStatusLabel) {
    QProgressBar bar;
    QLabel label;
    platform::qt::ProgressBarWindow barWindow(&bar);
    platform::WindowBinding labelWindow(
        [&](std::uint32_t message, std::uintptr_t, std::intptr_t lParam) {
            if (message == halvane::diagnostics::Threading::UmSetDisplayString())
                label.setText(QString::fromStdString(halvane::diagnostics::Threading::SendStringWndMessage::TextOf(lParam)));
            return std::intptr_t{0};
        },
        &label);
    std::thread worker([&] {
        halvane::diagnostics::ConTypes::MultiThreadedProgress progress(barWindow.handle(), labelWindow.handle());
        progress.SetRange(10);
        progress.Step(3);
        progress.Step(3);
        progress.SetText("Measuring...");
    });
    worker.join();
    ASSERT_TRUE(processUntil([&] { return label.text() == "Measuring..."; }));
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 10);
    EXPECT_EQ(bar.value(), 6);
    EXPECT_EQ(platform::qt::WidgetOf(labelWindow.handle()), &label);
}

TEST_F(QtPlatformTest, TheProfileKeepsValuesInItsSettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Halvane.ini"));
    {
        platform::qt::QtProfile profile(path);
        EXPECT_EQ(profile.getInt("Settings", "Language", 7), 7);
        EXPECT_FALSE(profile.contains("Settings", "Language"));
        profile.setInt("Settings", "Language", 1031);
        profile.setString("Ports", "COM3", "/dev/pts/7");
        profile.setString("Settings", "Bad", "not a number");
        profile.addRecentFile("/home/u/room.QEX");
        profile.addRecentFile("/home/u/other.QEX");
        profile.sync();
    }
    platform::qt::QtProfile again(path);
    EXPECT_EQ(again.getInt("Settings", "Language", 0), 1031);
    EXPECT_EQ(again.getInt("Settings", "Bad", -5), -5);
    EXPECT_EQ(again.getString("Ports", "COM3"), "/dev/pts/7");
    EXPECT_EQ(again.recentFiles(), (std::vector<std::string>{"/home/u/other.QEX", "/home/u/room.QEX"}));
}

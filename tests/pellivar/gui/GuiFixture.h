#pragma once

// The whole program (application state and main frame) on the offscreen
// platform, talking to the simulated processor through a real
// pseudo-terminal mapped as COM3. The link's clock runs kScale times faster
// than real time, so a bulk exchange of 600 paced commands takes seconds; the
// processor keeps the same time.

#include "pellivar/ui/CMainFrame.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CTreeBar.h"
#include "platform/MemoryProfile.h"
#include "platform/ScaledClock.h"
#include "platform/ScriptedUserPrompt.h"
#include "sim/PellivarDialect.h"
#include "sim/Simulator.h"
#include "tests/support/CatchUpClock.h"
#include "tests/support/PellivarRaw.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pellivar::test {

using namespace pellivar::ui;

struct Write {
    std::int64_t timeMs;
    std::string text;
};

class GuiFixture : public ::testing::Test {
protected:
    static constexpr double kScale = 10.0;
    static constexpr int kComPort = 3;

    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "pellivar_gui_tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
            std::setlocale(LC_NUMERIC, "C");
        }
    }

    GuiFixture() : clock_(kScale, 4), lineClock_(clock_) { lineClock_.holdWhileCatchingUp(true); }

    void SetUp() override {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::PellivarDialect>("Tolvarine Z6 v1.31", 19200),
                                              clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        lineClock_.follow(sim_.get());
        platform::SetUserPrompt(&prompt_);
        const std::string path = sim_->slavePath();
        CPellivarApp::Options options;
        options.clock = &lineClock_;
        options.profile = &profile_;
        options.resolver = [path](int n) { return n == kComPort ? path : std::string(); };
        app_ = std::make_unique<CPellivarApp>(options);
        app_->GetCommunicator().GetPort().SetWriteObserver([this](std::int64_t t, const std::string& text) {
            std::lock_guard lock(writesMutex_);
            writes_.push_back({t, text});
        });
        frame_ = std::make_unique<CMainFrame>(*app_);
        frame_->TreeBar()->SetSourceWaitMs(0);
    }

    void TearDown() override {
        watchdogs_.clear();
        frame_.reset();
        app_.reset();
        QApplication::processEvents();
        sim_->stop();
        platform::SetUserPrompt(nullptr);
    }

    // Runs the event loop until pred() holds or timeoutMs (real) passes.
    static bool waitFor(const std::function<bool()>& pred, int timeoutMs = 10000) {
        QElapsedTimer t;
        t.start();
        while (!pred()) {
            if (t.elapsed() > timeoutMs) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }
    static void pumpFor(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    // A modal dialog still open after timeoutMs is closed, so a lost reply
    // fails the test instead of hanging it. The timer ends with the test.
    void closeModalsAfter(int timeoutMs) {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        timer->start(timeoutMs);
        watchdogs_.push_back(std::move(timer));
    }

    bool connect() {
        frame_->StartSearch(true, 0);
        return waitFor([this] { return !frame_->SearchRunning(); }, 20000) &&
               app_->GetCommunicator().GetPort().IsConnected();
    }

    template <class F>
    auto dialect(F&& fn) {
        return sim_->withDialect<sim::PellivarDialect>(std::forward<F>(fn));
    }
    std::string raw() { return testsupport::PellivarRaw(*sim_); }
    void clearRaw() { testsupport::ClearPellivarRaw(*sim_); }
    bool waitForRaw(const std::string& text, int timeoutMs = 5000) {
        return waitFor([&] { return raw().find(text) != std::string::npos; }, timeoutMs);
    }
    std::vector<Write> writes() {
        std::lock_guard lock(writesMutex_);
        return writes_;
    }
    void clearWrites() {
        std::lock_guard lock(writesMutex_);
        writes_.clear();
    }
    std::vector<platform::ScriptedUserPrompt::Ask> asks() const { return prompt_.asks(); }
    bool asked(const std::string& text, const std::string& caption) const {
        for (const auto& a : prompt_.asks())
            if (a.text == text && a.caption == caption) return true;
        return false;
    }

    platform::ScaledClock clock_;
    // The program's: replies are judged once the processor has caught up, and
    // its limits do not run while it does. The program goes before the
    // simulator it follows.
    testsupport::CatchUpClock lineClock_;
    platform::ScriptedUserPrompt prompt_;
    platform::MemoryProfile profile_;
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<CPellivarApp> app_;
    std::unique_ptr<CMainFrame> frame_;
    std::vector<std::unique_ptr<QTimer>> watchdogs_;
    std::mutex writesMutex_;
    std::vector<Write> writes_;
};

}  // namespace pellivar::test

// Quick Measure's dialog under the offscreen platform, against the simulated
// processor on a pty and the simulated microphone: the buttons follow the
// connection, the graph shows the last responses in their colours, and
// Escape while measuring closes cleanly (tone off, unit let go).
#include "halvane/app/CGraphCtrl.h"
#include "halvane/app/CQuickMeasureDlg.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/Units.h"
#include "platform/ScaledClock.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/SimSoundSystem.h"
#include "platform/UiMessageQueue.h"
#include "platform/qt/UiMessagePump.h"
#include "sim/HalvaneDialect.h"
#include "sim/Microphone.h"
#include "sim/MicrophoneSource.h"
#include "sim/Room.h"
#include "sim/Simulator.h"
#include "tests/halvane/link/UnitFixture.h"

#include "GuiTestApp.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using halvane::CQuickMeasureDlg;

class QuickMeasureDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureTestApplication();
        platform::uiMessageQueue().discardAll();
        pump_ = std::make_unique<platform::qt::UiMessagePump>();
        ConTypes::CreateUnits();
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(0, "1.31c"), portClock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        Port().SetClock(portClock_);
        Port().SetPortMap(linktest::MapOnly({{1, sim_->slavePath()}}));
        Port().SetSearchAttempted(false);
        portClock_.setFactor(20);
        mic_.setToneSource(sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneSource(); }));
        (void)mic_.periodThroughRoom(2, 0);
        platform::SimInputDevice dev;
        dev.name = "Microphone (USB Tessik QEX-1)";
        dev.source = std::make_shared<sim::MicrophoneSource>(mic_);
        dev.pacing = platform::SimInputDevice::Pacing::RealTime;
        dev.mixer = std::make_shared<platform::SimInputMixer>(platform::SimInputMixer::typical(dev.name, 1));
        sound_.addDevice(dev);
    }
    void TearDown() override {
        ConTypes::DestroyUnits();
        Port().SetPortMap(linktest::MapOnly({}));
        Port().SetClock(platform::systemClock());
        Port().SetSearchAttempted(false);
        sim_.reset();
        pump_.reset();
        platform::uiMessageQueue().discardAll();
    }

    halvane::CQuickMeasureController::Options Options() {
        halvane::CQuickMeasureController::Options o;
        o.prompt = &prompt_;
        o.sound = &sound_;
        o.clock = &soundClock_;
        return o;
    }
    int Tone() { return sim_->withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneChannel(); }); }
    static Comm::CBasicTessikPort& Port() { return Comm::CBasicTessikPort::Instance(); }

    linktest::FastSleepClock portClock_;
    platform::ScaledClock soundClock_{8.0};
    platform::SimSoundSystem sound_{soundClock_};
    platform::ScriptedUserPrompt prompt_;
    sim::Room room_{11};
    sim::Microphone mic_{room_};
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<platform::qt::UiMessagePump> pump_;
};

}  // namespace

TEST_F(QuickMeasureDialogTest, MeasuresTheChosenSpeakerAndClosesCleanlyWhileMeasuring) {
    CQuickMeasureDlg dlg(Options());
    dlg.InitDialog();
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Quick Measure"));
    ASSERT_EQ(dlg.SpeakerBox()->count(), 8);
    EXPECT_EQ(dlg.SpeakerBox()->itemText(7), QStringLiteral("Subwoofer"));
    EXPECT_TRUE(dlg.ConnectButton()->isEnabled());
    EXPECT_FALSE(dlg.StartButton()->isEnabled());
    EXPECT_FALSE(dlg.SpeakerBox()->isEnabled());

    dlg.ConnectButton()->click();
    EXPECT_FALSE(dlg.ConnectButton()->isEnabled());  // connecting: everything waits
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.StartButton()->isEnabled(); }, 20000));
    EXPECT_TRUE(dlg.DisconnectButton()->isEnabled());
    EXPECT_TRUE(dlg.SpeakerBox()->isEnabled());
    const QStringList lines = dlg.Log()->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.front(), QStringLiteral("Searching for unit"));
    EXPECT_EQ(lines.back(), QStringLiteral("Connection established with unit"));

    dlg.SpeakerBox()->setCurrentIndex(2);
    EXPECT_EQ(dlg.Controller().Channel(), 2);
    dlg.StartButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.StopButton()->isEnabled(); }, 20000));
    EXPECT_EQ(Tone(), 2);
    EXPECT_FALSE(dlg.StartButton()->isEnabled());
    EXPECT_FALSE(dlg.SpeakerBox()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.Controller().Curves().ShownCount() >= 2; }, 60000));

    // The graph draws the shown responses in decibels, red then green.
    halvane::CurveList curves;
    dlg.GetCurves(*dlg.Graph(), curves);
    ASSERT_GE(curves.size(), 2u);
    EXPECT_EQ(curves.front().colour, 0x0000CCu);
    EXPECT_EQ(std::next(curves.begin())->colour, 0x00CC00u);
    ASSERT_NE(curves.front().y, nullptr);
    EXPECT_GT(curves.front().x->Count(), 100);
    dlg.AutoscaleButton()->click();
    dlg.Graph()->repaint();

    // Escape closes at once: the tone stops and the port is closed.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(Tone(), -1);
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_FALSE(dlg.Controller().HasRecorder());
    EXPECT_EQ(prompt_.askCount(), 0u);
}

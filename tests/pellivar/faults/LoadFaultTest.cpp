// Load, Advanced Upload, Get and single edits on a line that loses bytes:
// each ends with the processor holding what the pages show, or with a box
// that names what it does not hold. The truth is the simulated processor's
// own state; the program's word is what it showed the user.

#include "GuiFixture.h"

#include "pellivar/CPellivarDoc.h"
#include "pellivar/GammaCurveExchange.h"
#include "pellivar/ReadBack.h"
#include "pellivar/StandardOutputFormat.h"
#include "pellivar/VideoSettingInfo.h"
#include "pellivar/ui/CAdvancedVideoView.h"
#include "pellivar/SourcePageModel.h"
#include "pellivar/ui/CCubicSplineGraph.h"
#include "pellivar/ui/CCustomOutputRez.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CSliderPInt.h"
#include "pellivar/ui/CSourcePageView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace pellivar::test {
namespace {

class LossyExchange : public GuiFixture {
protected:
    // The last box the program showed about `what`, empty when none.
    std::string boxAbout(const std::string& what) const {
        std::string text;
        for (const auto& a : asks())
            if (a.text.rfind(what, 0) == 0) text = a.text;
        return text;
    }

    // Whether a box shown since the first `since` asks names `name`.
    bool namedSince(std::size_t since, const std::string& name) const {
        const auto all = asks();
        for (std::size_t i = since; i < all.size(); ++i)
            if (all[i].text.find(name) != std::string::npos) return true;
        return false;
    }

    // The program is done with the last edit: the line has stayed quiet
    // for longer than a read-back takes to follow its replies.
    void settle() {
        CTessikCommunicator& comm = app_->GetCommunicator();
        QElapsedTimer quiet;
        quiet.start();
        waitFor([&] {
            if (comm.QueuedCommands() != 0 || comm.QueriesAwaitingReply() != 0) quiet.restart();
            return quiet.elapsed() > 300;
        }, 20000);
    }

    void loseEvery(int n) {
        sim::FaultKnobs k;
        k.dropEveryNthByte = n;
        sim_->setFaults(k);
    }

    // Every value the unit does not hold is named in the box, or the box
    // says there are more than it names; no box when the unit holds it all.
    void expectHonest(const std::vector<std::string>& differing, const std::string& box) {
        RecordProperty("values_differing", static_cast<int>(differing.size()));
        if (differing.empty()) return;
        ASSERT_FALSE(box.empty()) << differing.size() << " value(s) differ, no word; first: " << differing.front();
        if (differing.size() <= ReadBack::kNamesShown)
            for (const std::string& name : differing) EXPECT_NE(box.find("\n" + name + ":"), std::string::npos) << name << "\n" << box;
        else
            EXPECT_NE(box.find("more."), std::string::npos) << box;
    }

    // The exchange ended with its read-back on a line that still answers:
    // the connection stays once every reply is in (or would have been called
    // lost), and the box counts exactly the values the unit does not hold.
    void expectReadBackOnALiveLine(const std::vector<std::string>& differing, const std::string& box) {
        CTessikCommunicator& comm = app_->GetCommunicator();
        ASSERT_TRUE(waitFor([&] {
            return !comm.GetPort().IsConnected() || (comm.QueuedCommands() == 0 && comm.QueriesAwaitingReply() == 0);
        })) << comm.QueuedCommands() << " command(s) still queued, " << comm.QueriesAwaitingReply()
            << " repl(ies) still awaited";
        QApplication::processEvents();
        EXPECT_TRUE(comm.GetPort().IsConnected());
        EXPECT_EQ(boxAbout("The connection to the unit was lost"), "");
        const std::size_t at = box.find(" value(s) in the unit may differ");
        const std::size_t said = at == std::string::npos ? 0 : std::stoul(box.substr(box.rfind('\n', at) + 1));
        EXPECT_EQ(said, differing.size()) << box;
        expectHonest(differing, box);
    }

    // Every value one step off the unit's default, so a set that does not
    // arrive shows; returns what is sent.
    std::vector<int> setEveryValueOneOff() {
        CPellivarDoc& doc = app_->GetCurrentDoc();
        std::vector<int> sent;
        for (int s = 0; s < CPellivarDoc::kSources; ++s)
            for (std::size_t i = 0; i < kVideoSettingCount; ++i) {
                SubscribedInt& v = doc.GetSourceSettings(s).Value(static_cast<VideoSetting>(i));
                v.SetValue(v.InRange(v.Default() + 1) ? v.Default() + 1 : v.Default() - 1);
                sent.push_back(v.Value());
            }
        return sent;
    }

    // The values the unit does not hold after a Load of `sent`.
    std::vector<std::string> differingAfterLoad(const std::vector<int>& sent) {
        CPellivarDoc& doc = app_->GetCurrentDoc();
        std::vector<std::string> differing;
        std::size_t n = 0;
        for (int s = 0; s < CPellivarDoc::kSources; ++s)
            for (std::size_t i = 0; i < kVideoSettingCount; ++i, ++n) {
                const int unit = dialect([&](sim::PellivarDialect& d) { return d.value(kVideoSettings[i].prefix, s); });
                if (unit != sent[n]) differing.push_back(SettingName(s, static_cast<VideoSetting>(i)));
                // The document still holds what was sent, not the read-back.
                EXPECT_EQ(doc.GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).Value(), sent[n]);
            }
        return differing;
    }

    // The resolution (720p60) and all four curves changed, both parts chosen.
    CAdvancedVideoView* prepareAdvancedUpload() {
        CPellivarDoc& doc = app_->GetCurrentDoc();
        frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 1));
        frame_->ResolutionView()->LoadStandard(kStandardOutputFormats[7].Row());
        for (int c = 0; c < CPellivarDoc::kCurves; ++c) doc.GetGammaLists()[static_cast<std::size_t>(c)].GetAt(3)->y += 40 + c;
        CAdvancedVideoView* page = frame_->AdvancedView();
        page->ResolutionCheck()->setChecked(true);
        page->GammaCheck()->setChecked(true);
        page->CurveList()->setCurrentIndex(0);
        return page;
    }

    // The values the unit does not hold after an Advanced Upload.
    std::vector<std::string> differingAfterAdvancedUpload() {
        CPellivarDoc& doc = app_->GetCurrentDoc();
        CustomOutputResolutionSettings& res = doc.GetOutputResolution();
        std::vector<std::string> differing;
        for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f) {
            const SubscribedInt& v = res.Value(static_cast<CustomOutputResolutionSettings::Field>(f));
            if (dialect([&](sim::PellivarDialect& d) { return d.resolution(v.Command().Channel()); }) != v.Value())
                differing.push_back(CCustomOutputRez::Name(static_cast<CustomOutputResolutionSettings::Field>(f)));
        }
        const unsigned rate = dialect([](sim::PellivarDialect& d) { return d.pixelRate(); });
        const auto want = static_cast<unsigned>(res.PixelRate());
        if ((rate >> 16) != (want >> 16)) differing.push_back(CCustomOutputRez::PixelRateName() + " (high half)");
        if ((rate & 0xFFFF) != (want & 0xFFFF)) differing.push_back(CCustomOutputRez::PixelRateName() + " (low half)");
        for (int c = 0; c < CPellivarDoc::kCurves; ++c) {
            const CGammaList& list = doc.GetGammaLists()[static_cast<std::size_t>(c)];
            const int unitCount = dialect([&](sim::PellivarDialect& d) { return d.curveCount(c); });
            for (int i = 0; i < GammaCurveExchange::kSlots; ++i) {
                bool same = (i < list.GetCount()) == (i < unitCount);
                if (same && i < list.GetCount()) {
                    const auto p = dialect([&](sim::PellivarDialect& d) { return d.curvePoint(c, i); });
                    same = p.x == list.GetAt(i)->x && p.y == list.GetAt(i)->y;
                }
                if (!same) differing.push_back(CGammaCurveView::CurveName(c) + ", point " + std::to_string(i + 1));
            }
        }
        return differing;
    }
};

class LossyLoad : public LossyExchange, public ::testing::WithParamInterface<int> {};

TEST_P(LossyLoad, LoadLeavesTheUnitAsTheDocumentOrNamesWhatDiffers) {
    ASSERT_TRUE(connect());
    const std::vector<int> sent = setEveryValueOneOff();
    loseEvery(GetParam());
    closeModalsAfter(120000);
    frame_->TreeBar()->OnLoad();
    expectHonest(differingAfterLoad(sent), boxAbout("Load"));
}

TEST_P(LossyLoad, AdvancedUploadLeavesTheUnitAsTheDocumentOrNamesWhatDiffers) {
    ASSERT_TRUE(connect());
    CAdvancedVideoView* page = prepareAdvancedUpload();
    loseEvery(GetParam());
    closeModalsAfter(240000);
    page->OnUpload();
    expectHonest(differingAfterAdvancedUpload(), boxAbout("Advanced Upload"));
}

INSTANTIATE_TEST_SUITE_P(DropEvery, LossyLoad, ::testing::Values(50, 200));

// Every value of the unit one step off its default, so a value Get does not
// read shows; what the page keeps from before is named in Get's box.
TEST_F(LossyExchange, GetAsksAgainForWhatDidNotComeBackAndNamesWhatStillDidNot) {
    ASSERT_TRUE(connect());
    dialect([](sim::PellivarDialect& d) {
        for (int s = 0; s < CPellivarDoc::kSources; ++s)
            for (const VideoSettingInfo& info : kVideoSettings)
                d.setValue(info.prefix, s, info.def + 1 <= info.maximum ? info.def + 1 : info.def - 1);
    });
    loseEvery(200);
    closeModalsAfter(120000);
    frame_->TreeBar()->OnGet();
    std::vector<std::string> differing;
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        for (std::size_t i = 0; i < kVideoSettingCount; ++i) {
            const int unit = dialect([&](sim::PellivarDialect& d) { return d.value(kVideoSettings[i].prefix, s); });
            if (app_->GetCurrentDoc().GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).Value() != unit)
                differing.push_back(SettingName(s, static_cast<VideoSetting>(i)));
        }
    std::string box;
    for (const auto& a : asks())
        if (a.text.find("did not come back") != std::string::npos) box = a.text;
    expectHonest(differing, box);
}

// Values typed one after another into CD's Zoom Size, and gamma points moved
// and added, each left to settle: the unit ends holding what the page
// shows, or a box names the setting.
using LossyEdits = LossyExchange;

TEST_F(LossyEdits, TypedValuesEndAsThePageShowsThemOrAreNamed) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(0, 0));  // CD, "Scaling"
    CSliderPInt* size = frame_->SourcePage(0)->SliderById(1036);
    ASSERT_NE(size, nullptr);
    loseEvery(100);
    std::vector<std::string> silent;
    for (int i = 0; i < 20; ++i) {
        const std::size_t boxes = asks().size();
        size->Edit()->clear();
        QTest::keyClicks(size->Edit(), QString::number(19 + 4 * i));
        settle();
        const int unit = dialect([](sim::PellivarDialect& d) { return d.value("fe", 0); });
        if (size->Edit()->text() != QString::number(unit) && !namedSince(boxes, "CD, Scaling, Zoom Size"))
            silent.push_back("typed " + std::to_string(19 + 4 * i) + ", the page shows " +
                             size->Edit()->text().toStdString() + ", the unit holds " + std::to_string(unit));
    }
    RecordProperty("silently_wrong", static_cast<int>(silent.size()));
    EXPECT_TRUE(silent.empty()) << silent.size() << " of 20, first: " << silent.front();
}

// "fes091" heard as "fes91": CD's Zoom Size stays as it was and AUX's
// becomes 1. The CD value is sent again, and AUX's, which a lost channel
// character could reach, is asked and put back as its page shows it.
TEST_F(LossyEdits, ASetThatLostItsChannelIsPutBackWhereItLanded) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(0, 0));  // CD, "Scaling"
    CSliderPInt* size = frame_->SourcePage(0)->SliderById(1036);
    ASSERT_NE(size, nullptr);
    constexpr int kAux = 9;
    const int aux = app_->GetCurrentDoc().GetSourceSettings(kAux).Value(VideoSetting::ScaleZoomSize).Value();
    dialect([&](sim::PellivarDialect& d) {
        d.setValue("fe", kAux, aux);
        d.knobs().loseChannelOfNextSet = "fe";
        return 0;
    });
    const std::size_t boxes = asks().size();
    size->Edit()->clear();
    QTest::keyClicks(size->Edit(), "91");
    settle();
    dialect([&](sim::PellivarDialect& d) {
        EXPECT_TRUE(d.knobs().loseChannelOfNextSet.empty()) << "no set lost its channel";
        EXPECT_EQ(d.value("fe", 0), 91);
        EXPECT_EQ(d.value("fe", kAux), aux) << "AUX's Zoom Size changed without a word";
        return 0;
    });
    EXPECT_EQ(app_->GetCurrentDoc().GetSourceSettings(kAux).Value(VideoSetting::ScaleZoomSize).Value(), aux);
    EXPECT_EQ(asks().size(), boxes);
}

TEST_F(LossyEdits, GammaPointsMovedAndAddedEndAsThePageShowsThemOrAreNamed) {
    ASSERT_TRUE(connect());
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 2));
    CGammaCurveView* page = frame_->GammaView();
    CGammaList& curve = app_->GetCurrentDoc().GetGammaLists()[0];
    loseEvery(60);
    int silent = 0;
    for (int i = 0; i < 12; ++i) {
        const std::size_t boxes = asks().size();
        if (i % 4 == 3) {
            curve.InsertAfter(i, curve.GetAt(i)->x + 20, curve.GetAt(i)->y + 30);
            emit page->Graph()->listChanged();
        } else {
            curve.GetAt(i + 1)->y += 9;
            emit page->Graph()->activePointChanged(i + 1);
        }
        settle();
        bool same = dialect([&](sim::PellivarDialect& d) { return d.curveCount(0); }) == curve.GetCount();
        for (int p = 0; same && p < curve.GetCount(); ++p) {
            const auto u = dialect([&](sim::PellivarDialect& d) { return d.curvePoint(0, p); });
            same = u.x == curve.GetAt(p)->x && u.y == curve.GetAt(p)->y;
        }
        if (!same && !namedSince(boxes, "Custom Gamma 1")) ++silent;
    }
    RecordProperty("silently_wrong", silent);
    EXPECT_EQ(silent, 0) << "of 12 edits";
}

// The reply to an exchange's final query lost on a line that answers the
// rest: the unit is asked again, and the exchange ends with its read-back.
// Each spacing of the lost bytes is chosen so that one lands in the final
// end marker; the log shows it did.
using FinalReplyLost = LossyExchange;

TEST_F(FinalReplyLost, LoadEndsWithItsReadBackAndTheLineStays) {
    ASSERT_TRUE(connect());
    const std::vector<int> sent = setEveryValueOneOff();
    loseEvery(323);
    closeModalsAfter(120000);
    frame_->TreeBar()->OnLoad();
    ASSERT_EQ(sim_->log().count("T?j"), 1u) << "the last read-back's last end marker no longer loses its \"f\"";
    expectReadBackOnALiveLine(differingAfterLoad(sent), boxAbout("Load"));
}

TEST_F(FinalReplyLost, AdvancedUploadEndsWithItsReadBackAndTheLineStays) {
    ASSERT_TRUE(connect());
    CAdvancedVideoView* page = prepareAdvancedUpload();
    loseEvery(229);
    closeModalsAfter(240000);
    page->OnUpload();
    ASSERT_EQ(sim_->log().count("fTj"), 1u) << "the upload's end marker no longer loses its \"?\"";
    expectReadBackOnALiveLine(differingAfterAdvancedUpload(), boxAbout("Advanced Upload"));
}

}  // namespace
}  // namespace pellivar::test

// Load and Advanced Upload on a line that loses bytes: each ends with the
// processor holding what was sent, or with a box that names what it does
// not hold. The truth is the simulated processor's own state; the program's
// word is what it showed the user.

#include "GuiFixture.h"

#include "pellivar/CPellivarDoc.h"
#include "pellivar/GammaCurveExchange.h"
#include "pellivar/ReadBack.h"
#include "pellivar/StandardOutputFormat.h"
#include "pellivar/VideoSettingInfo.h"
#include "pellivar/ui/CAdvancedVideoView.h"
#include "pellivar/ui/CCustomOutputRez.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTreeWidget>

namespace pellivar::test {
namespace {

class LossyLoad : public GuiFixture, public ::testing::WithParamInterface<int> {
protected:
    // The last box the program showed about `what`, empty when none.
    std::string boxAbout(const std::string& what) const {
        std::string text;
        for (const auto& a : asks())
            if (a.text.rfind(what, 0) == 0) text = a.text;
        return text;
    }

    void loseBytes() {
        sim::FaultKnobs k;
        k.dropEveryNthByte = GetParam();
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
};

TEST_P(LossyLoad, LoadLeavesTheUnitAsTheDocumentOrNamesWhatDiffers) {
    ASSERT_TRUE(connect());
    // Every value one step off the unit's default, so a set that does not
    // arrive shows.
    CPellivarDoc& doc = app_->GetCurrentDoc();
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        for (std::size_t i = 0; i < kVideoSettingCount; ++i) {
            SubscribedInt& v = doc.GetSourceSettings(s).Value(static_cast<VideoSetting>(i));
            v.SetValue(v.InRange(v.Default() + 1) ? v.Default() + 1 : v.Default() - 1);
        }
    std::vector<int> sent;
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        for (std::size_t i = 0; i < kVideoSettingCount; ++i)
            sent.push_back(doc.GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).Value());
    loseBytes();
    closeModalsAfter(120000);
    frame_->TreeBar()->OnLoad();

    std::vector<std::string> differing;
    std::size_t n = 0;
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        for (std::size_t i = 0; i < kVideoSettingCount; ++i, ++n) {
            const int unit = dialect([&](sim::PellivarDialect& d) { return d.value(kVideoSettings[i].prefix, s); });
            if (unit != sent[n]) differing.push_back(std::string(SourceNames::name(s)) + " " + kVideoSettings[i].xmlKey);
            // The document still holds what was sent, not the read-back.
            EXPECT_EQ(doc.GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).Value(), sent[n]);
        }
    expectHonest(differing, boxAbout("Load"));
}

TEST_P(LossyLoad, AdvancedUploadLeavesTheUnitAsTheDocumentOrNamesWhatDiffers) {
    ASSERT_TRUE(connect());
    CPellivarDoc& doc = app_->GetCurrentDoc();
    frame_->TreeBar()->Tree()->setCurrentItem(frame_->TreeBar()->ItemFor(-1, 1));
    frame_->ResolutionView()->LoadStandard(kStandardOutputFormats[7].Row());  // 720p60
    for (int c = 0; c < CPellivarDoc::kCurves; ++c) doc.GetGammaLists()[static_cast<std::size_t>(c)].GetAt(3)->y += 40 + c;
    CAdvancedVideoView* page = frame_->AdvancedView();
    page->ResolutionCheck()->setChecked(true);
    page->GammaCheck()->setChecked(true);
    page->CurveList()->setCurrentIndex(0);
    CustomOutputResolutionSettings& res = doc.GetOutputResolution();
    loseBytes();
    closeModalsAfter(240000);
    page->OnUpload();

    std::vector<std::string> differing;
    for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f) {
        const SubscribedInt& v = res.Value(static_cast<CustomOutputResolutionSettings::Field>(f));
        if (dialect([&](sim::PellivarDialect& d) { return d.resolution(v.Command().Channel()); }) != v.Value())
            differing.push_back(CustomOutputResolutionSettings::kKeys[static_cast<std::size_t>(f)]);
    }
    const unsigned rate = dialect([](sim::PellivarDialect& d) { return d.pixelRate(); });
    const auto want = static_cast<unsigned>(res.PixelRate());
    if ((rate >> 16) != (want >> 16)) differing.push_back(std::string(CustomOutputResolutionSettings::kPixelRateKey) + " (high half)");
    if ((rate & 0xFFFF) != (want & 0xFFFF)) differing.push_back(std::string(CustomOutputResolutionSettings::kPixelRateKey) + " (low half)");
    for (int c = 0; c < CPellivarDoc::kCurves; ++c) {
        const CGammaList& list = doc.GetGammaLists()[static_cast<std::size_t>(c)];
        const int unitCount = dialect([&](sim::PellivarDialect& d) { return d.curveCount(c); });
        for (int i = 0; i < GammaCurveExchange::kSlots; ++i) {
            bool same = (i < list.GetCount()) == (i < unitCount);
            if (same && i < list.GetCount()) {
                const auto p = dialect([&](sim::PellivarDialect& d) { return d.curvePoint(c, i); });
                same = p.x == list.GetAt(i)->x && p.y == list.GetAt(i)->y;
            }
            if (!same) differing.push_back("Gamma curve " + std::to_string(c) + " point " + std::to_string(i));
        }
    }
    expectHonest(differing, boxAbout("Advanced Upload"));
}

INSTANTIATE_TEST_SUITE_P(DropEvery, LossyLoad, ::testing::Values(50, 200));

}  // namespace
}  // namespace pellivar::test

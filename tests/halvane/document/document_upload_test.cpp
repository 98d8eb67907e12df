// The project document as the uploads see it: its filter sets reach the
// receiver bit for bit, its measured Movie and Music slots decide which
// trims are kept, and the zero trims are written back into it.

#include "halvane/document/CHalvaneDoc.h"
#include "halvane/link/VuxV1Base.h"
#include "halvane/signal/CCurve.h"

#include "tests/halvane/link/SyntheticProject.h"
#include "tests/halvane/link/UnitFixture.h"

using namespace halvane::signal;

using linktest::UnitTest;

namespace {

class DocumentUploadTest : public UnitTest {
protected:
    void SetUp() override {
        StartUnit(7, "1.00");
        unit_ = std::make_unique<halvane::link::ConTypes::VuxV1Base>(7, Port());
        unit_->SetProgress(&progress_);
        const halvane::link::UploadData synthetic = linktest::SyntheticProject();
        for (int c = 0; c < 2; ++c)
            for (int r = 0; r < 8; ++r)
                for (int ch = 0; ch < 8; ++ch) {
                    auto& set = doc_.FilterSets[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]
                                               [static_cast<std::size_t>(ch)];
                    set.Gain = synthetic.At(c, r, ch).Gain;
                    set.Filled = 1;
                    for (std::size_t b = 0; b < 10; ++b) set.Stages[b] = synthetic.At(c, r, ch).Stages[b];
                }
    }
    halvane::document::CHalvaneDoc doc_;
    std::unique_ptr<halvane::link::ConTypes::VuxV1Base> unit_;
};

}  // namespace

TEST_F(DocumentUploadTest, DocumentFiltersAndTrimsReachTheReceiver) {
    unit_->UploadCoefficients(false, &doc_);
    const auto store = Dialect([](sim::HalvaneDialect& d) { return d.bitStore(); });
    const auto expected = linktest::ReadReference("receiver_class4.txt");
    ASSERT_EQ(store.size(), expected.size());
    char hex[16];
    for (const auto& [word, bits] : store) {
        std::snprintf(hex, sizeof hex, "%08X", bits);
        ASSERT_EQ(expected.at(word), hex) << word;
    }
    EXPECT_TRUE(unit_->VerifyCoefficients(&doc_, 0));

    doc_.CurveSetSlot(halvane::document::DocumentData::MeasuredMovie)->Add(0, std::make_unique<CCurve>());
    doc_.CurveSetSlot(halvane::document::DocumentData::MeasuredMusic)->Add(7, std::make_unique<CCurve>());
    doc_.m_TargetConfig.ChannelTrim = {2, 3, 4, 5, 6, 7, 8, 9};
    doc_.m_TargetConfig.MusicSubTrim = -3;
    unit_->UploadSpeakerLevels(&doc_);
    EXPECT_EQ(doc_.m_TargetConfig.ChannelTrim, (std::array<std::int32_t, 8>{2, 0, 0, 0, 0, 0, 0, 9}));
    EXPECT_EQ(doc_.m_TargetConfig.MusicSubTrim, -3);
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("L0"), "2");
        EXPECT_EQ(d.setting("L7"), "9");
        EXPECT_EQ(d.setting("L8"), "-3");
        return 0;
    });
}

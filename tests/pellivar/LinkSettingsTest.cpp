// The settings model against the simulated processor: every value's query
// goes out on the wire and its reply comes back into the value.

#include "LinkFixture.h"
#include "pellivar/CLiveVideoSettings.h"
#include "pellivar/CustomOutputResolutionSettings.h"

namespace pellivar::test {
namespace {

class CountingObserver final : public ValueObserver {
public:
    void OnValueChanged() override { ++count; }
    int count = 0;
};

class SettingsOverLink : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_EQ(searchAll(), 1);
        clearRaw();
    }
};

TEST_F(SettingsOverLink, EverySettingsReplyUpdatesItsValueAndTellsItsObservers) {
    CLiveVideoSettings dvd4(link_.get()), sat2(link_.get());
    dvd4.SetSource(12);
    sat2.SetSource(16);
    // Distinct values in range on the unit, one out of range.
    dialect([](sim::PellivarDialect& d) {
        for (int i = 0; i < kVideoSettingCount; ++i) {
            const auto& info = kVideoSettings[static_cast<std::size_t>(i)];
            d.setValue(info.prefix, 12, info.minimum + (i % (info.maximum - info.minimum + 1)) );
            d.setValue(info.prefix, 16, info.maximum);
        }
        d.setValue("fm", 12, 16);
    });
    std::vector<CountingObserver> observers(kVideoSettingCount);
    for (int i = 0; i < kVideoSettingCount; ++i) dvd4.Value(static_cast<VideoSetting>(i)).AddObserver(&observers[static_cast<std::size_t>(i)]);

    dvd4.QueryAll();
    auto allTold = [&] {
        for (const auto& o : observers)
            if (o.count == 0) return false;
        return true;
    };
    ASSERT_TRUE(poster_.drainUntil(allTold, 10000));
    for (int i = 0; i < kVideoSettingCount; ++i) {
        const auto& info = kVideoSettings[static_cast<std::size_t>(i)];
        const int expected = info.prefix == std::string("fm") ? info.def : info.minimum + (i % (info.maximum - info.minimum + 1));
        EXPECT_EQ(dvd4.Value(static_cast<VideoSetting>(i)).Value(), expected) << info.xmlKey;
        EXPECT_EQ(observers[static_cast<std::size_t>(i)].count, 1) << info.xmlKey;
        // The other source heard nothing.
        EXPECT_EQ(sat2.Value(static_cast<VideoSetting>(i)).Value(), info.def) << info.xmlKey;
    }
    EXPECT_TRUE(dialect([](sim::PellivarDialect& d) { return d.anomalies().empty(); }));
}

TEST_F(SettingsOverLink, SetsReachTheUnitOnTheSourcesChannel) {
    CLiveVideoSettings tv4(link_.get());
    tv4.SetSource(15);
    tv4.Value(VideoSetting::GammaCurveExponent).SetValue(250);
    tv4.Value(VideoSetting::GammaCurveExponent).SendSet();
    tv4.Value(VideoSetting::InputCustomHorzPos).SetValue(1);
    tv4.Value(VideoSetting::InputCustomHorzPos).SendSet();
    ASSERT_TRUE(waitForRaw("fqsi1;\n"));
    EXPECT_EQ(raw(), "fXsi250;\nfqsi1;\n");
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.value("fX", 15); }), 250);
    EXPECT_EQ(dialect([](sim::PellivarDialect& d) { return d.value("fq", 15); }), 1);
}

TEST_F(SettingsOverLink, TheOutputTimingComesBackFromTheUnit) {
    CustomOutputResolutionSettings r(link_.get());
    r.SubscribeReplies();
    dialect([](sim::PellivarDialect& d) {
        d.setResolution(0, 2200);
        d.setResolution(99, -1);
    });
    r.Value(CustomOutputResolutionSettings::TotalHSize).SendQuery();
    r.Value(CustomOutputResolutionSettings::OffsetF1F2).SendQuery();
    ASSERT_TRUE(poster_.drainUntil(
        [&] {
            return r.Value(CustomOutputResolutionSettings::TotalHSize).Value() == 2200 &&
                   r.Value(CustomOutputResolutionSettings::OffsetF1F2).Value() == -1;
        },
        5000));
    EXPECT_EQ(raw(), "fU?0;\nfU?c;\n");
}

// Echoed queries and acknowledged sets are lines too; they must not disturb
// the values.
TEST_F(SettingsOverLink, EchoesAndAcknowledgementsAreHarmless) {
    dialect([](sim::PellivarDialect& d) {
        d.knobs().echoQueries = true;
        d.knobs().ackSets = true;
        d.setValue("fc", 2, 42);
    });
    CLiveVideoSettings six(link_.get());
    six.SetSource(2);
    CountingObserver o;
    auto& contrast = six.Value(VideoSetting::PictureImageColorContrast);
    contrast.AddObserver(&o);
    contrast.SendQuery();
    // The echo "fc?2" does not begin with the key "fc2"; the reply does.
    ASSERT_TRUE(poster_.drainUntil([&] { return o.count >= 1; }, 5000));
    EXPECT_EQ(contrast.Value(), 42);
    contrast.SetValue(43);
    contrast.SendSet();
    ASSERT_TRUE(poster_.drainUntil([&] { return o.count >= 2; }, 5000));
    EXPECT_EQ(contrast.Value(), 43);
    EXPECT_EQ(raw(), "fc?2;\nfcs243;\n");
}

}  // namespace
}  // namespace pellivar::test

// The settings model: validation, commands, reply updates and the document
// binding, without a port.

#include "pellivar/CLiveVideoSettings.h"
#include "pellivar/CSItemVector.h"
#include "pellivar/CustomOutputResolutionSettings.h"
#include "pellivar/Poster.h"
#include "pellivar/TiXmlINT.h"
#include "tests/support/RecordingLink.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <set>

namespace pellivar {
namespace {

using testsupport::RecordingLink;

class CountingObserver final : public ValueObserver {
public:
    void OnValueChanged() override { ++count; }
    int count = 0;
};

TEST(SubscribedInt, OutOfRangeFallsBackToTheDefaultNotTheBound) {
    CLiveVideoSettings s;
    auto validated = [&](VideoSetting which, int v) {
        s.Value(which).SetValue(v);
        return s.Value(which).Validate();
    };
    EXPECT_EQ(validated(VideoSetting::PictureMotionThreshold, 16), 4);
    EXPECT_EQ(validated(VideoSetting::PictureMotionThreshold, 15), 15);
    EXPECT_EQ(validated(VideoSetting::GammaCurveExponent, 24), 100);
    EXPECT_EQ(validated(VideoSetting::GammaCurveExponent, 25), 25);
    EXPECT_EQ(validated(VideoSetting::GammaCurveExponent, 400), 400);
    EXPECT_EQ(validated(VideoSetting::InputCustomHorzSize, 0), 1920);
    EXPECT_EQ(validated(VideoSetting::PictureImageColorContrast, -1), 50);
    EXPECT_EQ(validated(VideoSetting::PictureImageColorContrast, 101), 50);

    // The output timing is unranged: anything goes.
    CustomOutputResolutionSettings r;
    auto& h = r.Value(CustomOutputResolutionSettings::TotalHSize);
    h.SetValue(-7);
    EXPECT_EQ(h.Validate(), -7);
    h.SetValue(2147483647);
    EXPECT_EQ(h.Validate(), 2147483647);
}

TEST(SubscribedInt, ADirectSetNeitherValidatesNorNotifiesNorSends) {
    RecordingLink link;
    CLiveVideoSettings s(&link);
    s.SetSource(0);
    CountingObserver o;
    auto& m = s.Value(VideoSetting::PictureMotionThreshold);
    m.AddObserver(&o);
    m.SetValue(99);
    EXPECT_EQ(m.Value(), 99);
    EXPECT_EQ(o.count, 0);
    EXPECT_TRUE(link.sent.empty());
    *m.ValuePtr() = 3;
    EXPECT_EQ(m.Value(), 3);
}

TEST(CLiveVideoSettings, TheTableIsComplete) {
    std::set<std::string> keys, prefixes;
    for (const auto& info : kVideoSettings) {
        keys.insert(info.xmlKey);
        prefixes.insert(info.prefix);
        EXPECT_LE(info.minimum, info.def) << info.xmlKey;
        EXPECT_LE(info.def, info.maximum) << info.xmlKey;
    }
    EXPECT_EQ(keys.size(), 36u);
    EXPECT_EQ(prefixes.size(), 36u);
    EXPECT_EQ(Info(VideoSetting::PictureInputOffset).prefix, std::string("fT"));
    EXPECT_EQ(Info(VideoSetting::PictureSamplingPhase).prefix, std::string("fP"));
    EXPECT_EQ(SourceNames::name(12), std::string("DVD4"));
    EXPECT_EQ(SourceNames::name(17), std::string("SL_ERROR"));
    EXPECT_EQ(SourceNames::name(-1), std::string("SL_ERROR"));
    EXPECT_EQ(SourceNames::find("SAT2"), 16);
    EXPECT_EQ(SourceNames::find("SAT"), -1);
}

TEST(CLiveVideoSettings, QueriesAndSetsGoOutInListOrderOnTheSourcesChannel) {
    RecordingLink link;
    CLiveVideoSettings s(&link);
    s.SetSource(12);
    s.QueryAll();
    ASSERT_EQ(link.sent.size(), 36u);
    EXPECT_EQ(link.sent[0], "fS?f\n");
    EXPECT_EQ(link.sent[2], "fc?f\n");
    // The sampling phase comes before the input offset in the value list.
    EXPECT_EQ(link.sent[15], "fP?f\n");
    EXPECT_EQ(link.sent[16], "fT?f\n");
    EXPECT_EQ(link.sent[35], "fi?f\n");

    link.sent.clear();
    s.SetAll();
    ASSERT_EQ(link.sent.size(), 36u);
    EXPECT_EQ(link.sent[2], "fcsf50\n");
    EXPECT_EQ(link.sent[18], "fosf1920\n");
}

TEST(CLiveVideoSettings, EachSourceOnlyHearsItsOwnReplies) {
    RecordingLink link;
    CLiveVideoSettings dvd4(&link), cd(&link);
    dvd4.SetSource(12);
    cd.SetSource(0);
    EXPECT_EQ(link.list->size(), 72u);
    CountingObserver o;
    dvd4.Value(VideoSetting::PictureImageColorContrast).AddObserver(&o);

    link.list->Dispatch("fcf35");
    link.list->Dispatch("fc022");
    link.list->Dispatch("fmf16");  // out of range: the default
    link.poster.drain();
    EXPECT_EQ(dvd4.Value(VideoSetting::PictureImageColorContrast).Value(), 35);
    EXPECT_EQ(cd.Value(VideoSetting::PictureImageColorContrast).Value(), 22);
    EXPECT_EQ(dvd4.Value(VideoSetting::PictureMotionThreshold).Value(), 4);
    EXPECT_EQ(o.count, 1);

    // Observers hear of every reply, changed or not.
    link.list->Dispatch("fcf35");
    link.poster.drain();
    EXPECT_EQ(o.count, 2);
}

TEST(CLiveVideoSettings, RebindingAndDestructionLeaveNoSubscriptionBehind) {
    RecordingLink link;
    {
        CLiveVideoSettings s(&link);
        s.SetSource(3);
        s.SetSource(4);
        EXPECT_EQ(link.list->size(), 36u);
        link.list->Dispatch("fc333");  // the old source's: no longer heard
        link.list->Dispatch("fc477");
        link.poster.drain();
        EXPECT_EQ(s.Value(VideoSetting::PictureImageColorContrast).Value(), 77);
        link.list->Dispatch("fc460");  // queued when s goes away
    }
    EXPECT_EQ(link.list->size(), 0u);
    link.poster.drain();  // the late delivery reaches nothing
}

TEST(CustomOutputResolutionSettings, ChannelsDefaultsAndStandardFormats) {
    RecordingLink link;
    CustomOutputResolutionSettings r(&link);
    r.SubscribeReplies();
    const char expectedKeys[] = {'0', '2', '1', '3', '4', '5', '6', '7', '8', '9', 'c'};
    for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f) {
        auto& v = r.Value(static_cast<CustomOutputResolutionSettings::Field>(f));
        EXPECT_EQ(v.Command().ReplyKey(), std::string("fU") + expectedKeys[f]);
        EXPECT_FALSE(v.IsRanged());
    }
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::TotalHSize).Value(), 5);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::BlankF1Size).Value(), 4);
    EXPECT_EQ(r.PixelRate(), 5000000);

    link.list->Dispatch("fUc-5");
    link.list->Dispatch("fU02200");
    link.poster.drain();
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::OffsetF1F2).Value(), -5);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::TotalHSize).Value(), 2200);

    // 1080p60: column k of the row is int k.
    CountingObserver o;
    r.Value(CustomOutputResolutionSettings::TotalHSize).AddObserver(&o);
    r.LoadFormat({0, 1920, 2200, 88, 132, 1080, 1125, 4, 9, 45, 1080, 0, 148500000});
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::ActiveHSize).Value(), 1920);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::TotalHSize).Value(), 2200);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::HSyncStart).Value(), 88);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::HSyncEnd).Value(), 132);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::ActiveVSize).Value(), 1080);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::TotalVSize).Value(), 1125);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::VSyncStart).Value(), 4);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::VSyncEnd).Value(), 9);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::BlankF1Size).Value(), 45);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::ActiveF1Size).Value(), 1080);
    EXPECT_EQ(r.Value(CustomOutputResolutionSettings::OffsetF1F2).Value(), 0);
    EXPECT_EQ(r.PixelRate(), 148500000);
    EXPECT_EQ(o.count, 0);
}

// --- the document binding -------------------------------------------------

std::string toXml(const TiXmlContainer& c) {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(c.ToXml(doc));
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    return printer.CStr();
}

const tinyxml2::XMLElement* parse(tinyxml2::XMLDocument& doc, const char* xml) {
    EXPECT_EQ(doc.Parse(xml), tinyxml2::XML_SUCCESS);
    return doc.RootElement();
}

TEST(SettingsXml, ASourceWritesItsKeysInDocumentOrder) {
    CLiveVideoSettings s;
    s.SetSource(1);
    s.Value(VideoSetting::PictureImageColorHue).SetValue(61);
    tinyxml2::XMLDocument doc;
    tinyxml2::XMLElement* e = s.ToXml(doc);
    doc.InsertEndChild(e);
    EXPECT_STREQ(e->Name(), "SourceSettings");
    EXPECT_STREQ(e->Attribute("Source"), "2-CH");
    std::vector<std::string> names;
    for (auto* c = e->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) names.push_back(c->Name());
    ASSERT_EQ(names.size(), 36u);
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], kVideoSettings[i].xmlKey);
    EXPECT_EQ(names[15], "PictureInputOffset");
    EXPECT_EQ(names[16], "PictureSamplingPhase");
    EXPECT_EQ(e->FirstChildElement("PictureImageColorHue")->IntAttribute("Value"), 61);
    EXPECT_EQ(e->FirstChildElement("InputCustomHorzSize")->IntAttribute("Value"), 1920);
}

TEST(SettingsXml, RoundTripsEveryValue) {
    CLiveVideoSettings a, b;
    a.SetSource(7);
    b.SetSource(7);
    for (int i = 0; i < kVideoSettingCount; ++i) {
        const auto& info = kVideoSettings[static_cast<std::size_t>(i)];
        a.Value(static_cast<VideoSetting>(i)).SetValue(info.maximum - (i % 2));
    }
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(a.ToXml(doc));
    ASSERT_TRUE(b.FromXml(*doc.RootElement()));
    for (int i = 0; i < kVideoSettingCount; ++i)
        EXPECT_EQ(b.Value(static_cast<VideoSetting>(i)).Value(), a.Value(static_cast<VideoSetting>(i)).Value());

    CustomOutputResolutionSettings r1, r2;
    r1.Value(CustomOutputResolutionSettings::OffsetF1F2).SetValue(-2);
    r1.SetPixelRate(74250000);
    tinyxml2::XMLDocument doc2;
    doc2.InsertEndChild(r1.ToXml(doc2));
    EXPECT_EQ(toXml(r1).find("<CustomOutputResolutionSettings>"), 0u);
    ASSERT_TRUE(r2.FromXml(*doc2.RootElement()));
    EXPECT_EQ(r2.Value(CustomOutputResolutionSettings::OffsetF1F2).Value(), -2);
    EXPECT_EQ(r2.PixelRate(), 74250000);
}

TEST(SettingsXml, APartialSourceChangesOnlyItsKeys) {
    CLiveVideoSettings s;
    s.SetSource(5);
    s.Value(VideoSetting::PictureImageColorHue).SetValue(10);
    tinyxml2::XMLDocument doc;
    ASSERT_TRUE(s.FromXml(*parse(doc, R"(<SourceSettings Source="DVD1">
        <PictureImageColorContrast Value="12abc"/>
        <PictureMotionThreshold Value="16"/>
        <NotAKey Value="3"/>
    </SourceSettings>)")));
    EXPECT_EQ(s.Value(VideoSetting::PictureImageColorContrast).Value(), 12);  // atoi reading
    EXPECT_EQ(s.Value(VideoSetting::PictureMotionThreshold).Value(), 4);     // validated
    EXPECT_EQ(s.Value(VideoSetting::PictureImageColorHue).Value(), 10);      // untouched
}

TEST(SettingsXml, AnotherSourcesNameReadsNothing) {
    CLiveVideoSettings s;
    s.SetSource(5);
    tinyxml2::XMLDocument doc;
    EXPECT_FALSE(s.FromXml(*parse(doc, R"(<SourceSettings Source="DVD"><PictureImageColorContrast Value="1"/></SourceSettings>)")));
    EXPECT_FALSE(s.FromXml(*parse(doc, R"(<SourceSettings><PictureImageColorContrast Value="1"/></SourceSettings>)")));
    EXPECT_EQ(s.Value(VideoSetting::PictureImageColorContrast).Value(), 50);
}

// A key without "Value" reads as 0 (then validated) and stops the reading:
// keys before it keep their new values, keys after it their old ones.
TEST(SettingsXml, AMissingValueStopsTheReading) {
    CLiveVideoSettings s;
    s.SetSource(0);
    tinyxml2::XMLDocument doc;
    EXPECT_FALSE(s.FromXml(*parse(doc, R"(<SourceSettings Source="CD">
        <PictureImageColorContrast Value="11"/>
        <PictureImageColorHue/>
        <InputCustomHorzSize/>
        <ScaleZoomSize Value="7"/>
    </SourceSettings>)")));
    EXPECT_EQ(s.Value(VideoSetting::PictureImageColorContrast).Value(), 11);
    EXPECT_EQ(s.Value(VideoSetting::PictureImageColorHue).Value(), 0);
    EXPECT_EQ(s.Value(VideoSetting::InputCustomHorzSize).Value(), 1920);  // not reached
    EXPECT_EQ(s.Value(VideoSetting::ScaleZoomSize).Value(), 100);

    // A ranged value whose range excludes 0 gets its default.
    CLiveVideoSettings t;
    t.SetSource(0);
    t.Value(VideoSetting::InputCustomHorzSize).SetValue(640);
    EXPECT_FALSE(t.FromXml(*parse(doc, R"(<SourceSettings Source="CD"><InputCustomHorzSize/></SourceSettings>)")));
    EXPECT_EQ(t.Value(VideoSetting::InputCustomHorzSize).Value(), 1920);

    CustomOutputResolutionSettings r;
    EXPECT_FALSE(r.FromXml(*parse(doc, R"(<CustomOutputResolutionSettings><ResolutionPixelRate/></CustomOutputResolutionSettings>)")));
    EXPECT_EQ(r.PixelRate(), 0);
}

}  // namespace
}  // namespace pellivar

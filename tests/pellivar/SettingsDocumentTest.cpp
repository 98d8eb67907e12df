// The settings document: its ".kvx" file written and read back, the reading
// rules for partial and damaged files, and the older binary form.

#include "pellivar/CPellivarDoc.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"
#include "platform/ScriptedUserPrompt.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pellivar {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// A distinct in-range value for every setting of every source.
int sample(int source, int i) {
    const VideoSettingInfo& info = kVideoSettings[static_cast<std::size_t>(i)];
    return info.minimum + (source * 7 + i * 3 + 1) % (info.maximum - info.minimum + 1);
}

void fill(CPellivarDoc& doc) {
    for (int s = 0; s < 17; ++s)
        for (int i = 0; i < kVideoSettingCount; ++i)
            doc.GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).SetValue(sample(s, i));
    auto& r = doc.GetOutputResolution();
    for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f)
        r.Value(static_cast<CustomOutputResolutionSettings::Field>(f)).SetValue(1000 + 17 * f - (f == 3 ? 5000 : 0));
    r.SetPixelRate(74250000);
    for (int c = 0; c < 4; ++c) {
        std::vector<CGammaPoint> points;
        for (int i = 0; i < 5 + 7 * c; ++i) points.push_back({i * 1023 / (4 + 7 * c), (i * 97 + c) % 1024});
        doc.GetGammaLists()[static_cast<std::size_t>(c)].SetPoints(points);
    }
}

void expectSameContents(const CPellivarDoc& a, const CPellivarDoc& b) {
    for (int s = 0; s < 17; ++s)
        for (int i = 0; i < kVideoSettingCount; ++i)
            EXPECT_EQ(a.GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).Value(),
                      b.GetSourceSettings(s).Value(static_cast<VideoSetting>(i)).Value())
                << "source " << s << " " << kVideoSettings[static_cast<std::size_t>(i)].xmlKey;
    for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f) {
        const auto field = static_cast<CustomOutputResolutionSettings::Field>(f);
        EXPECT_EQ(a.GetOutputResolution().Value(field).Value(), b.GetOutputResolution().Value(field).Value()) << f;
    }
    EXPECT_EQ(a.GetOutputResolution().PixelRate(), b.GetOutputResolution().PixelRate());
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(a.GetGammaLists()[static_cast<std::size_t>(c)], b.GetGammaLists()[static_cast<std::size_t>(c)]) << c;
}

int valueOf(const CPellivarDoc& doc, int source, VideoSetting s) { return doc.GetSourceSettings(source).Value(s).Value(); }

class SettingsDocument : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pellivar-doc-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& a : prompt_.asks()) out.push_back(a.text);
        return out;
    }
    // Opens `xml` as a file in the document under test.
    bool open(const std::string& xml) {
        writeText(dir_ / "in.kvx", xml);
        return doc_.OnOpenDocument((dir_ / "in.kvx").string());
    }

    fs::path dir_;
    platform::ScriptedUserPrompt prompt_;
    CPellivarDoc doc_{nullptr, &prompt_};
};

constexpr const char* kHead = "<?xml version=\"1.1\" standalone=\"no\" ?>\n<!--Tessik Live Video Settings file .kvx-->\n";

TEST_F(SettingsDocument, SaveAndOpenReproduceEveryValueAndPoint) {
    fill(doc_);
    doc_.SetModifiedFlag();
    const fs::path path = dir_ / "all.kvx";
    ASSERT_TRUE(doc_.OnSaveDocument(path.string()));
    EXPECT_FALSE(doc_.IsModified());

    platform::ScriptedUserPrompt quiet;
    CPellivarDoc back(nullptr, &quiet);
    back.SetModifiedFlag();
    ASSERT_TRUE(back.OnOpenDocument(path.string()));
    EXPECT_FALSE(back.IsModified());
    expectSameContents(doc_, back);
    EXPECT_EQ(quiet.askCount(), 0u);
    EXPECT_EQ(prompt_.askCount(), 0u);

    // An independent parser accepts it (it only warns about version 1.1).
    const std::string command = "xmllint --noout '" + path.string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    // Saving again keeps the file's permissions.
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(doc_.OnSaveDocument(path.string()));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    RecordProperty("document_bytes", static_cast<int>(fs::file_size(path)));
    // No temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 1);
}

// The order of the written file, checked against the key lists as the
// stored files have them (the "Detaile" spelling included).
TEST_F(SettingsDocument, TheWrittenFileHasTheDocumentsNodeOrder) {
    const std::vector<std::string> sourceKeys = {
        "PictureInColorSpace", "PictureInColorSpaceRGB", "PictureImageColorContrast", "PictureImageColorBrightness",
        "PictureImageColorSaturation", "PictureImageColorHue", "PictureFilmMode", "PictureDetaileEnhancementLevel",
        "PictureDetaileEnhancementNoiseThreshold", "PictureNoiseReductionLevel", "PictureMotionThreshold",
        "PictureChromaBugCorrection", "PictureSVideoChromaLevel", "PictureSVideoLumaLevel", "PictureInputGain",
        "PictureInputOffset", "PictureSamplingPhase", "InputCropIn", "InputCustomHorzSize", "InputCustomVertSize",
        "InputCustomHorzPos", "InputCustomVertPos", "InputEdges", "InputEdgesValue", "InputYCDelay",
        "ScaleOutSelection", "ScaleZoomSize", "ScaleZoomHorzPos", "ScaleZoomVertPos", "ScaleBypassHorzSize",
        "ScaleBypassVertSize", "ScaleBypassHorzPos", "ScaleBypassVertPos", "GammaCurveSelection",
        "GammaCurveExponent", "FrameLock"};
    const std::vector<std::string> resolutionKeys = {
        "ResolutionTotalHSize", "ResolutionActiveHSize", "ResolutionTotalVSize", "ResolutionActiveVSize",
        "ResolutionHSyncStart", "ResolutionHSyncEnd", "ResolutionVSyncStart", "ResolutionVSyncEnd",
        "ResolutionActiveF1Size", "ResolutionBlankF1Size", "ResolutionOffsetF1F2", "ResolutionPixelRate"};
    const std::vector<std::string> sources = {"CD",   "2-CH", "6-CH", "TAPE", "TUNER", "DVD1", "TV1", "SAT1", "VCR",
                                              "AUX",  "DVD2", "DVD3", "DVD4", "TV2",   "TV3",  "TV4", "SAT2"};

    const std::string text = doc_.XmlText();
    EXPECT_EQ(text.substr(0, text.find('\n')), "<?xml version=\"1.1\" standalone=\"no\"?>");
    tinyxml2::XMLDocument xml;
    ASSERT_EQ(xml.Parse(text.c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLNode* n = xml.FirstChild();
    ASSERT_NE(n->ToDeclaration(), nullptr);
    n = n->NextSibling();
    ASSERT_NE(n->ToComment(), nullptr);
    EXPECT_STREQ(n->Value(), "Tessik Live Video Settings file .kvx");
    const tinyxml2::XMLElement* root = n->NextSibling()->ToElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->NextSibling(), nullptr);
    EXPECT_STREQ(root->Name(), "Settings");
    EXPECT_STREQ(root->Attribute("Version"), "1.31");

    auto names = [](const tinyxml2::XMLElement* parent) {
        std::vector<std::string> out;
        for (auto* c = parent->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) out.push_back(c->Name());
        return out;
    };
    const tinyxml2::XMLElement* e = root->FirstChildElement();
    for (int s = 0; s < 17; ++s, e = e->NextSiblingElement()) {
        ASSERT_STREQ(e->Name(), "SourceSettings");
        EXPECT_EQ(e->Attribute("Source"), sources[static_cast<std::size_t>(s)]);
        EXPECT_EQ(names(e), sourceKeys);
    }
    ASSERT_STREQ(e->Name(), "CustomOutputResolutionSettings");
    EXPECT_EQ(e->FirstAttribute(), nullptr);
    EXPECT_EQ(names(e), resolutionKeys);
    EXPECT_EQ(e->FirstChildElement("ResolutionPixelRate")->IntAttribute("Value"), 5000000);
    for (int c = 0; c < 4; ++c) {
        e = e->NextSiblingElement();
        ASSERT_STREQ(e->Name(), "GammaCurve");
        const tinyxml2::XMLAttribute* a = e->FirstAttribute();
        EXPECT_STREQ(a->Name(), "Count");
        EXPECT_STREQ(a->Value(), "17");
        EXPECT_STREQ(a->Next()->Name(), "Version");
        EXPECT_STREQ(a->Next()->Value(), "1001");
        EXPECT_STREQ(a->Next()->Next()->Name(), "Val");
        EXPECT_EQ(a->Next()->Next()->IntValue(), c);
        EXPECT_EQ(names(e), std::vector<std::string>(17, "Point"));
        EXPECT_EQ(e->LastChildElement()->IntAttribute("X"), 1023);
    }
    EXPECT_EQ(e->NextSiblingElement(), nullptr);
}

TEST_F(SettingsDocument, APartialFileChangesOnlyWhatItHolds) {
    fill(doc_);
    platform::ScriptedUserPrompt quiet;
    CPellivarDoc expected(nullptr, &quiet);
    fill(expected);
    ASSERT_TRUE(open(std::string(kHead) +
                     "<Settings Version='9'><SourceSettings Source='TV2'><PictureImageColorHue Value='3'/>"
                     "<FrameLock Value='0'/><Unknown Value='1'/></SourceSettings>"
                     "<CustomOutputResolutionSettings><ResolutionPixelRate Value='12abc'/>"
                     "</CustomOutputResolutionSettings></Settings>"));
    EXPECT_EQ(valueOf(doc_, 13, VideoSetting::PictureImageColorHue), 3);
    EXPECT_EQ(valueOf(doc_, 13, VideoSetting::FrameLock), 0);
    EXPECT_EQ(doc_.GetOutputResolution().PixelRate(), 12);
    expected.GetSourceSettings(13).Value(VideoSetting::PictureImageColorHue).SetValue(3);
    expected.GetSourceSettings(13).Value(VideoSetting::FrameLock).SetValue(0);
    expected.GetOutputResolution().SetPixelRate(12);
    expectSameContents(expected, doc_);
    EXPECT_EQ(prompt_.askCount(), 0u);
}

TEST_F(SettingsDocument, SourceNamesAreFoundByTheFirstNameThatContainsThem) {
    ASSERT_TRUE(open(std::string(kHead) +
                     "<Settings>"
                     "<SourceSettings Source='DVD'><PictureImageColorHue Value='1'/></SourceSettings>"
                     "<SourceSettings Source='TV'><PictureImageColorHue Value='2'/></SourceSettings>"
                     "<SourceSettings Source='SAT'><PictureImageColorHue Value='3'/></SourceSettings>"
                     "<SourceSettings Source='XYZ'><PictureImageColorHue Value='4'/></SourceSettings>"
                     "<SourceSettings><PictureImageColorHue Value='5'/></SourceSettings>"
                     "<SourceSettings Source='6-CH'><PictureImageColorHue Value='6'/></SourceSettings>"
                     "</Settings>"));
    // DVD, TV and SAT reach DVD1, TV1 and SAT1, whose names differ: nothing read.
    for (int s = 0; s < 17; ++s)
        EXPECT_EQ(valueOf(doc_, s, VideoSetting::PictureImageColorHue), s == 2 ? 6 : 50) << s;
    EXPECT_EQ(texts(), (std::vector<std::string>(2, CPellivarDoc::kInvalidSourceText)));
    for (const auto& a : prompt_.asks()) EXPECT_EQ(a.caption, "XML - Load Failed");
}

TEST_F(SettingsDocument, AChildWithoutValueStopsItsElement) {
    ASSERT_TRUE(open(std::string(kHead) +
                     "<Settings><SourceSettings Source='CD'>"
                     "<PictureImageColorContrast Value='10'/><InputCustomHorzSize/><FrameLock Value='0'/>"
                     "<PictureMotionThreshold Value='99'/></SourceSettings>"
                     "<SourceSettings Source='AUX'><PictureImageColorContrast/><PictureImageColorHue Value='1'/>"
                     "</SourceSettings></Settings>"));
    EXPECT_EQ(valueOf(doc_, 0, VideoSetting::PictureImageColorContrast), 10);
    // Missing Value: 0, then the range check (1-1920) gives the default.
    EXPECT_EQ(valueOf(doc_, 0, VideoSetting::InputCustomHorzSize), 1920);
    EXPECT_EQ(valueOf(doc_, 0, VideoSetting::FrameLock), 1);               // after it: not read
    EXPECT_EQ(valueOf(doc_, 0, VideoSetting::PictureMotionThreshold), 4);  // before it, but out of range
    EXPECT_EQ(valueOf(doc_, 9, VideoSetting::PictureImageColorContrast), 0);  // 0 is in range
    EXPECT_EQ(valueOf(doc_, 9, VideoSetting::PictureImageColorHue), 50);
}

TEST_F(SettingsDocument, GammaCurvesByValWithDamagedOnesFallingBackToTheDefault) {
    auto& curves = doc_.GetGammaLists();
    for (auto& c : curves) c.SetPoints({{0, 5}, {10, 15}, {20, 25}, {30, 35}, {1023, 1000}});
    const auto kept = curves[0];
    ASSERT_TRUE(open(std::string(kHead) +
                     "<Settings>"
                     "<GammaCurve Count='5' Version='1001'><Point X='1' Y='1'/></GammaCurve>"   // no Val
                     "<GammaCurve Count='5' Version='1001' Val='7'><Point X='1' Y='1'/></GammaCurve>"
                     "<GammaCurve Count='5' Val='1'><Point X='0' Y='0'/><Point X='250' Y='100'/>"
                     "<Point X='500' Y='300'/><Point X='750' Y='600'/><Point X='1000' Y='1000'/></GammaCurve>"
                     "<GammaCurve Count='3' Version='1001' Val='2'><Point X='0' Y='0'/><Point X='9' Y='9'/>"
                     "<Point X='1023' Y='1023'/></GammaCurve>"
                     "<GammaCurve Version='1001' Val='3'/>"
                     "<GammaCurve Count='5' Version='1001' Val='0'><Point X='0' Y='0'/><Point X='1' Y='1'/>"
                     "<Point X='2' Y='2'/><Point X='3' Y='1024'/><Point X='4' Y='4'/></GammaCurve>"
                     "</Settings>"));
    EXPECT_EQ(curves[1].Points(), (std::vector<CGammaPoint>{{0, 0}, {255, 102}, {511, 306}, {767, 613}, {1023, 1023}}));
    EXPECT_EQ(curves[2], CGammaList());
    EXPECT_EQ(curves[3], CGammaList());
    EXPECT_EQ(curves[0], CGammaList());
    EXPECT_NE(kept, CGammaList());
    EXPECT_EQ(texts(), (std::vector<std::string>(5, CPellivarDoc::kGammaFailedText)));
}

// Points out of order (x falling back, or two at one x) make no curve
// through its points: such a curve is damaged, and loads as the default.
TEST_F(SettingsDocument, GammaCurvesWithXOutOfOrderLoadAsTheDefault) {
    auto& curves = doc_.GetGammaLists();
    for (auto& c : curves) c.SetPoints({{0, 5}, {10, 15}, {20, 25}, {30, 35}, {1023, 1000}});
    const auto kept = curves[3];
    ASSERT_TRUE(open(std::string(kHead) +
                     "<Settings>"
                     "<GammaCurve Count='5' Version='1001' Val='0'><Point X='0' Y='0'/><Point X='500' Y='500'/>"
                     "<Point X='250' Y='250'/><Point X='750' Y='750'/><Point X='1023' Y='1023'/></GammaCurve>"
                     "<GammaCurve Count='5' Version='1001' Val='1'><Point X='0' Y='0'/><Point X='250' Y='250'/>"
                     "<Point X='250' Y='400'/><Point X='750' Y='750'/><Point X='1023' Y='1023'/></GammaCurve>"
                     "<GammaCurve Count='5' Version='1001' Val='2'><Point X='1023' Y='1023'/><Point X='750' Y='750'/>"
                     "<Point X='500' Y='500'/><Point X='250' Y='250'/><Point X='0' Y='0'/></GammaCurve>"
                     "</Settings>"));
    EXPECT_EQ(curves[0], CGammaList());
    EXPECT_EQ(curves[1], CGammaList());
    EXPECT_EQ(curves[2], CGammaList());
    EXPECT_EQ(curves[3], kept);
    EXPECT_EQ(texts(), (std::vector<std::string>(3, CPellivarDoc::kGammaFailedText)));
}

TEST_F(SettingsDocument, TheRootMustBeTheThirdNode) {
    fill(doc_);
    platform::ScriptedUserPrompt quiet;
    CPellivarDoc expected(nullptr, &quiet);
    fill(expected);
    doc_.SetModifiedFlag();
    const std::string body = "<Settings Version='1.31'><SourceSettings Source='CD'><FrameLock Value='0'/>"
                             "</SourceSettings></Settings>";
    EXPECT_FALSE(open("<?xml version='1.1'?>" + body));
    EXPECT_FALSE(open(body));
    EXPECT_FALSE(open(std::string(kHead) + "<Setting><SourceSettings Source='CD'/></Setting>"));
    EXPECT_FALSE(open(std::string(kHead) + "<!--two comments-->" + body));
    expectSameContents(expected, doc_);
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(texts(), (std::vector<std::string>(4, CPellivarDoc::kNoRootText)));
    // Any declaration or comment texts are accepted in the first two places.
    EXPECT_TRUE(open("<!--a--><!--b-->" + body));
    EXPECT_EQ(valueOf(doc_, 0, VideoSetting::FrameLock), 0);
}

// Older binary files from data/make_old_format.py (struct.pack('<358i')).
std::vector<std::uint8_t> fixture(const char* name) {
    const std::string text = readText(fs::path(PELLIVAR_TEST_DATA) / name);
    return {text.begin(), text.end()};
}

TEST_F(SettingsDocument, AnOlderFileLoadsItsTenSourcesAndIsConvertedOnYes) {
    fill(doc_);
    platform::ScriptedUserPrompt quiet;
    CPellivarDoc before(nullptr, &quiet);
    fill(before);
    const fs::path path = dir_ / "old.kvx";
    fs::copy_file(fs::path(PELLIVAR_TEST_DATA) / "old_format.bin", path);
    prompt_.answers({platform::IDOK, platform::IDNO});
    ASSERT_TRUE(doc_.OnOpenDocument(path.string()));
    EXPECT_EQ(texts(), (std::vector<std::string>{CPellivarDoc::kDeprecatedLoadText, CPellivarDoc::kConvertText}));
    EXPECT_EQ(prompt_.asks()[1].caption, "Please Confirm");
    EXPECT_EQ(prompt_.asks()[1].flags & platform::MB_TYPEMASK, platform::MB_YESNO);
    EXPECT_EQ(fs::file_size(path), 1432u);  // No: the file stays as it was

    std::ifstream expected(fs::path(PELLIVAR_TEST_DATA) / "old_format_expected.txt");
    int source = 0, value = 0, lines = 0;
    std::string prefix;
    while (expected >> source >> prefix >> value) {
        ++lines;
        SubscribedInt* v = nullptr;
        for (SubscribedInt* candidate : doc_.GetSourceSettings(source).List())
            if (candidate->Command().Prefix() == prefix) v = candidate;
        ASSERT_NE(v, nullptr) << prefix;
        EXPECT_EQ(v->Value(), value) << source << " " << prefix;
    }
    EXPECT_EQ(lines, 320);
    // Not in the older form: kept.
    for (int s = 0; s < 17; ++s) {
        for (VideoSetting kept : {VideoSetting::PictureInputOffset, VideoSetting::GammaCurveSelection,
                                  VideoSetting::GammaCurveExponent, VideoSetting::FrameLock})
            EXPECT_EQ(valueOf(doc_, s, kept), valueOf(before, s, kept));
        if (s >= 10) {
            for (int i = 0; i < kVideoSettingCount; ++i)
                EXPECT_EQ(valueOf(doc_, s, static_cast<VideoSetting>(i)), sample(s, i));
        }
    }
    EXPECT_EQ(doc_.GetOutputResolution().PixelRate(), 74250000);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(doc_.GetGammaLists()[static_cast<std::size_t>(c)], before.GetGammaLists()[static_cast<std::size_t>(c)]);

    // Yes: the same path becomes a settings document with all 17 sources.
    prompt_.answers({platform::IDOK, platform::IDYES});
    ASSERT_TRUE(doc_.OnOpenDocument(path.string()));
    EXPECT_EQ(readText(path).substr(0, 5), "<?xml");
    CPellivarDoc converted(nullptr, &quiet);
    ASSERT_TRUE(converted.OnOpenDocument(path.string()));
    expectSameContents(doc_, converted);
    EXPECT_EQ(quiet.askCount(), 0u);
}

TEST_F(SettingsDocument, AFileThatIsNeitherFormFailsWithoutTheConversionQuestion) {
    fill(doc_);
    platform::ScriptedUserPrompt quiet;
    CPellivarDoc before(nullptr, &quiet);
    fill(before);
    // One byte short, one byte long, a damaged document, and empty.
    const std::string damaged = doc_.XmlText().substr(0, 20000);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"short.kvx", readText(fs::path(PELLIVAR_TEST_DATA) / "old_format_short.bin")},
        {"long.kvx", readText(fs::path(PELLIVAR_TEST_DATA) / "old_format_long.bin")},
        {"damaged.kvx", damaged},
        {"empty.kvx", ""}};
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        writeText(dir_ / name, content);
        EXPECT_FALSE(doc_.OnOpenDocument((dir_ / name).string()));
        EXPECT_EQ(readText(dir_ / name), content);
    }
    const auto t = texts();
    ASSERT_EQ(t.size(), 8u);
    for (std::size_t i = 0; i < t.size(); i += 2) {
        EXPECT_EQ(t[i], CPellivarDoc::kDeprecatedLoadText);
        EXPECT_EQ(t[i + 1], CPellivarDoc::kNotOldFormatText);
    }
    expectSameContents(before, doc_);
    EXPECT_THROW(doc_.LoadOldFormat(fixture("old_format_short.bin")), platform::ArchiveException);
    EXPECT_NO_THROW(doc_.LoadOldFormat(fixture("old_format.bin")));
    platform::ArchiveWriter w;
    EXPECT_THROW(doc_.StoreOldFormat(w), platform::ArchiveException);
    EXPECT_THROW(doc_.Serialize(w), platform::ArchiveException);
    const auto old = fixture("old_format.bin");
    platform::ArchiveReader whole(old);
    EXPECT_NO_THROW(doc_.Serialize(whole));
    EXPECT_TRUE(whole.atEnd());
    platform::ArchiveReader rest(old);
    rest.skip(4);
    EXPECT_THROW(doc_.Serialize(rest), platform::ArchiveException);
}

TEST_F(SettingsDocument, FailedSavesAndOpensSayWhyAndChangeNothing) {
    fill(doc_);
    doc_.SetModifiedFlag();
    EXPECT_FALSE(doc_.OnSaveDocument((dir_ / "no-such-folder" / "x.kvx").string()));
    EXPECT_TRUE(doc_.IsModified());
    // The target is a folder with something in it: the rename fails, the
    // folder and what it holds stay, and no temporary file is left.
    fs::create_directory(dir_ / "taken.kvx");
    writeText(dir_ / "taken.kvx" / "inside", "keep");
    EXPECT_FALSE(doc_.OnSaveDocument((dir_ / "taken.kvx").string()));
    EXPECT_EQ(readText(dir_ / "taken.kvx" / "inside"), "keep");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
    EXPECT_EQ(entries, 1);
    auto asks = prompt_.asks();
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_EQ(asks[0].caption, CPellivarDoc::kSaveFailedCaption);
    EXPECT_NE(asks[0].text.find("No such file or directory"), std::string::npos) << asks[0].text;
    EXPECT_NE(asks[1].text.find("The file was not changed"), std::string::npos) << asks[1].text;

    EXPECT_FALSE(doc_.OnOpenDocument((dir_ / "missing.kvx").string()));
    EXPECT_FALSE(doc_.OnOpenDocument((dir_ / "taken.kvx").string()));
    asks = prompt_.asks();
    ASSERT_EQ(asks.size(), 4u);
    EXPECT_NE(asks[2].text.find("could not be opened"), std::string::npos);
    EXPECT_EQ(asks[3].caption, "XML - Load Failed");
    EXPECT_TRUE(doc_.IsModified());
}

// The defaults document as written by an independent writer
// (fuzz/make_seeds.py, from the documented example: TinyXML's "<X />" form,
// the comment, all 17 sources): read over a filled document, it brings
// every value and curve back to its default, and writing the defaults
// gives the same elements and values.
TEST_F(SettingsDocument, AnIndependentlyWrittenDefaultsFileReadsAsTheDefaults) {
    fill(doc_);
    const std::string path = std::string(PELLIVAR_TEST_DATA) + "/../fuzz/kvx/defaults.kvx";
    ASSERT_TRUE(doc_.OnOpenDocument(path));
    EXPECT_EQ(prompt_.askCount(), 0u);
    platform::ScriptedUserPrompt quiet;
    const CPellivarDoc defaults(nullptr, &quiet);
    expectSameContents(defaults, doc_);

    tinyxml2::XMLDocument theirs, ours;
    ASSERT_EQ(theirs.LoadFile(path.c_str()), tinyxml2::XML_SUCCESS);
    ASSERT_EQ(ours.Parse(defaults.XmlText().c_str()), tinyxml2::XML_SUCCESS);
    tinyxml2::XMLPrinter a(nullptr, true), b(nullptr, true);
    theirs.RootElement()->Accept(&a);
    ours.RootElement()->Accept(&b);
    EXPECT_STREQ(a.CStr(), b.CStr());
}

TEST_F(SettingsDocument, SourcesAreBoundToTheirChannels) {
    EXPECT_EQ(doc_.CurrentSource(), 5);
    EXPECT_EQ(&doc_.GetSourceSettings(), &doc_.GetSourceSettings(5));
    doc_.SetCurrentSource(16);
    EXPECT_EQ(&doc_.GetSourceSettings(-1), &doc_.GetSourceSettings(16));
    doc_.SetCurrentSource(17);
    EXPECT_EQ(doc_.CurrentSource(), 16);
    EXPECT_EQ(doc_.GetSourceSettings(12).Value(VideoSetting::PictureImageColorContrast).Command().BuildQuery(), "fc?f");
}

}  // namespace
}  // namespace pellivar

// The project file: sizes, byte-exact round trips, every stored version read
// from fixtures written independently with Python's struct
// (data/make_documents.py), and damaged files refused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "halvane/document/DocumentArchive.h"
#include "halvane/link/UnitClassLimits.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "tests/halvane/document/DocTestSupport.h"

using namespace halvane::design;
using namespace halvane::document;
using namespace halvane::signal;

using namespace halvane;
using doctest::Bytes;
using doctest::DocHarness;
using doctest::Fixture;

namespace {

std::unique_ptr<CCurve> MakeCurve(int n, const std::string& name, double scale = 1.0) {
    auto c = std::make_unique<CCurve>(n, CIndexVector::Frequency, CComplexVector::Polar);
    for (int i = 0; i < n; ++i) {
        c->X()[i] = 20.0 * std::pow(1000.0, i / double(std::max(1, n - 1)));
        c->A()[i] = scale * (1.0 + 0.001 * i);
        c->B()[i] = -0.01 * i;
    }
    c->SetName(name);
    return c;
}

// A document with something in every stored field.
void Fill(CHalvaneDoc& doc, std::int32_t unitKind) {
    doc.m_nUnitKind = unitKind;
    doc.m_CalibrationIds = {123, 456};
    doc.m_bOlderVersion = 1;
    doc.m_nCorrectionKind = 2;
    doc.GetCurveSet(0)->Add(0, MakeCurve(100, ""));
    doc.GetCurveSet(0)->Add(6, MakeCurve(7, "Left Surr."));
    doc.GetCurveSet(1)->Add(8, MakeCurve(3, std::string(300, 'n')));
    doc.CurveSetSlot(2)->Add(1, MakeCurve(5, "Calculated"));
    doc.CurveSetSlot(5)->Add(7, MakeCurve(9, "Zielkurve \xC3\xBC \xE2\x82\xAC"));
    doc.MeasSetSlot(6)->SetSize(5);
    for (int p = 0; p < 5; ++p) doc.MeasSetSlot(6)->SetCurve(MakeCurve(11, "Front", 1.0 + p), 0, p);
    for (int cfg = 0; cfg < 2; ++cfg)
        for (int slot = 0; slot < 8; ++slot)
            for (int ch = 0; ch < 8; ++ch) {
                FilterSet& set = doc.FilterSets[cfg][slot][ch];
                set.Gain = -(cfg * 64 + slot * 8 + ch);
                set.Filled = 1;
                for (int k = 0; k < FilterSet::kMaxStages; ++k)
                    set.Stages[k] = {0.1 * k, -0.2, 0.3 + ch * 0.01, 0.05 * slot, -0.4,
                                     static_cast<std::int8_t>(k % 2 ? -1 : 1), 1};
            }
    doc.m_TargetConfig.RefLevel = 80;
    doc.m_TargetConfig.ChannelTrim = {1, -2, 3, -4, 5, -6, 7, -8};
    doc.m_TargetConfig.SubHighPassOrder = {3, 5};
    auto blob = std::make_shared<std::vector<std::uint8_t>>(1000);
    for (std::size_t i = 0; i < blob->size(); ++i) (*blob)[i] = static_cast<std::uint8_t>(i * 7);
    doc.SetCalibrationData(blob);
}

struct KindSize {
    std::int32_t kind;
    std::size_t filterBlock;
    std::size_t file;
};

}  // namespace

TEST(DocumentFile, ClearedDocumentSizesFollowTheUnitKind) {
    // 264 bytes around the filter block: version, kind, ids (16), eight empty
    // sets (32), the target configuration (204), size, older flag and
    // correction kind (12). The block: 2 x slots x 8 x (8 + stages x 48).
    for (const KindSize& k : {KindSize{1, 39040, 39304}, KindSize{2, 62464, 62728}, KindSize{4, 31744, 32008}}) {
        DocHarness h;
        h.doc.m_nUnitKind = k.kind;
        h.doc.DeleteContents();
        const Bytes bytes = h.doc.SaveToBytes();
        EXPECT_EQ(bytes.size(), k.file) << "unit kind " << k.kind;
        EXPECT_EQ(bytes.size() - 264, k.filterBlock);
        EXPECT_EQ(h.doc.Limits().RateCount(), FilterLayoutFor(k.kind).rateSlots);
        EXPECT_EQ(h.doc.Limits().StageCount(), FilterLayoutFor(k.kind).stages);
    }
}

TEST(DocumentFile, EveryStoredFieldSurvivesARoundTripByteForByte) {
    for (std::int32_t kind : {1, 2, 4}) {
        DocHarness a;
        Fill(a.doc, kind);
        const Bytes first = a.doc.SaveToBytes();

        DocHarness b;
        ASSERT_TRUE(b.doc.LoadFromBytes(first)) << "unit kind " << kind;
        EXPECT_EQ(b.doc.SaveToBytes(), first);
        EXPECT_FALSE(b.doc.IsModified());
        EXPECT_TRUE(b.postLoad.calls.empty());
        EXPECT_EQ(b.prompt.askCount(), 0u);

        EXPECT_EQ(b.doc.m_nUnitKind, kind);
        EXPECT_EQ(b.doc.m_CalibrationIds, (DocumentData::CalibrationIdPair{123, 456}));
        EXPECT_EQ(b.doc.m_bOlderVersion, 1);
        EXPECT_EQ(b.doc.m_nCorrectionKind, 2);
        EXPECT_EQ(b.doc.GetCurveSet(0)->Find(0)->Name(), "");
        EXPECT_EQ(b.doc.GetCurveSet(0)->Find(6)->Name(), "Left Surr.");
        EXPECT_EQ(b.doc.GetCurveSet(1)->Find(8)->Name(), std::string(300, 'n'));
        EXPECT_EQ(b.doc.CurveSetSlot(5)->Find(7)->Name(), "Zielkurve \xC3\xBC \xE2\x82\xAC");
        ASSERT_EQ(b.doc.MeasSetSlot(6)->Count(), 5);
        EXPECT_DOUBLE_EQ(b.doc.MeasSetSlot(6)->GetCurve(0, 4)->A()[0], 5.0);
        ASSERT_EQ(b.doc.m_nCalibrationSize, 1000u);
        EXPECT_EQ(*b.doc.m_CalibrationData, *a.doc.m_CalibrationData);
        EXPECT_EQ(b.doc.m_TargetConfig.ChannelTrim, a.doc.m_TargetConfig.ChannelTrim);
        EXPECT_EQ(b.doc.m_TargetConfig.SubHighPassOrder, a.doc.m_TargetConfig.SubHighPassOrder);

        // What the unit kind stores comes back; the rest stays reset.
        const FilterLayout layout = FilterLayoutFor(kind);
        for (int cfg = 0; cfg < 2; ++cfg)
            for (int slot = 0; slot < 8; ++slot)
                for (int ch = 0; ch < 8; ++ch) {
                    const FilterSet& got = b.doc.FilterSets[cfg][slot][ch];
                    if (slot >= layout.rateSlots) {
                        EXPECT_EQ(got, FilterSet{});
                        continue;
                    }
                    const FilterSet& want = a.doc.FilterSets[cfg][slot][ch];
                    EXPECT_EQ(got.Gain, want.Gain);
                    for (int k = 0; k < FilterSet::kMaxStages; ++k)
                        EXPECT_EQ(got.Stages[k], k < layout.stages ? want.Stages[k] : Biquad::Identity());
                }
    }
}

TEST(DocumentFile, TheIndependentlyWrittenCurrentFileIsReadAndRewrittenExactly) {
    const Bytes file = Fixture("doc_v21.qex");
    DocHarness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(file));
    EXPECT_EQ(h.doc.SaveToBytes(), file);
    EXPECT_EQ(h.doc.m_nUnitKind, 2);
    EXPECT_EQ(h.doc.CurveSetSlot(5)->Find(3)->Name(), std::string(300, 'x'));
    EXPECT_EQ(h.doc.GetCurveSet(0)->Find(7)->Name(), "Subwoofer");
    EXPECT_EQ(h.doc.m_bOlderVersion, 0);
    EXPECT_EQ(h.doc.m_nCorrectionKind, 3);
    EXPECT_FALSE(h.doc.IsModified());
    EXPECT_TRUE(h.postLoad.calls.empty());
}

// ---- The version table ------------------------------------------------------

namespace {

struct VersionCase {
    const char* file;
    std::int32_t version;
    std::int32_t unitKind;
    const char* firstName;  // slot 0, key 0
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.file; }

class DocumentVersions : public ::testing::TestWithParam<VersionCase> {};

}  // namespace

TEST_P(DocumentVersions, LoadAsTheVersionTableSays) {
    const VersionCase& c = GetParam();
    const int v = c.version;
    DocHarness h;
    h.doc.m_nConfig = 1;  // the configuration shown carries over
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture(c.file)));
    EXPECT_EQ(h.doc.LoadedVersion(), v);
    EXPECT_EQ(h.doc.m_nConfig, 1);

    EXPECT_EQ(h.doc.m_nUnitKind, c.unitKind);
    EXPECT_EQ(h.doc.Limits().RateCount(), FilterLayoutFor(c.unitKind).rateSlots);
    EXPECT_EQ(h.doc.Limits().StageCount(), FilterLayoutFor(c.unitKind).stages);
    const DocumentData::CalibrationIdPair ids = v >= 2 ? DocumentData::CalibrationIdPair{7, 42}
                                                       : DocumentData::CalibrationIdPair{0, -1};
    EXPECT_EQ(h.doc.m_CalibrationIds, ids);
    if (v >= 3) {
        ASSERT_EQ(h.doc.m_nCalibrationSize, 10u);
        for (std::uint8_t i = 0; i < 10; ++i) EXPECT_EQ((*h.doc.m_CalibrationData)[i], i);
    } else {
        EXPECT_EQ(h.doc.m_nCalibrationSize, 0u);
        EXPECT_FALSE(h.doc.m_CalibrationData);
    }
    EXPECT_EQ(h.doc.m_bOlderVersion, v < 19 ? 1 : 0);
    EXPECT_EQ(h.doc.m_nCorrectionKind, v >= 15 ? 3 : 1);

    // Curves (the same in every version).
    EXPECT_EQ(h.doc.CurveSetSlot(0)->Count(), 2);
    EXPECT_EQ(h.doc.CurveSetSlot(0)->Find(0)->Name(), c.firstName);
    EXPECT_DOUBLE_EQ(h.doc.CurveSetSlot(0)->Find(7)->A()[0], 2.0);
    EXPECT_EQ(h.doc.CurveSetSlot(1)->Find(1)->Name(), "Center");
    ASSERT_EQ(h.doc.MeasSetSlot(6)->Count(), 2);
    EXPECT_DOUBLE_EQ(h.doc.MeasSetSlot(6)->GetCurve(0, 1)->A()[0], 5.0);
    EXPECT_EQ(h.doc.MeasSetSlot(7)->Count(), 0);
    EXPECT_DOUBLE_EQ(h.doc.CurveSetSlot(2)->Find(0)->A()[0], 6.0);
    EXPECT_EQ(h.doc.CurveSetSlot(3)->Count(), 0);
    EXPECT_DOUBLE_EQ(h.doc.CurveSetSlot(4)->Find(2)->A()[2], 7.0 / 4);

    // Filter sets: gains in every slot the kind stores; stages only from
    // version 11 (older stage entries are skipped and load reset).
    const FilterLayout layout = FilterLayoutFor(c.unitKind);
    for (int cfg = 0; cfg < 2; ++cfg)
        for (int slot = 0; slot < 8; ++slot)
            for (int ch = 0; ch < 8; ++ch) {
                const FilterSet& set = h.doc.FilterSets[cfg][slot][ch];
                if (slot >= layout.rateSlots) {
                    ASSERT_EQ(set, FilterSet{});
                    continue;
                }
                ASSERT_EQ(set.Gain, 1000 * cfg + 100 * slot + ch + 1);
                ASSERT_EQ(set.Filled, 1);
                for (int k = 0; k < FilterSet::kMaxStages; ++k) {
                    const Biquad want = v >= 11 && k < layout.stages
                                            ? Biquad{0.01 * k, -0.02, 0.25 + 0.001 * ch, 0.125, -0.5,
                                                     static_cast<std::int8_t>(k % 2 ? -1 : 1), 1}
                                            : Biquad::Identity();
                    ASSERT_EQ(set.Stages[k], want) << cfg << "/" << slot << "/" << ch << "/" << k;
                }
            }

    // The target configuration in the version's own form.
    const TargetConfig& t = h.doc.m_TargetConfig;
    EXPECT_EQ(t.ConfigOption, 1);
    EXPECT_EQ(t.MusicUsesMovie, 0);
    EXPECT_EQ(t.Crossover[0], (std::array<std::int32_t, 5>{60, 70, 80, 90, 100}));
    EXPECT_EQ(t.Crossover[1], (std::array<std::int32_t, 5>{110, 120, 130, 140, v < 14 ? 170 : 20}));
    if (v <= 3) {
        EXPECT_EQ(t.GroupFlag[0], (std::array<std::int32_t, 5>{}));
    } else {
        EXPECT_EQ(t.GroupFlag[0], (std::array<std::int32_t, 5>{1, 0, 1, 0, 0}));
        EXPECT_EQ(t.GroupFlag[1], (std::array<std::int32_t, 5>{0, 1, 0, 1, 0}));
    }
    EXPECT_EQ(t.RoomGainDb[1], -2.5);
    EXPECT_EQ(t.MaxEqFrequency[1], 18000);
    EXPECT_EQ(t.RefLevelOffsetDb, 3.25);
    EXPECT_EQ(t.MusicSubTrim, -4);
    EXPECT_EQ(t.ChannelTrim, (std::array<std::int32_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(t.RefLevel, v >= 16 ? 75 : -1);
    EXPECT_EQ(t.ExtraOption, v >= 18 ? 1 : 0);
    EXPECT_EQ(t.SubHighPassOrder, v >= 17 ? (std::array<std::int32_t, 2>{3, 4}) : (std::array<std::int32_t, 2>{}));
    EXPECT_EQ(t.MinSubEqFrequency[1], v >= 17 ? 35 : 20);

    // An older document: the notice below 19, then the post-load steps on
    // the loaded contents, and it comes up modified.
    const auto asks = h.prompt.asks();
    ASSERT_EQ(asks.size(), v < 19 ? 1u : 0u);
    if (v < 19) {
        EXPECT_EQ(asks[0].text.rfind("The measurements were made with an older version of Qex that is not 100% "
                                     "compatible with this version.",
                                     0),
                  0u);
        EXPECT_EQ(asks[0].flags, platform::MB_OK);
    }
    EXPECT_EQ(h.postLoad.Steps(), (std::vector<std::string>{"RebuildGroupCurves", "UpdateLevels", "RunRecalcTarg"}));
    for (const auto& call : h.postLoad.calls) {
        EXPECT_EQ(call.olderVersion, v < 19 ? 1 : 0);
        EXPECT_EQ(call.unitKind, c.unitKind);
    }
    EXPECT_TRUE(h.doc.IsModified());
    EXPECT_GE(h.views.refreshes, 1);

    // Saved again, it is a current document of the same contents.
    const Bytes saved = h.doc.SaveToBytes();
    DocHarness again;
    ASSERT_TRUE(again.doc.LoadFromBytes(saved));
    EXPECT_EQ(again.doc.SaveToBytes(), saved);
    EXPECT_FALSE(again.doc.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DocumentVersions,
    ::testing::Values(VersionCase{"doc_v1.qex", 1, 1, "Left Front"},
                      VersionCase{"doc_v2.qex", 2, 1, "Left Front"},
                      VersionCase{"doc_v5.qex", 5, 1, "Caf\xC3\xA9 \xE2\x82\xAC"},
                      VersionCase{"doc_v10_slots5.qex", 10, 1, "Left Front"},
                      VersionCase{"doc_v10_slots8.qex", 10, 2, "Left Front"},
                      VersionCase{"doc_v12.qex", 12, 2, "Left Front"},
                      VersionCase{"doc_v14_kind4.qex", 14, 4, "Left Front"},
                      VersionCase{"doc_v17.qex", 17, 2, "Left Front"},
                      VersionCase{"doc_v18.qex", 18, 4, "Left Front"},
                      VersionCase{"doc_v20.qex", 20, 1, "Left Front"}));

// ---- Damaged and foreign files ----------------------------------------------

namespace {

struct BadCase {
    const char* file;
    const char* reason;  // part of the message after "Failed to open document."
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.file; }

class DamagedDocuments : public ::testing::TestWithParam<BadCase> {};

}  // namespace

TEST_P(DamagedDocuments, FailTheOpenWithAMessageAndChangeNothing) {
    DocHarness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    h.doc.SetPathName("/rooms/living.QEX");
    h.doc.m_nConfig = 1;
    const Bytes before = h.doc.SaveToBytes();
    h.postLoad.calls.clear();
    const int refreshes = h.views.refreshes;

    EXPECT_FALSE(h.doc.LoadFromBytes(Fixture(GetParam().file)));
    const auto asks = h.prompt.asks();
    ASSERT_EQ(asks.size(), 1u);
    const std::string reason = GetParam().reason;
    if (reason.empty()) {
        EXPECT_EQ(asks[0].text, "Error, invalid file format.");
    } else {
        EXPECT_EQ(asks[0].text.rfind("Failed to open document.\n\n", 0), 0u) << asks[0].text;
        EXPECT_NE(asks[0].text.find(reason), std::string::npos) << asks[0].text;
    }
    EXPECT_EQ(h.doc.SaveToBytes(), before);
    EXPECT_EQ(h.doc.GetPathName(), "/rooms/living.QEX");
    EXPECT_EQ(h.doc.m_nConfig, 1);
    EXPECT_FALSE(h.doc.IsModified());
    EXPECT_EQ(h.doc.LoadedVersion(), 21);
    EXPECT_EQ(h.doc.Limits().RateCount(), 8);  // still unit kind 2's
    EXPECT_TRUE(h.postLoad.calls.empty());
    EXPECT_EQ(h.views.refreshes, refreshes);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DamagedDocuments,
    ::testing::Values(BadCase{"doc_v0.qex", ""}, BadCase{"doc_v22.qex", ""},
                      BadCase{"doc_v13_kind3.qex", "unknown unit kind 3"},
                      BadCase{"doc_truncated.qex", "ends in the middle"},
                      BadCase{"doc_huge_calibration.qex", "calibration data of 4294967280 entries"},
                      BadCase{"doc_bad_key.qex", "curve set key 9"},
                      BadCase{"doc_bad_form.qex", "unknown form 3"},
                      BadCase{"doc_nan_curve.qex", "curve \"Left Front\" holds a value that is not a number"},
                      BadCase{"doc_nan_stage.qex", "a filter coefficient is not a number"},
                      BadCase{"doc_nan_reference.qex", "the reference level is not a number"},
                      BadCase{"doc_v1_absurd.qex", "the Movie crossover of the Front group is 1515870810 Hz"}));

TEST(DocumentFile, EveryTruncationOfACurrentFileFailsCleanly) {
    DocHarness a;
    Fill(a.doc, 4);
    const Bytes full = a.doc.SaveToBytes();
    // Every cut inside the header and sets, then a stride through the rest.
    for (std::size_t cut = 0; cut < full.size(); cut += cut < 4000 ? 1 : 97) {
        DocumentData data;
        const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        platform::ArchiveReader ar(part);
        EXPECT_THROW(halvane::document::DocumentArchive::Read(ar, data), platform::ArchiveException) << cut;
    }
}

TEST(DocumentFile, HugeCountsAreRefusedBeforeAnythingIsAllocated) {
    struct Builder {
        Bytes b = {21, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};  // version, kind, ids
        Builder& i32(std::uint32_t v) {
            for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
            return *this;
        }
        Builder& u16(std::uint16_t v) {
            b.push_back(static_cast<std::uint8_t>(v));
            b.push_back(static_cast<std::uint8_t>(v >> 8));
            return *this;
        }
        Builder& raw(std::initializer_list<std::uint8_t> v) {
            b.insert(b.end(), v);
            return *this;
        }
        // Enough bytes behind the claim that only the claim itself is wrong.
        Bytes padded() {
            b.resize(b.size() + 64, 0);
            return b;
        }
    };
    const Bytes cases[] = {
        Builder().i32(0x7FFFFFFF).padded(),                                  // curves in a set
        Builder().i32(0).i32(0).i32(0x7FFFFFFF).padded(),                    // positions in a measurement set
        Builder().i32(1).i32(0).u16(0).i32(0x7FFFFFFF).padded(),             // points on an axis
        Builder().i32(1).i32(0).u16(0).i32(0).u16(1).i32(0).i32(0x7FFFFFFF).padded(),  // imaginary parts
        Builder().i32(1).i32(0).u16(0).i32(0).u16(1).i32(0).i32(0).u16(0).i32(0)
            .raw({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).padded(),  // a 2^32-1 unit name
        Builder().i32(1).i32(0).u16(0).i32(0).u16(1).i32(0).i32(0).u16(0).i32(0)
            .raw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).padded(),  // a 2^32-1 byte name
    };
    for (const Bytes& bytes : cases) {
        DocumentData data;
        platform::ArchiveReader ar(bytes);
        EXPECT_THROW(halvane::document::DocumentArchive::Read(ar, data), platform::ArchiveException);
    }
}

TEST(DocumentFile, AnUnknownAxisKindIsDamage) {
    DocHarness a;
    Fill(a.doc, 1);
    a.doc.GetCurveSet(0)->Find(6)->Axis().SetKind(5);
    const Bytes bytes = a.doc.SaveToBytes();
    DocHarness b;
    EXPECT_FALSE(b.doc.LoadFromBytes(bytes));
    ASSERT_EQ(b.prompt.askCount(), 1u);
    EXPECT_NE(b.prompt.asks()[0].text.find("unknown axis kind 5"), std::string::npos);
}

// Finite values no version writes, each in a current file of its own: the
// open fails and names the value. Values at the ends of the ranges open.
TEST(DocumentFile, TargetValuesOutsideTheirRangesAreDamage) {
    struct Absurd {
        void (*set)(TargetConfig&);
        const char* text;
    };
    const Absurd cases[] = {
        {[](TargetConfig& t) { t.Crossover[1][4] = 1515870810; },
         "the Music crossover of the Subwoofer group is 1515870810 Hz, outside -1 to 96000 Hz."},
        {[](TargetConfig& t) { t.Crossover[0][2] = -2; }, "the Movie crossover of the Surround group is -2 Hz"},
        {[](TargetConfig& t) { t.GroupFlag[0][3] = 2; }, "the Movie full-range flag of the Rear group is 2,"},
        {[](TargetConfig& t) { t.RoomGainDb[0] = 1.78e127; }, "the Movie room gain is 1.78e+127 dB, outside -1000"},
        {[](TargetConfig& t) { t.MaxEqFrequency[1] = 1515870810; }, "the Music maximum EQ frequency is 1515870810 Hz"},
        {[](TargetConfig& t) { t.MinSubEqFrequency[0] = -20; }, "the Movie minimum subwoofer EQ frequency is -20 Hz"},
        {[](TargetConfig& t) { t.SubHighPassFrequency[1] = 96001; }, "the Music subwoofer high-pass frequency is 96001"},
        {[](TargetConfig& t) { t.SubHighPassOrder[0] = 1515870810; }, "the Movie subwoofer high-pass order is 1515870810"},
        {[](TargetConfig& t) { t.MusicUsesMovie = 1515870810; }, "the \"Same As Movie\" option is 1515870810"},
        {[](TargetConfig& t) { t.ConfigOption = -1; }, "the rear-speaker option is -1"},
        {[](TargetConfig& t) { t.ExtraOption = 3; }, "the AUX speaker selection is 3"},
        {[](TargetConfig& t) { t.RefLevelOffsetDb = -1.78e127; }, "the reference level is -1.78e+127 dB"},
        {[](TargetConfig& t) { t.RefLevel = 1515870810; }, "the reference level offset is 1515870810 dB"},
        {[](TargetConfig& t) { t.ChannelTrim[6] = 1515870810; },
         "the Left Surround trim (in 0.5 dB steps) is 1515870810, outside -48 to 48."},
        {[](TargetConfig& t) { t.MusicSubTrim = -49; }, "the Music subwoofer trim (in 0.5 dB steps) is -49"},
    };
    for (const Absurd& c : cases) {
        DocHarness a;
        Fill(a.doc, 2);
        c.set(a.doc.m_TargetConfig);
        DocHarness b;
        EXPECT_FALSE(b.doc.LoadFromBytes(a.doc.SaveToBytes())) << c.text;
        const auto asks = b.prompt.asks();
        EXPECT_EQ(asks.size(), 1u) << c.text;
        const std::string said = asks.empty() ? std::string() : asks[0].text;
        EXPECT_NE(said.find(std::string("The document is damaged: ") + c.text), std::string::npos) << said;
    }

    DocHarness edges;
    Fill(edges.doc, 2);
    TargetConfig& t = edges.doc.m_TargetConfig;
    t.Crossover = {{{-1, 96000, 165, 170, 5}, {15, 20, 0, 160, 25}}};
    t.RoomGainDb = {-1000.0, 1000.0};
    t.MaxEqFrequency = {0, 96000};
    t.SubHighPassOrder = {0, 17};
    t.ExtraOption = 2;
    t.RefLevel = -1000;
    t.RefLevelOffsetDb = 1000.0;
    t.ChannelTrim = {-48, 48, 0, 0, 0, 0, 0, 0};
    DocHarness reopened;
    EXPECT_TRUE(reopened.doc.LoadFromBytes(edges.doc.SaveToBytes()));
    EXPECT_EQ(reopened.prompt.askCount(), 0u);
}

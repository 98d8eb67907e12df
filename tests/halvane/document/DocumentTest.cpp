// The document's operations, the shared application state, and opening and
// saving real files.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

#include "halvane/link/UnitClassLimits.h"
#include "tests/halvane/document/DocTestSupport.h"

using namespace halvane::design;
using namespace halvane::document;
using namespace halvane::signal;

using namespace halvane;
using doctest::Bytes;
using doctest::Curve;
using doctest::DocHarness;
using doctest::Fixture;
using doctest::TempDir;

TEST(AppState, StartsWithTheShellDefaultsAndRefreshesOnlyOnceStartedWithAWindow) {
    AppState app;
    EXPECT_EQ(app.StartMode, 0);
    EXPECT_EQ(app.ShowTargets, 1);
    EXPECT_EQ(app.TargetsOnTop, 1);
    EXPECT_EQ(app.CurveDisplayFlags, 3);
    EXPECT_EQ(app.ConfigSelection, 1);
    EXPECT_EQ(app.m_bInitialized, 0);

    doctest::CountingViews views;
    app.RefreshMainFrameViews();  // no window, not started
    app.SetMainWindow(&views);
    app.RefreshMainFrameViews();  // still starting up (welcome page, wizard)
    EXPECT_EQ(views.refreshes, 0);
    app.m_bInitialized = 1;
    app.RefreshMainFrameViews();
    EXPECT_EQ(views.refreshes, 1);
    app.SetMainWindow(nullptr);
    app.RefreshMainFrameViews();
    EXPECT_EQ(views.refreshes, 1);
}

TEST(CHalvaneDoc, ANewDocumentHoldsTheDefaults) {
    CHalvaneDoc doc;
    EXPECT_EQ(doc.m_nConfig, 0);
    EXPECT_EQ(doc.m_CalibrationIds, (DocumentData::CalibrationIdPair{0, -1}));
    EXPECT_EQ(doc.m_bOlderVersion, 0);
    EXPECT_EQ(doc.m_nCorrectionKind, 1);
    EXPECT_EQ(doc.m_nUnitKind, 0);
    EXPECT_EQ(doc.m_CurveColor, (std::array<std::uint32_t, 3>{0x0000CC, 0xCC0000, 0x00CC00}));
    EXPECT_EQ(doc.FilterSets[1][7][7].Stages[9], (Biquad{0, 0, 0.5, 0, 0, 0, 0}));
    EXPECT_FALSE(doc.IsModified());
}

TEST(CHalvaneDoc, SlotTwoOfGetCurveSetIsTheCurrentConfigurationsMeasuredSet) {
    CHalvaneDoc doc;
    EXPECT_EQ(doc.GetCurveSet(2), doc.CurveSetSlot(0));
    doc.m_nConfig = 1;
    EXPECT_EQ(doc.GetCurveSet(2), doc.CurveSetSlot(1));
    EXPECT_EQ(&doc.CurrentMeasuredSet(), doc.CurveSetSlot(1));
    EXPECT_NE(doc.CurveSetSlot(2), doc.CurveSetSlot(1));
    EXPECT_EQ(doc.GetCurveSet(6), nullptr);
    EXPECT_EQ(doc.GetCurveSet(12), nullptr);
    EXPECT_EQ(doc.GetCurveSet(-1), nullptr);
    EXPECT_NE(doc.MeasSetSlot(7), nullptr);
    EXPECT_EQ(doc.MeasSetSlot(5), nullptr);
}

TEST(CHalvaneDoc, DeleteContentsKeepsConfigurationUnitKindAndTargets) {
    DocHarness h;
    h.doc.m_nConfig = 1;
    h.doc.m_nUnitKind = 4;
    h.doc.m_TargetConfig.RefLevel = 77;
    h.doc.m_bOlderVersion = 1;
    h.doc.m_nCorrectionKind = 3;
    h.doc.m_CalibrationIds = {5, 6};
    h.doc.SetCalibrationData(std::make_shared<std::vector<std::uint8_t>>(4, 1));
    h.doc.m_CurveColor[0] = 0x123456;
    for (int slot : {0, 1, 2, 3, 4, 5, 8, 9, 10, 11}) h.doc.CurveSetSlot(slot)->Add(0, Curve(1));
    h.doc.MeasSetSlot(6)->SetSize(3);
    h.doc.FilterSets[1][7][3].Gain = 9;
    h.doc.FilterSets[0][6][0].Stages[9].inUse = 1;

    h.doc.DeleteContents();
    EXPECT_EQ(h.doc.m_nConfig, 1);
    EXPECT_EQ(h.doc.m_nUnitKind, 4);
    EXPECT_EQ(h.doc.m_TargetConfig.RefLevel, 77);
    EXPECT_EQ(h.doc.m_bOlderVersion, 0);
    EXPECT_EQ(h.doc.m_nCorrectionKind, 1);
    EXPECT_EQ(h.doc.m_CalibrationIds, (DocumentData::CalibrationIdPair{0, -1}));
    EXPECT_EQ(h.doc.m_nCalibrationSize, 0u);
    EXPECT_FALSE(h.doc.m_CalibrationData);
    EXPECT_EQ(h.doc.m_CurveColor[0], 0x0000CCu);
    for (int slot : {0, 1, 2, 3, 4, 5, 8, 9, 10, 11}) EXPECT_EQ(h.doc.CurveSetSlot(slot)->Count(), 0) << slot;
    EXPECT_EQ(h.doc.MeasSetSlot(6)->Count(), 0);
    // All slots and stages, also those this unit kind does not use.
    EXPECT_EQ(h.doc.FilterSets[1][7][3], FilterSet{});
    EXPECT_EQ(h.doc.FilterSets[0][6][0], FilterSet{});
    EXPECT_EQ(h.views.refreshes, 1);
}

TEST(CHalvaneDoc, NewKeepsTheTargetConfigurationAndClearsPathAndModified) {
    DocHarness h;
    h.doc.m_TargetConfig.MusicUsesMovie = 0;
    h.doc.SetPathName("/tmp/x.QEX");
    h.doc.SetModifiedFlag();
    EXPECT_TRUE(h.doc.OnNewDocument());
    EXPECT_EQ(h.doc.m_TargetConfig.MusicUsesMovie, 0);
    EXPECT_EQ(h.doc.GetPathName(), "");
    EXPECT_FALSE(h.doc.IsModified());
}

TEST(CHalvaneDoc, SetUnitKindConvertsByResultCodeOnly) {
    DocHarness h;
    h.doc.m_nUnitKind = 1;
    h.doc.FilterSets[0][0][0].Gain = 5;
    struct Case {
        std::int32_t code, kind, rates, stages;
    };
    for (const Case& c : {Case{0xFFFF, 2, 8, 10}, Case{0xFFFE, 4, 8, 5}, Case{0xFFFD, 1, 5, 10}}) {
        h.doc.SetModifiedFlag(false);
        const int refreshes = h.views.refreshes;
        EXPECT_TRUE(h.doc.SetUnitKind(c.code));
        EXPECT_EQ(h.doc.m_nUnitKind, c.kind);
        EXPECT_EQ(h.doc.Limits().RateCount(), c.rates);
        EXPECT_EQ(h.doc.Limits().StageCount(), c.stages);
        EXPECT_TRUE(h.doc.IsModified());
        EXPECT_EQ(h.views.refreshes, refreshes + 1);
    }
    h.doc.SetModifiedFlag(false);
    for (std::int32_t code : {0xFFFC, 1, 2, 4, 0, -1}) {
        EXPECT_FALSE(h.doc.SetUnitKind(code));
        EXPECT_EQ(h.doc.m_nUnitKind, 1);
    }
    EXPECT_FALSE(h.doc.IsModified());
    EXPECT_EQ(h.doc.FilterSets[0][0][0].Gain, 5);  // the filters are not touched
}

TEST(CHalvaneDoc, ClearCalculatedCurvesMovesTheNewCurvesWithoutCopying) {
    DocHarness h;
    h.doc.CurveSetSlot(2)->Add(0, Curve(1));
    h.doc.CurveSetSlot(3)->Add(4, Curve(2));
    auto fresh = Curve(3);
    const CCurve* freshAddress = fresh.get();
    h.doc.CurveSetSlot(10)->Add(1, std::move(fresh));
    h.doc.ClearCalculatedCurves();
    EXPECT_EQ(h.doc.CurveSetSlot(2)->Count(), 1);
    EXPECT_EQ(h.doc.CurveSetSlot(2)->Find(1), freshAddress);
    EXPECT_EQ(h.doc.CurveSetSlot(3)->Count(), 0);
    EXPECT_EQ(h.doc.CurveSetSlot(10)->Count(), 0);
    EXPECT_EQ(h.doc.CurveSetSlot(11)->Count(), 0);
    EXPECT_TRUE(h.doc.IsModified());
    EXPECT_EQ(h.views.refreshes, 1);
}

TEST(CHalvaneDoc, ADocumentOfNoUnitKindIsNotSavedAndTheOldFileStays) {
    TempDir dir;
    const std::string path = dir.File("room.QEX");
    const Bytes old = Fixture("doc_v21.qex");
    doctest::WriteBytes(path, old);

    DocHarness h;
    h.doc.SetModifiedFlag();
    EXPECT_FALSE(h.doc.OnSaveDocument(path));
    ASSERT_EQ(h.prompt.askCount(), 1u);
    EXPECT_EQ(h.prompt.asks()[0].text.rfind("Failed to save document.\n\n", 0), 0u);
    EXPECT_EQ(doctest::ReadBytes(path), old);
    EXPECT_TRUE(h.doc.IsModified());
    EXPECT_EQ(h.doc.GetPathName(), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(CHalvaneDoc, AWriteFailingHalfwayLeavesTheOldFileByteForByte) {
    TempDir dir;
    const std::string path = dir.File("room.QEX");
    const Bytes old = Fixture("doc_v5.qex");
    doctest::WriteBytes(path, old);

    DocHarness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));  // 64 kB to write
    h.doc.SetModifiedFlag();
    // A file-size limit below the new file makes the write fail with EFBIG
    // part of the way through (the signal it raises is ignored meanwhile).
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 40000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = h.doc.OnSaveDocument(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(ok);
    ASSERT_EQ(h.prompt.askCount(), 1u);
    EXPECT_EQ(h.prompt.asks()[0].text.rfind("Failed to save document.\n\n", 0), 0u) << h.prompt.asks()[0].text;
    EXPECT_EQ(doctest::ReadBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left
    EXPECT_TRUE(h.doc.IsModified());
}

TEST(CHalvaneDoc, SaveAndOpenThroughFiles) {
    TempDir dir;
    const std::string path = dir.File("new.QEX");
    DocHarness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v12.qex")));  // an older one: modified
    ASSERT_TRUE(h.doc.IsModified());
    ASSERT_TRUE(h.doc.OnSaveDocument(path));
    EXPECT_FALSE(h.doc.IsModified());
    EXPECT_EQ(h.doc.GetPathName(), path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u);  // not left private like a temporary file

    DocHarness other;
    ASSERT_TRUE(other.doc.OnOpenDocument(path));
    EXPECT_EQ(other.doc.GetPathName(), path);
    EXPECT_EQ(other.doc.LoadedVersion(), 21);
    EXPECT_FALSE(other.doc.IsModified());
    EXPECT_TRUE(other.postLoad.calls.empty());
    EXPECT_EQ(other.doc.SaveToBytes(), doctest::ReadBytes(path));

    // Saving over an existing file keeps its permissions.
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(other.doc.OnSaveDocument(path));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(CHalvaneDoc, AFailedOpenFromDiskLeavesTheDocumentAsItWas) {
    TempDir dir;
    DocHarness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    h.doc.SetPathName("/rooms/a.QEX");
    h.doc.SetModifiedFlag();
    const Bytes before = h.doc.SaveToBytes();

    EXPECT_FALSE(h.doc.OnOpenDocument(dir.File("missing.QEX")));
    EXPECT_FALSE(h.doc.OnOpenDocument(dir.Path().string()));  // a folder
    const std::string bad = dir.File("bad.QEX");
    doctest::WriteBytes(bad, Fixture("doc_bad_key.qex"));
    EXPECT_FALSE(h.doc.OnOpenDocument(bad));
    const auto asks = h.prompt.asks();
    ASSERT_EQ(asks.size(), 3u);
    for (const auto& ask : asks) EXPECT_EQ(ask.text.rfind("Failed to open document.\n\n", 0), 0u) << ask.text;
    EXPECT_EQ(h.doc.SaveToBytes(), before);
    EXPECT_EQ(h.doc.GetPathName(), "/rooms/a.QEX");
    EXPECT_TRUE(h.doc.IsModified());
}

TEST(CHalvaneDoc, AFailingPostLoadStepKeepsTheOpenDocument) {
    DocHarness h;
    ASSERT_TRUE(h.doc.LoadFromBytes(Fixture("doc_v21.qex")));
    const Bytes before = h.doc.SaveToBytes();
    h.postLoad.failRecalc = true;
    EXPECT_FALSE(h.doc.LoadFromBytes(Fixture("doc_v18.qex")));  // unit kind 4
    EXPECT_EQ(h.postLoad.Steps().size(), 3u);
    EXPECT_NE(h.postLoad.calls[0].document, &h.doc);  // they worked on the loaded copy
    EXPECT_EQ(h.doc.SaveToBytes(), before);
    EXPECT_EQ(h.doc.Limits().StageCount(), 10);  // unit kind 2's again
    const auto asks = h.prompt.asks();
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_EQ(asks[1].text, "Failed to open document.\n\ntarget job failed");
}

TEST(CHalvaneDoc, WithoutPostLoadStepsAnOlderDocumentIsOnlyRead) {
    platform::ScriptedUserPrompt prompt;
    AppState app;
    CHalvaneDoc doc({&app, &prompt, nullptr});
    ASSERT_TRUE(doc.LoadFromBytes(Fixture("doc_v20.qex")));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompt.askCount(), 0u);  // version 19 and later: no notice
}

TEST(CHalvaneDoc, ASaveToAPlaceThatCannotHoldTheFileFailsAndSaysWhy) {
    TempDir dir;
    DocHarness h;
    h.doc.m_nUnitKind = 1;
    h.doc.SetModifiedFlag();
    EXPECT_FALSE(h.doc.OnSaveDocument(dir.File("no-such-folder/room.QEX")));
    std::filesystem::create_directory(dir.File("taken.QEX"));
    EXPECT_FALSE(h.doc.OnSaveDocument(dir.File("taken.QEX")));
    const auto asks = h.prompt.asks();
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_NE(asks[0].text.find("No such file or directory"), std::string::npos) << asks[0].text;
    EXPECT_EQ(asks[1].text.rfind("Failed to save document.\n\nCannot replace ", 0), 0u) << asks[1].text;
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.QEX")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_TRUE(h.doc.IsModified());
    EXPECT_EQ(h.doc.GetPathName(), "");
}

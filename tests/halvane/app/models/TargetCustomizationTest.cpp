// "Target Customization" and "Advanced Target Customization" without their
// windows: the choice lists, which controls a document's measurements
// enable, the summary texts, and what reaches the document on OK and
// Cancel.
#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>

#include "halvane/app/models/AdvancedTargetModel.h"
#include "halvane/app/models/TargetCustomizationModel.h"
#include "halvane/app/models/TargetCustomizationShell.h"
#include "halvane/document/TargetJobs.h"
#include "platform/ArchiveWriter.h"
#include "tests/halvane/document/DocTestSupport.h"

using namespace halvane::app::models;
using namespace halvane::design;
using namespace halvane::document;
using namespace halvane::signal;

using namespace halvane;
using doctest::Curve;
using doctest::DocHarness;
using B = TargetConfigBasic;
using Model = TargetCustomizationModel;

namespace {

constexpr std::initializer_list<int> kAll{0, 1, 2, 3, 4, 5, 6, 7};
constexpr std::initializer_list<int> kNoCenterSubRear{0, 2, 3, 6};

void Measure(CHalvaneDoc& doc, int cfg, std::initializer_list<int> channels) {
    CCurveSet& set = *doc.CurveSetSlot(cfg);
    set.Clear();
    for (int ch : channels) set.Add(ch, Curve(70 + ch));
}

std::vector<std::uint8_t> Stored(const TargetConfig& t) {
    platform::ArchiveWriter w;
    t.Serialize(w);
    return w.take();
}

std::vector<std::uint8_t> Stored(const CCurveSet& s) {
    platform::ArchiveWriter w;
    s.Serialize(w);
    return w.take();
}

// A document of unit kind 2 with the given measurements of both
// configurations.
struct Fixture {
    explicit Fixture(std::initializer_list<int> movie, std::initializer_list<int> music = kAll, int kind = 2) {
        h.doc.m_nUnitKind = kind;
        Measure(h.doc, 0, movie);
        Measure(h.doc, 1, music);
        h.doc.m_TargetConfig.MusicUsesMovie = 0;
    }
    DocHarness h;
};

// Stands in for the detection job: records what it was given and writes
// its proposals into the record and the curve copies.
class ScriptedJobs : public TargetJobs {
public:
    int RunAutoDetectXOvers(platform::WindowHandle parent, std::array<CCurveSet, 2>& measured, TargetConfig& config,
                            std::int32_t unitKind) override {
        ++calls;
        seenParent = parent;
        seenKind = unitKind;
        seenMovie = Stored(measured[0]);
        seenMusic = Stored(measured[1]);
        measured[0].Clear();
        measured[1].Add(7, Curve(1));
        config.Crossover[0] = {100, 90, 120, 150, 110};
        config.Crossover[1] = {60, 60, 60, 60, 60};
        config.GroupFlag[1][B::Center] = 1;
        config.RoomGainDb = {3.5, 1.5};
        config.MusicUsesMovie = 0;
        return 1;
    }
    int calls = 0;
    platform::WindowHandle seenParent;
    std::int32_t seenKind = 0;
    std::vector<std::uint8_t> seenMovie, seenMusic;
};

}  // namespace

TEST(CrossoverLists, ComeFromTheUnitClassWithNoSpeakerAndFlatWhereTheRowsNeedThem) {
    const CrossoverLists flagship = CrossoverLists::ForUnitKind(2);
    ASSERT_EQ(flagship[CrossoverLists::B].size(), 28u);
    EXPECT_EQ(flagship[CrossoverLists::B][0].value, 25);
    EXPECT_EQ(flagship[CrossoverLists::B][27].value, 160);
    ASSERT_EQ(flagship[CrossoverLists::A].size(), 29u);
    EXPECT_EQ(flagship[CrossoverLists::A][28].value, 170);
    EXPECT_EQ(flagship[CrossoverLists::A][28].label, "No Speaker");
    ASSERT_EQ(flagship[CrossoverLists::D].size(), 29u);
    EXPECT_EQ(flagship[CrossoverLists::D][0].value, 5);
    EXPECT_EQ(flagship[CrossoverLists::D][0].label, "Flat");
    ASSERT_EQ(flagship[CrossoverLists::C].size(), 30u);
    EXPECT_EQ(flagship[CrossoverLists::C][29].label, "No Speaker");

    const CrossoverLists receiver = CrossoverLists::ForUnitKind(4);
    EXPECT_EQ(receiver[CrossoverLists::B].size(), 5u);
    EXPECT_EQ(receiver[CrossoverLists::D].size(), 9u);
    EXPECT_EQ(receiver[CrossoverLists::C][8].value, 150);

    // A new document knows no unit yet: it gets the flagship's choices, so
    // the Fronts' spin (list B or D, without "No Speaker") is never empty.
    const CrossoverLists none = CrossoverLists::ForUnitKind(0);
    ASSERT_EQ(none[CrossoverLists::B].size(), 28u);
    ASSERT_EQ(none[CrossoverLists::D].size(), 29u);
    EXPECT_EQ(none[CrossoverLists::D][0].label, "Flat");
    EXPECT_EQ(none[CrossoverLists::C][29].value, 170);
}

TEST(TargetCustomization, AFullSystemEnablesEveryRowOfBothColumns) {
    Fixture f(kAll);
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    const TargetCustomizationView v = m.Update();
    for (int c = 0; c < 2; ++c) {
        const TargetColumnView& col = v.columns[static_cast<std::size_t>(c)];
        EXPECT_EQ(col.boundConfiguration, c);
        EXPECT_TRUE(col.valuesEnabled);
        for (int g = 0; g < B::kGroups; ++g) {
            EXPECT_TRUE(col.groups[static_cast<std::size_t>(g)].spinEnabled) << c << g;
            EXPECT_EQ(col.groups[static_cast<std::size_t>(g)].checkEnabled, g != B::Subwoofer) << c << g;
            EXPECT_EQ(col.groups[static_cast<std::size_t>(g)].boundConfiguration, c);
        }
        EXPECT_EQ(col.groups[B::Front].list, CrossoverLists::B);
        EXPECT_EQ(col.groups[B::Center].list, CrossoverLists::A);
    }
    EXPECT_EQ(m.Working().GroupFlag[0][B::Front], 0);
    EXPECT_EQ(v.maxEqGrid.minimum(), 200);
    EXPECT_EQ(v.maxEqGrid.maximum(), 20000);
}

TEST(TargetCustomization, MissingSpeakersDisableTheirRowsAndNoSubwooferForcesFullRangeFronts) {
    Fixture f(kNoCenterSubRear, {0, 1, 2, 6, 7});  // Music: centre and sub, one surround only
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    const TargetCustomizationView v = m.Update();

    const TargetColumnView& movie = v.columns[0];
    EXPECT_EQ(m.Working().GroupFlag[0][B::Front], 1);
    EXPECT_FALSE(movie.groups[B::Front].checkEnabled);
    EXPECT_TRUE(movie.groups[B::Front].spinEnabled);
    EXPECT_EQ(movie.groups[B::Front].list, CrossoverLists::D);
    EXPECT_FALSE(movie.groups[B::Center].spinEnabled);
    EXPECT_FALSE(movie.groups[B::Center].checkEnabled);
    EXPECT_TRUE(movie.groups[B::Surround].spinEnabled);
    EXPECT_FALSE(movie.groups[B::Rear].spinEnabled);
    EXPECT_FALSE(movie.groups[B::Subwoofer].spinEnabled);

    const TargetColumnView& music = v.columns[1];
    EXPECT_EQ(m.Working().GroupFlag[1][B::Front], 0);
    EXPECT_TRUE(music.groups[B::Front].checkEnabled);
    EXPECT_TRUE(music.groups[B::Center].spinEnabled);
    EXPECT_FALSE(music.groups[B::Surround].spinEnabled);  // needs both surrounds (6 and 3)
    EXPECT_TRUE(music.groups[B::Subwoofer].spinEnabled);

    // A Front crossed over to nothing runs full range too, sub or not.
    m.Working().Crossover[1][B::Front] = B::kNoCrossover;
    m.Update();
    EXPECT_EQ(m.Working().GroupFlag[1][B::Front], 1);
}

TEST(TargetCustomization, AGroupFlagOffersTheFlatChoicesAndValuesMoveOntoTheirList) {
    Fixture f(kAll);
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    m.Working().GroupFlag[0][B::Center] = 1;
    m.Working().GroupFlag[0][B::Front] = 1;
    m.Working().Crossover[0][B::Surround] = 77;  // between 75 and 80: the closer one
    m.Working().Crossover[0][B::Rear] = 170;     // "No Speaker" is on list A
    m.Working().MaxEqFrequency[0] = 100;         // below the spin's 200
    const TargetCustomizationView v = m.Update();
    EXPECT_EQ(v.columns[0].groups[B::Center].list, CrossoverLists::C);
    EXPECT_EQ(v.columns[0].groups[B::Front].list, CrossoverLists::D);
    EXPECT_EQ(m.Working().Crossover[0][B::Surround], 75);
    EXPECT_EQ(m.Working().Crossover[0][B::Rear], 170);
    EXPECT_EQ(m.Working().MaxEqFrequency[0], 200);

    Model receiver(f.h.doc, true, Model::kReceiverMaxFrequency);
    receiver.Load();
    EXPECT_EQ(receiver.Update().maxEqGrid.maximum(), 5000);
}

TEST(TargetCustomization, SameAsMovieLocksTheMusicColumnOnTheMovieValues) {
    Fixture f(kAll, kNoCenterSubRear);
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    m.Working().MusicUsesMovie = 1;
    m.Working().SubHighPassOrder = {3, 0};
    m.Working().SubHighPassFrequency = {30, 20};
    m.Working().MinSubEqFrequency = {25, 20};
    const TargetCustomizationView v = m.Update();
    const TargetColumnView& music = v.columns[1];
    EXPECT_EQ(music.boundConfiguration, 0);
    EXPECT_FALSE(music.valuesEnabled);
    for (const TargetGroupView& g : music.groups) {
        EXPECT_EQ(g.boundConfiguration, 0);
        EXPECT_FALSE(g.spinEnabled);
        EXPECT_FALSE(g.checkEnabled);
    }
    // Music's own flags are not forced while it follows Movie.
    EXPECT_EQ(m.Working().GroupFlag[1][B::Front], 0);
    EXPECT_EQ(v.summary,
              "Reference Level Offset: -1\r\n"
              "Movie Subwoofer HPF: 2nd Order @ 30 Hz with min EQ FS: 25 Hz\r\n"
              "Music Subwoofer HPF: 2nd Order @ 30 Hz with min EQ FS: 25 Hz");

    m.Working().MusicUsesMovie = 0;
    const TargetCustomizationView own = m.Update();
    EXPECT_EQ(own.columns[1].boundConfiguration, 1);
    EXPECT_TRUE(own.columns[1].valuesEnabled);
    EXPECT_EQ(m.Working().GroupFlag[1][B::Front], 1);  // Music has no subwoofer
    EXPECT_EQ(own.summary.substr(own.summary.rfind("Music")), "Music Subwoofer HPF: Auto");
}

TEST(TargetCustomization, SummaryTextsByOrder) {
    EXPECT_EQ(Model::SubwooferText(0, 80, 40, 30), "Auto");
    EXPECT_EQ(Model::SubwooferText(1, 80, 40, 30), "Flat with min EQ FS: 30 Hz");
    EXPECT_EQ(Model::SubwooferText(3, 80, 40, 30), "2nd Order @ 40 Hz with min EQ FS: 30 Hz");
    EXPECT_EQ(Model::SubwooferText(9, 80, 40, 30), "8th Order @ 40 Hz with min EQ FS: 30 Hz");
    EXPECT_EQ(Model::SubwooferText(10, 80, 40, 30), "No Speaker");
    EXPECT_EQ(Model::SubwooferText(-1, 80, 40, 30), "No Speaker");
    EXPECT_EQ(Model::SubwooferText(3, 170, 40, 30), "No Speaker");
}

TEST(TargetCustomization, SubwooferFrequenciesAboveTheCrossoverComeDownToIt) {
    Fixture f(kAll);
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    m.Working().Crossover[0][B::Subwoofer] = 80;
    m.Working().SubHighPassFrequency = {100, 60};
    m.Working().MinSubEqFrequency = {90, 90};
    m.Working().Crossover[1][B::Subwoofer] = 70;
    m.Update();
    EXPECT_EQ(m.Working().SubHighPassFrequency, (std::array<std::int32_t, 2>{80, 60}));
    EXPECT_EQ(m.Working().MinSubEqFrequency, (std::array<std::int32_t, 2>{80, 70}));
}

TEST(TargetCustomization, OkWritesTheDialogsFieldsAndNothingElse) {
    Fixture f(kAll);
    TargetConfig& doc = f.h.doc.m_TargetConfig;
    doc.ChannelTrim[3] = 5;
    doc.ExtraOption = 1;
    doc.RefLevelOffsetDb = 2.5;
    doc.MusicSubTrim = -3;
    const auto before = Stored(doc);

    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    TargetConfig& w = m.Working();
    w.Crossover[1] = {60, 70, 90, 100, 120};
    w.GroupFlag[1][B::Rear] = 1;
    w.RoomGainDb = {2.0, 4.25};
    w.MaxEqFrequency = {8000, 12000};
    w.ConfigOption = 1;
    w.SubHighPassOrder = {4, 1};
    w.SubHighPassFrequency = {35, 20};
    w.MinSubEqFrequency = {30, 25};
    w.RefLevel = -3;
    // What the dialog does not edit, even if the working copy changed it.
    w.ChannelTrim[3] = 9;
    w.ExtraOption = 0;
    m.Update();
    EXPECT_EQ(Stored(doc), before) << "nothing reaches the document before OK";
    EXPECT_FALSE(f.h.doc.IsModified());

    m.WriteBack();
    EXPECT_EQ(doc.Crossover[1], (std::array<std::int32_t, 5>{60, 70, 90, 100, 120}));
    EXPECT_EQ(doc.GroupFlag[1][B::Rear], 1);
    EXPECT_EQ(doc.RoomGainDb, (std::array<double, 2>{2.0, 4.25}));
    EXPECT_EQ(doc.MaxEqFrequency, (std::array<std::int32_t, 2>{8000, 12000}));
    EXPECT_EQ(doc.MusicUsesMovie, 0);
    EXPECT_EQ(doc.ConfigOption, 1);
    EXPECT_EQ(doc.SubHighPassOrder, (std::array<std::int32_t, 2>{4, 1}));
    EXPECT_EQ(doc.SubHighPassFrequency, (std::array<std::int32_t, 2>{35, 20}));
    EXPECT_EQ(doc.MinSubEqFrequency, (std::array<std::int32_t, 2>{30, 25}));
    EXPECT_EQ(doc.RefLevel, -3);
    EXPECT_EQ(doc.ChannelTrim[3], 5);
    EXPECT_EQ(doc.ExtraOption, 1);
    EXPECT_EQ(doc.RefLevelOffsetDb, 2.5);
    EXPECT_EQ(doc.MusicSubTrim, -3);
    EXPECT_TRUE(f.h.doc.IsModified());
}

TEST(TargetCustomization, AutoDetectFillsTheWorkingCopyAndCancelLeavesTheDocumentAsItWas) {
    Fixture f(kAll, kNoCenterSubRear, 4);
    const auto targetsBefore = Stored(f.h.doc.m_TargetConfig);
    const auto movieBefore = Stored(*f.h.doc.CurveSetSlot(0));
    const auto musicBefore = Stored(*f.h.doc.CurveSetSlot(1));
    const CCurve* movieFront = f.h.doc.CurveSetSlot(0)->Find(0);

    Model m(f.h.doc, true, Model::kReceiverMaxFrequency);
    m.Load();
    m.Update();
    ScriptedJobs jobs;
    EXPECT_EQ(m.AutoDetect(&jobs, platform::WindowHandle{42}), 1);
    EXPECT_EQ(jobs.calls, 1);
    EXPECT_EQ(jobs.seenParent, platform::WindowHandle{42});
    EXPECT_EQ(jobs.seenKind, 4);
    EXPECT_EQ(jobs.seenMovie, movieBefore);
    EXPECT_EQ(jobs.seenMusic, musicBefore);

    m.Update();
    EXPECT_EQ(m.Working().Crossover[0],
              (std::array<std::int32_t, 5>{100, 80, 120, 150, 100}));  // onto unit 4's lists (ties: the lower)
    EXPECT_EQ(m.Working().GroupFlag[1][B::Center], 1);
    EXPECT_EQ(m.Working().RoomGainDb[0], 3.5);

    // Cancel: no write-back. The target record and the measured curves are
    // the document's own, unchanged.
    EXPECT_EQ(Stored(f.h.doc.m_TargetConfig), targetsBefore);
    EXPECT_EQ(Stored(*f.h.doc.CurveSetSlot(0)), movieBefore);
    EXPECT_EQ(Stored(*f.h.doc.CurveSetSlot(1)), musicBefore);
    EXPECT_EQ(f.h.doc.CurveSetSlot(0)->Find(0), movieFront);

    // Without jobs installed Auto Detect does nothing.
    EXPECT_EQ(m.AutoDetect(nullptr, {}), 0);
}

TEST(AdvancedTarget, OrderDecidesWhichSubwooferSpinsAreEditable) {
    AdvancedTargetModel a;
    a.basic.MusicUsesMovie = 0;
    a.basic.Crossover[0][B::Subwoofer] = 80;
    a.basic.Crossover[1][B::Subwoofer] = 170;
    a.SubHighPassOrder = {1, 3};
    AdvancedTargetView v = a.Update();
    EXPECT_TRUE(v.columns[0].orderEnabled);
    EXPECT_FALSE(v.columns[0].frequencyEnabled);  // "Flat"
    EXPECT_TRUE(v.columns[0].minEqEnabled);
    EXPECT_EQ(v.columns[0].frequencyGrid.minimum(), 20);
    EXPECT_EQ(v.columns[0].frequencyGrid.maximum(), 80);
    // No subwoofer crossover: all three off, whatever the order.
    EXPECT_FALSE(v.columns[1].orderEnabled);
    EXPECT_FALSE(v.columns[1].frequencyEnabled);
    EXPECT_FALSE(v.columns[1].minEqEnabled);

    a.SubHighPassOrder[0] = 0;  // "Auto"
    v = a.Update();
    EXPECT_TRUE(v.columns[0].orderEnabled);
    EXPECT_FALSE(v.columns[0].frequencyEnabled);
    EXPECT_FALSE(v.columns[0].minEqEnabled);

    a.SubHighPassOrder[0] = 2;
    v = a.Update();
    EXPECT_TRUE(v.columns[0].frequencyEnabled);
    EXPECT_TRUE(v.columns[0].minEqEnabled);
    EXPECT_EQ(v.refLevelGrid.minimum(), -3);
    EXPECT_EQ(v.refLevelGrid.maximum(), 0);
}

TEST(AdvancedTarget, MusicFollowingMovieEditsNothingOfItsOwnAndOddValuesAreDefined) {
    AdvancedTargetModel a;
    a.basic.MusicUsesMovie = 1;
    a.basic.Crossover[0][B::Subwoofer] = 5;  // "Flat": a one-value range, never an inverted one
    a.basic.Crossover[1][B::Subwoofer] = 100;
    a.SubHighPassOrder = {12, 4};
    a.SubHighPassFrequency = {60, 90};
    a.MinSubEqFrequency = {10, 95};
    a.RefLevel = 4;
    const AdvancedTargetView v = a.Update();
    EXPECT_EQ(v.columns[1].boundConfiguration, 0);
    EXPECT_FALSE(v.columns[1].orderEnabled);
    EXPECT_FALSE(v.columns[1].frequencyEnabled);
    EXPECT_FALSE(v.columns[1].minEqEnabled);
    EXPECT_EQ(v.columns[0].frequencyGrid.maximum(), 20);
    EXPECT_EQ(a.SubHighPassOrder, (std::array<std::int32_t, 2>{9, 4}));
    EXPECT_EQ(a.SubHighPassFrequency, (std::array<std::int32_t, 2>{20, 90}));
    EXPECT_EQ(a.MinSubEqFrequency, (std::array<std::int32_t, 2>{20, 95}));
    EXPECT_EQ(a.RefLevel, 0);
}

TEST(AdvancedTarget, TheTargetDialogHandsOverCopiesAndTakesThemBack) {
    Fixture f(kAll);
    f.h.doc.m_TargetConfig.SubHighPassOrder = {2, 0};
    f.h.doc.m_TargetConfig.RefLevel = -2;
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    AdvancedTargetModel a = m.AdvancedValues();
    EXPECT_EQ(a.SubHighPassOrder, (std::array<std::int32_t, 2>{2, 0}));
    EXPECT_EQ(a.RefLevel, -2);
    EXPECT_EQ(a.basic.Crossover, m.Working().Crossover);
    a.SubHighPassOrder = {5, 1};
    a.SubHighPassFrequency = {45, 20};
    a.RefLevel = 0;
    EXPECT_EQ(m.Working().SubHighPassOrder[0], 2) << "a copy until taken back";
    m.TakeAdvanced(a);
    EXPECT_EQ(m.Working().SubHighPassOrder, (std::array<std::int32_t, 2>{5, 1}));
    EXPECT_EQ(m.Working().SubHighPassFrequency[0], 45);
    EXPECT_EQ(m.Update().summary.substr(0, 26), "Reference Level Offset: 0\r");
    EXPECT_EQ(f.h.doc.m_TargetConfig.SubHighPassOrder[0], 2);
}

TEST(TargetCustomization, OpenTargetCustomizationLimitsTheReceiverTo5000HzAndCancelsWithoutADialog) {
    CHalvaneDoc doc;
    const TargetCustomizationShell previous = SetTargetCustomizationShell({});
    EXPECT_FALSE(OpenTargetCustomization(doc, 2));

    std::vector<std::tuple<CHalvaneDoc*, bool, int, std::uint64_t, TargetJobs*>> calls;
    SetTargetCustomizationShell(
        [&](CHalvaneDoc& d, bool receiver, int maxFrequency, platform::WindowHandle parent, TargetJobs* jobs) {
            calls.emplace_back(&d, receiver, maxFrequency, parent.id, jobs);
            return receiver;
        });
    // The jobs the caller hands reach the dialog's Auto Detect.
    ScriptedJobs jobs;
    EXPECT_TRUE(OpenTargetCustomization(doc, 4, platform::WindowHandle{7}, &jobs));
    EXPECT_FALSE(OpenTargetCustomization(doc, 1));
    SetTargetCustomizationShell(previous);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_tuple(&doc, true, 5000, std::uint64_t{7}, static_cast<TargetJobs*>(&jobs)));
    EXPECT_EQ(calls[1], std::make_tuple(&doc, false, 20000, std::uint64_t{0}, static_cast<TargetJobs*>(nullptr)));
}

TEST(TargetCustomization, TheWidestValuesTheControlsAcceptSurviveASaveAndReopen) {
    Fixture f(kAll);
    Model m(f.h.doc, false, Model::kMaxFrequency);
    m.Load();
    TargetConfig& w = m.Working();
    w.RoomGainDb = {Model::kMinRoomGainDb, Model::kMaxRoomGainDb};
    w.MaxEqFrequency = {Model::kMinMaxEqFrequency, Model::kMaxFrequency};
    w.SubHighPassOrder = {0, 9};
    w.RefLevel = AdvancedTargetModel::kMinRefLevel;
    m.Update();
    m.WriteBack();
    DocHarness reopened;
    EXPECT_TRUE(reopened.doc.LoadFromBytes(f.h.doc.SaveToBytes()));
    EXPECT_EQ(reopened.doc.m_TargetConfig.RoomGainDb, f.h.doc.m_TargetConfig.RoomGainDb);
    EXPECT_EQ(reopened.prompt.askCount(), 0u);
}

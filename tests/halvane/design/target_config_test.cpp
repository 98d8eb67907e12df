// The target record: defaults, the dialogs' copy, the Music lookups, and the
// stored form of every document version, read from streams packed by
// data/make_reference.py with Python's struct module (the independent
// writer; the values each stream holds are listed there).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "tests/support/TestData.h"
#include "halvane/design/TargetConfig.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

using namespace halvane::design;

using platform::ArchiveException;
using platform::ArchiveReader;
using platform::ArchiveWriter;
using Bytes = std::vector<std::uint8_t>;
using Row = std::array<std::int32_t, 5>;

namespace {

Bytes Store(const TargetConfig& config, int version = TargetConfig::kCurrentVersion) {
    ArchiveWriter w;
    config.Serialize(w, version);
    return w.take();
}

// Loads the committed stream of `version` and checks it was read to its end
// (so each version's block size is the one the reader uses).
TargetConfig LoadFile(int version) {
    const Bytes bytes = testdata::Bytes("target_config_v" + std::to_string(version) + ".bin");
    ArchiveReader r(bytes);
    TargetConfig config;
    config.Serialize(r, version);
    EXPECT_TRUE(r.atEnd()) << "version " << version << " left " << r.remaining() << " bytes";
    return config;
}

// The tail every stream holds (see make_reference.py).
void ExpectCommonTail(const TargetConfig& c) {
    EXPECT_EQ(c.ConfigOption, 1);
    EXPECT_EQ(c.MusicUsesMovie, 0);
    EXPECT_EQ(c.RefLevelOffsetDb, -3.5);
    EXPECT_EQ(c.MusicSubTrim, 4);
    EXPECT_EQ(c.ChannelTrim, (std::array<std::int32_t, 8>{1, -2, 3, -4, 5, -6, 7, -8}));
}

void ExpectDefaultSubwoofer(const TargetConfig& c) {
    for (int cfg = 0; cfg < 2; ++cfg) {
        EXPECT_EQ(c.MinSubEqFrequency[cfg], 20);
        EXPECT_EQ(c.SubHighPassFrequency[cfg], 20);
        EXPECT_EQ(c.SubHighPassOrder[cfg], 0);
    }
}

}  // namespace

TEST(TargetConfig, ConstructorGivesTheFullDefaults) {
    const TargetConfig c;
    for (int cfg = 0; cfg < 2; ++cfg) {
        EXPECT_EQ(c.Crossover[cfg], (Row{80, 80, 80, 80, 80}));
        EXPECT_EQ(c.GroupFlag[cfg], (Row{0, 0, 0, 0, 0}));
        EXPECT_EQ(c.RoomGainDb[cfg], 0.0);
        EXPECT_EQ(c.MaxEqFrequency[cfg], 20000);
    }
    EXPECT_EQ(c.MusicUsesMovie, 1);
    EXPECT_EQ(c.ConfigOption, 0);
    ExpectDefaultSubwoofer(c);
    EXPECT_EQ(c.ExtraOption, 0);
    EXPECT_EQ(c.RefLevel, -1);
    EXPECT_EQ(c.RefLevelOffsetDb, 0.0);
    EXPECT_EQ(c.MusicSubTrim, 0);
    EXPECT_EQ(c.ChannelTrim, (std::array<std::int32_t, 8>{}));
}

TEST(TargetConfig, BasicDefaultsTouchOnlyTheBasicPart) {
    TargetConfig c;
    c.Crossover[1][3] = 120;
    c.RoomGainDb = {2.0, 3.0};
    c.MaxEqFrequency = {5000, 6000};
    c.MusicUsesMovie = 0;
    c.ConfigOption = 1;
    c.GroupFlag[0][0] = 1;
    c.RefLevel = 4;
    c.ChannelTrim[7] = -6;
    c.SubHighPassOrder[1] = 3;
    c.SetBasicDefaults();
    EXPECT_EQ(c.Crossover[1], (Row{80, 80, 80, 80, 80}));
    EXPECT_EQ(c.RoomGainDb[1], 0.0);
    EXPECT_EQ(c.MaxEqFrequency[0], 20000);
    EXPECT_EQ(c.MusicUsesMovie, 1);
    EXPECT_EQ(c.ConfigOption, 0);
    EXPECT_EQ(c.GroupFlag[0][0], 1);
    EXPECT_EQ(c.RefLevel, 4);
    EXPECT_EQ(c.ChannelTrim[7], -6);
    EXPECT_EQ(c.SubHighPassOrder[1], 3);
}

TEST(TargetConfig, SetValuesCopiesOnlyTheListedFieldsBothWays) {
    TargetConfig document;
    document.Crossover[0] = {60, 70, 90, 100, 170};
    document.Crossover[1] = {40, 50, 60, 70, 80};
    document.GroupFlag[0][2] = 1;
    document.RefLevel = 2;

    // Document to working copy on opening a dialog...
    TargetConfigBasic working;
    TargetConfig::SetValues(document, working, {1.5, 2.5}, {9000, 8000}, 0, 1);
    EXPECT_EQ(working.Crossover, document.Crossover);
    EXPECT_EQ(working.RoomGainDb, (std::array<double, 2>{1.5, 2.5}));
    EXPECT_EQ(working.MaxEqFrequency, (std::array<std::int32_t, 2>{9000, 8000}));
    EXPECT_EQ(working.MusicUsesMovie, 0);
    EXPECT_EQ(working.ConfigOption, 1);

    // ...and back on OK: the rest of the document stays.
    working.Crossover[1][4] = 120;
    TargetConfig::SetValues(working, document, {0.5, 0.25}, {7000, 6000}, 1, 0);
    EXPECT_EQ(document.Crossover[1][4], 120);
    EXPECT_EQ(document.RoomGainDb[1], 0.25);
    EXPECT_EQ(document.MusicUsesMovie, 1);
    EXPECT_EQ(document.GroupFlag[0][2], 1);
    EXPECT_EQ(document.RefLevel, 2);
}

TEST(TargetConfig, MusicReadsTheMovieValuesWhileMusicUsesMovie) {
    TargetConfig c;
    c.Crossover[0][1] = 60;
    c.Crossover[1][1] = 120;
    c.GroupFlag[0][2] = 1;
    c.GroupFlag[1][2] = 0;
    EXPECT_EQ(c.CrossoverFor(TargetConfig::Music, TargetConfig::Center), 60);
    EXPECT_EQ(c.GroupFlagFor(TargetConfig::Music, TargetConfig::Surround), 1);
    EXPECT_EQ(c.CrossoverFor(TargetConfig::Movie, TargetConfig::Center), 60);
    c.MusicUsesMovie = 0;
    EXPECT_EQ(c.CrossoverFor(TargetConfig::Music, TargetConfig::Center), 120);
    EXPECT_EQ(c.GroupFlagFor(TargetConfig::Music, TargetConfig::Surround), 0);
    EXPECT_THROW(c.CrossoverFor(2, 0), std::out_of_range);
    EXPECT_THROW(c.GroupFlagFor(0, 5), std::out_of_range);
}

TEST(TargetConfigStoredForm, FreshRecordWritesTheGolden204Bytes) {
    const Bytes bytes = Store(TargetConfig());
    ASSERT_EQ(bytes.size(), 204u);
    EXPECT_EQ(bytes, testdata::Bytes("target_config_fresh.bin"));
}

TEST(TargetConfigStoredForm, CurrentVersionRoundTripsBitForBit) {
    TargetConfig c;
    c.ConfigOption = 1;
    c.MusicUsesMovie = 0;
    c.Crossover[0] = {60, 165, 170, -1, 120};
    c.Crossover[1] = {25, 30, 35, 40, 45};
    c.GroupFlag[1] = {1, 0, 1, 0, 1};
    c.RoomGainDb = {1.0 / 3.0, -0.0};
    c.MaxEqFrequency = {5000, 12345};
    c.MinSubEqFrequency = {25, 15};
    c.SubHighPassFrequency = {30, 40};
    c.SubHighPassOrder = {3, 1};
    c.ExtraOption = 2;
    c.RefLevel = -7;
    c.RefLevelOffsetDb = -12.345678901234;
    c.ChannelTrim = {-24, 24, 1, -1, 0, 5, -5, 13};
    c.MusicSubTrim = -3;
    const Bytes bytes = Store(c);
    ASSERT_EQ(bytes.size(), 204u);
    ArchiveReader r(bytes);
    TargetConfig back;
    back.Serialize(r, TargetConfig::kCurrentVersion);
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(Store(back), bytes);
    EXPECT_TRUE(std::signbit(back.RoomGainDb[1]));
}

TEST(TargetConfigStoredForm, WritingVersionDecidesOnlyExtraOptionAndSubwooferArrays) {
    TargetConfig c;
    c.ExtraOption = 2;
    EXPECT_EQ(Store(c, 18).size(), 204u);
    EXPECT_EQ(Store(c, 17).size(), 200u);  // no ExtraOption
    EXPECT_EQ(Store(c, 16).size(), 176u);  // no subwoofer arrays either
    const Bytes v17 = Store(c, 17);
    const Bytes v18 = Store(c, 18);
    EXPECT_TRUE(std::equal(v17.begin(), v17.begin() + 176, v18.begin()));
}

TEST(TargetConfigStoredForm, Version3MapsTheFullRangeCodeAndNoCrossover) {
    const TargetConfig c = LoadFile(3);
    ExpectCommonTail(c);
    // Stored 15 -> 80 with the group's flag; 20 -> 170 (before version 14).
    EXPECT_EQ(c.Crossover[0], (Row{80, 60, 170, 100, 120}));
    EXPECT_EQ(c.GroupFlag[0], (Row{1, 0, 0, 0, 0}));
    EXPECT_EQ(c.Crossover[1], (Row{80, 80, 90, 170, 80}));
    EXPECT_EQ(c.GroupFlag[1], (Row{0, 1, 0, 0, 1}));
    EXPECT_EQ(c.RoomGainDb, (std::array<double, 2>{1.5, 2.25}));
    EXPECT_EQ(c.MaxEqFrequency, (std::array<std::int32_t, 2>{12000, 15000}));
    EXPECT_EQ(c.RefLevel, -1);
    EXPECT_EQ(c.ExtraOption, 0);
    ExpectDefaultSubwoofer(c);
}

TEST(TargetConfigStoredForm, Version5TakesTheFlagFromTheCodeIn56ByteBlocks) {
    const TargetConfig c = LoadFile(5);
    ExpectCommonTail(c);
    // {165,60} -> 60 flag 1; {40,60} -> 60 flag 0; {15,20} -> 170 flag 1.
    EXPECT_EQ(c.Crossover[0], (Row{60, 60, 170, 100, 120}));
    EXPECT_EQ(c.GroupFlag[0], (Row{1, 0, 1, 0, 1}));
    EXPECT_EQ(c.RoomGainDb[0], 0.5);
    EXPECT_EQ(c.MaxEqFrequency[0], 8000);
    EXPECT_EQ(c.Crossover[1], (Row{80, 80, 80, 80, 80}));
    EXPECT_EQ(c.MaxEqFrequency[1], 20000);
}

TEST(TargetConfigStoredForm, Versions11To18FollowTheVersionMatrix) {
    for (int v : {11, 12, 13, 14, 15, 16, 17, 18}) {
        SCOPED_TRACE("version " + std::to_string(v));
        const TargetConfig c = LoadFile(v);
        ExpectCommonTail(c);
        const std::int32_t twenty = v < 14 ? 170 : 20;
        EXPECT_EQ(c.Crossover[0], (Row{90, twenty, 60, 70, 80}));
        EXPECT_EQ(c.GroupFlag[0], (Row{1, 0, 0, 1, 0}));
        EXPECT_EQ(c.Crossover[1], (Row{twenty, 80, 100, 120, 170}));
        EXPECT_EQ(c.GroupFlag[1], (Row{1, 0, 1, 0, 0}));
        EXPECT_EQ(c.RoomGainDb, (std::array<double, 2>{1.0, -0.5}));
        EXPECT_EQ(c.MaxEqFrequency, (std::array<std::int32_t, 2>{10000, 5000}));
        EXPECT_EQ(c.RefLevel, v >= 16 ? 3 : -1);
        EXPECT_EQ(c.ExtraOption, v >= 18 ? 2 : 0);
        if (v >= 17) {
            EXPECT_EQ(c.MinSubEqFrequency, (std::array<std::int32_t, 2>{25, 15}));
            EXPECT_EQ(c.SubHighPassFrequency, (std::array<std::int32_t, 2>{30, 40}));
            EXPECT_EQ(c.SubHighPassOrder, (std::array<std::int32_t, 2>{3, 0}));
        } else {
            ExpectDefaultSubwoofer(c);
        }
    }
}

TEST(TargetConfigStoredForm, OldVersionsDoNotInheritThePreviousDocument) {
    // A record that held another document's values loads an old file with
    // the defaults for everything the file lacks.
    const Bytes bytes = testdata::Bytes("target_config_v3.bin");
    TargetConfig c;
    c.GroupFlag[0] = {1, 1, 1, 1, 1};
    c.ExtraOption = 1;
    c.RefLevel = 9;
    c.SubHighPassOrder = {4, 4};
    ArchiveReader r(bytes);
    c.Serialize(r, 3);
    EXPECT_EQ(c.GroupFlag[0], (Row{1, 0, 0, 0, 0}));
    EXPECT_EQ(c.ExtraOption, 0);
    EXPECT_EQ(c.RefLevel, -1);
    ExpectDefaultSubwoofer(c);
}

TEST(TargetConfigStoredForm, TruncatedStreamsEndWithEndOfFile) {
    const Bytes full = testdata::Bytes("target_config_v18.bin");
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{8}, std::size_t{67}, std::size_t{130},
                            std::size_t{175}, full.size() - 1}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Bytes shortened(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        ArchiveReader r(shortened);
        TargetConfig c;
        try {
            c.Serialize(r, 18);
            FAIL() << "no exception";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.cause(), ArchiveException::Cause::EndOfFile);
        }
        // What was read before the end stays.
        if (cut >= 8) {
            EXPECT_EQ(c.ConfigOption, 1);
            EXPECT_EQ(c.MusicUsesMovie, 0);
        }
    }
}

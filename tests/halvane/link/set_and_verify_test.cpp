// The set-and-verify exchanges on the wire: the speaker configuration and
// levels in the order the processor sees them, their failure texts, the
// firmware forms of the levels, and the power switch.

#include "halvane/link/VerifyContext.h"

#include "UnitFixture.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace halvane::design;

using halvane::link::Comm::VerifyContext;
using linktest::UnitTest;

namespace {

class SetAndVerifyTest : public UnitTest {
protected:
    void SetUp() override { StartUnit(0, "1.31c"); }

    // Re-identifies, so the port reads the new firmware version.
    void Firmware(const std::string& version) {
        Dialect([&](sim::HalvaneDialect& d) { d.setFirmware(version); return 0; });
        ASSERT_TRUE(Port().Identify());
        sim_->log().clear();
    }

    std::vector<std::string> Without(const std::string& skipped) const {
        std::vector<std::string> out;
        for (auto& t : Log())
            if (t != skipped) out.push_back(t);
        return out;
    }
};

}  // namespace

TEST_F(SetAndVerifyTest, DefaultConfigurationAlreadyHeldIsOnlyQueriedInWireOrder) {
    const TargetConfig defaults;
    VerifyContext context(&Port());
    ASSERT_TRUE(halvane::link::Comm::SendSpeakerConfig(context, defaults, defaults.GroupFlag)) << context.failureText;
    std::vector<std::string> expected = {"SZS?"};
    for (const char* c : {"C", "M"}) {
        const std::string p = std::string("SZ") + c;
        expected.insert(expected.end(), {p + "A?", p + "XF?", p + "F?", p + "XC?", p + "C?", p + "XR?", p + "R?",
                                         p + "XB?", p + "B?", p + "X?", p + "NS?"});
    }
    expected.push_back("SZNB?");
    EXPECT_EQ(Log(), expected);
    EXPECT_TRUE(context.failureText.empty());
}

TEST_F(SetAndVerifyTest, EdgeConfigurationsGiveTheirCodesAndEveryFailureLine) {
    TargetConfig t;
    t.MusicUsesMovie = 0;
    t.GroupFlag[0][TargetConfigBasic::Front] = 1;                          // full range: 165, no size word
    t.Crossover[0][TargetConfigBasic::Surround] = TargetConfigBasic::kNoCrossover;  // 80 and size 0
    t.Crossover[0][TargetConfigBasic::Subwoofer] = TargetConfigBasic::kNoCrossover;
    t.GroupFlag[1][TargetConfigBasic::Center] = 1;                         // large: size 2
    t.Crossover[1][TargetConfigBasic::Rear] = 100;
    t.ConfigOption = 1;
    // The processor refuses the Movie surround's and subwoofer's sizes.
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().ignoreSets["SZCR"] = 100;
        d.knobs().ignoreSets["SZCNS"] = 100;
        return 0;
    });
    VerifyContext context(&Port());
    EXPECT_FALSE(halvane::link::Comm::SendSpeakerConfig(context, t, t.GroupFlag));

    EXPECT_EQ(context.failureText,
              "Movie config speaker configuration Surround speaker 'size' setting failed to verify. (should be set "
              "to Off/Disabled)\r\n"
              "Movie config speaker configuration Subwoofer speaker 'size' setting failed to verify. (should be set "
              "to Off/Disabled)\r\n");
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("SZS"), "0");
        EXPECT_EQ(d.setting("SZCXF"), "165");
        EXPECT_EQ(d.setsReceived("SZCF"), 0);
        EXPECT_EQ(d.setting("SZCXR"), "80");
        EXPECT_EQ(d.setsReceived("SZCR"), 10);
        EXPECT_EQ(d.setting("SZCS"), "0");  // the subwoofer's "use", tried after its size failed
        EXPECT_EQ(d.setsReceived("SZCNS"), 20);
        EXPECT_EQ(d.setting("SZMXC"), "165");
        EXPECT_EQ(d.setting("SZMC"), "2");
        EXPECT_EQ(d.setting("SZMXB"), "100");
        EXPECT_EQ(d.setting("SZNB"), "1");
        return 0;
    });
    // The subwoofer's use comes between its two size tries.
    const auto log = Log();
    const auto use = std::find(log.begin(), log.end(), "SZCS0");
    ASSERT_NE(use, log.end());
    EXPECT_EQ(std::count(log.begin(), use, "SZCNS0"), 10);
    EXPECT_EQ(std::count(use, log.end(), "SZCNS0"), 10);
}

TEST_F(SetAndVerifyTest, AValueTakenOnTheLastQueriedSetVerifiesAndOneLaterFails) {
    VerifyContext context(&Port());
    // Ten attempts: the ninth set is the last one a query follows.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["SZNB"] = 8; return 0; });
    EXPECT_TRUE(halvane::link::Comm::SetAndVerifyInt(context, "SZNB", 1));
    EXPECT_EQ(Count("SZNB?"), 10u);
    EXPECT_EQ(Count("SZNB1"), 9u);

    sim_->log().clear();
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["SZNB"] = 9; return 0; });
    TargetConfig t;  // SZNB 2 wanted
    EXPECT_FALSE(halvane::link::Comm::SendSpeakerConfig(context, t, t.GroupFlag));
    EXPECT_EQ(context.failureText, " Rear 'count' setting failed to verify. (should be set to 2)\r\n");
    EXPECT_EQ(Count("SZNB2"), 10u);

    // A double that never answers is a failure, 0.00 included.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("SLL"); return 0; });
    EXPECT_FALSE(halvane::link::Comm::SetAndVerifyDouble(context, "SLL", "%0.2lf", 0.0));
}

TEST_F(SetAndVerifyTest, LevelFormsFollowTheFirmware) {
    TargetConfig t;
    t.ChannelTrim = {3, -1, 0, 0, 0, 0, 0, -6};
    t.MusicSubTrim = 4;
    VerifyContext context(&Port());

    Firmware("1.31b");  // sent only, every level and the Music subwoofer's
    ASSERT_TRUE(halvane::link::Comm::SendSpeakerLevels(context, t));
    EXPECT_EQ(Log(), (std::vector<std::string>{"SLL1.50", "SLC-0.50", "SLR0.00", "SLSR0.00", "SLBR0.00", "SLBL0.00",
                                               "SLSL0.00", "SLs-3.00", "SLm2.00"}));

    Firmware("1.31c");  // verified; the replies carry a three-character lead
    t.ChannelTrim[2] = 5;
    ASSERT_TRUE(halvane::link::Comm::SendSpeakerLevels(context, t)) << context.failureText;
    EXPECT_EQ(Log().front(), "SLL?");
    EXPECT_EQ(Count("SLR2.50"), 1u);
    EXPECT_EQ(Count("SLL1.50"), 0u);  // already held
    EXPECT_EQ(Log().back(), "SLm?");

    for (const char* version : {"1.31d", "1.32"}) {
        Firmware(version);  // verified, the word's own length skipped
        t.ChannelTrim[2] = 7;
        ASSERT_TRUE(halvane::link::Comm::SendSpeakerLevels(context, t)) << version << context.failureText;
        EXPECT_EQ(Count("SLR3.50"), 1u) << version;
        t.ChannelTrim[2] = 5;
        ASSERT_TRUE(halvane::link::Comm::SendSpeakerLevels(context, t));
    }

    // The Music subwoofer's level goes only with a Music subwoofer, and a
    // level that never verifies says which and what.
    Firmware("1.32");
    t.MusicUsesMovie = 0;
    t.Crossover[1][TargetConfigBasic::Subwoofer] = TargetConfigBasic::kNoCrossover;
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("SLC"); return 0; });
    EXPECT_FALSE(halvane::link::Comm::SendSpeakerLevels(context, t));
    EXPECT_EQ(context.failureText, "Center speaker 'level' setting failed to verify. (should be set to -0.50)\r\n");
    EXPECT_EQ(Count("SLm?"), 0u);

    // The unsent form gives up at the first level that gets no answer.
    Firmware("1.30a");
    EXPECT_FALSE(halvane::link::Comm::SendSpeakerLevels(context, t));
    EXPECT_EQ(Count("SLC-0.50"), 5u);
    EXPECT_EQ(Count("SLR2.50"), 0u);
}

TEST_F(SetAndVerifyTest, PowerSwitchSendsOnlyWhatIsNeededAndNeverTrustsAFailedRead) {
    // Off to on: one pass, then the wait after switching on.
    clock_.resetSlept();
    EXPECT_TRUE(Port().SetPower(true));
    EXPECT_EQ(Without("P1P?"), (std::vector<std::string>{"P1P1", "P1VM-95.5"}));
    EXPECT_EQ(clock_.sleptMs(), 500 + 10000 + 500 + 10000);

    // Already on: no command, still the 10 s after "on".
    sim_->log().clear();
    clock_.resetSlept();
    EXPECT_TRUE(Port().SetPower(true));
    EXPECT_EQ(Log(), (std::vector<std::string>{"P1P?"}));
    EXPECT_EQ(clock_.sleptMs(), 500 + 10000);

    // Off: every zone of a flagship.
    sim_->log().clear();
    EXPECT_TRUE(Port().SetPower(false));
    EXPECT_EQ(Without("P1P?"), (std::vector<std::string>{"P1P0", "P2P0", "P3P0"}));
    int state = -1;
    ASSERT_TRUE(Port().QueryPower(state));
    EXPECT_EQ(state, 0);

    // A processor whose power state cannot be read is never taken to be in
    // the wanted state: five passes, then false.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("P1P"); return 0; });
    clock_.setFactor(100);
    sim_->log().clear();
    EXPECT_FALSE(Port().QueryPower(state));
    EXPECT_FALSE(Port().SetPower(false));
    // The port gives up as soon as its last wait runs out; the processor
    // may not have read that pass's command yet.
    ASSERT_TRUE(sim_->log().waitFor(
        [](const auto& log) {
            return std::count_if(log.begin(), log.end(), [](const auto& e) { return e.text == "P1P0"; }) >= 5;
        },
        5000))
        << "the processor heard " << Count("P1P0") << " of five P1P0";
    EXPECT_EQ(Count("P1P0"), 5u);
}

// Halvane's simulated processor itself: the words of its settings store,
// the power of its zones and its knobs, seen through a plain serial line.

#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"

#include "platform/SerialLine.h"

#include <gtest/gtest.h>

using platform::LineSettings;

namespace {

class HalvaneDialectTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(7, "1.00"));
        ASSERT_TRUE(sim_->start());
        ASSERT_TRUE(line_.open(sim_->slavePath()));
        ASSERT_TRUE(line_.configure(LineSettings::eightN2(19200)));
    }

    // Everything that comes until the line is quiet for 150 ms.
    std::string Exchange(const std::string& bytes) {
        EXPECT_TRUE(line_.writeAll(bytes));
        char buf[512];
        const long n = line_.read(buf, sizeof buf, 2000, 150);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    }

    template <class F>
    void Dialect(F&& fn) {
        sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) {
            fn(d);
            return 0;
        });
    }

    std::unique_ptr<sim::Simulator> sim_;
    platform::SerialLine line_;
};

}  // namespace

TEST_F(HalvaneDialectTest, LongestWordWinsAndValuesAreKeptInTheirForm) {
    EXPECT_EQ(Exchange("SZCXF120\n"), "SZCXF120\n");
    EXPECT_EQ(Exchange("SZCX?\nSZCXF?\n"), "SZCX80\nSZCXF120\n");
    EXPECT_EQ(Exchange("SLSR-3.5\nSLSR?\nSLs?\n"), "SLSR-3.5\nSLSR-3.50\nSLs0.00\n");
    EXPECT_EQ(Exchange("SZNB1x\n"), "Invalid Command\n");
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("SZNB"), "2");
        EXPECT_EQ(d.setsReceived("SZNB"), 1);
    });
    // Unknown words are echoed.
    EXPECT_EQ(Exchange("D5190.8\n"), "D5190.8\n");
}

TEST_F(HalvaneDialectTest, PowerZonesAndTheirQueriesEndAtSemicolons) {
    EXPECT_EQ(Exchange("P1P?;"), "P1P0\n");
    EXPECT_EQ(Exchange("P1P1;P1VM-95.5\n"), "P1P1\nP1VM-95.5\n");
    EXPECT_EQ(Exchange("P1P?;P2P?;P3P?;"), "P1P1\nP2P0\nP3P0\n");
    EXPECT_EQ(Exchange("P1P0\nP1P?;"), "P1P0\nP1P0\n");
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_FALSE(d.power(1));
        EXPECT_EQ(d.setting("P1VM"), "-95.5");
        d.knobs().ignoreSets["P1P"] = 2;
    });
    // Sets acknowledged but not taken twice, then taken.
    EXPECT_EQ(Exchange("P1P1;P1P?;"), "P1P1\nP1P0\n");
    EXPECT_EQ(Exchange("P1P1;P1P?;"), "P1P1\nP1P0\n");
    EXPECT_EQ(Exchange("P1P1;P1P?;"), "P1P1\nP1P1\n");
    EXPECT_EQ(sim_->log().count("P1P?"), 6u);
}

TEST_F(HalvaneDialectTest, IdentificationAndLevelLeadFollowTheFirmware) {
    EXPECT_EQ(Exchange("?\n"), "Vux500 v1.00\n");
    Dialect([](sim::HalvaneDialect& d) {
        d.setModel(2);
        d.setFirmware("1.31c");
    });
    EXPECT_EQ(Exchange("?\n"), "Bzt 50/Qex v1.31c\n");
    EXPECT_EQ(Exchange("SLSR?\nSLL?\n"), "SLS0.00\nSLL0.00\n");
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().silentWords = {"SLL"};
        d.knobs().staleBeforeIdent = "@@";
    });
    EXPECT_EQ(Exchange("SLL?\nSLC?\n?\n"), "SLC0.00\n@@Bzt 50/Qex v1.31c\n");
    Dialect([](sim::HalvaneDialect& d) { d.knobs().staleBeforeReplies = "~"; });
    EXPECT_EQ(Exchange("SLC?\nSLC1\nXY\n"), "~SLC0.00\n~SLC1\n~XY\n");
}

TEST_F(HalvaneDialectTest, BytesAtAnotherSpeedAreNotCommands) {
    Dialect([](sim::HalvaneDialect& d) { d.knobs().garbageAtWrongSpeed = true; });
    ASSERT_TRUE(line_.configure(LineSettings::eightN2(9600)));
    const std::string junk = Exchange("?\n");
    EXPECT_FALSE(junk.empty());
    EXPECT_EQ(junk.find('\n'), std::string::npos);
    ASSERT_TRUE(line_.configure(LineSettings::eightN1(19200)));  // one stop bit: still wrong
    EXPECT_EQ(Exchange("?\n").find('\n'), std::string::npos);
    ASSERT_TRUE(line_.configure(LineSettings::eightN2(19200)));
    EXPECT_EQ(Exchange("?\n"), "Vux500 v1.00\n");
    Dialect([](sim::HalvaneDialect& d) { EXPECT_EQ(d.identRequests(), 1); });
}

TEST_F(HalvaneDialectTest, DspWordsOnlyInDebugModeAndOfTheModelsGeneration) {
    Dialect([](sim::HalvaneDialect& d) { d.setModel(4); });  // "dm" words
    EXPECT_EQ(Exchange("dm3850001002000\n"), "Invalid Command\n");  // not in debug mode
    EXPECT_EQ(Exchange("D3807.2\n"), "D3807.2\nDebug\n");
    EXPECT_EQ(Exchange("dq3850001002000\n"), "Invalid Command\n");  // the other generation's
    EXPECT_EQ(Exchange("dm28C0918000000\ndm28C0917000000\n"), "002000\n000800\n");
    EXPECT_EQ(Exchange("dm5C50001002003ABCDEF\ndm3850001002003\n"), "ABCDEF\nABCDEF\n");
    EXPECT_EQ(Exchange("dm5C500010020031234\n"), "Invalid Command\n");  // a short word
    EXPECT_EQ(Exchange("dm3850001002004\n"), "UNWRITTEN\n");  // never written: no word reads from it
    EXPECT_EQ(Exchange("P1N4\nP1N8\n"), "P1N4\nTone 4\nTone 4\nP1N8\n");
    EXPECT_EQ(Exchange("dx\ndm3850001002003\n"), "dx\nInvalid Command\n");
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.dspMemory().at(0x002003), 0xABCDEFu);
        EXPECT_EQ(d.dspWrites(), 1);  // a malformed write is not one
        EXPECT_EQ(d.toneChannel(), -1);
    });
}

TEST_F(HalvaneDialectTest, ReceiverWordsKeepTheirFixedWidthAndReportNewStates) {
    // A word never written answers no value, so that a set that never
    // arrived cannot pass for a zero.
    EXPECT_EQ(Exchange("C01234BF800000\nC01234?\nG012?\n"), "C01234BF800000\nC01234BF800000\nG012UNWRITTEN\n");
    EXPECT_EQ(Exchange("G01200000000\nG012?\n"), "G01200000000\nG01200000000\n");
    EXPECT_EQ(Exchange("C0123412\n"), "Invalid Command\n");
    EXPECT_EQ(Exchange("QEX3\nQEX?\nQEX?\n"), "QEX3\nQEX3\nQEX OK\nQEX3\n");
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.toneChannel(), 3);
        d.knobs().looseGainReplies = true;
        d.knobs().differEverywhere = true;
    });
    EXPECT_EQ(Exchange("G012?\nF04?\nL8-4\nL8?\n"), "G01200000001 OK\nF045\nL8-4\nL8-4\n");
}

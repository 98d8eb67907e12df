// The simulated processor's Pellivar dialect on its own, byte by byte.

#include "sim/PellivarDialect.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

class Capture final : public Responder {
public:
    void replyLine(std::string_view text) override { lines.emplace_back(text); }
    void replyRaw(std::string_view bytes) override { lines.emplace_back(bytes); }
    void logCommand(std::string text) override { commands.push_back(std::move(text)); }
    std::int64_t nowMs() override { return 0; }
    std::vector<std::string> lines, commands;
};

TEST(PellivarDialect, TerminatorsEmptyCommandsAndNuls) {
    PellivarDialect d;
    Capture out;
    d.onBytes(std::string_view("\n;\nfcs3\0" "77;;fc?3\n?\n", 20), out);
    EXPECT_EQ(out.commands, (std::vector<std::string>{"fcs377", "fc?3", "?"}));
    EXPECT_EQ(out.lines, (std::vector<std::string>{"fc377", "Tolvarine Z6 v1.31"}));
    EXPECT_TRUE(d.anomalies().empty());
}

TEST(PellivarDialect, ASpeedChangeActsAtItsDigit) {
    PellivarDialect d;
    Capture out;
    d.onBytes("SSB", out);
    EXPECT_EQ(d.baud(), 19200);
    d.onBytes("7", out);
    EXPECT_EQ(d.baud(), 115200);
    EXPECT_EQ(d.expectedLine(), platform::LineSettings::eightN1(115200));
    d.onBytes("?\n", out);
    EXPECT_EQ(out.commands, (std::vector<std::string>{"SSB7", "?"}));
}

TEST(PellivarDialect, PowerAndSource) {
    PellivarDialect d;
    Capture out;
    d.onBytes("P1P?\nP1P0;P1P?;P1Sf;\nP1S?\n", out);
    EXPECT_EQ(out.lines, (std::vector<std::string>{"P1P1", "P1P0", "P1P0", "P1Sf"}));
    EXPECT_EQ(d.source(), 12);
    d.knobs().silentWhileOff = true;
    out.lines.clear();
    d.onBytes("fc?0\nP1P?\nP1P1;P1P?;;", out);
    EXPECT_EQ(out.lines, (std::vector<std::string>{"P1P1", "P1P1"}));
    EXPECT_TRUE(d.power());
}

TEST(PellivarDialect, ResolutionAndPixelRateHalves) {
    PellivarDialect d;
    Capture out;
    EXPECT_EQ(d.resolution(0), 5);
    EXPECT_EQ(d.resolution(1), 5);
    EXPECT_EQ(d.resolution(2), 1);
    EXPECT_EQ(d.resolution(99), 0);
    // 148500000 = 0x08d9ee20
    d.onBytes("fUse08d9;\nfUsdee20;\nfUs02200;\nfU?e;\nfU?d;\nfU?0;\n", out);
    EXPECT_EQ(d.pixelRate(), 148500000u);
    EXPECT_EQ(out.lines, (std::vector<std::string>{"fUe08d9", "fUdee20", "fU02200"}));
}

TEST(PellivarDialect, GammaPointsCountsAndRequests) {
    PellivarDialect d;
    Capture out;
    EXPECT_EQ(d.curveCount(0), 17);
    d.onBytes("fIs2050ff0ff;\nfIs207AAAAAA;\nfI?205;\nfI?207;\nfI?000;\nfI?010;\n", out);
    EXPECT_EQ(d.curveCount(2), 7);
    EXPECT_EQ(out.lines, (std::vector<std::string>{"fI2050ff0ff", "fI207AAAAAA", "fI000000000", "fI0103ff3ff"}));
    EXPECT_TRUE(d.anomalies().empty());
}

TEST(PellivarDialect, NonsenseIsLoggedAsAnAnomaly) {
    PellivarDialect d;
    Capture out;
    d.onBytes("zz?0;fc?z;fcsx;fI?9;\n", out);
    EXPECT_TRUE(out.lines.empty());
    EXPECT_EQ(d.anomalies().size(), 4u);
}

}  // namespace
}  // namespace sim

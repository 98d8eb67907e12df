// A paced simulator takes a real line's time: what the program sends arrives
// one character time after another (the simulator's log keeps those times),
// and its replies take their wire time back.

#include "sim/IdentDialect.h"
#include "sim/Simulator.h"

#include "platform/SerialLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ostream>
#include <string>

using platform::LineSettings;

namespace {

struct Framing {
    const char* name;
    LineSettings line;
    int bitsPerCharacter;
};

void PrintTo(const Framing& f, std::ostream* os) { *os << f.name; }

class PacedLineTest : public ::testing::TestWithParam<Framing> {};

}  // namespace

TEST_P(PacedLineTest, CommandsArriveAndRepliesLeaveAtTheLinesSpeed) {
    const Framing f = GetParam();
    auto dialect = std::make_unique<sim::IdentDialect>("Vux500 v1.00", f.line);
    dialect->setEcho(true);
    sim::Simulator simulator(std::move(dialect));
    simulator.setPaced(true);
    ASSERT_TRUE(simulator.start()) << simulator.error();
    platform::SerialLine line;
    ASSERT_TRUE(line.open(simulator.slavePath()));
    ASSERT_TRUE(line.configure(f.line));

    // Five commands of 40 characters with their line ends, in one write.
    std::string burst;
    for (char c = 'A'; c < 'F'; ++c) burst += std::string(39, c) + "\n";
    const double characterMs = 1000.0 * f.bitsPerCharacter / f.line.baud;  // 9600 8N2: 1.146 ms
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.writeAll(burst));
    ASSERT_TRUE(simulator.log().waitForCount(5, 20000)) << "not every command arrived";

    // On the simulator's clock each command is logged when its line end
    // arrived: 40 character times after the one before.
    const auto log = simulator.log().entries();
    const double spread = static_cast<double>(log[4].timeMs - log[0].timeMs);
    EXPECT_NEAR(spread, 4 * 40 * characterMs, 1.5) << f.name;

    // Every echo back; the last can only have left once its command was in
    // (200 characters) and its own 40 characters were on the wire.
    std::string echoes;
    char buffer[512];
    const auto until = sent + std::chrono::seconds(20);
    while (echoes.size() < burst.size() && std::chrono::steady_clock::now() < until) {
        const long n = line.read(buffer, sizeof buffer, 1000, 200);
        if (n > 0) echoes.append(buffer, static_cast<std::size_t>(n));
    }
    const auto elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
    EXPECT_EQ(echoes, burst);
    EXPECT_GE(elapsedMs, 240 * characterMs - 2) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Framings, PacedLineTest,
                         ::testing::Values(Framing{"8N2", LineSettings::eightN2(9600), 11},
                                           Framing{"8N1", LineSettings::eightN1(9600), 10}),
                         [](const auto& info) { return std::string(info.param.name); });

// Numbers a processor cannot hold, sent to the simulated processors: each
// gets the dialect's error reply (or is refused as a bad command), the value
// stays as it was, and the processor goes on answering.

#include "sim/HalvaneDialect.h"
#include "sim/PellivarDialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Replies final : sim::Responder {
    void replyLine(std::string_view text) override { lines.emplace_back(text); }
    void replyRaw(std::string_view bytes) override { lines.emplace_back(bytes); }
    void logCommand(std::string) override {}
    std::int64_t nowMs() override { return 0; }
    std::vector<std::string> lines;
};

std::vector<std::string> Send(sim::Dialect& d, const std::string& bytes) {
    Replies r;
    d.onBytes(bytes, r);
    return r.lines;
}

}  // namespace

TEST(DialectNumbers, HalvaneReceiverAnswersNumbersBeyondIntWithItsErrorReply) {
    sim::HalvaneDialect receiver(7, "1.00");
    for (const char* bad : {"QEX2147483648", "QEX-2147483649", "QEX99999999999999999999999", "L84294967296",
                            "SZCXF2147483648", "P1P9223372036854775808"}) {
        EXPECT_EQ(Send(receiver, std::string(bad) + "\n"), std::vector<std::string>{"Invalid Command"}) << bad;
    }
    EXPECT_EQ(receiver.setting("QEX"), "8");
    EXPECT_EQ(receiver.toneChannel(), -1);
    // The largest int is a number like any other: no tone plays on it.
    EXPECT_EQ(Send(receiver, "QEX2147483647\nQEX3\nQEX?\n"),
              (std::vector<std::string>{"QEX2147483647", "QEX3", "QEX3", "QEX OK"}));
    EXPECT_EQ(receiver.toneChannel(), 3);
}

TEST(DialectNumbers, PellivarRefusesSettingsBeyondIntAndKeepsItsValue) {
    sim::PellivarDialect processor;
    EXPECT_EQ(Send(processor, "fcs32147483648;fUs0-2147483649;fc?3;"), std::vector<std::string>{"fc350"});
    EXPECT_EQ(processor.value("fc", 3), 50);
    EXPECT_EQ(processor.resolution(0), 5);
    EXPECT_EQ(processor.anomalies().size(), 2u);
}

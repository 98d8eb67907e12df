#include "sim/Dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RecordingResponder final : sim::Responder {
    void replyLine(std::string_view text) override { lines.emplace_back(text); }
    void replyRaw(std::string_view bytes) override { raw += bytes; }
    void logCommand(std::string text) override { logged.push_back(std::move(text)); }
    std::int64_t nowMs() override { return 0; }
    std::vector<std::string> lines, logged;
    std::string raw;
};

class EchoDialect final : public sim::LineDialect {
public:
    explicit EchoDialect(std::string terms) : LineDialect(std::move(terms)) {}
    platform::LineSettings expectedLine() const override { return platform::LineSettings::eightN2(19200); }
    std::vector<std::string> commands;

protected:
    void onCommand(const std::string& c, sim::Responder& out) override {
        commands.push_back(c);
        out.replyLine(c);
    }
};

}  // namespace

TEST(LineDialect, SplitsAtEveryTerminatorAcrossChunks) {
    EchoDialect d("\n;");
    RecordingResponder r;
    d.onBytes("P1P1;P1V", r);
    d.onBytes("M-95.5\nSZ", r);
    EXPECT_EQ(d.commands, (std::vector<std::string>{"P1P1", "P1VM-95.5"}));
    d.onBytes("S?\n", r);
    EXPECT_EQ(d.commands.back(), "SZS?");
    EXPECT_EQ(r.logged, d.commands);  // every command is logged before it is handled
}

TEST(LineDialect, IgnoresEmptyCommandsAndPaddingNuls) {
    EchoDialect d("\n");
    RecordingResponder r;
    d.onBytes(std::string("\n\n\0?\n;x\n", 8), r);
    EXPECT_EQ(d.commands, (std::vector<std::string>{"?", ";x"}));  // ";" is no terminator here
}

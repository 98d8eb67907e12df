#pragma once

#include "sim/Dialect.h"

#include <string>

namespace sim {

// A processor that only identifies itself: "?" answers the identification
// line, every other command goes unanswered. It stands in until a program's
// own dialect is there, and is the line-level fixture of the serial tests.
class IdentDialect final : public LineDialect {
public:
    IdentDialect(std::string identification, platform::LineSettings line, std::string terminators = "\n")
        : LineDialect(std::move(terminators)), identification_(std::move(identification)), line_(line) {}

    platform::LineSettings expectedLine() const override { return line_; }
    void setLine(const platform::LineSettings& line) { line_ = line; }
    void setIdentification(std::string text) { identification_ = std::move(text); }

    // Echo every other command back (off: stay silent).
    void setEcho(bool on) { echo_ = on; }

protected:
    void onCommand(const std::string& command, Responder& out) override {
        if (command == "?") out.replyLine(identification_);
        else if (echo_) out.replyLine(command);
    }

private:
    std::string identification_;
    platform::LineSettings line_;
    bool echo_ = false;
};

}  // namespace sim

#pragma once

#include "platform/LineSettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// What a dialect may do while it handles bytes: answer, and log commands.
// Faults (silence, delay, split, garbage, CR) are applied to every answer.
class Responder {
public:
    virtual ~Responder() = default;
    // One reply line: the text plus a bare "\n", as one write.
    virtual void replyLine(std::string_view text) = 0;
    // Exact bytes as one write (boot-loader acknowledgements, prompts).
    virtual void replyRaw(std::string_view bytes) = 0;
    virtual void logCommand(std::string text) = 0;
    virtual std::int64_t nowMs() = 0;
};

// The processor's side of one program's dialect. Runs on the simulator's
// thread; the simulator holds its lock around every call, so a test may
// change a dialect's state through Simulator::withDialect.
class Dialect {
public:
    virtual ~Dialect() = default;

    // The speed and framing the processor listens at now (a dialect may
    // change it, e.g. on a speed-change command).
    virtual platform::LineSettings expectedLine() const = 0;

    // Bytes that arrived at the expected settings.
    virtual void onBytes(std::string_view bytes, Responder& out) = 0;

    // Bytes that arrived at other settings: a real processor would see
    // framing errors; by default they are lost.
    virtual void onWrongLine(std::string_view /*bytes*/, Responder& /*out*/) {}

    // Called about every few milliseconds for timed behaviour.
    virtual void onTick(Responder& /*out*/) {}

    // Whether the processor sends unasked for as long as the line takes its
    // bytes (a flood from onTick). Its line is full on the processor's time;
    // a program that waits on it waits until this thread has filled it.
    virtual bool sendsUnasked() const { return false; }

    // What the processor holds, as plain text for a person or a test to
    // compare with what a program wrote: a comment line ("# ...") naming the
    // processor, then sections ("[name]") of one item a line, fields apart
    // by single spaces, numbers as the processor keeps them. Empty for a
    // processor without memory.
    virtual std::string memoryText() const { return {}; }
};

// A dialect of command lines ended by any of `terminators` ("\n", or "\n;").
// Each complete command (without its terminator) is logged and handed to
// onCommand; an empty command is ignored.
class LineDialect : public Dialect {
public:
    void onBytes(std::string_view bytes, Responder& out) override;

protected:
    explicit LineDialect(std::string terminators) : terminators_(std::move(terminators)) {}
    virtual void onCommand(const std::string& command, Responder& out) = 0;
    // Drops a half-received command (after a wrong-speed burst, for example).
    void resetFraming() { pending_.clear(); }

private:
    std::string terminators_;
    std::string pending_;
};

}  // namespace sim

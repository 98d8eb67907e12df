#pragma once

#include <cstdint>

namespace pellivar {

// The link's waits, in milliseconds of the injected clock. The defaults are
// the processor's; tests shrink them or run the clock faster.
struct Timing {
    std::int64_t identifyWaitMs = 250;  // after each "?\n" before reading the answer
    int identifyRounds = 5;
    int powerAttempts = 5;              // "P1P?\n" sent at most this often...
    int powerReads = 5;                 // ...each followed by this many reads...
    std::int64_t powerReadGapMs = 50;   // ...this far apart
    std::int64_t paceUnitMs = 25;       // one unit of SendPauseFactor
    // After "SSB<d>", before the port is closed for the search at the new
    // speed: the speed change must have left the port (a closed and
    // re-opened device may discard what was not yet sent) and the unit must
    // have switched.
    std::int64_t speedChangeSettleMs = 50;
    // A query from the queue whose reply has not begun to arrive this long
    // after it was written (and no later one's either) is overdue. The
    // processor answers within milliseconds.
    std::int64_t replyLimitMs = 2000;
    // An overdue query is asked again this often, each time waiting
    // replyLimitMs, before the unit counts as gone from the line: a byte lost
    // on its way takes one query's reply, not the unit.
    int replyReasks = 2;
    // Outside bulk exchanges each send worker pass pauses this long per step
    // of the port's speed index (index 4, 19200 baud: 4 ms)...
    std::int64_t idlePacePerSpeedStepMs = 1;
    // ...and with "Long Wait" on and the pause factor at most 1, this much
    // more per step before the write.
    std::int64_t longWaitPerSpeedStepMs = 5;
    // The reader's pause after a pass that failed (a hung-up line fails at
    // once): about one read time-out, so it does not spin.
    std::int64_t readerRetryMs = 20;
    // After a source button, while the unit switches its source.
    std::int64_t sourceSwitchMs = 1000;
    // A value typed, slid or chosen, or a gamma point moved, added or
    // deleted, is read back once no edit of it has come for this long: a
    // drag or a number typed digit by digit is asked for once, when the user
    // has let go, not at every step.
    std::int64_t editSettleMs = 400;
};

}  // namespace pellivar

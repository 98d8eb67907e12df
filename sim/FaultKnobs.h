#pragma once

#include <cstdint>

namespace sim {

// Faults a simulated processor can show on the wire. Dialect-specific faults
// (rejections, bad read-backs, wrong echoes) live in each dialect.
struct FaultKnobs {
    bool silent = false;               // receive and log, never answer
    std::int64_t replyDelayMs = 0;     // each reply waits this long
    bool splitReplies = false;         // each reply in two writes...
    std::int64_t splitGapMs = 30;      // ...this far apart
    bool garbleReplies = false;        // reply characters replaced, line end kept
    bool crBeforeLf = false;           // "\r\n" in place of "\n"
    std::int64_t disconnectAfterBytes = -1;  // hang up after this many received bytes
    int dropEveryNthByte = 0;          // lose every n-th received byte (0: none)
    int dropOneIn = 0;                 // lose each received byte with probability 1/n (0: none)...
    std::uint64_t dropSeed = 1;        // ...drawn from this seed, so a run can be had again
    std::int64_t silentAfterBytes = -1;  // fall silent (as `silent`) after this many received bytes
};

}  // namespace sim

#pragma once

#include "sim/FaultKnobs.h"

#include <cstdint>
#include <string>

namespace sim {

class Dialect;
class Simulator;

// The faults a person can ask of procsim on its command line, so that the
// programs can be tried against a bad line: the line knobs every dialect
// shares and the Halvane processor's own (rejected writes, bad read-backs,
// wrong echoes).
struct FaultOptions {
    FaultKnobs line;
    int rejectWrites = 0;          // Halvane: the next k DSP writes are rejected
    int badReadBacks = 0;          // Halvane: k reads of one address answer a wrong word...
    std::int64_t badReadAddress = -1;  // ...this address (default: the first coefficient word)
    int wrongEchoes = 0;           // Halvane: k DSP writes echoed with another word
    std::string ignoreSetsWord;    // Halvane: sets of this word acknowledged but not taken...
    int ignoreSetsCount = 0;       // ...this many times

    bool any() const;
};

// Reads argv[i] (and its value, advancing i) when it is a fault option.
// Returns 1 when it was one, 0 when it is not a fault option, -1 on a bad
// value (with `error` set).
int ParseFaultOption(int argc, char** argv, int& i, FaultOptions& out, std::string& error);

// The options' --help lines.
const char* FaultOptionsHelp();

// Puts the line faults on the simulator and the dialect's own on its
// dialect (those another dialect does not know are ignored, with `note` set).
void ApplyFaultOptions(const FaultOptions& options, Simulator& simulator, std::string& note);

}  // namespace sim

#include "sim/FaultOptions.h"

#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"

#include <charconv>
#include <cstring>

namespace sim {

namespace {

bool number(const char* text, std::int64_t& out) {
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, out, 10);
    return r.ec == std::errc() && r.ptr == end && out >= 0;
}

bool hexNumber(const char* text, std::int64_t& out) {
    if (std::strncmp(text, "0x", 2) == 0 || std::strncmp(text, "0X", 2) == 0) text += 2;
    const char* end = text + std::strlen(text);
    const auto r = std::from_chars(text, end, out, 16);
    return r.ec == std::errc() && r.ptr == end && out >= 0 && out <= 0xFFFFFF;
}

}  // namespace

bool FaultOptions::any() const {
    const FaultKnobs none;
    return line.silent || line.replyDelayMs != none.replyDelayMs || line.splitReplies || line.garbleReplies ||
           line.crBeforeLf || line.disconnectAfterBytes >= 0 || line.dropEveryNthByte > 0 || line.dropOneIn > 0 ||
           line.silentAfterBytes >= 0 || rejectWrites > 0 || badReadBacks > 0 || wrongEchoes > 0 ||
           ignoreSetsCount > 0;
}

int ParseFaultOption(int argc, char** argv, int& i, FaultOptions& out, std::string& error) {
    const std::string a = argv[i];
    const auto value = [&](std::int64_t& v, bool hex = false) {
        if (i + 1 >= argc) {
            error = a + " needs a value";
            return false;
        }
        const char* text = argv[++i];
        if (!(hex ? hexNumber(text, v) : number(text, v))) {
            error = a + ": not a " + (hex ? "hexadecimal address" : "whole number") + ": " + text;
            return false;
        }
        return true;
    };
    std::int64_t v = 0;
    if (a == "--silent") out.line.silent = true;
    else if (a == "--silent-after") { if (!value(v)) return -1; out.line.silentAfterBytes = v; }
    else if (a == "--garble") out.line.garbleReplies = true;
    else if (a == "--split") out.line.splitReplies = true;
    else if (a == "--split-gap") { if (!value(v)) return -1; out.line.splitReplies = true; out.line.splitGapMs = v; }
    else if (a == "--cr-lf") out.line.crBeforeLf = true;
    else if (a == "--reply-delay") { if (!value(v)) return -1; out.line.replyDelayMs = v; }
    else if (a == "--disconnect-after") { if (!value(v)) return -1; out.line.disconnectAfterBytes = v; }
    else if (a == "--drop-every") {
        if (!value(v)) return -1;
        if (v < 2) {
            error = "--drop-every: N must be 2 or more";
            return -1;
        }
        out.line.dropEveryNthByte = static_cast<int>(v);
    }
    else if (a == "--drop-random") {
        if (!value(v)) return -1;
        if (v < 2 || v > 1000000000) {
            error = "--drop-random: N must be from 2 to 1000000000";
            return -1;
        }
        out.line.dropOneIn = static_cast<int>(v);
    }
    else if (a == "--drop-seed") { if (!value(v)) return -1; out.line.dropSeed = static_cast<std::uint64_t>(v); }
    else if (a == "--reject") { if (!value(v)) return -1; out.rejectWrites = static_cast<int>(v); }
    else if (a == "--bad-read-back") { if (!value(v)) return -1; out.badReadBacks = static_cast<int>(v); }
    else if (a == "--bad-read-address") { if (!value(v, true)) return -1; out.badReadAddress = v; }
    else if (a == "--wrong-echo") { if (!value(v)) return -1; out.wrongEchoes = static_cast<int>(v); }
    else if (a == "--ignore-sets") {
        if (i + 2 >= argc) {
            error = "--ignore-sets needs a word and a count";
            return -1;
        }
        out.ignoreSetsWord = argv[++i];
        if (!value(v)) return -1;
        out.ignoreSetsCount = static_cast<int>(v);
    }
    else return 0;
    return 1;
}

const char* FaultOptionsHelp() {
    return "Faults on the line (any dialect):\n"
           "  --silent              receive and log, never answer\n"
           "  --silent-after N      fall silent after N received bytes (a processor that stops mid-way)\n"
           "  --garble              replace the characters of every reply (line ends kept)\n"
           "  --split               send every reply in two writes (--split-gap MS apart, default 30)\n"
           "  --cr-lf               end replies with \"\\r\\n\" in place of \"\\n\"\n"
           "  --reply-delay MS      answer every command this late\n"
           "  --disconnect-after N  hang up after N received bytes, as a pulled cable would\n"
           "  --drop-every N        lose every N-th received byte (N >= 2; 1000: one in a thousand)\n"
           "  --drop-random N       lose each received byte with probability 1/N, at random (N >= 2)\n"
           "  --drop-seed S         the seed of --drop-random's draws (default 1): the same seed, the same losses\n"
           "Faults of Halvane's processor (--dialect halvane):\n"
           "  --reject K            reject the next K DSP word writes with \"Invalid Command\"\n"
           "  --bad-read-back K     answer K reads of one DSP address with a wrong word\n"
           "  --bad-read-address A  that address, in hexadecimal (default: the first coefficient word)\n"
           "  --wrong-echo K        echo the next K DSP word writes with another word\n"
           "  --ignore-sets WORD K  acknowledge K sets of WORD (e.g. SZCA or C00000) without taking them\n";
}

void ApplyFaultOptions(const FaultOptions& options, Simulator& simulator, std::string& note) {
    simulator.setFaults(options.line);
    const bool own = options.rejectWrites > 0 || options.badReadBacks > 0 || options.wrongEchoes > 0 ||
                     options.ignoreSetsCount > 0;
    if (!own) return;
    bool applied = false;
    simulator.withDialect<Dialect>([&](Dialect& d) {
        auto* h = dynamic_cast<HalvaneDialect*>(&d);
        if (h == nullptr) return 0;
        auto& k = h->knobs();
        k.rejectWrites = options.rejectWrites;
        k.wrongEchoes = options.wrongEchoes;
        if (options.badReadBacks > 0) {
            k.badReadCount = options.badReadBacks;
            k.badReadAddress = options.badReadAddress >= 0 ? static_cast<std::uint32_t>(options.badReadAddress)
                                                           : k.coefficientBase;
        }
        if (options.ignoreSetsCount > 0) k.ignoreSets[options.ignoreSetsWord] = options.ignoreSetsCount;
        applied = true;
        return 0;
    });
    if (!applied) note = "the Halvane processor's faults (--reject, --bad-read-back, --wrong-echo, --ignore-sets) "
                         "apply to --dialect halvane only";
}

}  // namespace sim

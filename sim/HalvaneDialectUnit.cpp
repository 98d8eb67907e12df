// The words of Halvane's processor beyond its settings store: the test tone,
// the service and debug modes, DSP memory (flagships) and the float-bit
// stores (receivers).

#include "sim/HalvaneDialect.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace sim {

namespace {

bool allDigits(std::string_view s) {
    for (const char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

// Exactly `n` hexadecimal digits.
std::optional<std::uint32_t> hexOf(std::string_view s, std::size_t n) {
    if (s.size() != n) return std::nullopt;
    std::uint32_t v = 0;
    for (const char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::string hex(std::uint32_t v, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, v);
    return buffer;
}

}  // namespace

namespace {

bool isLevelWord(const std::string& word) {
    return word.rfind("SL", 0) == 0 || (word.size() == 2 && word[0] == 'L' && word[1] >= '0' && word[1] <= '9');
}

}  // namespace

std::string HalvaneDialect::memoryText() const {
    std::string out = "# Halvane processor: " + identification() + " (model " + std::to_string(model_) + ")\n";
    for (const bool levels : {false, true}) {
        out += levels ? "[levels]\n" : "[settings]\n";
        for (const auto& [word, s] : settings_)
            if (isLevelWord(word) == levels) out += word + " " + s.value + "\n";
    }
    if (isReceiver()) {
        out += "[bits]\n";
        for (const auto& [word, v] : bits_) out += word + " " + hex(v, 8) + "\n";
    } else {
        out += "[dsp]\n";
        for (const auto& [address, word] : memory_) out += hex(address, 6) + " " + hex(word, 6) + "\n";
    }
    return out;
}

std::optional<std::uint32_t> HalvaneDialect::bits(const std::string& word) const {
    const auto it = bits_.find(word);
    if (it == bits_.end()) return std::nullopt;
    return it->second;
}

void HalvaneDialect::afterSet(const std::string& word, const std::string& value) {
    if (!isReceiver() || (word != "REQ" && word != "QEX")) return;
    unconfirmed_[word] = value;
    if (word == "QEX") {
        // The stored value is already a whole int (see normalised).
        const std::string& text = settings_["QEX"].value;
        int ch = -1;
        std::from_chars(text.data(), text.data() + text.size(), ch);
        setTone(ch >= 0 && ch < 8 ? ch : -1);
    }
}

void HalvaneDialect::afterQuery(const std::string& word, const std::string& value, Responder& out) {
    const auto it = unconfirmed_.find(word);
    if (it == unconfirmed_.end()) return;
    const bool confirms = it->second == value;
    unconfirmed_.erase(it);
    // The receiver reports a new measurement or tone state once it holds.
    if (confirms && knobs_.confirmLines) answer(word + " OK", out);
}

bool HalvaneDialect::unitCommand(const std::string& command, Responder& out) {
    if (!isReceiver()) {
        if (command.rfind("P1N", 0) == 0 && command.size() == 4 && allDigits(command.substr(3))) {
            if (knobs_.silentWords.count("P1N") != 0) return true;
            const int ch = command[3] - '0';
            setTone(ch < 8 ? ch : -1);
            answer(knobs_.staleBeforeReplies + command, out);
            if (ch < 8)
                for (int i = 0; i < knobs_.toneExtraLines; ++i) answer(std::string("Tone ") += static_cast<char>('0' + ch), out);
            return true;
        }
        if (command == "D3807.2") {
            if (knobs_.debugSilent) return true;
            debugMode_ = true;
            answer(knobs_.staleBeforeReplies + command, out);
            answer("Debug", out);
            return true;
        }
        if (command == "gR1") {
            answer(knobs_.staleBeforeReplies + knobs_.gR1Reply, out);
            return true;
        }
        if (command == "dx") {
            debugMode_ = false;
            answer(knobs_.staleBeforeReplies + command, out);
            return true;
        }
        if (command.size() > 2 && (command.rfind("dq", 0) == 0 || command.rfind("dm", 0) == 0))
            return dspCommand(command, out);
        return false;
    }
    return bitCommand(command, out);
}

bool HalvaneDialect::dspCommand(const std::string& command, Responder& out) {
    const std::string generation = model_ >= 4 ? "dm" : "dq";
    const std::string body = command.substr(2);
    if (command.compare(0, 2, generation) != 0 || (knobs_.requireDebugMode && !debugMode_)) {
        answer("Invalid Command", out);
        return true;
    }
    if (body == "28C0918000000" || body == "28C0917000000") {
        if (knobs_.baseQueriesSilent) return true;
        answer(hex(body == "28C0918000000" ? knobs_.coefficientBase : knobs_.gainBase, 6), out);
        return true;
    }
    if (body.rfind("5C50001", 0) == 0 || body.rfind("6C50001", 0) == 0) {
        const std::string rest = body.substr(7);
        const auto address = rest.size() == 12 ? hexOf(rest.substr(0, 6), 6) : std::nullopt;
        const auto word = rest.size() == 12 ? hexOf(rest.substr(6), 6) : std::nullopt;
        if (!address || !word) {
            answer("Invalid Command", out);
            return true;
        }
        ++dspWrites_;
        if (knobs_.rejectWrites > 0) {
            --knobs_.rejectWrites;
            answer("Invalid Command", out);
            return true;
        }
        memory_[*address] = *word;
        for (int i = 0; i < knobs_.echoJunkLines; ++i) answer("busy", out);
        if (knobs_.wrongEchoes > 0) {
            --knobs_.wrongEchoes;
            answer(hex((*word ^ 0x0F0F0Fu) & 0xFFFFFFu, 6), out);
            return true;
        }
        answer(rest.substr(6), out);
        return true;
    }
    if (body.rfind("3850001", 0) == 0) {
        const auto address = hexOf(body.substr(7), 6);
        if (!address) {
            answer("Invalid Command", out);
            return true;
        }
        ++dspReads_;
        const auto it = memory_.find(*address);
        // A word never written answers what no word reads as, so that a
        // write that never arrived cannot pass for a zero.
        if (it == memory_.end()) {
            answer(kUnwrittenReply, out);
            return true;
        }
        std::uint32_t word = it->second;
        if (*address == knobs_.badReadAddress && knobs_.badReadCount > 0) {
            --knobs_.badReadCount;
            word = (word ^ 0x5A5A5Au) & 0xFFFFFFu;
        }
        answer(hex(word, 6), out);
        return true;
    }
    answer("Invalid Command", out);
    return true;
}

// "C<c><k><r><b><i>" and "G<c><k><r>", then "?" or eight hexadecimal digits.
bool HalvaneDialect::bitCommand(const std::string& command, Responder& out) {
    if (command.empty() || (command[0] != 'C' && command[0] != 'G')) return false;
    const std::size_t digits = command[0] == 'C' ? 5 : 3;
    if (command.size() <= digits || !allDigits(command.substr(1, digits))) return false;
    const std::string word = command.substr(0, 1 + digits);
    const std::string rest = command.substr(1 + digits);
    if (knobs_.silentWords.count(word) != 0) return true;
    if (rest == "?") {
        if (bits_.count(word) == 0) {
            answer(knobs_.staleBeforeReplies + word + kUnwrittenReply, out);
            return true;
        }
        std::uint32_t v = bits_[word];
        if (knobs_.differEverywhere) v ^= 1u;
        std::string reply = word + hex(v, 8);
        if (command[0] == 'G' && knobs_.looseGainReplies) reply += " OK";
        answer(knobs_.staleBeforeReplies + reply, out);
        return true;
    }
    const auto v = hexOf(rest, 8);
    ++setsReceived_[word];
    if (!v) {
        answer("Invalid Command", out);
        return true;
    }
    if (auto it = knobs_.ignoreSets.find(word); it != knobs_.ignoreSets.end() && it->second > 0)
        --it->second;
    else
        bits_[word] = *v;
    answer(knobs_.staleBeforeReplies + command, out);
    return true;
}

}  // namespace sim

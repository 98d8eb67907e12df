#include "sim/HalvaneDialect.h"

#include <charconv>

namespace sim {

namespace {

constexpr const char* kPrefixes[HalvaneDialect::kModelCount] = {
    "Tolvarine Z6 ", "Tolvarine Z5 ", "Bzt 50/Qex ", "Bzt 40/Qex ", "Tolvarine Z6v ",
    "Bzt 50v ",      "Vux300 ",       "Vux500 ",     "Vux700 ",
};

// A factory-fresh processor: every group small and crossed over at 80 Hz,
// advanced configuration on, two rear speakers, levels 0 dB, zones off.
void addDefaults(std::map<std::string, int>& ints, std::map<std::string, std::pair<int, std::string>>& reals) {
    ints["SZS"] = 1;
    ints["SZCS"] = 1;
    ints["SZMS"] = 1;
    ints["SZNB"] = 2;
    for (const char* c : {"C", "M"}) {
        const std::string p = std::string("SZ") + c;
        ints[p + "A"] = 1;
        for (const char* g : {"F", "C", "R", "B"}) {
            ints[p + "X" + g] = 80;
            ints[p + g] = 1;
        }
        ints[p + "X"] = 80;
        ints[p + "NS"] = 1;
    }
    for (const char* w : {"SLL", "SLC", "SLR", "SLSR", "SLBR", "SLBL", "SLSL", "SLs", "SLm"}) reals[w] = {2, "0.00"};
    reals["P1VM"] = {1, "-40.0"};
    for (const char* z : {"P1P", "P2P", "P3P"}) ints[z] = 0;
    ints["SST"] = 1;
    ints["SCQ4"] = 0;
}

// A receiver's own words: measurement state, tone channel (8 off), filters
// valid, AUX selection, crossovers per configuration and group, levels.
void addReceiverDefaults(std::map<std::string, int>& ints) {
    ints["REQ"] = 0;
    ints["QEX"] = 8;
    ints["AVC"] = 1;
    ints["B"] = 0;
    for (int c = 0; c < 2; ++c)
        for (int g = 0; g < 5; ++g) ints[std::string{'F', static_cast<char>('0' + c), static_cast<char>('0' + g)}] = g == 4 ? 5 : 80;
    for (int i = 0; i <= 8; ++i) ints[std::string{'L', static_cast<char>('0' + i)}] = 0;
}

}  // namespace

const char* HalvaneDialect::ModelPrefix(int modelIndex) {
    return modelIndex >= 0 && modelIndex < kModelCount ? kPrefixes[modelIndex] : "";
}

HalvaneDialect::HalvaneDialect(int modelIndex, std::string firmware, int baud)
    : LineDialect("\n;"), model_(modelIndex), firmware_(std::move(firmware)), baud_(baud) {
    std::map<std::string, int> ints;
    std::map<std::string, std::pair<int, std::string>> reals;
    addDefaults(ints, reals);
    if (isReceiver()) addReceiverDefaults(ints);
    for (const auto& [word, value] : ints) settings_[word] = {-1, std::to_string(value)};
    for (const auto& [word, s] : reals) settings_[word] = {s.first, s.second};
}

std::string HalvaneDialect::identification() const {
    if (!knobs_.identOverride.empty()) return knobs_.identOverride;
    return std::string(ModelPrefix(model_)) + "v" + firmware_;
}

namespace {

// "P1P": the power word of a zone.
std::string powerWord(int zone) {
    std::string word = "P";
    word += std::to_string(zone);
    word += 'P';
    return word;
}

}  // namespace

bool HalvaneDialect::power(int zone) const {
    const auto v = setting(powerWord(zone));
    return v && *v != "0";
}

void HalvaneDialect::setPower(int zone, bool on) { setSetting(powerWord(zone), on ? "1" : "0"); }

std::optional<std::string> HalvaneDialect::setting(const std::string& word) const {
    const auto it = settings_.find(word);
    if (it == settings_.end()) return std::nullopt;
    return it->second.value;
}

bool HalvaneDialect::setSetting(const std::string& word, const std::string& value) {
    const auto it = settings_.find(word);
    if (it == settings_.end()) return false;
    const auto v = normalised(it->second, value);
    if (!v) return false;
    it->second.value = *v;
    return true;
}

int HalvaneDialect::setsReceived(const std::string& word) const {
    const auto it = setsReceived_.find(word);
    return it == setsReceived_.end() ? 0 : it->second;
}

const std::string* HalvaneDialect::longestWord(const std::string& command) const {
    const std::string* best = nullptr;
    for (const auto& [word, s] : settings_)
        if (command.compare(0, word.size(), word) == 0 && (best == nullptr || word.size() > best->size()))
            best = &word;
    return best;
}

// The value as the processor keeps it: integers plainly, levels and volume
// with their fixed decimals. Nothing that does not read whole as a number.
std::optional<std::string> HalvaneDialect::normalised(const Setting& s, std::string_view value) const {
    if (!value.empty() && value.front() == '+') value.remove_prefix(1);
    const char* end = value.data() + value.size();
    if (s.decimals < 0) {
        // The processor's integer words are ints: a number beyond that is
        // no value it can hold, and gets its error reply like any bad text.
        int v = 0;
        const auto r = std::from_chars(value.data(), end, v);
        if (value.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
        return std::to_string(v);
    }
    double v = 0;
    const auto r = std::from_chars(value.data(), end, v, std::chars_format::fixed);
    if (value.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
    char buffer[64];
    const auto w = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, s.decimals);
    return std::string(buffer, w.ptr);
}

std::string HalvaneDialect::levelLeadFor(const std::string& word) const {
    if (word.rfind("SL", 0) != 0) return word;
    if (knobs_.levelLead == "auto") return firmware_ == "1.31c" ? word.substr(0, 3) : word;
    return knobs_.levelLead;
}

void HalvaneDialect::onCommand(const std::string& command, Responder& out) {
    if (command == "?") {
        ++identRequests_;
        if (knobs_.identIgnoreCount > 0) {
            --knobs_.identIgnoreCount;
            return;
        }
        answer(knobs_.staleBeforeIdent + identification(), out);
        return;
    }
    if (unitCommand(command, out)) return;
    const std::string* word = longestWord(command);
    if (word == nullptr) {
        answer(knobs_.staleBeforeReplies + command, out);
        return;
    }
    if (knobs_.silentWords.count(*word) != 0) return;

    const std::string rest = command.substr(word->size());
    Setting& s = settings_[*word];
    if (rest == "?") {
        answer(knobs_.staleBeforeReplies + levelLeadFor(*word) + s.value, out);
        afterQuery(*word, s.value, out);
        return;
    }
    ++setsReceived_[*word];
    const auto v = normalised(s, rest);
    if (!v) {
        answer(knobs_.staleBeforeReplies + "Invalid Command", out);
        return;
    }
    if (auto it = knobs_.ignoreSets.find(*word); it != knobs_.ignoreSets.end() && it->second > 0) {
        --it->second;
    } else {
        s.value = *v;
    }
    answer(knobs_.staleBeforeReplies + command, out);
    afterSet(*word, *v);
}

void HalvaneDialect::answer(const std::string& text, Responder& out) {
    if (knobs_.fragments <= 1) {
        out.replyLine(text);
        return;
    }
    // In pieces, the first now and the others after their gaps.
    const std::string bytes = text + "\n";
    const std::size_t n = static_cast<std::size_t>(knobs_.fragments);
    const std::size_t size = (bytes.size() + n - 1) / n;
    std::int64_t due = pending_.empty() ? out.nowMs() : pending_.back().dueMs;
    for (std::size_t at = 0; at < bytes.size(); at += size) {
        pending_.push_back({due, bytes.substr(at, size)});
        due += knobs_.fragmentGapMs;
    }
    onTick(out);
}

void HalvaneDialect::onWrongLine(std::string_view, Responder& out) {
    // A processor at another speed sees framing errors: nothing it heard is
    // a command.
    resetFraming();
    if (knobs_.garbageAtWrongSpeed) out.replyRaw("\xF8\x80~\x1F");
}

void HalvaneDialect::onTick(Responder& out) {
    const std::int64_t now = out.nowMs();
    while (!pending_.empty() && pending_.front().dueMs <= now) {
        out.replyRaw(pending_.front().bytes);
        pending_.pop_front();
    }
    if (knobs_.floodBytes > 0) {
        out.replyRaw(std::string(knobs_.floodBytes, '~'));
        knobs_.floodBytes = 0;
    }
}

}  // namespace sim

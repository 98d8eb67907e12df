#include "sim/PellivarDialect.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

struct Setting {
    const char* prefix;
    int def;
};

// The processor's own table of per-source settings (document order).
constexpr std::array<Setting, PellivarDialect::kSettings> kSettingTable = {{
    {"fS", 0},   {"fR", 0},  {"fc", 50},   {"fb", 50},  {"fs", 50},  {"fh", 50}, {"fF", 0},   {"fd", 0},
    {"fD", 0},   {"fn", 0},  {"fm", 4},    {"fB", 0},   {"fC", 0},   {"fl", 0},  {"fV", 0},   {"fT", 50},
    {"fP", 15},  {"fW", 0},  {"fo", 1920}, {"fp", 1080}, {"fq", 960}, {"fr", 540}, {"fA", 0},  {"fE", 6},
    {"fO", 0},   {"fa", 1},  {"fe", 100},  {"ff", 50},  {"fg", 50},  {"ft", 100}, {"fu", 100}, {"fv", 50},
    {"fw", 50},  {"fG", 3},  {"fX", 100},  {"fi", 1},
}};

constexpr std::size_t kRawLimit = std::size_t{1} << 20;

constexpr std::array<int, 11> kResolutionChannels = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 99};
constexpr std::array<int, 11> kResolutionDefaults = {5, 5, 1, 1, 1, 2, 1, 2, 1, 4, 0};

// Lower-case hex of a fixed width, or -1.
int hexValue(const std::string& s, std::size_t at, std::size_t width) {
    if (at + width > s.size()) return -1;
    int v = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        const char c = s[i];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

bool decimalValue(const std::string& s, int& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != '\0' || v > 2147483647L || v < -2147483647L - 1) return false;
    out = static_cast<int>(v);
    return true;
}

std::string hex(int v, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*x", width, v);
    return buf;
}

}  // namespace

PellivarDialect::PellivarDialect(std::string model, int baud) : model_(std::move(model)), baud_(baud) {
    for (auto& source : values_)
        for (int i = 0; i < kSettings; ++i) source[static_cast<std::size_t>(i)] = kSettingTable[static_cast<std::size_t>(i)].def;
    for (std::size_t i = 0; i < kResolutionChannels.size(); ++i) resolution_[kResolutionChannels[i]] = kResolutionDefaults[i];
    // The linear curve: 0, 64, ... 960, then 1023 (17 points).
    std::vector<Point> linear;
    for (int x = 0; x <= 960; x += 64) linear.push_back({x, x});
    linear.push_back({1023, 1023});
    for (int c = 0; c < kCurves; ++c) setCurve(c, linear);
}

int PellivarDialect::settingIndex(const std::string& prefix) {
    for (std::size_t i = 0; i < kSettingTable.size(); ++i)
        if (prefix == kSettingTable[i].prefix) return static_cast<int>(i);
    return -1;
}

int PellivarDialect::defaultOf(int setting) {
    return setting >= 0 && setting < kSettings ? kSettingTable[static_cast<std::size_t>(setting)].def : -1;
}

int PellivarDialect::sourceOf(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'd' && c <= 'j') return c - 90;
    return -1;
}

char PellivarDialect::charOf(int channel) {
    if (channel >= 0 && channel <= 9) return static_cast<char>('0' + channel);
    if (channel >= 10 && channel <= 19) return static_cast<char>(channel + 90);
    return static_cast<char>(channel & 0xFF);
}

int PellivarDialect::value(const std::string& prefix, int source) const {
    const int i = settingIndex(prefix);
    if (i < 0 || source < 0 || source >= kSources) return -1;
    return values_[static_cast<std::size_t>(source)][static_cast<std::size_t>(i)];
}

bool PellivarDialect::setValue(const std::string& prefix, int source, int v) {
    const int i = settingIndex(prefix);
    if (i < 0 || source < 0 || source >= kSources) return false;
    values_[static_cast<std::size_t>(source)][static_cast<std::size_t>(i)] = v;
    return true;
}

int PellivarDialect::resolution(int channel) const {
    const auto it = resolution_.find(channel);
    return it == resolution_.end() ? -1 : it->second;
}

void PellivarDialect::setCurve(int curve, const std::vector<Point>& points) {
    auto& slots = curves_[static_cast<std::size_t>(curve)];
    slots = {};
    const std::size_t n = points.size() < slots.size() ? points.size() : slots.size();
    for (std::size_t i = 0; i < n; ++i) slots[i] = points[i];
    curveCounts_[static_cast<std::size_t>(curve)] = static_cast<int>(n);
}

void PellivarDialect::anomaly(const std::string& command, const char* why) {
    if (anomalies_.size() >= 1500) anomalies_.erase(anomalies_.begin(), anomalies_.begin() + 500);
    anomalies_.push_back(std::string(why) + ": " + command);
}

std::string PellivarDialect::memoryText() const {
    std::string out = "# Pellivar processor: " + model_ + "\n[state]\n";
    out += "power " + std::to_string(power_ ? 1 : 0) + "\nsource " + std::to_string(source_) + "\npixel-rate " +
           std::to_string(pixelRate_) + "\n[settings]\n";
    for (std::size_t i = 0; i < kSettingTable.size(); ++i) {
        out += kSettingTable[i].prefix;
        for (const auto& source : values_) out += " " + std::to_string(source[i]);
        out += "\n";
    }
    out += "[resolution]\n";
    for (const auto& [channel, value] : resolution_) out += std::to_string(channel) + " " + std::to_string(value) + "\n";
    out += "[gamma]\n";
    for (std::size_t c = 0; c < curves_.size(); ++c) {
        out += std::to_string(c) + " " + std::to_string(curveCounts_[c]);
        for (int i = 0; i < curveCounts_[c]; ++i) {
            const Point p = curves_[c][static_cast<std::size_t>(i)];
            out += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        }
        out += "\n";
    }
    return out;
}

void PellivarDialect::onWrongLine(std::string_view, Responder&) {
    // Framing errors: whatever was half received is lost.
    pending_.clear();
}

void PellivarDialect::onBytes(std::string_view bytes, Responder& out) {
    if (raw_.size() + bytes.size() > kRawLimit) raw_.erase(0, raw_.size() / 2);
    for (const char c : bytes) {
        raw_.push_back(c);
        if (c == '\0') continue;
        if (c == ';' || c == '\n') {
            if (!pending_.empty()) {
                std::string command;
                command.swap(pending_);
                out.logCommand(command);
                onCommand(command, out);
            }
            continue;
        }
        // The speed change has no terminator: it is acted on at its digit,
        // and the next byte already comes at the new speed.
        if (pending_ == "SSB" && c >= '0' && c <= '7') {
            static constexpr int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
            pending_.clear();
            out.logCommand(std::string("SSB") + c);
            baud_ = kBauds[c - '0'];
            continue;
        }
        if (pending_.size() < 256) pending_.push_back(c);
        else anomaly(pending_, "missing terminator");
    }
}

void PellivarDialect::onCommand(const std::string& command, Responder& out) {
    if (command == "?") {
        if (power_ || !knobs_.silentWhileOff) out.replyLine(model_);
        return;
    }
    if (command.rfind("P1P", 0) == 0) {
        const std::string arg = command.substr(3);
        if (arg == "1") power_ = true;
        else if (arg == "0") power_ = false;
        else if (arg != "?") return anomaly(command, "bad power command");
        if (power_ || !knobs_.silentWhileOff) out.replyLine(power_ ? "P1P1" : "P1P0");
        return;
    }
    if (!power_ && knobs_.silentWhileOff) return;
    if (command.rfind("P1S", 0) == 0) {
        if (command == "P1S?") return out.replyLine(std::string("P1S") + charOf(source_));
        const int s = command.size() == 4 ? sourceOf(command[3]) : -1;
        if (s < 0) return anomaly(command, "bad channel");
        source_ = s;
        if (knobs_.ackSource) out.replyLine(command);
        return;
    }
    if (command.size() < 4) return anomaly(command, "unknown command");
    const std::string prefix = command.substr(0, 2);
    if (prefix == "fU") return onResolution(command, out);
    if (prefix == "fI") return onGamma(command, out);
    if (settingIndex(prefix) >= 0) return onSetting(command, out);
    anomaly(command, "unknown prefix");
}

// <pp>s<ch><n> sets, <pp>?<ch> answers <pp><ch><n>.
void PellivarDialect::onSetting(const std::string& command, Responder& out) {
    const std::string prefix = command.substr(0, 2);
    if (command[2] == 's' && command.size() > 5 && prefix == knobs_.loseChannelOfNextSet) {
        knobs_.loseChannelOfNextSet.clear();
        return onSetting(command.substr(0, 3) + command.substr(4), out);
    }
    const char op = command[2];
    const char ch = command[3];
    const int source = sourceOf(ch);
    if (source < 0 || source >= kSources) return anomaly(command, "bad channel");
    if (op == '?' && command.size() == 4) {
        if (knobs_.echoQueries) out.replyLine(command);
        out.replyLine(prefix + ch + std::to_string(value(prefix, source)));
        return;
    }
    int v = 0;
    if (op != 's' || !decimalValue(command.substr(4), v)) return anomaly(command, "bad setting command");
    if (prefix == knobs_.refuseSetsOf) return;
    setValue(prefix, source, v);
    if (knobs_.ackSets) out.replyLine(prefix + ch + std::to_string(v));
}

// fUs<ch><n>, fU?<ch>; the pixel rate travels as two halves of four hex
// digits, 'e' the high 16 bits and 'd' the low.
void PellivarDialect::onResolution(const std::string& command, Responder& out) {
    const char op = command[2];
    const char ch = command[3];
    const bool half = ch == 'd' || ch == 'e';
    const int channel = (ch >= '0' && ch <= '9') ? ch - '0' : ch == 'c' ? 99 : -1;
    if (!half && channel < 0) return anomaly(command, "bad channel");
    if (op == '?' && command.size() == 4) {
        if (knobs_.echoQueries) out.replyLine(command);
        if (half) {
            const unsigned part = ch == 'e' ? (pixelRate_ >> 16) & 0xFFFF : pixelRate_ & 0xFFFF;
            out.replyLine(std::string("fU") + ch + hex(static_cast<int>(part), 4));
        } else {
            out.replyLine(std::string("fU") + ch + std::to_string(resolution(channel)));
        }
        return;
    }
    if (op != 's') return anomaly(command, "bad resolution command");
    if (half) {
        const int part = command.size() == 8 ? hexValue(command, 4, 4) : -1;
        if (part < 0) return anomaly(command, "bad pixel-rate half");
        if (ch == 'e') pixelRate_ = (pixelRate_ & 0xFFFFu) | (static_cast<unsigned>(part) << 16);
        else pixelRate_ = (pixelRate_ & 0xFFFF0000u) | static_cast<unsigned>(part);
        return;
    }
    int v = 0;
    if (!decimalValue(command.substr(4), v)) return anomaly(command, "bad resolution value");
    resolution_[channel] = v;
    if (knobs_.ackSets) out.replyLine(std::string("fU") + ch + std::to_string(v));
}

// fIs<c><ii><xxx><yyy> sets point ii; fIs<c><nn>AAAAAA sets the count;
// fI?<c><ii> answers the point, or AAAAAA past the count.
void PellivarDialect::onGamma(const std::string& command, Responder& out) {
    const char op = command[2];
    const int curve = command[3] - '0';
    if (curve < 0 || curve >= kCurves) return anomaly(command, "bad curve");
    const int index = hexValue(command, 4, 2);
    if (index < 0 || index > kCurveSlots) return anomaly(command, "bad point index");
    if (op == '?' && command.size() == 6) {
        if (knobs_.echoQueries) out.replyLine(command);
        const std::string head = command.substr(0, 2) + command.substr(3, 3);
        if (index < curveCounts_[static_cast<std::size_t>(curve)]) {
            const Point p = curvePoint(curve, index);
            out.replyLine(head + hex(p.x, 3) + hex(p.y, 3));
        } else {
            out.replyLine(head + "AAAAAA");
        }
        return;
    }
    if (op != 's' || command.size() != 12) return anomaly(command, "bad gamma command");
    if (command.compare(6, 6, "AAAAAA") == 0) {
        if (index > kCurveSlots) return anomaly(command, "bad point count");
        curveCounts_[static_cast<std::size_t>(curve)] = index;
        return;
    }
    const int x = hexValue(command, 6, 3);
    const int y = hexValue(command, 9, 3);
    if (x < 0 || y < 0 || x > 1023 || y > 1023 || index >= kCurveSlots) return anomaly(command, "bad gamma point");
    curves_[static_cast<std::size_t>(curve)][static_cast<std::size_t>(index)] = {x, y};
}

}  // namespace sim

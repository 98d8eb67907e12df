#include "sim/MarnochDialect.h"

#include <cstdio>
#include <utility>

namespace sim {

namespace {

std::string hex2(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02x", v & 0xFF);
    return b;
}

}  // namespace

MarnochDialect::MarnochDialect(Config config)
    : config_(std::move(config)),
      state_(config_.start),
      firmwareState_(config_.start == State::Programmer ? State::Programmer : State::Firmware),
      loaderBaud_(config_.start == State::Loader ? config_.loaderStartBaud : 19200) {}

platform::LineSettings MarnochDialect::expectedLine() const {
    return platform::LineSettings::eightN2(state_ == State::Loader ? loaderBaud_ : config_.firmwareBaud);
}

std::string MarnochDialect::memoryText() const {
    std::string out = "# Marnoch processor: " + config_.identification + "\n[memory]\n";
    char address[24];
    for (std::size_t at = 0; at < memory_.size(); at += 16) {
        std::snprintf(address, sizeof address, "%03zx", at);
        out += address;
        for (std::size_t i = at; i < at + 16; ++i) out += " " + hex2(memory_[i]);
        out += "\n";
    }
    return out;
}

int MarnochDialect::commandCount(char letter) const {
    const auto it = commandCounts_.find(letter);
    return it == commandCounts_.end() ? 0 : it->second;
}

void MarnochDialect::clearRecords() {
    addressed_.reset();
    written_.reset();
    commandCounts_.clear();
}

int MarnochDialect::versionNumber() const {
    const std::string& v = config_.version;
    if (v.size() < 2 || v[0] < '1' || v[0] > '9' || v[1] < '0' || v[1] > '9') return 0;
    return (v[0] - '0') * 100 + (v[1] - '0');
}

int MarnochDialect::divisorBaud(std::uint8_t divisor) const {
    const int version = versionNumber();
    if (version >= 300) return divisor == 0x04 ? 115200 : divisor == 0x1D ? 19200 : 0;
    if (version >= 200) return divisor == 0x01 ? 115200 : divisor == 0x0B ? 19200 : 0;
    return 0;
}

void MarnochDialect::onWrongLine(std::string_view, Responder&) {
    // Framing errors: whatever was half received is lost.
    line_.clear();
    pendingCommand_ = 0;
    operands_.clear();
}

void MarnochDialect::onTick(Responder& out) {
    if (sendsUnasked()) out.replyRaw(std::string(2048, 'x'));
}

bool MarnochDialect::sendsUnasked() const { return knobs_.flood && state_ != State::Loader; }

void MarnochDialect::onBytes(std::string_view bytes, Responder& out) {
    for (const char c : bytes) {
        ++bytesIn_;
        if (knobs_.silentAfterBytes >= 0 && bytesIn_ > knobs_.silentAfterBytes) return;
        if (state_ == State::Silent) return;
        if (state_ == State::Loader) {
            if (lostBytesAt_ >= 0 && knobs_.lostBytes && knobs_.lostBytes->offsets.count(lostBytesAt_++)) continue;
            onLoaderByte(static_cast<std::uint8_t>(c), out);
            continue;
        }
        if (c == '\n') {
            std::string line;
            line.swap(line_);
            if (!line.empty()) {
                out.logCommand(line);
                onLine(line, out);
            }
        } else if (c != '\0' && line_.size() < 256) {
            line_.push_back(c);
        }
    }
}

void MarnochDialect::onLine(const std::string& line, Responder& out) {
    if (state_ == State::Service) {
        if (line == "?") out.replyLine("Invalid Command");
        else if (line == "rk5c93") {
            out.replyRaw("\n");
            state_ = State::Loader;
            loaderBaud_ = 19200;
        } else if (line == "dx") {
            out.replyRaw("\n");
            state_ = firmwareState_;
        } else if (line == "@0") {
            out.replyRaw("\n");
        } else {
            out.replyLine("Invalid Command");
        }
        return;
    }
    // Firmware and programmer.
    if (line == "?") {
        out.replyLine(state_ == State::Programmer ? config_.programmerIdentification : config_.identification);
    } else if (line == "@0") {
        out.replyRaw("\n");  // the reset that follows a service mode's "dx"
    } else if (line == "Z31842.7") {
        entryArmed_ = true;
        out.replyLine("OK");
    } else if (line == "Z") {
        if (entryArmed_) {
            entryArmed_ = false;
            state_ = knobs_.silentAfterJump ? State::Silent : State::Loader;
            loaderBaud_ = 19200;
        }
    } else if (state_ == State::Firmware && line.size() == 4 && line[0] == 'P' && line[2] == 'P' && line[1] >= '1' &&
               line[1] <= '3') {
        const auto zone = static_cast<std::size_t>(line[1] - '1');
        if (line[3] == '0') {
            int& stuck = knobs_.zoneStuck[zone];
            if (stuck == 0) zoneOn_[zone] = false;
            else if (stuck > 0) --stuck;
            out.replyRaw("\n");
        } else if (line[3] == '?') {
            out.replyLine(line.substr(0, 3) + (zoneOn_[zone] ? "1" : "0"));
        }
    } else if (state_ == State::Firmware && line == "STF?") {
        if (!knobs_.clockQuiet) out.replyLine(knobs_.clock24Hour ? "STF1" : "STF0");
    } else if (state_ == State::Firmware && line.size() == 4 && line.compare(0, 3, "STD") == 0) {
        weekday_ = line[3] - '0';
        out.replyRaw("\n");
    } else if (state_ == State::Firmware && line.compare(0, 3, "STC") == 0) {
        clockText_ = line.substr(3);
        out.replyRaw("\n");
    }
}

void MarnochDialect::onLoaderByte(std::uint8_t byte, Responder& out) {
    if (pendingCommand_ != 0) {
        operands_.push_back(static_cast<char>(byte));
        const std::size_t needed = pendingCommand_ == 'a' ? 2 : 1;
        if (operands_.size() < needed) return;
        if (pendingCommand_ == 'a') {
            const unsigned address = ((static_cast<unsigned>(static_cast<std::uint8_t>(operands_[0])) << 8) |
                                      static_cast<std::uint8_t>(operands_[1])) &
                                     0xFFF;
            const auto lost = knobs_.lostAddressCommand.find(address);
            if (lost != knobs_.lostAddressCommand.end() && ++addressings_[address] == lost->second) {
                const std::string heard = std::exchange(operands_, {});
                pendingCommand_ = 0;
                for (const char o : heard) onLoaderByte(static_cast<std::uint8_t>(o), out);
                return;
            }
        }
        runLoaderCommand(out);
        return;
    }
    const char c = static_cast<char>(byte);
    switch (c) {
    case 'a':
    case 'd':
    case 'h':
        pendingCommand_ = c;
        operands_.clear();
        return;
    case 'S':
    case 'V':
    case 'x':
    case 'P':
    case 'D':
    case 'y':
    case 'X':
        pendingCommand_ = c;
        operands_.clear();
        runLoaderCommand(out);
        return;
    default:
        // The loader answers "?" to every byte it does not know.
        out.replyRaw("?");
        return;
    }
}

void MarnochDialect::answer(std::string_view bytes, Responder& out) {
    if (knobs_.noiseAfterBytes < 0 || bytesIn_ <= knobs_.noiseAfterBytes || knobs_.noisyAnswers <= 0) {
        out.replyRaw(bytes);
        return;
    }
    --knobs_.noisyAnswers;
    std::string noise(bytes);
    for (char& c : noise) {
        noiseSeed_ = noiseSeed_ * 1103515245u + 12345u;
        c = static_cast<char>(c ^ (1 + (noiseSeed_ >> 16) % 255));  // never the byte itself
    }
    out.replyRaw(noise);
}

void MarnochDialect::runLoaderCommand(Responder& out) {
    const char c = pendingCommand_;
    pendingCommand_ = 0;
    ++commandCounts_[c];
    std::string logText(1, c);
    for (const char o : operands_) {
        logText.push_back(' ');
        logText += hex2(static_cast<std::uint8_t>(o));
    }
    out.logCommand(logText);
    if (knobs_.lostBytes && logText == knobs_.lostBytes->after && ++lostBytesSeen_ == knobs_.lostBytes->occurrence)
        lostBytesAt_ = 0;
    if (c == knobs_.neverAcknowledge) return;

    switch (c) {
    case 'S': answer(config_.banner, out); break;
    case 'V': answer(config_.version, out); break;
    case 'h': {
        const int baud = divisorBaud(static_cast<std::uint8_t>(operands_[0]));
        if (baud == 0) {
            answer("?", out);
            break;
        }
        answer("\r", out);  // at the old speed
        loaderBaud_ = baud;
        break;
    }
    case 'a':
        address_ = ((static_cast<unsigned>(static_cast<std::uint8_t>(operands_[0])) << 8) |
                    static_cast<std::uint8_t>(operands_[1])) &
                   0xFFF;
        addressed_.set(address_);
        answer("\r", out);
        break;
    case 'd': {
        memory_[address_] = static_cast<std::uint8_t>(operands_[0]);
        written_.set(address_);
        const auto stray = knobs_.strayWrites.find(address_);
        if (stray != knobs_.strayWrites.end()) memory_[stray->second & 0xFFF] = static_cast<std::uint8_t>(operands_[0]);
        answer("\r", out);
        break;
    }
    case 'D': {
        std::uint8_t value = memory_[address_];
        auto seq = knobs_.readSequences.find(address_);
        if (seq != knobs_.readSequences.end() && !seq->second.empty()) {
            value = seq->second.front();
            seq->second.pop_front();
        } else if (knobs_.unstableAddress == static_cast<int>(address_)) {
            value = static_cast<std::uint8_t>(value ^ (0x11 + unstableCounter_++));
        }
        answer(std::string(1, static_cast<char>(value)), out);
        break;
    }
    case 'X':
        answer("\r", out);
        if (knobs_.exitFailures > 0) {
            --knobs_.exitFailures;
            break;
        }
        state_ = firmwareState_;
        loaderBaud_ = 19200;
        break;
    default:  // x, P, y
        answer("\r", out);
        break;
    }
}

}  // namespace sim

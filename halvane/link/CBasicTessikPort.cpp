#include "halvane/link/CBasicTessikPort.h"

#include "halvane/link/ModelTable.h"
#include "platform/Deadline.h"
#include "platform/PortTried.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace halvane::link::Comm {

namespace {

// "COM3" or "\\.\COM3": the COM number, else 0.
int comNumberOf(std::string_view name) {
    if (name.rfind("\\\\.\\", 0) == 0) name.remove_prefix(4);
    if (name.size() < 4 || name.substr(0, 3) != "COM") return 0;
    int n = 0;
    const auto r = std::from_chars(name.data() + 3, name.data() + name.size(), n);
    if (r.ec != std::errc() || r.ptr != name.data() + name.size() || n < 1) return 0;
    return n;
}

// A write of the longest command at the slowest speed fits well in this.
std::int64_t writeLimitMs(std::size_t length) { return 2000 + static_cast<std::int64_t>(length) * 10; }

}  // namespace

CBasicTessikPort::CBasicTessikPort(platform::Clock& clock, platform::PortMap portMap, platform::ByteLine* line)
    : clock_(&clock), portMap_(std::move(portMap)), serial_(std::make_unique<platform::SerialLine>(clock)),
      line_(line != nullptr ? line : serial_.get()) {}

CBasicTessikPort::~CBasicTessikPort() { Close(); }

void CBasicTessikPort::SetClock(platform::Clock& clock) {
    Close();
    clock_ = &clock;
    // A serial line keeps the clock it was made with; a line handed in
    // keeps its own.
    if (line_ == serial_.get()) {
        serial_ = std::make_unique<platform::SerialLine>(clock);
        line_ = serial_.get();
    }
}

void CBasicTessikPort::SetPortMap(platform::PortMap portMap) {
    Close();
    portMap_ = std::move(portMap);
}

void CBasicTessikPort::SetSpeedIndex(int index) { speedIndex_ = std::clamp(index, 0, kSpeedCount - 1); }

bool CBasicTessikPort::applyLine(bool drainFirst) {
    return line_->configure(platform::LineSettings::eightN2(kSpeeds[speedIndex_]), drainFirst);
}

bool CBasicTessikPort::Open(const std::string& deviceName) {
    Close();
    std::string path = deviceName;
    if (const int n = comNumberOf(deviceName); n > 0) {
        portNumber_ = n;
        const auto where = portMap_.resolve(n);
        if (!where.ok()) return false;
        path = where.path;
    }
    if (!line_->open(path)) return false;
    if (!applyLine(false) || !SetTimeouts()) {
        Close();
        return false;
    }
    return true;
}

// Reads on this line never wait in the kernel: the serial layer polls for
// each byte with the reader's own limit, so a read returns as soon as a byte
// arrives or that limit passes, and there is no line time-out to set. What
// this step still does is purge both directions, so that the next exchange
// starts on an empty line.
bool CBasicTessikPort::SetTimeouts() {
    if (!IsOpen()) return false;
    return line_->purge();
}

void CBasicTessikPort::Close() {
    if (!IsOpen()) return;
    line_->close();
    modelIndex_ = ConTypes::kNoUnitModel;
    found_ = 0;
    version_.clear();
    silentMs_ = 0;
    linkFailed_ = false;
}

bool CBasicTessikPort::openKeepingState() {
    const int model = modelIndex_;
    const int found = found_;
    const std::string version = version_;
    const std::int64_t silent = silentMs_;
    const bool failed = linkFailed_;
    const bool ok = Open(platform::PortMap::portName(portNumber_));
    modelIndex_ = model;
    found_ = found;
    version_ = version;
    silentMs_ = silent;
    linkFailed_ = failed;
    return ok;
}

bool CBasicTessikPort::Reopen() {
    if (!IsOpen()) return false;
    line_->close();
    return openKeepingState();
}

bool CBasicTessikPort::Pause(std::int64_t ms) {
    if (ms <= 0) return !Stopping();
    if (Stopping()) return false;
    for (std::int64_t left = ms; left > 0;) {
        const std::int64_t slice = std::min(left, LinkTiming::kWaitSliceMs);
        clock_->sleepMs(slice);
        waitedMs_ += slice;
        left -= slice;
        if (Interrupted()) return false;
    }
    return true;
}

void CBasicTessikPort::Settle(std::int64_t ms) {
    if (ms <= 0) return;
    clock_->sleepMs(ms);
    waitedMs_ += ms;
}

// Reads have waited long without a byte. One word a processor does not
// answer is no dead processor: ask it to identify itself, and only when
// that brings no byte either is the link taken for failed.
bool CBasicTessikPort::probeAnswers() {
    if (!Write("?\n")) return false;
    std::uint8_t byte = 0;
    const platform::Deadline answer(*clock_, LinkTiming::kProbeReplyMs);
    while (!answer.expired()) {
        const auto r = line_->readByte(byte, std::min(answer.remainingMs(), LinkTiming::kWaitSliceMs));
        if (r == platform::ByteLine::ReadResult::Byte) {
            // The rest of the answer is no reply to anything asked: drop it.
            const platform::Deadline rest(*clock_, LinkTiming::kIdentifyMaxMs);
            while (byte != '\n' && !rest.expired())
                if (line_->readByte(byte, std::min(rest.remainingMs(), LinkTiming::kWaitSliceMs)) ==
                    platform::ByteLine::ReadResult::Failed)
                    break;
            return true;
        }
        if (r == platform::ByteLine::ReadResult::Failed || Interrupted()) return false;
    }
    return false;
}

std::string CBasicTessikPort::GetPortText() const {
    return "COM" + std::to_string(portNumber_) + "@" + std::to_string(kSpeeds[speedIndex_]);
}

bool CBasicTessikPort::FindUnit() {
    ++searches_;
    lastSearch_.clear();
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        portNumber_ = port;
        speedIndex_ = 0;
        const std::string name = platform::PortMap::portName(port);
        const auto where = portMap_.resolve(port);
        PortTrial& trial = lastSearch_.emplace_back(PortTrial{port, where.path, where.source, PortTrial::NoDevice, {}});
        if (!where.ok()) continue;
        trial.outcome = PortTrial::NotOpened;
        if (!Open(name) || (!SetTimeouts() && !Open(name))) {
            trial.reason = line_->lastErrorReason();
            continue;
        }
        trial.outcome = PortTrial::NoAnswer;
        for (const int speed : kSearchOrder) {
            speedIndex_ = speed;
            if (Identify()) {
                found_ = 1;
                lastSearch_.back().outcome = PortTrial::Answered;
                return true;
            }
        }
    }
    modelIndex_ = ConTypes::kNoUnitModel;
    return false;
}

std::string CBasicTessikPort::SearchReport() const {
    if (lastSearch_.empty()) return {};
    std::vector<platform::PortTried> ports;
    for (const PortTrial& t : lastSearch_) {
        platform::PortTried& p = ports.emplace_back(platform::PortTried{t.port, {}, {}});
        if (t.outcome == PortTrial::NoDevice) continue;
        p.device = t.path + " (" + t.source + ")";
        switch (t.outcome) {
        case PortTrial::NotOpened: p.outcome = "could not be opened: " + t.reason; break;
        case PortTrial::NoAnswer: p.outcome = "no processor answered"; break;
        default: p.outcome = "a processor answered"; break;
        }
    }
    const std::string example = platform::PortMap::portName(kFirstPort);
    return "Ports tried:\n" + platform::PortTriedLines(ports) +
           "\nTo choose the port, start the program with the variable " + example +
           " set to the processor's device (for example " + example +
           "=/dev/ttyUSB0), or store the device in the setting " + platform::PortMap::settingName(kFirstPort) + ".";
}

bool CBasicTessikPort::Identify() {
    modelIndex_ = ConTypes::kNoUnitModel;
    if (!IsOpen()) return false;
    // Bytes still on their way leave at the old speed before the change.
    if (!applyLine(true)) return false;

    for (int attempt = 0; attempt < LinkTiming::kIdentifyAttempts; ++attempt) {
        ++identifyRequests_;
        if (!Write("?\n")) continue;

        std::string reply;
        for (int read = 0; read < LinkTiming::kIdentifyReads; ++read) {
            std::string part;
            const bool complete = ReadReply("\n", &part, kIdentifyTimes);
            reply += part;
            if (complete) break;
        }

        for (int model = 0; model < ConTypes::kModelCount; ++model) {
            const std::string_view prefix = ConTypes::ModelTableEntry(model).prefix;
            const std::size_t at = reply.find(prefix);
            if (at == std::string::npos) continue;
            modelIndex_ = model;
            // The version follows the matched prefix: stale bytes before the
            // reply must not move where it is looked for.
            const std::string rest = reply.substr(at + prefix.size());
            const std::size_t v = rest.find('v');
            if (v != std::string::npos) {
                // At most five characters, read as one word ("%5s").
                std::string_view five = std::string_view(rest).substr(v + 1, 5);
                while (!five.empty() && std::isspace(static_cast<unsigned char>(five.front()))) five.remove_prefix(1);
                std::size_t n = 0;
                while (n < five.size() && !std::isspace(static_cast<unsigned char>(five[n]))) ++n;
                version_.assign(five.substr(0, n));
            }
            return true;
        }
    }
    return false;
}

// The reply reader polls one byte at a time. Until the second empty read
// only the maximum holds (bytes that never end the line must not keep the
// reader in its first reads); from there the reply has max(minimum, length
// x per-character) but never more than the maximum, so a longer partial
// reply earns more time.
bool CBasicTessikPort::ReadReply(std::string_view terminator, std::string* out, std::int64_t perCharMs,
                                 std::int64_t minimumMs, std::int64_t maximumMs) {
    std::string text;
    bool result = false;
    // An aborted job reads nothing more, except on its way out; there, and
    // on a failed link, a reply gets a short time, and once one did not
    // come the exit actions no longer wait for any.
    const bool exiting = exitDepth_ > 0;
    const bool brief = linkFailed_ || (exiting && Interrupted());
    bool skip = Interrupted() && !exiting;
    if (exiting && brief && exitGaveUp_) skip = true;
    if (brief) {
        maximumMs = std::min(maximumMs, LinkTiming::kExitReplyMs);
        minimumMs = std::min(minimumMs, maximumMs);
    }
    const auto replyLimit = [&] {
        return std::min(maximumMs, std::max(minimumMs, static_cast<std::int64_t>(text.size()) * perCharMs));
    };
    const platform::Deadline call(*clock_, maximumMs);
    bool anyByte = false;
    bool hungUp = false;
    if (IsOpen() && !skip) {
        int emptyReads = 0;
        std::optional<platform::Deadline> quiet;  // from the second empty read
        for (;;) {
            // In slices, so that an abort is seen while waiting.
            const std::int64_t waitMs = quiet ? std::min(quiet->remainingMs(), LinkTiming::kWaitSliceMs) : 0;
            std::uint8_t byte = 0;
            const auto r = line_->readByte(byte, waitMs);
            if (r == platform::ByteLine::ReadResult::Failed) {
                hungUp = true;
                break;
            }
            if (r == platform::ByteLine::ReadResult::Byte) {
                text.push_back(static_cast<char>(byte));
                anyByte = true;
                // Checked after every byte, so the first terminator can only
                // be at the end of the text.
                if (!terminator.empty() && text.size() >= terminator.size() &&
                    text.compare(text.size() - terminator.size(), terminator.size(), terminator) == 0) {
                    text.resize(text.size() - terminator.size());
                    result = true;
                    break;
                }
            } else if (!exiting && Interrupted()) {
                break;
            } else if (++emptyReads == 2) {
                quiet.emplace(*clock_, replyLimit());
            }
            if (quiet) {
                quiet->setLimit(replyLimit());
                if (quiet->expired()) break;
            } else if (call.expired()) {
                break;
            }
        }
        if (anyByte) {
            silentMs_ = 0;
            linkFailed_ = false;
        } else if (!linkFailed_ && found_ != 0) {
            // Only a processor that was found can fall silent: a search
            // hears nothing on most ports and speeds.
            silentMs_ += call.elapsedMs();
            if (silentMs_ >= LinkTiming::kSilentLinkMs && !Interrupted()) {
                if (probeAnswers())
                    silentMs_ = 0;
                else
                    linkFailed_ = true;
            }
        }
        if (hungUp) linkFailed_ = true;
    }
    if (!result) waitedMs_ += call.elapsedMs();
    if (!result && exiting && (brief || linkFailed_ || Interrupted())) exitGaveUp_ = true;
    if (out) *out = std::move(text);
    return result;
}

bool CBasicTessikPort::Write(std::string_view text) { return WriteRaw(text.data(), text.size()); }

bool CBasicTessikPort::WriteRaw(const void* buffer, std::size_t length, std::size_t* written) {
    if (written) *written = 0;
    if (!IsOpen()) return false;
    const bool ok = line_->writeAll(buffer, length, writeLimitMs(length));
    if (ok && written) *written = length;
    // A line that takes no more bytes has hung up (or its device is gone).
    if (!ok) linkFailed_ = true;
    return ok;
}

std::size_t CBasicTessikPort::Drain() {
    if (!IsOpen()) return 0;
    if (!line_->purge() && !openKeepingState()) return 0;
    std::size_t dropped = 0;
    std::uint8_t byte = 0;
    while (dropped < kDrainLimit && line_->readByte(byte, 1) == platform::ByteLine::ReadResult::Byte) ++dropped;
    return dropped;
}

bool CBasicTessikPort::SendAndReceive(std::string_view command, std::string_view terminator, std::string* out) {
    if (!Write(command)) return false;
    return ReadReply(terminator, out, kCommandTimes);
}

// Digits, an optional point and digits, then the letter. Read as "%lf%c",
// a letter 'e' or 'E' would be taken for an exponent and lost.
bool CBasicTessikPort::ParseVersionText(std::string_view t, double& number, char& letter) {
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    double value = 0;
    const auto r = std::from_chars(t.data(), t.data() + i, value);
    if (r.ec != std::errc()) return false;
    number = value;
    letter = i < t.size() ? t[i] : '`';
    return true;
}

}  // namespace halvane::link::Comm

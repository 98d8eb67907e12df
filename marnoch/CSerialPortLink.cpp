// The serial link of CSerialPort: opening the port by its COM name, the line
// settings (8 data bits, no parity, 2 stop bits, raw), the read time-outs of
// the processor's link, draining stale input and the command-line exchanges
// with the running firmware.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/Timing.h"
#include "platform/Deadline.h"
#include "platform/PortMap.h"
#include "platform/PortTried.h"

#include <algorithm>

namespace marnoch {

PortResolver DefaultPortResolver() {
    return [](int comNumber) { return platform::PortMap().resolve(comNumber).path; };
}

LocalTimeSource DefaultLocalTime() {
    return [](std::tm& out) {
        const std::time_t now = std::time(nullptr);
        return now != static_cast<std::time_t>(-1) && ::localtime_r(&now, &out) != nullptr;
    };
}

CSerialPort::CSerialPort(SettingsImage& image, platform::Clock& clock, PortResolver ports, LocalTimeSource localTime,
                         platform::ByteLine* line)
    : image_(image), clock_(clock), ports_(std::move(ports)), localTime_(std::move(localTime)), serial_(clock),
      line_(line != nullptr ? *line : serial_) {}

CSerialPort::~CSerialPort() { ClosePort(); }

bool CSerialPort::OpenPort(std::string& text) { return openDevice(text, true); }

// A failed purge inside the time-out setup reopens the port once; a purge
// that keeps failing then fails the open instead of reopening for ever.
bool CSerialPort::openDevice(std::string& text, bool allowReopen) {
    ClosePort();
    if (!portName_.empty() && line_.open(portName_)) {
        ++openCount_;
        if (ApplyLineSettings()) {
            if (purgeOrReopen(allowReopen) && line_.isOpen()) return true;
        }
    }
    ClosePort();
    text = text::kCommError + "\n" + platform::PortTriedLines({{comNumber_, portName_, platform::CouldNotOpen(line_)}});
    return false;
}

bool CSerialPort::purgeOrReopen(bool allowReopen) {
    if (line_.purge()) return true;
    if (!allowReopen) return false;
    std::string ignored;
    return openDevice(ignored, false);
}

bool CSerialPort::ApplyLineSettings() {
    if (speedIndex_ < 0 || speedIndex_ >= static_cast<int>(std::size(kBaudRateTable))) {
        ClosePort();
        return false;
    }
    // Drain first: after a speed-change command its operand must leave at
    // the old speed.
    if (!line_.configure(platform::LineSettings::eightN2(kBaudRateTable[speedIndex_]), true)) {
        ClosePort();
        return false;
    }
    return true;
}

// The time-outs themselves live in readPort (the kernel has none at
// millisecond resolution); what remains of setting them is the purge.
bool CSerialPort::SetPortTimeouts() {
    if (!line_.isOpen()) return false;
    if (!purgeOrReopen(true)) {
        ClosePort();
        return false;
    }
    return line_.isOpen();
}

void CSerialPort::SetTransferTimeouts(bool nonBlocking) {
    nonBlocking_ = nonBlocking;
    if (line_.isOpen()) purgeOrReopen(true);
}

void CSerialPort::ClosePort() { line_.close(); }

void CSerialPort::pause(std::int64_t ms) {
    clock_.sleepMs(ms);
    if (ms > 0) waitedMs_ += ms;
}

std::size_t CSerialPort::readPort(std::uint8_t* buffer, std::size_t n, std::int64_t waitMs) {
    if (n == 0) return 0;
    const auto nominal = static_cast<std::int64_t>(n) * timing::kReadPerByteMs + timing::kReadConstantMs;
    if (!line_.isOpen()) {
        // A read on a closed port fails at once; waiting its time-out keeps
        // every read loop bounded by the clock instead of spinning.
        pause(nonBlocking_ ? timing::kClosedReadMs : nominal);
        return 0;
    }
    const std::int64_t started = clock_.nowMs();
    const std::int64_t limit = nonBlocking_ ? std::max<std::int64_t>(waitMs, 0) : nominal;
    long got = 0;
    if (!nonBlocking_) {
        got = line_.read(buffer, n, nominal, timing::kReadIntervalMs);
    } else {
        got = line_.readAvailable(buffer, n);
        if (got == 0 && waitMs > 0) {
            std::uint8_t first = 0;
            const auto r = line_.readByte(first, waitMs);
            if (r == platform::ByteLine::ReadResult::Byte) {
                buffer[0] = first;
                const long more = line_.readAvailable(buffer + 1, n - 1);
                got = 1 + (more > 0 ? more : 0);
            } else if (r == platform::ByteLine::ReadResult::Failed) {
                got = -1;
            }
        }
    }
    if (got < 0) {
        pause(nonBlocking_ ? timing::kClosedReadMs : nominal);
        return 0;
    }
    if (static_cast<std::size_t>(got) < n) waitedMs_ += std::clamp<std::int64_t>(clock_.nowMs() - started, 0, limit);
    return static_cast<std::size_t>(got);
}

bool CSerialPort::writePort(std::string_view bytes) {
    if (!line_.isOpen()) return false;
    if (trace_ != nullptr) trace_->sent(bytes);
    // Blocking write: the normal time-outs allow n + 5 ms, which a pty or a
    // UART at these speeds never needs; a stuck line still ends in a second.
    return line_.writeAll(bytes.data(), bytes.size(),
                          timing::kWriteLimitMs + static_cast<std::int64_t>(bytes.size()) * timing::kReadPerByteMs);
}

void CSerialPort::DrainInput(bool collect) {
    std::uint8_t byte = 0;
    // A unit that never stops sending must not hold the program: the first
    // phase is bounded like the second.
    if (collect) {
        for (int reads = 0; reads <= timing::kDrainReadLimit; ++reads)
            if (readPort(&byte, 1) == 0) break;
    }
    if (!line_.isOpen()) return;
    if (!purgeOrReopen(true)) return;
    for (int reads = 1;; ++reads) {
        if (readPort(&byte, 1) == 0) break;
        if (reads % timing::kDrainReopenEvery == 0) {
            std::string ignored;
            if (!OpenPort(ignored)) return;
        } else if (reads > timing::kDrainReadLimit) {
            break;
        }
    }
}

void CSerialPort::resending() {
    if (slowProgress_ == nullptr) return;
    if (ticker_ == nullptr) startTicking(*slowProgress_, slowSteps_);
    tick();
}

void CSerialPort::SendCommandLine(std::string_view bytes) {
    writePort("\n");
    pause(timing::kWakeUpPauseMs);
    DrainInput(false);
    writePort(bytes);
}

bool CSerialPort::WriteToBZTAndWaitFor(std::string_view command, std::int64_t timeoutMs, std::string& reply,
                                       std::size_t n, bool skipLeadingNewline, int retries) {
    reply.clear();
    if (n == 0) return false;
    const std::size_t minimum = n > 2 ? 2 : 1;
    auto complete = [&] { return reply.size() >= minimum && reply.back() == '\n'; };
    std::uint8_t scratch[256];
    for (int attempts = 0;;) {
        if (attempts > 0) {
            writePort("\n");
            pause(timing::kWakeUpPauseMs);
        }
        // Each sending collects its own reply: a fragment of an earlier one
        // would shift the characters the callers examine.
        reply.clear();
        DrainInput(true);
        if (attempts > 0) resending();
        writePort(command);
        const platform::Deadline deadline(clock_, timeoutMs);
        do {
            const std::size_t want = std::min(n - reply.size(), sizeof scratch);
            const std::size_t got = readPort(scratch, want, deadline.remainingMs());
            for (std::size_t i = 0; i < got; ++i) {
                if (skipLeadingNewline && reply.empty() && scratch[i] == '\n') continue;
                reply.push_back(static_cast<char>(scratch[i]));
            }
        } while (!deadline.expired() && reply.size() < n && !complete());
        ++attempts;
        if (attempts > retries || reply.size() >= n || complete()) break;
    }
    return reply.size() >= n || complete();
}

bool CSerialPort::WriteToBZTAndWait(std::string_view command, std::int64_t timeoutMs) {
    static constexpr char kRetryPrefix[2] = {'\n', '\0'};
    for (int sending = 1; sending <= timing::kBareNewlineSendings; ++sending) {
        if (sending > 1) {
            writePort(std::string_view(kRetryPrefix, 2));
            pause(timing::kWakeUpPauseMs);
        }
        DrainInput(true);
        if (sending > 1) resending();
        writePort(command);
        int count = 0;
        std::uint8_t byte = 0;
        const platform::Deadline deadline(clock_, timeoutMs);
        while (!deadline.expired()) {
            if (readPort(&byte, 1, deadline.remainingMs()) == 1) {
                ++count;
                if (byte == '\n') break;
            }
        }
        if (count == 1 && byte == '\n') return true;
    }
    return false;
}

}  // namespace marnoch

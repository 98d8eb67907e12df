// The boot loader of the processor: its byte commands, the preparation of
// the running unit (zones off, clock), the way into the loader and out of
// it, and its line speed change.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/Timing.h"
#include "marnoch/UnitClockText.h"
#include "platform/Deadline.h"

#include <algorithm>

namespace marnoch {

bool CSerialPort::LoaderQuery(std::string_view bytes, std::int64_t timeoutMs, std::string& reply, std::size_t n,
                              int retries) {
    DrainInput(false);
    std::uint8_t scratch[64];
    for (int sending = 0; sending <= retries; ++sending) {
        reply.clear();
        writePort(bytes);
        const platform::Deadline deadline(clock_, timeoutMs);
        while (reply.size() < n && !deadline.expired()) {
            const std::size_t want = std::min(n - reply.size(), sizeof scratch);
            const std::size_t got = readPort(scratch, want, deadline.remainingMs());
            reply.append(reinterpret_cast<const char*>(scratch), got);
        }
        if (reply.size() >= n) {
            lastExchangeClean_ = sending == 0;
            return true;
        }
    }
    lastExchangeClean_ = false;
    return false;
}

bool CSerialPort::LoaderCommand(std::string_view bytes, std::int64_t timeoutMs) {
    DrainInput(false);
    bool stray = false;
    for (int sending = 1; sending <= timing::kLoaderCommandSendings; ++sending) {
        writePort(bytes);
        const platform::Deadline deadline(clock_, timeoutMs);
        std::uint8_t byte = 0;
        while (!deadline.expired()) {
            if (readPort(&byte, 1, deadline.remainingMs()) != 1) continue;
            if (byte == '\r') {
                lastExchangeClean_ = sending == 1 && !stray;
                return true;
            }
            stray = true;
        }
    }
    lastExchangeClean_ = false;
    if (stray) loaderOutOfStep_ = true;
    return false;
}

// Used where the loader's acknowledgement may come at another speed (the
// speed change, the start of the firmware): the third sending goes unread
// and the port is closed, so the caller reopens it at the speed it wants.
bool CSerialPort::LoaderPoke(std::string_view bytes) {
    DrainInput(false);
    std::uint8_t byte = 0;
    for (int sending = 1; sending <= timing::kLoaderPokeSendings; ++sending) {
        writePort(bytes);
        const bool ack = readPort(&byte, 1) == 1 && byte == '\r';
        if (sending < timing::kLoaderPokeSendings && ack) return true;
    }
    ClosePort();
    return false;
}

bool CSerialPort::PowerOffZones() {
    static const std::string kOff[3] = {"P1P0\n", "P2P0\n", "P3P0\n"};
    static const std::string kQuery[3] = {"P1P?\n", "P2P?\n", "P3P?\n"};
    static const std::string kOn[3] = {"P1P1", "P2P1", "P3P1"};
    static const std::string kOffAnswer[3] = {"P1P0", "P2P0", "P3P0"};
    static constexpr std::size_t kReplyBytes = 7;
    for (const auto& off : kOff) WriteToBZTAndWait(off, timing::kZoneOffLimitMs);
    pause(timing::kZonesSettleMs);
    for (int cycle = 0; cycle < timing::kZoneCycles; ++cycle) {
        int zonesOff = 0;
        for (int z = 0; z < 3; ++z) {
            std::string reply;
            WriteToBZTAndWaitFor(kQuery[z], timing::kZoneQueryLimitMs[z], reply, kReplyBytes, true,
                                 timing::kQueryRetries);
            if (reply.find(kOn[z]) != std::string::npos) WriteToBZTAndWait(kOff[z], timing::kZoneOffAgainLimitMs);
            else if (reply.find(kOffAnswer[z]) != std::string::npos) ++zonesOff;
        }
        if (zonesOff == 3) return true;
    }
    return false;
}

bool CSerialPort::SetUnitClock() {
    std::string format;
    static constexpr std::size_t kFormatBytes = 5;
    if (!WriteToBZTAndWaitFor("STF?\n", timing::kClockFormatLimitMs, format, kFormatBytes, true,
                              timing::kQueryRetries) ||
        format.find("STF") == std::string::npos)
        return false;
    std::tm now{};
    const bool known = localTime_ && localTime_(now);
    if (!known) now = std::tm{};
    const std::string weekday = WeekdayCommand(known ? &now : nullptr);
    if (!WriteToBZTAndWait(weekday, timing::kClockSetLimitMs)) return false;
    const bool twentyFourHour = format.size() >= 4 && format[3] == '1';
    return WriteToBZTAndWait(ClockCommand(now, twentyFourHour), timing::kClockSetLimitMs);
}

int CSerialPort::speedDivisor(bool toFast) const {
    if (loaderVersion_ >= 300) return toFast ? 0x04 : 0x1D;
    if (loaderVersion_ >= 200) return toFast ? 0x01 : 0x0B;
    return -1;
}

bool CSerialPort::applyLineAndTimeouts(std::string& text) {
    if (!ApplyLineSettings()) {
        text = text::kCommError;
        ClosePort();
        return false;
    }
    nonBlocking_ = false;
    if (!SetPortTimeouts() && !OpenPort(text)) return false;
    return true;
}

bool CSerialPort::SetLoaderSpeed(bool toFast, std::string& text) {
    std::uint8_t banner[35];
    for (int attempt = 0; attempt < timing::kSpeedChangeAttempts; ++attempt) {
        const int divisor = speedDivisor(toFast);
        if (divisor >= 0) {
            const char command[2] = {'h', static_cast<char>(divisor)};
            LoaderPoke(std::string_view(command, 2));
        }
        if (!line_.isOpen()) {
            std::string ignored;
            OpenPort(ignored);
        }
        speedIndex_ = toFast ? kFastSpeedIndex : 0;
        if (!applyLineAndTimeouts(text)) return false;
        DrainInput(false);
        writePort("S");
        pause(timing::kBannerPauseMs);
        const std::size_t got = readPort(banner, sizeof banner);
        if (got > 0 && IsLoaderBanner(std::string(reinterpret_cast<const char*>(banner), got))) {
            text = text::kLoaderBaudChanged;
            unitMode_ = kModeLoader;
            return true;
        }
        if (got == 0 && !ApplyLineSettings()) {
            text = text::kSwitchFailed;
            ClosePort();
            return false;
        }
    }
    text = toFast ? text::kLoaderNotRespondingFast : text::kLoaderNotResponding;
    ClosePort();
    return false;
}

bool CSerialPort::EnterLoader(std::string& text) {
    for (int cycle = 0; cycle < timing::kEnterCycles; ++cycle) {
        if (!IdentifyUnit(speedIndex_)) continue;
        switch (unitMode_) {
        case kModeLoader: {
            if (loaderVersion_ == 0) {
                std::string version;
                LoaderQuery("V", timing::kVersionLimitMs, version, 2, timing::kVersionRetries);
                const bool digits = version.size() >= 2 && version[0] >= '1' && version[0] <= '9';
                const int low = digits && version[1] >= '0' && version[1] <= '9' ? version[1] - '0' : 0;
                loaderVersion_ = digits ? (version[0] - '0') * 100 + low : 0;
            }
            DrainInput(false);
            if (speedIndex_ != 0 && !SetLoaderSpeed(false, text)) continue;
            return true;
        }
        case kModeFirmware:
        case kModeProgrammer: {
            std::string ignored;
            static constexpr std::size_t kEntryReplyBytes = 20;
            WriteToBZTAndWaitFor("Z31842.7\n", timing::kLoaderEntryLimitMs, ignored, kEntryReplyBytes, false,
                                 timing::kLoaderEntryRetries);
            SendCommandLine("Z\n");
            pause(timing::kLoaderStartMs);
            speedIndex_ = 0;
            break;
        }
        case kModeInvalidCommand:
            WriteToBZTAndWait("rk5c93\n", timing::kServiceEntryLimitMs);
            speedIndex_ = 0;
            break;
        default: break;
        }
    }
    unitMode_ = kModeNone;
    text = text::kLoaderNotResponding;
    ClosePort();
    return false;
}

bool CSerialPort::LeaveLoader(std::string& text, bool toBaseSpeed) {
    for (int cycle = 0; cycle < timing::kLeaveCycles; ++cycle) {
        if (!IdentifyUnit(speedIndex_)) continue;
        switch (unitMode_) {
        case kModeLoader:
            LoaderCommand("y", timing::kEndTransferLimitMs);
            LoaderPoke("X");
            pause(timing::kFirmwareRestartMs);
            DrainInput(false);
            speedIndex_ = toBaseSpeed || answeredSpeedIndex_ < 0 ? 0 : answeredSpeedIndex_;
            break;
        case kModeFirmware:
        case kModeProgrammer: return true;
        case kModeInvalidCommand:
            WriteToBZTAndWait("dx\n", timing::kServiceLeaveLimitMs);
            pause(timing::kServiceLeavePauseMs);
            if (answeredSpeedIndex_ != -1) speedIndex_ = answeredSpeedIndex_;
            break;
        default: break;
        }
    }
    // The last cycle's "X" may have started the firmware after all: one more
    // look says where the unit is.
    lastSeenInLoader_ = false;
    if (IdentifyUnit(speedIndex_)) {
        if (unitMode_ == kModeFirmware || unitMode_ == kModeProgrammer) return true;
        lastSeenInLoader_ = unitMode_ == kModeLoader;
    }
    unitMode_ = kModeNone;
    text = text::kLoaderFailedToExit;
    return false;
}

}  // namespace marnoch

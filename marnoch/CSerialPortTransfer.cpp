// The transfer of the settings image through the boot loader at 115200:
// a read of all 4096 bytes, each confirmed by two reads that agree, or a
// program of the programmable ranges with a read-back of every byte as it
// is written and of the whole image once more at the end.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/SettingsFile.h"
#include "marnoch/Timing.h"

#include <cstdio>
#include <iterator>

namespace marnoch {

namespace {

std::string addressCommand(unsigned address) {
    return std::string{'a', static_cast<char>((address >> 8) & 0xFF), static_cast<char>(address & 0xFF)};
}

std::string addressText(unsigned address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%03X", address & 0xFFFu);
    return text;
}

std::string bytesText(int n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// Progress of a program: the writing fills the first half of the bar, the
// read-back of the whole image the second.
int programPosition(unsigned address, bool readBack) {
    return static_cast<int>((readBack ? SettingsImage::kSize : 0) + address) / 2;
}

}  // namespace

// One read of an address. It is clean when both exchanges were answered at
// their first sending with nothing else on the line: after a resend the
// answer to the first sending may still come, and a late "\r" would be taken
// for the data byte; after stray bytes the loader may have taken a byte of
// ours for an operand. A read that is not clean waits for such answers and
// drains them, and its byte is not trusted.
bool CSerialPort::readAddress(unsigned address, std::uint8_t& value, bool& clean) {
    std::string reply;
    clean = false;
    const bool addressed = LoaderCommand(addressCommand(address), timing::kAddressLimitMs);
    bool cleanSoFar = addressed && lastExchangeClean_;
    const bool read = addressed && LoaderQuery("D", timing::kReadByteLimitMs, reply, 1, timing::kReadByteRetries);
    cleanSoFar = cleanSoFar && read && lastExchangeClean_;
    if (!cleanSoFar) {
        clock_.sleepMs(timing::kReadByteLimitMs);
        DrainInput(false);
    }
    if (!read) return false;
    value = static_cast<std::uint8_t>(reply[0]);
    clean = cleanSoFar;
    return true;
}

// An address counts as read when two clean reads in a row agree; a read
// that lands at another address after a lost byte is not taken for the
// byte. `value` holds the last byte read, `anyRead` whether one came.
bool CSerialPort::readConfirmed(unsigned address, std::uint8_t& value, bool& anyRead) {
    anyRead = false;
    bool previousClean = false;
    int unclean = 0;
    for (int read = 0; read < timing::kByteTries;) {
        std::uint8_t byte = 0;
        bool clean = false;
        const bool got = readAddress(address, byte, clean);
        // A read spoilt by a late answer is made again, a few times over the
        // address's own tries.
        if (got && !clean && ++unclean <= timing::kExtraUncleanReads) {
            previousClean = false;
            continue;
        }
        ++read;
        if (!got) {
            previousClean = false;
            continue;
        }
        const bool agrees = previousClean && clean && byte == value;
        value = byte;
        anyRead = true;
        previousClean = clean;
        if (agrees) return true;
    }
    return false;
}

bool CSerialPort::retrieveLoop(CProgCtrl& progress, unsigned& stoppedAt) {
    for (unsigned address = 0; address < SettingsImage::kSize; ++address) {
        std::uint8_t value = 0;
        bool anyRead = false;
        const bool confirmed = readConfirmed(address, value, anyRead);
        if (anyRead) image_[address] = value;
        if (!confirmed) {
            stoppedAt = address;
            return false;
        }
        if (address % timing::kProgressEvery == 0) progress.SetPos(static_cast<int>(address));
    }
    return true;
}

bool CSerialPort::programLoop(CProgCtrl& progress, unsigned& stoppedAt) {
    for (const auto& range : kProgramRanges) {
        for (unsigned address = range.first; address < range.end; ++address) {
            const auto wanted = static_cast<char>(image_[address]);
            bool verified = false;
            for (int attempt = 0; attempt < timing::kByteTries && !verified; ++attempt) {
                std::string reply;
                if (!LoaderCommand(addressCommand(address), timing::kAddressLimitMs)) continue;
                if (!LoaderCommand(std::string{'d', wanted}, timing::kWriteByteLimitMs)) continue;
                if (!LoaderCommand(addressCommand(address), timing::kAddressLimitMs)) continue;
                if (!LoaderQuery("D", timing::kReadByteLimitMs, reply, 1, timing::kReadByteRetries)) continue;
                verified = reply[0] == wanted;
            }
            if (!verified) {
                stoppedAt = address;
                return false;
            }
            if (address % timing::kProgressEvery == 0) progress.SetPos(programPosition(address, false));
        }
    }
    return true;
}

// Each byte was read back as it was written, but a write that a lost or
// damaged byte sent to another address changed a byte already checked. So
// every programmable byte is read once more; one that does not match is
// read until two reads agree before it counts as different.
bool CSerialPort::readBackLoop(CProgCtrl& progress, int& differing, unsigned& stoppedAt) {
    for (const auto& range : kProgramRanges) {
        for (unsigned address = range.first; address < range.end; ++address) {
            std::uint8_t value = 0;
            bool clean = false;
            if (!readAddress(address, value, clean) || !clean || value != image_[address]) {
                bool anyRead = false;
                if (!readConfirmed(address, value, anyRead)) {
                    stoppedAt = address;
                    return false;
                }
                if (value != image_[address]) ++differing;
            }
            if (address % timing::kProgressEvery == 0) progress.SetPos(programPosition(address, true));
        }
    }
    return true;
}

// What a failed transfer left in the unit, after the FAILED text.
std::string CSerialPort::failureDetail(bool program, const TransferOutcome& o) const {
    std::string detail;
    auto add = [&](const std::string& sentence) { detail += (detail.empty() ? "" : " ") + sentence; };
    bool changed = false;
    if (!o.complete) {
        add((program ? "Programming" : "Reading") + std::string(" stopped at address ") + addressText(o.stoppedAt) +
            ".");
        changed = program;
    } else if (program && !o.readBack) {
        add("The settings could not be read back from address " + addressText(o.stoppedAt) + " on.");
        if (o.differing > 0) add(bytesText(o.differing) + " before it differ from the file.");
        changed = true;
    } else if (program && o.differing > 0) {
        add(bytesText(o.differing) + " of the unit's settings " + (o.differing == 1 ? "differs" : "differ") +
            " from the file after programming.");
        changed = true;
    }
    if (!o.back) {
        if (o.leftInLoader) add(changed ? "The unit was left in its boot loader, half-programmed."
                                        : "The unit was left in its boot loader.");
        else add(changed ? "The unit no longer answers; it is half-programmed." : "The unit no longer answers.");
    } else if (changed) {
        add("The unit runs, half-programmed.");
    }
    if (program && (changed || !o.back)) add("Program the unit again.");
    return detail;
}

bool CSerialPort::transfer(std::string& text, CProgCtrl& progress, bool program) {
    const int startMode = unitMode_;
    const bool toBaseSpeed = startMode == kModeProgrammer;
    // The search left the port closed; every later step reopens it by name.
    if (!line_.isOpen()) {
        std::string ignored;
        OpenPort(ignored);
    }
    if (startMode == kModeFirmware) PowerOffZones();
    DrainInput(false);
    if (!EnterLoader(text) || !SetLoaderSpeed(true, text)) {
        if (program) text += "\n\nThe unit's settings were not changed.";
        return false;
    }
    LoaderCommand("x", timing::kPrepareLimitMs);
    LoaderCommand("P", timing::kProgramModeLimitMs);
    progress.SetRange(0, static_cast<int>(SettingsImage::kSize));
    progress.SetPos(1);
    progress.Show(true);
    progress.SetPos(0);

    SetTransferTimeouts(true);
    TransferOutcome o;
    if (program) {
        o.complete = programLoop(progress, o.stoppedAt);
        if (o.complete) o.readBack = readBackLoop(progress, o.differing, o.stoppedAt);
    } else {
        o.complete = retrieveLoop(progress, o.stoppedAt);
    }
    LoaderCommand("y", timing::kEndTransferLimitMs);
    SetTransferTimeouts(false);

    // The unit is asked back to its firmware in every case; only a transfer
    // that succeeded is worth the recovery cycles.
    const bool good = o.complete && o.readBack && o.differing == 0;
    o.back = LeaveLoader(text, toBaseSpeed);
    if (!o.back && good) {
        // Up to a few minutes on a silent line: the bar shows each query.
        constexpr int kQueriesPerCycle = (timing::kEnterCycles + timing::kLeaveCycles + 1) *
                                         static_cast<int>(std::size(kBaudRateTable)) * timing::kIdentifyTries;
        startTicking(progress, timing::kRecoveryCycles * kQueriesPerCycle);
        for (int cycle = 0; cycle < timing::kRecoveryCycles && !o.back; ++cycle) {
            clock_.sleepMs(timing::kRecoveryPauseMs);
            std::string ignored;
            EnterLoader(ignored);
            o.back = LeaveLoader(ignored, toBaseSpeed);
        }
        stopTicking();
    }
    if (!good || !o.back) {
        o.leftInLoader = lastSeenInLoader_;
        text = (program ? text::kProgramFailed : text::kRetrieveFailed) + "\n\n" + failureDetail(program, o);
        ClosePort();
        progress.Show(false);
        return false;
    }
    if (unitMode_ != kModeProgrammer) {
        for (int tries = 0; tries < timing::kClockTries; ++tries) {
            clock_.sleepMs(timing::kClockPauseMs);
            if (SetUnitClock()) break;
        }
    }
    text = program ? text::kProgrammedOk : text::kRetrievedOk;
    ClosePort();
    progress.Show(false);
    return true;
}

bool CSerialPort::RetrieveSettings(std::string& text, CProgCtrl& progress) { return transfer(text, progress, false); }

bool CSerialPort::ProgramSettings(std::string& text, CProgCtrl& progress) { return transfer(text, progress, true); }

bool CSerialPort::WriteSettingsFile(const std::string& path, std::string& text) {
    if (SaveSettingsFile(image_, path, text)) return true;
    ClosePort();
    return false;
}

bool CSerialPort::ReadSettingsFile(const std::string& path, std::string& text) {
    if (LoadSettingsFile(image_, path, text)) return true;
    ClosePort();
    return false;
}

}  // namespace marnoch

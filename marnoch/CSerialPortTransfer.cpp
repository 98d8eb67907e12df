// The transfer of the settings image through the boot loader at 115200:
// a read of all 4096 bytes, each confirmed by two reads that agree, or a
// program of the programmable ranges with a read-back of every byte.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/SettingsFile.h"
#include "marnoch/Timing.h"

namespace marnoch {

namespace {

std::string addressCommand(unsigned address) {
    return std::string{'a', static_cast<char>((address >> 8) & 0xFF), static_cast<char>(address & 0xFF)};
}

}  // namespace

bool CSerialPort::readAddress(unsigned address, std::uint8_t& value) {
    std::string reply;
    if (!LoaderCommand(addressCommand(address), timing::kAddressLimitMs) ||
        !LoaderQuery("D", timing::kReadByteLimitMs, reply, 1, timing::kReadByteRetries))
        return false;
    value = static_cast<std::uint8_t>(reply[0]);
    return true;
}

bool CSerialPort::retrieveLoop(CProgCtrl& progress) {
    for (unsigned address = 0; address < SettingsImage::kSize; ++address) {
        bool haveRead = false;
        bool confirmed = false;
        std::uint8_t previous = 0;
        for (int read = 0; read < timing::kByteTries && !confirmed; ++read) {
            std::uint8_t value = 0;
            if (!readAddress(address, value)) continue;
            if (haveRead && value == previous) confirmed = true;
            else image_[address] = value;
            haveRead = true;
            previous = value;
        }
        if (!confirmed) return false;
        if (address % timing::kProgressEvery == 0) progress.SetPos(static_cast<int>(address));
    }
    return true;
}

bool CSerialPort::programLoop(CProgCtrl& progress) {
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
            if (!verified) return false;
            if (address % timing::kProgressEvery == 0) progress.SetPos(static_cast<int>(address));
        }
    }
    return true;
}

bool CSerialPort::transfer(std::string& text, CProgCtrl& progress, bool program) {
    const int startMode = unitMode_;
    const bool toBaseSpeed = startMode == kModeProgrammer;
    const std::string& failedText = program ? text::kProgramFailed : text::kRetrieveFailed;
    // The search left the port closed; every later step reopens it by name.
    if (!line_.isOpen()) {
        std::string ignored;
        OpenPort(ignored);
    }
    if (startMode == kModeFirmware) PowerOffZones();
    DrainInput(false);
    if (!EnterLoader(text) || !SetLoaderSpeed(true, text)) return false;
    LoaderCommand("x", timing::kPrepareLimitMs);
    LoaderCommand("P", timing::kProgramModeLimitMs);
    progress.SetRange(0, static_cast<int>(SettingsImage::kSize));
    progress.SetPos(1);
    progress.Show(true);
    progress.SetPos(0);

    SetTransferTimeouts(true);
    const bool complete = program ? programLoop(progress) : retrieveLoop(progress);
    LoaderCommand("y", timing::kEndTransferLimitMs);
    SetTransferTimeouts(false);

    auto fail = [&] {
        text = failedText;
        ClosePort();
        progress.Show(false);
        return false;
    };
    if (!complete) {
        // The unit is still asked back to its firmware.
        LeaveLoader(text, toBaseSpeed);
        return fail();
    }
    if (!LeaveLoader(text, toBaseSpeed)) {
        bool back = false;
        for (int cycle = 0; cycle < timing::kRecoveryCycles && !back; ++cycle) {
            clock_.sleepMs(timing::kRecoveryPauseMs);
            std::string ignored;
            EnterLoader(ignored);
            back = LeaveLoader(ignored, toBaseSpeed);
        }
        if (!back) return fail();
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

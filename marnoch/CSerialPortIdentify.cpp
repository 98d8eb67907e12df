// Identification of what answers on the line (running firmware, programmer,
// boot loader, or a unit that answers "Invalid Command") and the search over
// COM1 to COM8 at every line speed.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"

namespace marnoch {

namespace {

bool isLoaderPrompt(const std::uint8_t* b, std::size_t n) { return n == 2 && b[0] == '?' && b[1] == '?'; }

std::string textOf(const std::uint8_t* b, std::size_t n) { return std::string(reinterpret_cast<const char*>(b), n); }

}  // namespace

void CSerialPort::SetModelOnce(int model) {
    if (unitMode_ == kModeLoader || unitMode_ == kModeNone || model_ == kModelNone) model_ = model;
}

bool CSerialPort::IdentifyUnit(int startSpeedIndex) {
    speedIndex_ = startSpeedIndex;
    if (!line_.isOpen()) {
        std::string ignored;
        OpenPort(ignored);
    }
    nonBlocking_ = false;
    std::uint8_t buffer[64];
    for (;;) {
        if (!ApplyLineSettings()) {
            ClosePort();
            return false;
        }
        std::string reply;
        int invalidCommands = 0;
        std::size_t lastRead = 0;
        bool matched = false;
        for (int tries = 0; tries < 3 && !matched; ++tries) {
            SendCommandLine("?\n");
            clock_.sleepMs(120);
            const std::size_t got = readPort(buffer, 64);
            lastRead = got;
            reply = textOf(buffer, got);
            if (got < 6) {
                // The boot loader answers "?" to each byte of the query;
                // its banner then says which processor it is.
                if (isLoaderPrompt(buffer, got)) {
                    writePort("S");
                    clock_.sleepMs(35);
                    const std::size_t bannerBytes = readPort(buffer, 35);
                    lastRead = bannerBytes;
                    const std::string banner = textOf(buffer, bannerBytes);
                    if (banner.find("ISP") != std::string::npos) {
                        unitMode_ = kModeLoader;
                        reply = banner;
                        matched = true;
                    }
                }
                continue;
            }
            const FirstPassMatch m = MatchFirstPass(reply);
            switch (m.kind) {
            case FirstPassMatch::Firmware:
                unitMode_ = kModeFirmware;
                if (answeredSpeedIndex_ == -1) answeredSpeedIndex_ = speedIndex_;
                matched = true;
                break;
            case FirstPassMatch::Programmer:
                unitMode_ = kModeProgrammer;
                SetModelOnce(m.model);
                matched = true;
                break;
            case FirstPassMatch::Loader:
                unitMode_ = kModeLoader;
                SetModelOnce(m.model);
                matched = true;
                break;
            case FirstPassMatch::InvalidCommand: ++invalidCommands; break;
            case FirstPassMatch::None: break;
            }
        }
        if (!matched && lastRead > 0 && invalidCommands == 3) {
            unitMode_ = kModeInvalidCommand;
            return true;
        }
        if (matched && PassesAcceptance(reply, false)) {
            SetModelOnce(ModelOfReply(reply, false));
            return true;
        }
        speedIndex_ = (speedIndex_ + 1) % 8;
        if (speedIndex_ == startSpeedIndex) return false;
    }
}

bool CSerialPort::ProbeUnit(std::string& text) {
    if (!ApplyLineSettings()) {
        text = text::kSwitchFailed;
        ClosePort();
        return false;
    }
    auto startFirmware = [&] {
        LoaderPoke("X");
        clock_.sleepMs(1000);
        if (!line_.isOpen()) {
            std::string ignored;
            OpenPort(ignored);
        }
    };
    std::uint8_t buffer[64];
    std::string reply;
    bool matched = false;
    for (int tries = 0; tries < 3 && !matched; ++tries) {
        SendCommandLine("?\n");
        clock_.sleepMs(500);
        const std::size_t got = readPort(buffer, 64);
        reply = textOf(buffer, got);
        if (got < 6) {
            if (isLoaderPrompt(buffer, got)) {
                startFirmware();
                unitMode_ = kModeLoader;
            }
            continue;
        }
        const FirstPassMatch m = MatchFirstPass(reply);
        switch (m.kind) {
        case FirstPassMatch::Firmware:
            unitMode_ = kModeFirmware;
            if (answeredSpeedIndex_ == -1) answeredSpeedIndex_ = speedIndex_;
            matched = true;
            break;
        case FirstPassMatch::Programmer:
            unitMode_ = kModeProgrammer;
            SetModelOnce(m.model);
            matched = true;
            break;
        case FirstPassMatch::Loader:
            unitMode_ = kModeLoader;
            SetModelOnce(m.model);
            startFirmware();
            matched = true;
            break;
        case FirstPassMatch::InvalidCommand:
            // The service mode: ask it back to the firmware.
            WriteToBZTAndWait("dx\n", 1500);
            clock_.sleepMs(2000);
            WriteToBZTAndWait("@0\n", 900);
            unitMode_ = kModeNone;
            break;
        case FirstPassMatch::None: break;
        }
    }
    if (!matched || !PassesAcceptance(reply, true)) return false;
    SetModelOnce(ModelOfReply(reply, true));
    return true;
}

bool CSerialPort::FindBZT(std::string& text) {
    if (unitMode_ == kModeNone) comNumber_ = 1;
    bool found = false;
    for (; comNumber_ <= kComCount; ++comNumber_) {
        speedIndex_ = 0;
        if (unitMode_ == kModeNone) portName_ = ports_ ? ports_(comNumber_) : std::string();
        std::string ignored;
        if (!OpenPort(ignored)) continue;
        nonBlocking_ = false;
        if (!SetPortTimeouts() && !OpenPort(ignored)) continue;
        // A loader that answered sends the search back to 19200 once per
        // port; a unit that keeps switching between loader and service
        // answers would otherwise cycle for ever.
        bool restarted = false;
        while (!ProbeUnit(ignored)) {
            if (unitMode_ == kModeLoader && speedIndex_ == 0) break;
            if (unitMode_ == kModeLoader && !restarted) {
                speedIndex_ = 0;
                restarted = true;
                continue;
            }
            if (++speedIndex_ > 7) {
                speedIndex_ = 8;
                break;
            }
        }
        ClosePort();
        if (speedIndex_ < 8) {
            found = true;
            break;
        }
    }
    if (!found) {
        text = text::kNotFound;
        return false;
    }
    text = FoundText(model_);
    return true;
}

}  // namespace marnoch

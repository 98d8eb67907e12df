// Identification of what answers on the line (running firmware, programmer,
// boot loader, or a unit that answers "Invalid Command") and the search over
// COM1 to COM8 at every line speed.

#include "marnoch/CSerialPort.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/Timing.h"
#include "platform/PortTried.h"

#include <iterator>

namespace marnoch {

namespace {

bool isLoaderPrompt(const std::uint8_t* b, std::size_t n) { return n == 2 && b[0] == '?' && b[1] == '?'; }

std::string textOf(const std::uint8_t* b, std::size_t n) { return std::string(reinterpret_cast<const char*>(b), n); }

// An answer to "?\n" and the loader's banner, as much as is read of each;
// an answer shorter than kShortestAnswer is no identification.
constexpr std::size_t kAnswerBytes = 64;
constexpr std::size_t kBannerBytes = 35;
constexpr std::size_t kShortestAnswer = 6;

}  // namespace

void CSerialPort::SetModelOnce(int model) {
    if (unitMode_ == kModeLoader || unitMode_ == kModeNone || model_ == kModelNone) model_ = model;
}

// The rows of the first pass that name what answers: the running firmware
// (whose speed is remembered the first time), a programmer or the loader
// banner, with the model the row gives. "Invalid Command" and no match
// leave the state as it was; each caller handles them its own way.
bool CSerialPort::takeFirstPass(const FirstPassMatch& match) {
    switch (match.kind) {
    case FirstPassMatch::Firmware:
        unitMode_ = kModeFirmware;
        if (answeredSpeedIndex_ == -1) answeredSpeedIndex_ = speedIndex_;
        return true;
    case FirstPassMatch::Programmer:
        unitMode_ = kModeProgrammer;
        SetModelOnce(match.model);
        return true;
    case FirstPassMatch::Loader:
        unitMode_ = kModeLoader;
        SetModelOnce(match.model);
        return true;
    case FirstPassMatch::InvalidCommand:
    case FirstPassMatch::None: return false;
    }
    return false;
}

bool CSerialPort::IdentifyUnit(int startSpeedIndex) {
    speedIndex_ = startSpeedIndex;
    if (!line_.isOpen()) {
        std::string ignored;
        OpenPort(ignored);
    }
    nonBlocking_ = false;
    std::uint8_t buffer[kAnswerBytes];
    for (;;) {
        if (!ApplyLineSettings()) {
            ClosePort();
            return false;
        }
        std::string reply;
        int invalidCommands = 0;
        std::size_t lastRead = 0;
        bool matched = false;
        for (int tries = 0; tries < timing::kIdentifyTries && !matched; ++tries) {
            tick();
            SendCommandLine("?\n");
            pause(timing::kIdentifyPauseMs);
            const std::size_t got = readPort(buffer, kAnswerBytes);
            lastRead = got;
            reply = textOf(buffer, got);
            if (got < kShortestAnswer) {
                // The boot loader answers "?" to each byte of the query;
                // its banner then says which processor it is.
                if (isLoaderPrompt(buffer, got)) {
                    writePort("S");
                    pause(timing::kBannerPauseMs);
                    const std::size_t bannerBytes = readPort(buffer, kBannerBytes);
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
            if (takeFirstPass(m)) matched = true;
            else if (m.kind == FirstPassMatch::InvalidCommand) ++invalidCommands;
        }
        if (!matched && lastRead > 0 && invalidCommands == timing::kIdentifyTries) {
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
        pause(timing::kFirmwareStartMs);
        if (!line_.isOpen()) {
            std::string ignored;
            OpenPort(ignored);
        }
    };
    std::uint8_t buffer[kAnswerBytes];
    std::string reply;
    bool matched = false;
    for (int tries = 0; tries < timing::kIdentifyTries && !matched; ++tries) {
        tick();
        SendCommandLine("?\n");
        pause(timing::kProbePauseMs);
        const std::size_t got = readPort(buffer, kAnswerBytes);
        reply = textOf(buffer, got);
        if (got < kShortestAnswer) {
            if (isLoaderPrompt(buffer, got)) {
                startFirmware();
                unitMode_ = kModeLoader;
            }
            continue;
        }
        const FirstPassMatch m = MatchFirstPass(reply);
        if (takeFirstPass(m)) {
            matched = true;
            if (m.kind == FirstPassMatch::Loader) startFirmware();
        } else if (m.kind == FirstPassMatch::InvalidCommand) {
            // The service mode: ask it back to the firmware.
            WriteToBZTAndWait("dx\n", timing::kProbeServiceExitLimitMs);
            pause(timing::kProbeServiceExitPauseMs);
            WriteToBZTAndWait("@0\n", timing::kProbeServiceResetLimitMs);
            unitMode_ = kModeNone;
        }
    }
    if (!matched || !PassesAcceptance(reply, true)) return false;
    SetModelOnce(ModelOfReply(reply, true));
    return true;
}

void CSerialPort::startTicking(CProgCtrl& progress, int steps) {
    ticker_ = &progress;
    ticks_ = 0;
    tickSteps_ = steps > 0 ? steps : 1;
    progress.SetRange(0, tickSteps_);
    progress.SetPos(0);
    progress.Show(true);
}

void CSerialPort::stopTicking() { ticker_ = nullptr; }

void CSerialPort::tick() {
    if (ticker_ != nullptr && ticks_ < tickSteps_) ticker_->SetPos(++ticks_);
}

bool CSerialPort::FindBZT(std::string& text, CProgCtrl* progress) {
    if (unitMode_ == kModeNone) comNumber_ = 1;
    if (progress != nullptr) {
        // Every speed of every port present, three queries each: the most a
        // search can take.
        int present = 0;
        for (int n = comNumber_; n <= kComCount; ++n)
            if (ports_ && !ports_(n).empty()) ++present;
        startTicking(*progress, present * static_cast<int>(std::size(kBaudRateTable)) * timing::kIdentifyTries);
    }
    const bool found = findOnPorts();
    if (progress != nullptr) {
        stopTicking();
        progress->Show(false);
    }
    if (!found) {
        // What each port did, so that a port held by another program or
        // closed to this user is not taken for a loose cable.
        text = text::kNotFound;
        if (!lastSearch_.empty()) text += "\n" + platform::PortTriedLines(lastSearch_);
        return false;
    }
    text = FoundText(model_);
    return true;
}

bool CSerialPort::findOnPorts() {
    bool found = false;
    lastSearch_.clear();
    for (; comNumber_ <= kComCount; ++comNumber_) {
        speedIndex_ = 0;
        if (unitMode_ == kModeNone) portName_ = ports_ ? ports_(comNumber_) : std::string();
        platform::PortTried& here = lastSearch_.emplace_back(platform::PortTried{comNumber_, portName_, {}});
        std::string ignored;
        bool opened = OpenPort(ignored);
        if (opened) {
            nonBlocking_ = false;
            opened = SetPortTimeouts() || OpenPort(ignored);
        }
        if (!opened) {
            here.outcome = platform::CouldNotOpen(line_);
            continue;
        }
        here.outcome = text::kNoUnitAnswered;
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
    return found;
}

}  // namespace marnoch

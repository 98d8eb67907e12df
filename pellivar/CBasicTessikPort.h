#pragma once

#include "pellivar/LineSplitter.h"
#include "pellivar/PortLock.h"
#include "pellivar/PortSpeeds.h"
#include "pellivar/Timing.h"
#include "platform/ByteLine.h"
#include "platform/Clock.h"
#include "platform/PortTried.h"
#include "platform/SerialLine.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pellivar {

class CPortInputBuffer;
class CSItemVector;

// The device path of "COMn"; empty when there is no such port.
using PortResolver = std::function<std::string(int comNumber)>;
PortResolver DefaultPortResolver();

// The processor's COM port: opening at a speed index (8N1, no flow control),
// the search for a unit over ports and speeds, identification by model name,
// the power query, and writes. Once a search has found a unit, a reader
// thread cuts what the unit sends into lines for the subscriptions.
//
// Every use of the device happens under the port lock. The connected flag
// means "a search found a unit on the open port"; closing clears it, so a
// failed search never leaves a stale connection behind.
class CBasicTessikPort {
public:
    static constexpr int kSearchPorts = 6;       // COM1-COM6 over all speeds
    static constexpr int kSearchPortsAtSpeed = 9;  // COM1-COM9 at one speed

    // `line`, when given, is what the port talks through instead of its own
    // serial line (the caller keeps it for the port's life).
    CBasicTessikPort(CSItemVector& replies, platform::Clock& clock = platform::systemClock(), Timing timing = {},
                     PortResolver resolver = DefaultPortResolver(), platform::ByteLine* line = nullptr);
    virtual ~CBasicTessikPort();
    CBasicTessikPort(const CBasicTessikPort&) = delete;
    CBasicTessikPort& operator=(const CBasicTessikPort&) = delete;

    // Opens "COM<portNumber>" at the stored speed with the working time-outs.
    bool Open(int portNumber);
    void Close();
    // The working time-outs (reads: 5 ms between bytes, 1 ms per byte + 15 ms
    // in all; writes: 5 ms per byte + 15 ms), starting with received bytes
    // purged.
    bool SetTimeouts();

    // Full search: COM1-COM6, every speed in search order. True when a unit
    // answered; the port then stays open at that speed with the reader
    // running. On failure the port is closed.
    bool FindUnit();
    // COM1-COM9 at the stored speed index only.
    bool FindUnitAtSpeed();
    // Identification at the stored speed on the open port: "?\n", then a
    // model name anywhere in the answer. Sets the model number.
    bool Identify();

    // 1 when the unit says its main zone is on ("P1P1"), else 0. Bytes that
    // arrive during the query still reach the subscriptions.
    int QueryPower();

    // Writes the text as it is; false when the port is closed or the write
    // did not complete in its time limit.
    bool Write(const std::string& text);
    // Waits until written bytes have left the port.
    bool Drain();

    bool IsConnected() const { return open_.load() && connected_.load(); }
    bool IsOpen() const { return open_.load(); }
    int GetModel() const { return model_.load(); }
    const char* GetModelName() const { return ModelNames::name(model_.load()); }
    int GetPortNumber() const { return portNumber_.load(); }
    int GetSpeedIndex() const { return speedIndex_.load(); }
    void SetSpeedIndex(int index) {
        if (PortSpeeds::valid(index)) speedIndex_ = index;
    }
    int GetPowerFlag() const { return power_.load(); }
    std::string DevicePath();

    // Ends a search at its next identification round (shutdown).
    void RequestStop() { stop_ = true; }
    bool StopRequested() const { return stop_.load(); }

    // The reader's pass: at most 5 bytes with the working time-outs, cut into
    // lines. False when the line failed (hung up) or is closed.
    bool ReadPass();
    // Discards what has been received and not read.
    bool Purge();

    // Sees every write as it goes out, with the time on the port's clock.
    using WriteObserver = std::function<void(std::int64_t timeMs, const std::string& text)>;
    void SetWriteObserver(WriteObserver observer);

    // The connection follows the line: a hang-up, a failed write or a power
    // query that nothing answers ends it. MarkLost clears the connected flag
    // (commands are no longer handed over) and tells the observer once, on
    // the thread that noticed, with the port lock possibly held; the port
    // stays open until the next search or Close.
    using LostObserver = std::function<void(const std::string& reason)>;
    void SetLostObserver(LostObserver observer);
    void MarkLost(const std::string& reason);
    static constexpr const char* kHungUpReason = "the line hung up";
    static constexpr const char* kWriteFailedReason = "a command could not be written";
    static constexpr const char* kNoPowerAnswerReason = "the unit did not answer the power query";
    // Sees every reply line before the subscriptions (reader thread).
    using LineObserver = std::function<void(const std::string& line)>;
    void SetLineObserver(LineObserver observer);

    // Where a search stands, for the wait dialog: the port being tried, how
    // many of its speeds have been tried (counting the one being tried) and
    // how many there are, and the speed in baud. Port 0 while none runs.
    struct SearchProgress {
        int port = 0;
        int speedsTried = 0;
        int speeds = 0;
        int baud = 0;
    };
    SearchProgress GetSearchProgress() const;
    // The ports the last search tried and what it met on each, a line per
    // port ("  COM3 = /dev/ttyUSB0: could not be opened: in use by another
    // program"); empty before any search.
    std::string SearchReport() const;
    static constexpr const char* kNoAnswerOutcome = "no unit answered";
    static constexpr const char* kAnsweredOutcome = "a unit answered";

    platform::Clock& clock() { return clock_; }
    const Timing& timing() const { return timing_; }

private:
    struct Timeouts {
        std::int64_t readInterval, readMultiplier, readConstant, writeMultiplier, writeConstant;
    };
    static constexpr Timeouts kWorking{5, 1, 15, 5, 15};
    static constexpr Timeouts kSearching{1, 1, 5, 1, 5};

    bool Search(int lastPort, bool allSpeeds);
    // Why the last Open failed at its device, for the search's report.
    std::string OpenFailure();
    bool ConfigureLocked(bool drainFirst);
    long ReadLocked(char* buffer, std::size_t n);
    bool WriteLocked(const std::string& text);

    CSItemVector& replies_;
    platform::Clock& clock_;
    Timing timing_;
    PortResolver resolver_;

    std::recursive_mutex lifecycle_;  // open, close, search and the reader's life
    PortLock portLock_;               // the device itself
    platform::SerialLine serial_;
    platform::ByteLine& line_;  // serial_, or the line handed in
    Timeouts timeouts_ = kWorking;
    LineSplitter splitter_;
    std::unique_ptr<CPortInputBuffer> reader_;
    WriteObserver writeObserver_;
    LostObserver lostObserver_;    // set before the link is used
    LineObserver lineObserver_;

    mutable std::mutex reportLock_;
    std::vector<platform::PortTried> lastSearch_;

    std::atomic<int> searchPort_{0};
    std::atomic<int> searchTried_{0};
    std::atomic<int> searchSpeeds_{0};

    std::atomic<int> model_{-1};
    std::atomic<int> portNumber_{1};
    std::atomic<int> speedIndex_{PortSpeeds::kDefaultIndex};
    std::atomic<int> power_{0};
    std::atomic<bool> open_{false};
    std::atomic<bool> connected_{false};
    std::atomic<bool> stop_{false};
};

}  // namespace pellivar

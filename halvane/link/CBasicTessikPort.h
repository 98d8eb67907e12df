#pragma once

#include "halvane/link/LinkTiming.h"
#include "halvane/link/WireText.h"
#include "platform/ByteLine.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#include "platform/SerialLine.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace halvane::link::Comm {

// Halvane's one connection to the processor: opens a COM port, finds the
// port and speed a processor answers on, identifies the model from its answer
// to "?\n" and carries every command line and reply of the command sets.
// Synchronous, on the calling job's thread, no lock: one job at a time.
// Lines are 8 data bits, no parity, two stop bits, no flow control, raw.
// No operation throws or shows a message: each reports false.
class CBasicTessikPort {
public:
    static constexpr int kSpeedCount = 8;
    static constexpr int kSpeeds[kSpeedCount] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    // 19200, 115200, 1200, 2400, 4800, 9600, 38400, 57600 baud.
    static constexpr int kSearchOrder[kSpeedCount] = {4, 7, 0, 1, 2, 3, 5, 6};
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 9;
    static constexpr std::size_t kDrainLimit = 1024;

    // Per-character, minimum and maximum time of a reply read, in ms.
    struct ReplyTimes {
        std::int64_t perChar;
        std::int64_t minimum;
        std::int64_t maximum;
    };
    static constexpr ReplyTimes kIdentifyTimes{LinkTiming::kIdentifyPerCharMs, LinkTiming::kIdentifyMinMs,
                                               LinkTiming::kIdentifyMaxMs};
    static constexpr ReplyTimes kCommandTimes{LinkTiming::kCommandPerCharMs, LinkTiming::kCommandMinMs,
                                              LinkTiming::kCommandMaxMs};
    static constexpr ReplyTimes kSlowTimes{LinkTiming::kSlowPerCharMs, LinkTiming::kSlowMinMs,
                                           LinkTiming::kSlowMaxMs};

    // `line`, when given, is what the port talks through instead of its own
    // serial line (the caller keeps it, and its clock, for the port's life).
    explicit CBasicTessikPort(platform::Clock& clock = platform::systemClock(),
                              platform::PortMap portMap = platform::PortMap(), platform::ByteLine* line = nullptr);
    virtual ~CBasicTessikPort();
    CBasicTessikPort(const CBasicTessikPort&) = delete;
    CBasicTessikPort& operator=(const CBasicTessikPort&) = delete;

    // Where time and port names come from. Both close an open port first.
    void SetClock(platform::Clock& clock);
    void SetPortMap(platform::PortMap portMap);
    platform::Clock& GetClock() { return *clock_; }

    // deviceName is "COMn" (also "\\.\COMn"), resolved through the port map,
    // or a device path. Closes an open port first (as Close).
    bool Open(const std::string& deviceName);
    bool SetTimeouts();
    void Close();
    bool Reopen();
    bool IsOpen() const { return line_->isOpen(); }

    std::string GetPortText() const;  // "COM3@19200"
    bool FindUnit();
    bool Identify();

    // Reads until the text holds `terminator`; the reply is the text before
    // it. On failure `out` gets the partial text.
    bool ReadReply(std::string_view terminator, std::string* out, std::int64_t perCharMs, std::int64_t minimumMs,
                   std::int64_t maximumMs);
    bool ReadReply(std::string_view terminator, std::string* out, const ReplyTimes& times) {
        return ReadReply(terminator, out, times.perChar, times.minimum, times.maximum);
    }

    bool Write(std::string_view text);
    bool WriteRaw(const void* buffer, std::size_t length, std::size_t* written = nullptr);
    // Discards what is pending; returns how many bytes it read and dropped
    // after the purge (at most kDrainLimit).
    std::size_t Drain();

    bool SendAndReceive(std::string_view command, std::string_view terminator, std::string* out = nullptr);

    // Faults and abort. `interrupted` is asked between the slices of every
    // wait (the running job's abort); null: never. Set while a job holds a
    // unit, from the job's thread.
    // `owner` names who set it, so that it can take back only its own.
    void SetInterrupt(std::function<bool()> interrupted, const void* owner = nullptr) {
        interrupted_ = std::move(interrupted);
        interruptOwner_ = interrupted_ ? owner : nullptr;
    }
    void ClearInterrupt(const void* owner) {
        if (interruptOwner_ == owner) SetInterrupt(nullptr);
    }
    bool Interrupted() const { return interrupted_ && interrupted_(); }
    // The processor has fallen silent (reads waited kSilentLinkMs in all
    // without a byte) or hung up. Any byte that arrives clears it; so does
    // closing the port.
    bool LinkFailed() const { return linkFailed_; }
    // Retrying is pointless: the link has failed or the job was aborted.
    bool Stopping() const { return LinkFailed() || Interrupted(); }
    // Sleeps `ms` in slices; skipped or cut short (false) once Stopping.
    bool Pause(std::int64_t ms);
    // Sleeps `ms` in full, even once Stopping: a short wait the processor
    // needs before the next command, kept on a job's way out.
    void Settle(std::int64_t ms);
    // The time of the port's clock this link has spent waiting: pauses, and
    // reads that ended without their reply. A reply that came costs nothing
    // here, so this is the processor time a job accounts for, whatever the
    // machine's own speed.
    std::int64_t WaitedMs() const { return waitedMs_; }

    // Marks a job's exit actions. Inside, once the link has failed or the
    // job was aborted, every reply gets kExitReplyMs and after the first
    // that does not come the rest are not waited for: the line is tried
    // once, briefly. Commands are still written.
    class ExitPath {
    public:
        explicit ExitPath(CBasicTessikPort& port) : port_(port) {
            if (port_.exitDepth_++ == 0) port_.exitGaveUp_ = false;
        }
        ~ExitPath() { --port_.exitDepth_; }
        ExitPath(const ExitPath&) = delete;
        ExitPath& operator=(const ExitPath&) = delete;

    private:
        CBasicTessikPort& port_;
    };

    // Switches the processor's zones on (main zone only, volume -95.5 on a
    // flagship) or off (every zone), in up to five passes of 10 s each, and
    // waits 10 s more after switching on. True only when a state was read
    // and it is the wanted one; false on a closed port or with no unit found.
    bool SetPower(bool on);
    // How many switch-offs the processor confirmed (SetPower(false) that
    // read the main zone off): a job tells from it whether a unit's
    // power-off, which reports nothing, took.
    std::int64_t ConfirmedSwitchOffs() const { return confirmedSwitchOffs_; }
    // Reads the main zone's power state ("P1P?;" answered "P1P0"/"P1P1"),
    // up to five tries with a reopen and identification between them. True
    // when a state (0 or 1) was read.
    bool QueryPower(int& state);

    // Writes the command and reads a reply; skips `skip` leading characters
    // and converts the rest with `format`: true only when the reply holds the
    // value and nothing after it. A failed conversion leaves the reply in `raw`.
    template <class T>
    bool QueryValue(T& out, std::string_view command, std::string_view format, std::string_view terminator,
                    std::size_t skip, std::string* raw = nullptr) {
        return queryValue(out, command, format, terminator, skip, raw, kCommandTimes, true) == 1;
    }
    template <class T>
    bool QueryValueSlow(T& out, std::string_view command, std::string_view format, std::string_view terminator,
                        std::size_t skip, std::string* raw = nullptr) {
        return queryValue(out, command, format, terminator, skip, raw, kSlowTimes, true) == 1;
    }
    // As QueryValue, but characters after the value still give it: 1 for an
    // exact reply, 2 for a value with more after it, 0 for no value.
    template <class T>
    int QueryValueLoose(T& out, std::string_view command, std::string_view format, std::string_view terminator,
                        std::size_t skip, std::string* raw = nullptr) {
        return queryValue(out, command, format, terminator, skip, raw, kCommandTimes, false);
    }
    // Reads one reply line (no command) and converts its start with `format`.
    template <class T>
    bool ReadValue(T& out, std::string_view format) {
        std::string reply;
        if (!ReadReply("\n", &reply, kCommandTimes)) return false;
        return ScanValue(reply, format, out).fields == 1;
    }

    // The firmware version text as a number and a letter: "1.31c" gives
    // 1.31 and 'c'; "1.30" gives 1.30 and '`' (the character before 'a').
    bool ParseVersion(double& number, char& letter) const { return ParseVersionText(version_, number, letter); }
    static bool ParseVersionText(std::string_view text, double& number, char& letter);

    int ModelIndex() const { return modelIndex_; }
    int PortNumber() const { return portNumber_; }
    int SpeedIndex() const { return speedIndex_; }
    int Baud() const { return kSpeeds[speedIndex_]; }
    int Found() const { return found_; }
    const std::string& VersionText() const { return version_; }
    void SetSpeedIndex(int index);
    void SetPortNumber(int number) { portNumber_ = number; }

    // Set while a unit search has run since the last disconnect, so that one
    // search serves every unit object that asks.
    bool SearchAttempted() const { return searchAttempted_; }
    void SetSearchAttempted(bool on) { searchAttempted_ = on; }

    // How many identification requests ("?\n") were written: a figure for
    // tests and benchmarks.
    std::int64_t IdentifyRequests() const { return identifyRequests_; }
    // How many port searches (FindUnit) ran.
    std::int64_t Searches() const { return searches_; }

    // One port of the last search, as the user can act on it: the COM name,
    // the device it stood for and where that came from (the port map), and
    // how far the search got there; for a port that could not be opened, the
    // system's reason.
    struct PortTrial {
        enum Outcome { NoDevice, NotOpened, NoAnswer, Answered };
        int port = 0;
        std::string path;
        std::string source;
        Outcome outcome = NoDevice;
        std::string reason;  // why it could not be opened: "in use by another program"
    };
    const std::vector<PortTrial>& LastSearch() const { return lastSearch_; }
    void ForgetLastSearch() { lastSearch_.clear(); }
    // The last search in words, a line per port or run of ports without a
    // device, then how to choose the port; empty before any search.
    std::string SearchReport() const;

private:
    bool applyLine(bool drainFirst);
    // Opens the port again, keeping what the search found and the link's state.
    bool openKeepingState();
    // Whether the processor answers an identification request at all.
    bool probeAnswers();

    template <class T>
    int queryValue(T& out, std::string_view command, std::string_view format, std::string_view terminator,
                   std::size_t skip, std::string* raw, const ReplyTimes& times, bool strict) {
        std::string reply;
        if (!Write(command) || !ReadReply(terminator, &reply, times)) return 0;
        if (reply.size() < skip) {
            if (raw) *raw = reply;
            return 0;
        }
        const ScanResult r = ScanValue(std::string_view(reply).substr(skip), format, out);
        const int count = strict ? (r.exact() ? 1 : 0) : r.count();
        if (count == 0 && raw) *raw = reply;
        return count;
    }

    platform::Clock* clock_;
    platform::PortMap portMap_;
    std::unique_ptr<platform::SerialLine> serial_;
    platform::ByteLine* line_;  // serial_, or the line handed in

    int modelIndex_ = 9;
    int portNumber_ = 1;
    int speedIndex_ = 0;
    int found_ = 0;
    std::string version_;
    bool searchAttempted_ = false;
    std::int64_t identifyRequests_ = 0;
    std::int64_t searches_ = 0;
    std::int64_t confirmedSwitchOffs_ = 0;
    std::vector<PortTrial> lastSearch_;

    std::function<bool()> interrupted_;
    const void* interruptOwner_ = nullptr;
    std::int64_t silentMs_ = 0;  // read time without a byte since the last byte
    std::int64_t waitedMs_ = 0;
    bool linkFailed_ = false;
    int exitDepth_ = 0;
    bool exitGaveUp_ = false;
};

}  // namespace halvane::link::Comm

#pragma once

#include "marnoch/CProgCtrl.h"
#include "marnoch/LoaderTrace.h"
#include "marnoch/SettingsImage.h"
#include "marnoch/UnitPatterns.h"
#include "platform/ByteLine.h"
#include "platform/Clock.h"
#include "platform/PortTried.h"
#include "platform/SerialLine.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace marnoch {

// The device path of COMn on this machine; empty when there is none.
using PortResolver = std::function<std::string(int comNumber)>;
// COMn through the environment (COM3=/dev/pts/7) or the serial devices present.
PortResolver DefaultPortResolver();

// The PC's local date and time, for the unit's clock; false when unknown.
using LocalTimeSource = std::function<bool(std::tm&)>;
LocalTimeSource DefaultLocalTime();

// Line speeds by speed index, in search order (not ascending).
inline constexpr int kBaudRateTable[8] = {19200, 1200, 2400, 4800, 9600, 38400, 57600, 115200};
inline constexpr int kFastSpeedIndex = 7;
inline constexpr int kComCount = 8;

// Marnoch's one port object: the link to the processor through one serial
// port, the boot-loader transfer of its settings memory and the settings
// file. Every operation that can fail returns false with the user-facing
// reason in `text`; some successes put a report there. Each workflow builds
// one on its stack and destroys it at its end, which closes the port.
class CSerialPort {
public:
    // `line`, when given, is what the port talks through instead of its own
    // serial line (the caller keeps it for the port's life).
    explicit CSerialPort(SettingsImage& image = SettingsImage::process(),
                         platform::Clock& clock = platform::systemClock(),
                         PortResolver ports = DefaultPortResolver(), LocalTimeSource localTime = DefaultLocalTime(),
                         platform::ByteLine* line = nullptr);
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Port handling.
    bool OpenPort(std::string& text);
    bool ApplyLineSettings();
    bool SetPortTimeouts();
    void SetTransferTimeouts(bool nonBlocking);
    void ClosePort();
    void DrainInput(bool collect);

    // Command lines of the running firmware.
    void SendCommandLine(std::string_view bytes);
    bool WriteToBZTAndWaitFor(std::string_view command, std::int64_t timeoutMs, std::string& reply, std::size_t n,
                              bool skipLeadingNewline, int retries);
    bool WriteToBZTAndWait(std::string_view command, std::int64_t timeoutMs);

    // Identification and search.
    bool IdentifyUnit(int startSpeedIndex);
    bool ProbeUnit(std::string& text);
    void SetModelOnce(int model);
    // With `progress`, the bar moves one step with every identification
    // query of the search and is hidden at its end.
    bool FindBZT(std::string& text, CProgCtrl* progress = nullptr);

    // Boot-loader byte exchanges.
    bool LoaderQuery(std::string_view bytes, std::int64_t timeoutMs, std::string& reply, std::size_t n, int retries);
    bool LoaderCommand(std::string_view bytes, std::int64_t timeoutMs);
    bool LoaderPoke(std::string_view bytes);

    // Unit preparation and the loader's way in and out.
    bool PowerOffZones();
    bool SetUnitClock();
    bool SetLoaderSpeed(bool toFast, std::string& text);
    bool EnterLoader(std::string& text);
    bool LeaveLoader(std::string& text, bool toBaseSpeed);

    // The settings image transfers.
    bool RetrieveSettings(std::string& text, CProgCtrl& progress);
    bool ProgramSettings(std::string& text, CProgCtrl& progress);

    // The settings file (closes the port on failure).
    bool WriteSettingsFile(const std::string& path, std::string& text);
    bool ReadSettingsFile(const std::string& path, std::string& text);

    // State, as the operations leave it.
    bool isOpen() const { return line_.isOpen(); }
    int unitMode() const { return unitMode_; }
    int model() const { return model_; }
    int speedIndex() const { return speedIndex_; }
    int answeredSpeedIndex() const { return answeredSpeedIndex_; }
    int comNumber() const { return comNumber_; }
    int loaderVersion() const { return loaderVersion_; }
    const std::string& portName() const { return portName_; }
    // How often the device was opened: the flood guard of DrainInput reopens.
    int openCount() const { return openCount_; }
    // Milliseconds of the clock the link has spent waiting: its pauses, and
    // reads that ended short of the bytes they asked for (each at most its
    // limit). A reply that came costs nothing here, so this is the unit's
    // time an operation takes, whatever the machine's own speed.
    std::int64_t waitedMs() const { return waitedMs_; }

    // For a caller that knows its port already (tools, tests).
    void setPortName(std::string path) { portName_ = std::move(path); }
    void setSpeedIndex(int index) { speedIndex_ = index; }

private:
    bool openDevice(std::string& text, bool allowReopen);
    // A pause on the clock, counted in waitedMs.
    void pause(std::int64_t ms);
    // While a search or a recovery runs, each identification query moves the
    // progress bar one step, so a long wait on a silent line shows movement.
    void startTicking(CProgCtrl& progress, int steps);
    void stopTicking();
    void tick();
    bool findOnPorts();
    // Sets unit mode and model from a first-pass row that names what
    // answers; false for "Invalid Command" and no match.
    bool takeFirstPass(const FirstPassMatch& match);
    bool purgeOrReopen(bool allowReopen);
    // One read with the port's time-outs: normally up to n bytes within n + 5
    // ms, ending 1 ms after the last byte; non-blocking, what has arrived,
    // waiting at most waitMs for the first byte instead of polling in a loop.
    std::size_t readPort(std::uint8_t* buffer, std::size_t n, std::int64_t waitMs = 0);
    bool writePort(std::string_view bytes);
    bool applyLineAndTimeouts(std::string& text);
    int speedDivisor(bool toFast) const;

    // How a transfer ended, for the text of a failure.
    struct TransferOutcome {
        bool complete = false;      // the byte loop covered its whole range
        bool readBack = true;       // a program's read-back covered it too
        bool readBackTried = false; // a stopped program was read back at all
        unsigned stoppedAt = 0;     // where the byte loop stopped
        unsigned readBackStop = 0;  // where the read-back stopped
        int differingBelow = 0;     // bytes the read-back found different below the loop's stop
        int differingAbove = 0;     // ... and from it on
        int unreadable = 0;         // addresses a stopped program's read-back passed
        bool back = false;          // the unit runs its firmware again
        bool leftInLoader = false;
        // Addresses that must end as the unit held them (a backup's, or those
        // a programming never writes) and that a lost byte may have changed:
        // where the old byte is not known, and where it is known but the
        // byte could not be checked or put back.
        std::vector<unsigned> unsure;
        std::vector<unsigned> notPutBack;
        // Bytes of the file a stopped programming's repair wrote from the
        // stop on.
        int writtenFromStop = 0;
        // Programmed bytes counted as differing because no one could check
        // them after a lost byte may have written there.
        int unchecked = 0;
        // Every window of the trace was replayed and what it found sorted:
        // the verdict may be given.
        bool traced = false;
        int differing() const { return differingBelow + differingAbove; }
    };
    bool retrieveLoop(CProgCtrl& progress, unsigned& stoppedAt);
    bool programLoop(CProgCtrl& progress, unsigned& stoppedAt);
    // Reads back every programmable byte, counting those that differ from
    // the image below `split` and from it on; stops at an address it cannot
    // read unless told to pass a few.
    bool readBackLoop(CProgCtrl& progress, unsigned split, TransferOutcome& outcome, bool skipUnreadable);
    std::string failureDetail(bool program, const TransferOutcome& outcome) const;
    // What lost bytes may have changed where the unit's byte must stay as
    // it was; empty when nothing.
    // `saved`: a backup's file is written (the transfer succeeded).
    std::string strayText(bool program, const TransferOutcome& outcome, bool saved) const;
    // Reads the bytes a programming never writes, so that what a lost byte
    // writes there can be put back.
    void readUnwritten();
    // The byte an address must hold at the end: the file's where it is
    // programmed, else the one the unit had.
    std::uint8_t target(unsigned address, bool program) const;
    // Reads an address and writes `value` there unless it holds it; the
    // loader is brought back or put in step as a programming's would be.
    // `wrote`: a write was sent.
    bool putBack(unsigned address, std::uint8_t value, bool& wrote);
    bool transfer(std::string& text, CProgCtrl& progress, bool program);
    // After a program's byte loop stopped: brings the loader back if it no
    // longer answers and reads the image back.
    void readBackAfterStop(CProgCtrl& progress, TransferOutcome& outcome);
    // Puts back what a lost byte may have made the loader write during a
    // backup, where the old byte is known; the rest goes to outcome.unsure.
    // `program`: a programming was traced; an address the read-back found
    // wrong where a lost byte may have written is written right, and what
    // it re-checks is counted again as it is found. It ends the transfer
    // ("y"), closes the trace, sorts what its last window found and only
    // then sets outcome.traced, which a verdict needs.
    void repairStrayWrites(LoaderTrace& trace, TransferOutcome& outcome, bool program);
    // A programmed address's read-back counted as differing or not.
    void countDiffering(unsigned address, bool differs, TransferOutcome& outcome);
    // The loader answers at 115200, ready for byte exchanges; brought back
    // (entered again, speed raised, transfer prepared) when it does not.
    bool loaderReady();
    bool loaderAnswers();
    bool resumeLoader();
    // After an address failed its tries: whether it is worth them again,
    // the loader brought back or (once an address: `putInStep`) put back
    // in step.
    bool loaderAgain(bool& putInStep);
    bool writeVerified(unsigned address, std::uint8_t value);
    bool readAddress(unsigned address, std::uint8_t& value, bool& clean);
    bool readConfirmed(unsigned address, std::uint8_t& value, bool& anyRead);
    // readConfirmed, again after the loader is brought back or put in step.
    bool readConfirmedAgain(unsigned address, std::uint8_t& value);
    // An address confirmed by reading: the trace's window closes there.
    void settledAfterRead(unsigned address);

    SettingsImage& image_;
    platform::Clock& clock_;
    PortResolver ports_;
    LocalTimeSource localTime_;
    platform::SerialLine serial_;
    platform::ByteLine& line_;  // serial_, or the line handed in

    std::string portName_;
    // The ports the last search tried, for its text when it finds nothing.
    std::vector<platform::PortTried> lastSearch_;
    int loaderVersion_ = 0;
    int unitMode_ = kModeNone;
    int speedIndex_ = 0;
    int answeredSpeedIndex_ = -1;
    int comNumber_ = 1;
    int model_ = kModelNone;
    bool nonBlocking_ = false;
    int openCount_ = 0;
    std::int64_t waitedMs_ = 0;
    CProgCtrl* ticker_ = nullptr;
    int ticks_ = 0;
    // While the clock is set, a command-line sending that is a resend
    // starts moving this bar (the unit has gone quiet), one step a sending.
    CProgCtrl* slowProgress_ = nullptr;
    int slowSteps_ = 0;
    void resending();
    int tickSteps_ = 0;
    // The last LoaderCommand or LoaderQuery was answered at its first
    // sending, with nothing else on the line before the answer.
    bool lastExchangeClean_ = false;
    // A LoaderCommand went unacknowledged while the loader answered other
    // bytes: it heard ours as something else (cleared by whoever looks).
    bool loaderOutOfStep_ = false;
    // A LeaveLoader that gave up found the loader still answering.
    bool lastSeenInLoader_ = false;
    // While a transfer runs, every byte sent is kept for the replay of lost
    // bytes; the window of each address's confirmation (a backup's read, a
    // programming's read-back) is noted.
    LoaderTrace* trace_ = nullptr;
    std::vector<std::size_t> confirmedIn_;
    // The byte of each address's first clean read, -1 when none; and of
    // the last readConfirmed.
    std::vector<int> firstRead_;
    int firstClean_ = -1;
    // A program's read-back: whether each address it read differs from the
    // file (-1 where it was not read).
    std::vector<signed char> readBackDiffers_;
    // What the unit held, before a programming, where it is never written.
    std::vector<std::uint8_t> unwritten_;
    int resumes_ = 0;  // times the loader was brought back in this transfer
};

}  // namespace marnoch

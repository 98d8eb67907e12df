#pragma once

#include "sim/Dialect.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace sim {

// Marnoch's side of a processor: the running firmware (command lines ending
// "\n": identification, zone power, clock, the loader entry), the EEPROM/
// FLASH programmer and the service mode, and the boot loader with the
// 4096-byte settings memory (single-byte commands, acknowledged by "\r").
// The firmware listens at its own speed; the loader at 19200 until a speed
// command raises it to 115200.
class MarnochDialect final : public Dialect {
public:
    enum class State { Firmware, Programmer, Service, Loader, Silent };

    struct Config {
        std::string identification = "Bzt 50 v1.07";
        std::string programmerIdentification = "Bzt 50v FLASH Prog";
        std::string banner = "Bzt 50 ISP V3\r";
        std::string version = "30";  // the loader's answer to "V"
        int firmwareBaud = 19200;
        State start = State::Firmware;
        int loaderStartBaud = 19200;  // when starting in the loader
    };

    // Faults of this dialect.
    struct Knobs {
        // Answers of "D" per address, used up before the memory answers.
        std::map<unsigned, std::deque<std::uint8_t>> readSequences;
        // "D" at this address answers a different wrong byte every time.
        int unstableAddress = -1;
        // A loader command letter that is never acknowledged (and not done).
        char neverAcknowledge = 0;
        // After the jump into the loader the unit says nothing at all.
        bool silentAfterJump = false;
        // "X" is acknowledged but the loader stays this many times.
        int exitFailures = 0;
        // Off commands each zone ignores before it goes off (-1: never off).
        std::array<int, 3> zoneStuck{0, 0, 0};
        // "STF?" answer: 24-hour ("STF1") or 12-hour ("STF0").
        bool clock24Hour = true;
        // The firmware never answers "STF?" (a unit gone quiet while its
        // clock is set).
        bool clockQuiet = false;
        // The firmware sends bytes without end.
        bool flood = false;
        // A "d" at the key's address also lands at the value's address.
        std::map<unsigned, unsigned> strayWrites;
        // The "a" of the value's addressing (counted from 1) of the key's
        // address is lost on the line: its two address bytes are heard as
        // commands of their own.
        std::map<unsigned, int> lostAddressCommand;
        // Bytes lost on the line in the loader: once it has run the command
        // it logs as `after` (e.g. "a 00 2f") for the `occurrence`-th time,
        // the bytes it then receives at `offsets` (0: the next) never arrive.
        struct LostBytes {
            std::string after;
            int occurrence = 1;
            std::set<int> offsets;
        };
        std::optional<LostBytes> lostBytes;
        // After this many received bytes the unit hears and says nothing
        // more (-1: never).
        std::int64_t silentAfterBytes = -1;
        // After this many received bytes, the next `noisyAnswers` answers of
        // the loader come as line noise instead (-1: never).
        std::int64_t noiseAfterBytes = -1;
        int noisyAnswers = 0;
    };

    MarnochDialect() : MarnochDialect(Config{}) {}
    explicit MarnochDialect(Config config);

    platform::LineSettings expectedLine() const override;
    void onBytes(std::string_view bytes, Responder& out) override;
    void onWrongLine(std::string_view bytes, Responder& out) override;
    void onTick(Responder& out) override;
    bool sendsUnasked() const override;
    // [memory]: the 4096 bytes, 16 a line: the first byte's address (three
    // hexadecimal digits), then the bytes (two each).
    std::string memoryText() const override;

    Knobs& knobs() { return knobs_; }
    std::array<std::uint8_t, 4096>& memory() { return memory_; }
    State state() const { return state_; }
    int loaderBaud() const { return loaderBaud_; }
    // Addresses set with "a" and written with "d" since the last clear.
    const std::bitset<4096>& addressed() const { return addressed_; }
    const std::bitset<4096>& written() const { return written_; }
    int commandCount(char letter) const;
    // Bytes received at the right line settings so far.
    std::int64_t bytesHeard() const { return bytesIn_; }
    void clearRecords();
    int weekday() const { return weekday_; }
    const std::string& clockText() const { return clockText_; }
    bool zoneOn(int zone) const { return zoneOn_[static_cast<std::size_t>(zone)]; }

private:
    void onLine(const std::string& line, Responder& out);
    void onLoaderByte(std::uint8_t byte, Responder& out);
    void runLoaderCommand(Responder& out);
    // A loader answer, unless the noise knob turns it into other bytes.
    void answer(std::string_view bytes, Responder& out);
    int divisorBaud(std::uint8_t divisor) const;
    int versionNumber() const;

    Config config_;
    Knobs knobs_;
    State state_;
    State firmwareState_;  // what "X" starts
    int loaderBaud_;
    std::array<std::uint8_t, 4096> memory_{};
    std::bitset<4096> addressed_;
    std::bitset<4096> written_;
    std::map<char, int> commandCounts_;
    unsigned address_ = 0;
    std::string line_;
    char pendingCommand_ = 0;
    std::string operands_;
    // Times each address with a lost "a" was addressed.
    std::map<unsigned, int> addressings_;
    int lostBytesSeen_ = 0;   // times the lostBytes command ran
    int lostBytesAt_ = -1;    // offset of the next loader byte once it ran, else -1
    bool entryArmed_ = false;
    std::array<bool, 3> zoneOn_{true, true, true};
    int weekday_ = 0;
    std::string clockText_;
    std::uint8_t unstableCounter_ = 0;
    std::int64_t bytesIn_ = 0;
    std::uint32_t noiseSeed_ = 2024;
};

}  // namespace sim

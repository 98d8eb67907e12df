#pragma once

#include <cstdint>

// The link's pauses, reply limits and retry counts, in milliseconds of the
// injected clock, as the processor's firmware and boot loader need them.
// Tests run the clock faster instead of changing these.
namespace marnoch::timing {

// Reads and writes on the port. A normal read of n bytes waits at most
// n x kReadPerByteMs + kReadConstantMs and ends kReadIntervalMs after the
// last byte; a non-blocking read returns what has arrived.
inline constexpr std::int64_t kReadPerByteMs = 1;
inline constexpr std::int64_t kReadConstantMs = 5;
inline constexpr std::int64_t kReadIntervalMs = 1;
// A read on a closed port fails after this long in non-blocking mode (a
// normal one waits its whole limit), so no read loop spins.
inline constexpr std::int64_t kClosedReadMs = 1;
// A write that cannot leave in this long (plus 1 ms a byte) has failed.
inline constexpr std::int64_t kWriteLimitMs = 1000;

// Draining stale input: the port is closed and reopened after every
// kDrainReopenEvery reads, and a count above kDrainReadLimit that is not a
// multiple of it ends the draining, so at most kDrainReadLimit + 1 reads.
inline constexpr int kDrainReopenEvery = 128;
inline constexpr int kDrainReadLimit = 1024;

// Command lines of the running firmware.
inline constexpr std::int64_t kWakeUpPauseMs = 20;  // after the "\n" that wakes the firmware, and before a retry
inline constexpr int kBareNewlineSendings = 4;      // WriteToBZTAndWait sends its command at most this often

// Identification.
inline constexpr int kIdentifyTries = 3;               // "?\n" queries at one speed
inline constexpr std::int64_t kIdentifyPauseMs = 120;  // IdentifyUnit: from the query to its one read
inline constexpr std::int64_t kProbePauseMs = 500;     // ProbeUnit: the same
inline constexpr std::int64_t kBannerPauseMs = 35;     // from "S" to reading the loader's banner
inline constexpr std::int64_t kFirmwareStartMs = 1000; // after "X" in the probe, for the firmware to start
inline constexpr std::int64_t kProbeServiceExitLimitMs = 1500;  // "dx\n" to a unit in its service mode...
inline constexpr std::int64_t kProbeServiceExitPauseMs = 2000;  // ...then this pause...
inline constexpr std::int64_t kProbeServiceResetLimitMs = 900;  // ...then "@0\n"

// Boot-loader byte exchanges.
inline constexpr int kLoaderCommandSendings = 4;  // LoaderCommand: sendings until "\r" comes
inline constexpr int kLoaderPokeSendings = 3;     // LoaderPoke: the third goes unread and closes the port
inline constexpr std::int64_t kVersionLimitMs = 50;
inline constexpr int kVersionRetries = 3;
inline constexpr std::int64_t kPrepareLimitMs = 35;       // "x"
inline constexpr std::int64_t kProgramModeLimitMs = 100;  // "P"
inline constexpr std::int64_t kAddressLimitMs = 65;       // "a"
inline constexpr std::int64_t kWriteByteLimitMs = 65;     // "d"
inline constexpr std::int64_t kReadByteLimitMs = 70;      // "D"
inline constexpr int kReadByteRetries = 3;
inline constexpr std::int64_t kEndTransferLimitMs = 35;  // "y"

// Zones off before a transfer.
inline constexpr std::int64_t kZoneOffLimitMs = 100;
inline constexpr std::int64_t kZoneOffAgainLimitMs = 50;  // an off command repeated for a zone still on
inline constexpr std::int64_t kZonesSettleMs = 3000;      // after the three off commands
inline constexpr int kZoneCycles = 4;                     // query cycles until all three are off
inline constexpr std::int64_t kZoneQueryLimitMs[3] = {400, 200, 200};
inline constexpr int kQueryRetries = 3;  // zone and clock queries: at most 4 sendings

// The unit's clock after a transfer.
inline constexpr std::int64_t kClockFormatLimitMs = 4000;  // "STF?\n"
inline constexpr std::int64_t kClockSetLimitMs = 500;      // "STD%d\n", "STC...\n"
inline constexpr int kClockTries = 3;
inline constexpr std::int64_t kClockPauseMs = 100;  // before each try

// The way into the loader and out of it.
inline constexpr int kSpeedChangeAttempts = 3;
inline constexpr int kEnterCycles = 3;
inline constexpr int kLeaveCycles = 3;
inline constexpr std::int64_t kLoaderEntryLimitMs = 1000;  // "Z31842.7\n"
inline constexpr int kLoaderEntryRetries = 3;
inline constexpr std::int64_t kLoaderStartMs = 600;        // after "Z\n", for the loader to start
inline constexpr std::int64_t kServiceEntryLimitMs = 50;   // "rk5c93\n"
inline constexpr std::int64_t kFirmwareRestartMs = 2500;   // after "X", for the firmware to start
inline constexpr std::int64_t kServiceLeaveLimitMs = 500;  // "dx\n" out of the service mode...
inline constexpr std::int64_t kServiceLeavePauseMs = 1500; // ...and its pause

// The transfer.
inline constexpr int kByteTries = 7;         // reads (retrieve) or attempts (program) of one address
inline constexpr int kExtraUncleanReads = 7;  // reads that had to be resent, on top of those
inline constexpr int kRecoveryCycles = 4;    // enter and leave again when the unit did not come back
inline constexpr std::int64_t kRecoveryPauseMs = 2000;
inline constexpr unsigned kProgressEvery = 8;  // addresses between progress reports

}  // namespace marnoch::timing

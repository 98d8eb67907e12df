#pragma once

#include <cstdint>

namespace halvane::link::Comm {

// The waits, reply limits and retry counts of Halvane's link, in
// milliseconds of the port's clock. The processor's own figures; tests run
// the clock faster rather than change them.
struct LinkTiming {
    // Reply reads: per character, least and most time of one reply.
    static constexpr std::int64_t kIdentifyPerCharMs = 50, kIdentifyMinMs = 250, kIdentifyMaxMs = 1000;
    static constexpr std::int64_t kCommandPerCharMs = 1000, kCommandMinMs = 3000, kCommandMaxMs = 6000;
    static constexpr std::int64_t kSlowPerCharMs = 2000, kSlowMinMs = 6000, kSlowMaxMs = 12000;
    static constexpr int kIdentifyAttempts = 5;
    static constexpr int kIdentifyReads = 2;

    // Power: the settle before each state query, the pass, the wait after
    // switching on, and the pause after a failed state query.
    static constexpr std::int64_t kPowerSettleMs = 500;
    static constexpr std::int64_t kPowerPassMs = 10000;
    static constexpr std::int64_t kAfterPowerOnMs = 10000;
    static constexpr std::int64_t kAfterFailedPowerQueryMs = 1000;
    static constexpr int kPowerQueryTries = 5;
    static constexpr int kPowerPasses = 5;

    // Set-and-verify (speaker settings, main volume).
    static constexpr int kVerifyDoubleAttempts = 5;
    static constexpr int kVerifyIntAttempts = 10;
    static constexpr std::int64_t kAfterFailedVerifyQueryMs = 100;
    static constexpr std::int64_t kBeforeConfigurationMs = 50;
    static constexpr int kUnverifiedLevelTries = 5;

    // Flagship power-up, measurement set-up, test tone and debug mode.
    static constexpr std::int64_t kPowerOnSettleMs = 5000;
    static constexpr std::int64_t kPowerUpSettleMs = 5000;
    static constexpr std::int64_t kAfterVolumeFailureMs = 50;
    static constexpr int kServiceChecks = 4;
    static constexpr std::int64_t kSetupPauseMs = 200;
    static constexpr int kSetupCommands = 4;
    static constexpr std::int64_t kSetupSettleMs = 2000;
    static constexpr std::int64_t kToneSettleMs = 2500;
    static constexpr std::int64_t kDebugExitPauseMs = 500;
    static constexpr int kDebugGoTries = 6;
    static constexpr int kDebugExitCommands = 6;
    // Attempts of one verified write: a DSP word, stage or gain, a receiver
    // coefficient, gain or setting; also of a base-address query.
    static constexpr int kWriteAttempts = 5;
    static constexpr int kDspReplyLines = 5;   // lines read for one echo or one word

    // Receiver set-and-confirm.
    static constexpr std::int64_t kAfterFailedConfirmQueryMs = 100;
    static constexpr std::int64_t kBeforeResendMs = 20;
    static constexpr std::int64_t kBeforeSecondReadMs = 500;
    static constexpr std::int64_t kAfterReadMs = 100;

    // Faults. Every wait runs in slices this long, so an abort is seen
    // within one slice.
    static constexpr std::int64_t kWaitSliceMs = 100;
    // Reads that together waited this long without one byte arriving mean
    // the processor has fallen silent: retries stop and the failure is
    // reported.
    static constexpr std::int64_t kSilentLinkMs = 12000;
    // How long the identification request sent then may take to answer.
    static constexpr std::int64_t kProbeReplyMs = 3000;
    // On a failed link or after an abort, the exit actions give each reply
    // this long, and after the first reply that does not come they stop.
    static constexpr std::int64_t kExitReplyMs = 500;
    // Retries (a word, stage or gain sent again) one upload may spend
    // beyond each write's own attempts: this many, and one more per so many
    // bytes a clean upload of its size sends. A line that loses one byte in
    // a thousand finishes; one that loses one in a hundred is given up.
    static constexpr int kUploadRetryAllowance = 20;
    static constexpr std::int64_t kUploadBytesPerRetry = 400;
};

}  // namespace halvane::link::Comm

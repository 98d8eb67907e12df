#pragma once

#include "platform/ByteLine.h"
#include "platform/Clock.h"
#include "platform/LineSettings.h"
#include "platform/SerialError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A serial port through POSIX termios. The port is held exclusively while
// open (TIOCEXCL, and an flock that holds for root too), always raw: no echo,
// no CR/LF translation, no flow control, reads that never block the kernel.
// Every blocking call takes its limit in milliseconds of the line's clock and
// returns as soon as its data is there; nothing spins.
class SerialLine : public ByteLine {
public:
    explicit SerialLine(Clock& clock = systemClock());
    ~SerialLine() override;
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    bool open(const std::string& path) override;
    bool isOpen() const override { return fd_ >= 0; }
    const std::string& path() const override { return path_; }
    void close() override;

    // Applies speed and framing in raw mode. With drainFirst, bytes already
    // written leave at the old speed before the change.
    bool configure(const LineSettings& settings, bool drainFirst = false) override;
    // The settings the device reports now.
    std::optional<LineSettings> settings();

    // One byte, waiting at most timeoutMs (0: only what is buffered).
    ReadResult readByte(std::uint8_t& out, std::int64_t timeoutMs) override;

    // Reads up to n bytes: returns when n have come, when totalMs has passed,
    // or when intervalMs passes without another byte once one has come
    // (negative interval: no interval limit). Returns the count, or -1 when
    // the line failed before any byte came.
    long read(void* buffer, std::size_t n, std::int64_t totalMs, std::int64_t intervalMs = -1) override;

    // What is buffered now, without waiting. -1 on failure.
    long readAvailable(void* buffer, std::size_t n) override;

    // Writes every byte, waiting at most timeoutMs in all (negative: no limit).
    bool writeAll(const void* data, std::size_t n, std::int64_t timeoutMs = -1) override;
    using ByteLine::writeAll;

    bool purge() override;  // discard both directions' queued bytes
    // Discards received bytes only. A freshly opened port purges this way:
    // discarding output would also drop what an earlier descriptor wrote
    // and the device has not sent yet (a pty slave that was closed and
    // re-opened loses it).
    bool purgeInput() override;
    bool drainOutput() override;  // wait until written bytes have left

    Clock& clock() { return *clock_; }
    SerialError lastError() const { return error_; }
    int lastErrno() const { return errno_; }
    // "open /dev/ttyUSB0: Device or resource busy"
    const std::string& lastErrorText() const { return errorText_; }
    // "in use by another program": the last failure for the user.
    std::string lastErrorReason() const override { return SerialErrorReason(error_, errno_); }

private:
    bool fail(SerialError error, const char* what, int err);
    bool requireOpen(const char* what);

    Clock* clock_;
    int fd_ = -1;
    std::string path_;
    SerialError error_ = SerialError::None;
    int errno_ = 0;
    std::string errorText_;
};

}  // namespace platform

#pragma once

#include "platform/LineSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// What the programs' ports read and write through: the serial line
// (SerialLine) in the programs and their tests; the fuzz targets hand the
// ports a line held in memory instead, so that the ports' own reply readers
// take thousands of inputs a second. The calls mean what SerialLine says.
class ByteLine {
public:
    virtual ~ByteLine() = default;

    virtual bool open(const std::string& path) = 0;
    virtual bool isOpen() const = 0;
    virtual const std::string& path() const = 0;
    virtual void close() = 0;
    virtual bool configure(const LineSettings& settings, bool drainFirst = false) = 0;

    enum class ReadResult { Byte, Timeout, Failed };
    virtual ReadResult readByte(std::uint8_t& out, std::int64_t timeoutMs) = 0;
    virtual long read(void* buffer, std::size_t n, std::int64_t totalMs, std::int64_t intervalMs = -1) = 0;
    virtual long readAvailable(void* buffer, std::size_t n) = 0;

    virtual bool writeAll(const void* data, std::size_t n, std::int64_t timeoutMs = -1) = 0;
    bool writeAll(std::string_view text, std::int64_t timeoutMs = -1) {
        return writeAll(text.data(), text.size(), timeoutMs);
    }

    // Why the last open failed, in the user's words (SerialLine says how).
    virtual std::string lastErrorReason() const = 0;

    virtual bool purge() = 0;
    virtual bool purgeInput() = 0;
    virtual bool drainOutput() = 0;
};

}  // namespace platform

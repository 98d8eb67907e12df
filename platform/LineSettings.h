#pragma once

#include <string>

namespace platform {

enum class Parity { None, Odd, Even };

// The framing of a serial line. The processor dialects use 8N2 (Halvane,
// Marnoch) and 8N1 (Pellivar).
struct LineSettings {
    int baud = 19200;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;

    bool operator==(const LineSettings&) const = default;

    static LineSettings eightN1(int baud) { return {baud, 8, Parity::None, 1}; }
    static LineSettings eightN2(int baud) { return {baud, 8, Parity::None, 2}; }

    // "19200 8N2"
    std::string text() const;
};

// The speeds a SerialLine accepts.
bool IsSupportedBaud(int baud);

}  // namespace platform

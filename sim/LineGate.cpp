#include "sim/LineGate.h"

namespace sim {

namespace {

int baudOf(speed_t s) {
    switch (s) {
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
    }
}

int dataBitsOf(tcflag_t c) {
    switch (c & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

bool isRaw(const termios& t) {
    if (t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN)) return false;
    if (t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF)) return false;
    if (t.c_oflag & OPOST) return false;
    return true;
}

}  // namespace

bool LineGate::accepts(const termios& slave, const platform::LineSettings& expected) {
    if (baudOf(::cfgetospeed(&slave)) != expected.baud) return false;
    if (dataBitsOf(slave.c_cflag) != expected.dataBits) return false;
    const bool parity = (slave.c_cflag & PARENB) != 0;
    if (parity != (expected.parity != platform::Parity::None)) return false;
    if (parity && ((slave.c_cflag & PARODD) != 0) != (expected.parity == platform::Parity::Odd)) return false;
    if (((slave.c_cflag & CSTOPB) ? 2 : 1) != expected.stopBits) return false;
    return isRaw(slave);
}

double LineGate::byteTimeMs(const termios& slave) {
    const int baud = baudOf(::cfgetospeed(&slave));
    if (baud <= 0) return 0;
    const int bits = 1 + dataBitsOf(slave.c_cflag) + ((slave.c_cflag & PARENB) ? 1 : 0) + ((slave.c_cflag & CSTOPB) ? 2 : 1);
    return 1000.0 * bits / baud;
}

std::string LineGate::describe(const termios& slave) {
    platform::LineSettings s;
    s.baud = baudOf(::cfgetospeed(&slave));
    s.dataBits = dataBitsOf(slave.c_cflag);
    s.parity = (slave.c_cflag & PARENB) ? ((slave.c_cflag & PARODD) ? platform::Parity::Odd : platform::Parity::Even)
                                        : platform::Parity::None;
    s.stopBits = (slave.c_cflag & CSTOPB) ? 2 : 1;
    return s.text() + (isRaw(slave) ? " raw" : " cooked");
}

}  // namespace sim

#include "platform/SerialLine.h"

#include "platform/Deadline.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

struct BaudEntry {
    int baud;
    speed_t code;
};

constexpr BaudEntry kBauds[] = {
    {300, B300},     {600, B600},     {1200, B1200},   {2400, B2400},   {4800, B4800},
    {9600, B9600},   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
    {230400, B230400},
};

std::optional<speed_t> speedCode(int baud) {
    for (const auto& e : kBauds)
        if (e.baud == baud) return e.code;
    return std::nullopt;
}

int baudOf(speed_t code) {
    for (const auto& e : kBauds)
        if (e.code == code) return e.baud;
    return 0;
}

SerialError classify(int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return SerialError::NotFound;
    case EBUSY:
    case EWOULDBLOCK: return SerialError::Busy;
    case EACCES:
    case EPERM: return SerialError::Permission;
    case ENOTTY: return SerialError::NotATerminal;
    case EIO: return SerialError::HungUp;
    default: return SerialError::System;
    }
}

}  // namespace

std::string LineSettings::text() const {
    const char p = parity == Parity::None ? 'N' : parity == Parity::Odd ? 'O' : 'E';
    return std::to_string(baud) + " " + std::to_string(dataBits) + p + std::to_string(stopBits);
}

bool IsSupportedBaud(int baud) { return speedCode(baud).has_value(); }

const char* SerialErrorName(SerialError e) {
    switch (e) {
    case SerialError::None: return "no error";
    case SerialError::BadArgument: return "bad argument";
    case SerialError::NotFound: return "no such port";
    case SerialError::Busy: return "port in use";
    case SerialError::Permission: return "permission denied";
    case SerialError::NotATerminal: return "not a serial device";
    case SerialError::NotOpen: return "port not open";
    case SerialError::HungUp: return "line hung up";
    case SerialError::System: return "system error";
    }
    return "unknown error";
}

std::string SerialErrorReason(SerialError e, int err) {
    switch (e) {
    case SerialError::NotFound: return "no such device";
    // Serial devices belong to the group dialout; other users may not open them.
    case SerialError::Permission: return "permission denied (the user needs to be in the dialout group)";
    // The exclusive open or the lock failed: another program holds the port.
    case SerialError::Busy: return "in use by another program";
    case SerialError::NotATerminal: return SerialErrorName(e);
    default: break;
    }
    std::string text = SerialErrorName(e);
    if (err != 0) text += std::string(": ") + std::strerror(err);
    return text;
}

SerialLine::SerialLine(Clock& clock) : clock_(&clock) {}

SerialLine::~SerialLine() { close(); }

bool SerialLine::fail(SerialError error, const char* what, int err) {
    error_ = error;
    errno_ = err;
    errorText_ = std::string(what);
    if (!path_.empty()) errorText_ += " " + path_;
    if (err != 0) errorText_ += std::string(": ") + std::strerror(err);
    return false;
}

bool SerialLine::requireOpen(const char* what) {
    if (fd_ >= 0) return true;
    return fail(SerialError::NotOpen, what, 0);
}

bool SerialLine::open(const std::string& path) {
    close();
    path_ = path;
    if (path.empty()) return fail(SerialError::BadArgument, "open: empty port path", 0);

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return fail(classify(err), "open", err);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return fail(SerialError::NotATerminal, "open", ENOTTY);
    }
    // TIOCEXCL keeps other users out; root passes it, so the flock makes the
    // hold exclusive between programs of this suite whoever runs them.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err == EWOULDBLOCK ? SerialError::Busy : classify(err), "lock", err);
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(classify(err), "exclusive", err);
    }
    fd_ = fd;
    error_ = SerialError::None;
    errno_ = 0;
    errorText_.clear();

    // Raw from the first moment, at whatever speed the device had: a cooked
    // line would echo and translate before the caller gets to configure it.
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~(HUPCL | CRTSCTS);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    return true;
}

void SerialLine::close() {
    if (fd_ < 0) return;
    // Clear the exclusive mode first: it outlives this descriptor while any
    // other descriptor of the device stays open.
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

bool SerialLine::configure(const LineSettings& s, bool drainFirst) {
    if (!requireOpen("configure")) return false;
    const auto code = speedCode(s.baud);
    if (!code || s.dataBits < 5 || s.dataBits > 8 || (s.stopBits != 1 && s.stopBits != 2))
        return fail(SerialError::BadArgument, ("configure " + s.text() + ":").c_str(), EINVAL);

    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return fail(classify(errno), "tcgetattr", errno);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CLOCAL | CREAD;
    switch (s.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (s.parity != Parity::None) {
        tio.c_cflag |= PARENB;
        if (s.parity == Parity::Odd) tio.c_cflag |= PARODD;
    }
    if (s.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, *code);
    ::cfsetospeed(&tio, *code);
    if (::tcsetattr(fd_, drainFirst ? TCSADRAIN : TCSANOW, &tio) != 0)
        return fail(classify(errno), "tcsetattr", errno);
    return true;
}

std::optional<LineSettings> SerialLine::settings() {
    if (!requireOpen("settings")) return std::nullopt;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        fail(classify(errno), "tcgetattr", errno);
        return std::nullopt;
    }
    LineSettings s;
    s.baud = baudOf(::cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5: s.dataBits = 5; break;
    case CS6: s.dataBits = 6; break;
    case CS7: s.dataBits = 7; break;
    default: s.dataBits = 8; break;
    }
    s.parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even) : Parity::None;
    s.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    return s;
}

SerialLine::ReadResult SerialLine::readByte(std::uint8_t& out, std::int64_t timeoutMs) {
    if (!requireOpen("read")) return ReadResult::Failed;
    const Deadline deadline(*clock_, timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        // The limit is judged before the read: a byte that is there when the
        // limit runs out came in time.
        const bool expired = deadline.expired();
        const ssize_t n = ::read(fd_, &out, 1);
        if (n == 1) return ReadResult::Byte;
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            fail(classify(errno), "read", errno);
            return ReadResult::Failed;
        }
        if (expired) return ReadResult::Timeout;

        pollfd p{fd_, POLLIN, 0};
        const int pollMs = deadline.pollTimeout();
        const int r = ::poll(&p, 1, pollMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            fail(SerialError::System, "poll", errno);
            return ReadResult::Failed;
        }
        if (r == 0) {
            // Real time is up; the clock decides whether the limit is (the
            // next pass judges it, then reads once more). A clock that waits
            // no real time (virtual) ends the wait here.
            if (pollMs == 0) return ReadResult::Timeout;
            continue;
        }
        if (p.revents & POLLIN) {
            const ssize_t m = ::read(fd_, &out, 1);
            if (m == 1) return ReadResult::Byte;
            if (m < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // Readable but nothing to read: the other end is gone.
            fail(m < 0 ? classify(errno) : SerialError::HungUp, "read", m < 0 ? errno : EIO);
            return ReadResult::Failed;
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            fail(SerialError::HungUp, "read", EIO);
            return ReadResult::Failed;
        }
    }
}

long SerialLine::read(void* buffer, std::size_t n, std::int64_t totalMs, std::int64_t intervalMs) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const Deadline total(*clock_, totalMs < 0 ? 0 : totalMs);
    std::size_t got = 0;
    while (got < n) {
        std::int64_t limit = total.remainingMs();
        if (got > 0 && intervalMs >= 0 && intervalMs < limit) limit = intervalMs;
        const ReadResult r = readByte(bytes[got], limit);
        if (r == ReadResult::Byte) {
            ++got;
            continue;
        }
        if (r == ReadResult::Failed) return got > 0 ? static_cast<long>(got) : -1;
        break;  // time-out of either kind
    }
    return static_cast<long>(got);
}

long SerialLine::readAvailable(void* buffer, std::size_t n) {
    if (!requireOpen("read")) return -1;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd_, bytes + got, n - got);
        if (r > 0) {
            got += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno == EAGAIN) break;
        if (r == 0) {
            // No data, or end of file: poll tells the two apart.
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) && got == 0) {
                fail(SerialError::HungUp, "read", EIO);
                return -1;
            }
            break;
        }
        if (got > 0) break;
        fail(classify(errno), "read", errno);
        return -1;
    }
    return static_cast<long>(got);
}

bool SerialLine::writeAll(const void* data, std::size_t n, std::int64_t timeoutMs) {
    if (!requireOpen("write")) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const Deadline deadline(*clock_, timeoutMs);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(fd_, bytes + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN) return fail(classify(errno), "write", errno);
        if (deadline.expired()) return fail(SerialError::System, "write timed out on", ETIMEDOUT);
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, deadline.pollTimeout());
        if (r < 0 && errno != EINTR) return fail(SerialError::System, "poll", errno);
        if (r > 0 && !(p.revents & POLLOUT) && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return fail(SerialError::HungUp, "write", EIO);
    }
    return true;
}

bool SerialLine::purge() {
    if (!requireOpen("purge")) return false;
    if (::tcflush(fd_, TCIOFLUSH) != 0) return fail(classify(errno), "tcflush", errno);
    return true;
}

bool SerialLine::purgeInput() {
    if (!requireOpen("purge")) return false;
    if (::tcflush(fd_, TCIFLUSH) != 0) return fail(classify(errno), "tcflush", errno);
    return true;
}

bool SerialLine::drainOutput() {
    if (!requireOpen("drain")) return false;
    while (::tcdrain(fd_) != 0) {
        if (errno != EINTR) return fail(classify(errno), "tcdrain", errno);
    }
    return true;
}

}  // namespace platform

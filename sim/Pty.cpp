#include "sim/Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace sim {

std::unique_ptr<Pty> Pty::create(std::string* error) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        if (error) *error = std::string("openpty: ") + std::strerror(errno);
        return nullptr;
    }
    // No slave descriptor stays open here: the program's exclusive open must
    // be the only one.
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<Pty>(new Pty(master, name));
}

Pty::~Pty() { closeMaster(); }

std::optional<termios> Pty::slaveTermios() const {
    if (master_ < 0) return std::nullopt;
    termios t{};
    if (::tcgetattr(master_, &t) != 0) return std::nullopt;
    return t;
}

void Pty::closeMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

}  // namespace sim

#include "sim/Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pty.h>
#include <unistd.h>

namespace sim {

namespace {

// The name a program opens, inside the line's private folder.
constexpr const char* kLineName = "line";

}  // namespace

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

    std::error_code ec;
    std::string folder = (std::filesystem::temp_directory_path(ec) / "sim-line-XXXXXX").string();
    if (ec || ::mkdtemp(folder.data()) == nullptr) {
        if (error) *error = std::string("mkdtemp: ") + (ec ? ec.message() : std::strerror(errno));
        ::close(master);
        return nullptr;
    }
    std::string link = folder + "/" + kLineName;
    if (::symlink(name, link.c_str()) != 0) {
        if (error) *error = std::string("symlink ") + link + ": " + std::strerror(errno);
        ::rmdir(folder.c_str());
        ::close(master);
        return nullptr;
    }
    return std::unique_ptr<Pty>(new Pty(master, std::move(folder), std::move(link)));
}

Pty::~Pty() {
    closeMaster();
    ::rmdir(folder_.c_str());
}

std::optional<termios> Pty::slaveTermios() const {
    if (master_ < 0) return std::nullopt;
    termios t{};
    if (::tcgetattr(master_, &t) != 0) return std::nullopt;
    return t;
}

void Pty::closeMaster() {
    if (master_ >= 0) {
        // The name first: from here on a reopen finds no device, rather than
        // the number this line leaves behind.
        ::unlink(slavePath_.c_str());
        ::close(master_);
        master_ = -1;
    }
}

}  // namespace sim

#include "pellivar/DocumentFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellivar {

bool DocumentFile::Read(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(path.empty() ? ENOENT : errno);
        return false;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        ::close(fd);
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxBytes) {
        error = "the file is too large to be a settings document";
        ::close(fd);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t r = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
        } else if (r < 0 && errno == EINTR) {
            continue;
        } else {
            // An error, or the file shrank while being read.
            error = r < 0 ? std::strerror(errno) : "the file changed while it was read";
            ::close(fd);
            bytes.clear();
            return false;
        }
    }
    ::close(fd);
    return true;
}

bool DocumentFile::WriteAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    if (path.empty()) {
        error = std::strerror(ENOENT);
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat old{};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int failure = ::fchmod(fd, mode) == 0 ? 0 : errno;
    std::size_t done = 0;
    while (failure == 0 && done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w > 0) done += static_cast<std::size_t>(w);
        else if (w < 0 && errno == EINTR) continue;
        else failure = w < 0 ? errno : EIO;
    }
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        error = std::strerror(failure);
        return false;
    }
    return true;
}

}  // namespace pellivar

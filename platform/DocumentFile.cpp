#include "platform/DocumentFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::DocumentFile {

namespace {

std::string SystemReason(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

// Closes the descriptor when the scope ends, keeping errno.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            const int saved = errno;
            ::close(fd_);
            errno = saved;
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and reports close's own failure (a delayed write error).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The process's file-creation mask, read without changing it (umask(2)
// can only be read by setting it, which races with other threads).
mode_t CurrentUmask() {
    Fd fd(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    if (fd.get() >= 0) {
        char text[4096];
        const ssize_t n = ::read(fd.get(), text, sizeof text - 1);
        if (n > 0) {
            text[n] = '\0';
            if (const char* line = std::strstr(text, "\nUmask:")) return static_cast<mode_t>(std::strtol(line + 8, nullptr, 8));
        }
    }
    return 022;
}

}  // namespace

bool Read(const std::string& path, std::vector<std::uint8_t>& out, std::string& error, std::size_t maxBytes) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        error = SystemReason("Cannot open", path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = SystemReason("Cannot read", path, errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "Cannot read " + path + ": it is not a file.";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        error = "Cannot read " + path + ": at " + std::to_string(st.st_size) +
                " bytes it is too large to be a document.";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = SystemReason("Cannot read", path, errno);
            return false;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            error = "Cannot read " + path + ": it is too large to be a document.";
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    out = std::move(bytes);
    return true;
}

bool WriteReplacing(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error) {
    const std::string folder = FolderOf(path);
    std::string temp = path + ".XXXXXX";
    int raw = ::mkstemp(temp.data());
    if (raw < 0) {
        error = SystemReason("Cannot create a temporary file in", folder, errno);
        return false;
    }
    Fd fd(raw);
    const auto fail = [&](const std::string& what) {
        error = SystemReason(what, path, errno);
        ::unlink(temp.c_str());
        return false;
    };
    // The new file keeps the old one's permissions; a new document gets the
    // usual ones (mkstemp makes it private). A file the user may not write
    // is not replaced either.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            errno = EISDIR;
            return fail("Cannot replace");
        }
        if (::access(path.c_str(), W_OK) != 0) return fail("Cannot write");
        mode = old.st_mode & 07777;
    } else {
        mode = 0666 & ~CurrentUmask();
    }
    if (::fchmod(fd.get(), mode) != 0) return fail("Cannot set the permissions of");

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("Cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0) return fail("Cannot write");
    if (!fd.close()) return fail("Cannot write");
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail("Cannot replace");
    // The rename itself reaches the disk with the folder.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

bool CanReplace(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "No file name was given.";
        return false;
    }
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            error = SystemReason("Cannot replace", path, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
            return false;
        }
        if (::access(path.c_str(), W_OK) != 0) {
            error = SystemReason("Cannot write", path, errno);
            return false;
        }
    }
    std::string temp = path + ".XXXXXX";
    const int raw = ::mkstemp(temp.data());
    if (raw < 0) {
        error = SystemReason("Cannot create a file in", FolderOf(path), errno);
        return false;
    }
    ::close(raw);
    ::unlink(temp.c_str());
    return true;
}

}  // namespace platform::DocumentFile

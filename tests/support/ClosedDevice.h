#pragma once

#include <string>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace testsupport {

// While it lives, a device is closed to the calling thread as a serial
// device is to a user outside its group: opening it fails with EACCES, from
// the kernel. Tests run as root, which opens any device, so for root the
// thread's file-system user becomes "nobody" (only this thread's: the
// simulator's threads keep their rights) and a pseudo-terminal, owned by root
// with no rights for others, refuses it. Another user owns the
// pseudo-terminals it makes: their mode is cleared instead.
class ClosedDevice {
public:
    explicit ClosedDevice(const std::string& path) {
        if (::geteuid() == 0) {
            ::setfsuid(kNobody);
            asNobody_ = true;
            return;
        }
        struct stat st{};
        if (::stat(path.c_str(), &st) == 0 && ::chmod(path.c_str(), 0) == 0) {
            path_ = path;
            mode_ = st.st_mode & 07777;
        }
    }
    ~ClosedDevice() {
        if (asNobody_) ::setfsuid(0);
        if (!path_.empty()) ::chmod(path_.c_str(), mode_);
    }
    ClosedDevice(const ClosedDevice&) = delete;
    ClosedDevice& operator=(const ClosedDevice&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    bool asNobody_ = false;
    std::string path_;
    mode_t mode_ = 0;
};

}  // namespace testsupport

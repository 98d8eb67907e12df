#pragma once

#include <memory>
#include <optional>
#include <string>
#include <termios.h>

namespace sim {

// The master side of a pseudo-terminal pair. The slave is left closed, so a
// program opens it as it would a serial device (exclusively); tcgetattr on
// the master reports the termios the program set on the slave.
class Pty {
public:
    // Null when the system gives no pty; `error` then says why.
    static std::unique_ptr<Pty> create(std::string* error = nullptr);
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    bool isOpen() const { return master_ >= 0; }

    // The slave's line settings as the program set them.
    std::optional<termios> slaveTermios() const;

    // Closes the master: the program sees a hang-up on its next read.
    void closeMaster();

private:
    Pty(int master, std::string slavePath) : master_(master), slavePath_(std::move(slavePath)) {}
    int master_;
    std::string slavePath_;
};

}  // namespace sim

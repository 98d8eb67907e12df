#pragma once

#include <memory>
#include <optional>
#include <string>
#include <termios.h>

namespace sim {

// The master side of a pseudo-terminal pair. The slave is left closed, so a
// program opens it as it would a serial device (exclusively); tcgetattr on
// the master reports the termios the program set on the slave.
//
// The program reaches the slave through a name of the line's own (a
// symbolic link in a private temporary folder), not through /dev/pts/N: a
// cut line's number goes to the next pseudo-terminal made on the machine,
// often another test's, and a program that goes on reopening its port must
// find no device there, as with a pulled adapter, not someone else's line.
class Pty {
public:
    // Null when the system gives no pty; `error` then says why.
    static std::unique_ptr<Pty> create(std::string* error = nullptr);
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int masterFd() const { return master_; }
    // The line's own name, for the program to open; gone once the line is cut.
    const std::string& slavePath() const { return slavePath_; }
    bool isOpen() const { return master_ >= 0; }

    // The slave's line settings as the program set them.
    std::optional<termios> slaveTermios() const;

    // Cuts the line: removes its name, then closes the master, so the
    // program sees a hang-up on its next read and a reopen finds nothing.
    void closeMaster();

private:
    Pty(int master, std::string folder, std::string slavePath)
        : master_(master), folder_(std::move(folder)), slavePath_(std::move(slavePath)) {}
    int master_;
    std::string folder_;
    std::string slavePath_;
};

}  // namespace sim

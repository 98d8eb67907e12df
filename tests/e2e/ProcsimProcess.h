#pragma once
// procsim as its own process, as a person runs it: started with options,
// its output kept in a file, ended with SIGTERM (or killed).
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

// A fresh temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A child process with its standard output and error in `logPath`.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::vector<std::string>& argv, const std::string& logPath);
    // SIGTERM, then the exit status (-1 when it had to be killed).
    int stop(std::chrono::milliseconds grace = std::chrono::seconds(10));
    void kill();  // SIGKILL, reaped
    bool running();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

std::string ReadFile(const std::string& path);
// Waits until every path exists; false after `timeout`.
bool WaitForPaths(const std::vector<std::string>& paths, std::chrono::milliseconds timeout);

}  // namespace e2e

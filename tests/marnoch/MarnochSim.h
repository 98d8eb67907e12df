#pragma once

// The simulated processor with Marnoch's dialect on a pseudo-terminal, and
// ports of the program's own kind pointed at it.

#include "marnoch/CSerialPort.h"
#include "platform/ScaledClock.h"
#include "sim/MarnochDialect.h"
#include "sim/Simulator.h"
#include "tests/support/CatchUpClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>

namespace marnoch::test {

// Ten times real time: the workflows' fixed pauses (3 s for the zones, 2.5 s
// after leaving the loader) cost a tenth. The shortest reply limits of the
// link (6 ms) would leave the pty 0.6 ms, which a loaded machine misses, so
// every wait lasts at least kLeastRealWaitMs of real time. A late answer
// makes a loader read count as unclean (it is read again), so the least
// wait is long enough for the simulator's thread on a busy machine.
inline constexpr double kTimeScale = 10.0;
inline constexpr std::int64_t kLeastRealWaitMs = 15;

class MarnochSim {
public:
    explicit MarnochSim(sim::MarnochDialect::Config config = {}, int comNumber = 1, double timeScale = kTimeScale)
        : clock_(timeScale, kLeastRealWaitMs), comNumber_(comNumber) {
        auto dialect = std::make_unique<sim::MarnochDialect>(std::move(config));
        simulator_ = std::make_unique<sim::Simulator>(std::move(dialect), clock_);
        started_ = simulator_->start();
        portClock_.follow(simulator_.get());
    }

    bool started() const { return started_; }
    sim::Simulator& simulator() { return *simulator_; }
    platform::ScaledClock& clock() { return clock_; }
    const std::string& path() const { return simulator_->slavePath(); }

    template <class F>
    auto dialect(F&& fn) {
        return simulator_->withDialect<sim::MarnochDialect>(std::forward<F>(fn));
    }

    // Only this COM number has a device; the others are absent.
    PortResolver ports() const {
        const std::string p = path();
        const int com = comNumber_;
        return [p, com](int n) { return n == com ? p : std::string(); };
    }

    // Its replies are judged once the simulator has caught up with what the
    // port sent; a port made here must go before this simulator.
    std::unique_ptr<CSerialPort> makePort(SettingsImage& image, LocalTimeSource time = DefaultLocalTime()) {
        return std::make_unique<CSerialPort>(image, portClock_, ports(), std::move(time));
    }

    // Fills the unit's memory with random bytes that include the bytes with a
    // meaning on the link ("\r", "\n", "?", "S").
    std::array<std::uint8_t, 4096> randomMemory(unsigned seed) {
        std::array<std::uint8_t, 4096> m{};
        std::mt19937 rng(seed);
        for (auto& b : m) b = static_cast<std::uint8_t>(rng());
        m[0x100] = '\r';
        m[0x101] = '\n';
        m[0x102] = '?';
        m[0x103] = 'S';
        m[0x104] = 0;
        dialect([&](sim::MarnochDialect& d) { d.memory() = m; });
        return m;
    }

private:
    platform::ScaledClock clock_;
    testsupport::CatchUpClock portClock_{clock_};
    int comNumber_;
    std::unique_ptr<sim::Simulator> simulator_;
    bool started_ = false;
};

// A fresh folder for a test's files, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "marnoch-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Waits (real time, at most limitMs) until `condition` holds; true if it did.
template <class Condition>
bool WaitUntil(Condition condition, std::int64_t limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits until the unit has received `text` at least n times (a command the
// program sent and got no answer to may still be on its way).
inline bool WaitForCommand(sim::Simulator& simulator, const std::string& text, std::size_t n,
                           std::int64_t limitMs = 5000) {
    return simulator.log().waitFor(
        [&](const std::vector<sim::CommandLog::Entry>& entries) {
            return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                          [&](const auto& e) { return e.text == text; })) >= n;
        },
        limitMs);
}

// The first line of a result text: the text the program's rules give it;
// details of a failure follow after a blank line.
inline std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

inline bool HaveSrecord() { return std::system("command -v srec_cat >/dev/null 2>&1") == 0; }

// Runs a shell command; its exit status and what it printed.
struct CommandResult {
    int status;
    std::string output;
};
inline CommandResult RunCommand(const std::string& command) {
    CommandResult r{-1, {}};
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace marnoch::test

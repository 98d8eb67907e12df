#pragma once

#include "halvane/link/CBasicTessikPort.h"
#include "platform/PortMap.h"
#include "platform/ScaledClock.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"
#include "tests/support/CatchUpClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace linktest {

// A port map that knows only the COM numbers a test gives it: no device of
// the machine running the tests is ever opened.
inline platform::PortMap MapOnly(std::map<int, std::string> ports) {
    static const std::string emptyDir = [] {
        char tmpl[] = "/tmp/halvane-link-devXXXXXX";
        const char* d = ::mkdtemp(tmpl);
        return std::string(d ? d : "/nonexistent-dev-dir");
    }();
    return platform::PortMap(nullptr, emptyDir, [ports](const std::string& name) -> std::optional<std::string> {
        for (const auto& [n, path] : ports)
            if (name == platform::PortMap::portName(n)) return path;
        return std::nullopt;
    });
}

// Halvane's processor on a pty, and a port on a clock `factor` times faster
// than real time, so that the long reply limits cost little real time.
class LinkTest : public ::testing::Test {
protected:
    explicit LinkTest(double factor = 10.0) : clock_(factor) {}

    void StartProcessor(int model = 0, std::string firmware = "1.31c", int baud = 19200) {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(model, std::move(firmware), baud),
                                              clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        lineClock_.follow(sim_.get());
    }

    // The processor on COMn; the port map knows no other port.
    void MapProcessorTo(int com) { port_.SetPortMap(MapOnly({{com, sim_->slavePath()}})); }

    // The processor runs on the port's clock, so its delays scale too.
    // Opens COM3 on the processor at the speed index given.
    void OpenAt(int speedIndex = 4) {
        MapProcessorTo(3);
        ASSERT_TRUE(port_.Open("COM3"));
        port_.SetSpeedIndex(speedIndex);
        ASSERT_TRUE(port_.Identify());
    }

    template <class F>
    void Dialect(F&& fn) {
        sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) {
            fn(d);
            return 0;
        });
    }

    template <class F>
    void Faults(F&& fn) {
        auto k = sim_->faults();
        fn(k);
        sim_->setFaults(k);
    }

    platform::ScaledClock clock_;
    std::unique_ptr<sim::Simulator> sim_;
    // The port's: replies are judged once the processor has caught up. The
    // port goes before the simulator it follows.
    testsupport::CatchUpClock lineClock_{clock_};
    halvane::link::Comm::CBasicTessikPort port_{lineClock_, MapOnly({})};
};

}  // namespace linktest

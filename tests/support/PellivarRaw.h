#pragma once

#include "sim/PellivarDialect.h"
#include "sim/Simulator.h"

#include <string>

namespace testsupport {

// Everything the simulated Pellivar processor has received, as text.
inline std::string PellivarRaw(sim::Simulator& processor) {
    return processor.withDialect<sim::PellivarDialect>([](sim::PellivarDialect& d) { return d.raw(); });
}

// Forgets what it has received so far.
inline void ClearPellivarRaw(sim::Simulator& processor) {
    processor.withDialect<sim::PellivarDialect>([](sim::PellivarDialect& d) { d.clearRaw(); });
}

}  // namespace testsupport

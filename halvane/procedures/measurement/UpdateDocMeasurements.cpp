#include "halvane/procedures/measurement/UpdateDocMeasurements.h"

#include "halvane/document/DocumentData.h"

#include <stdexcept>

namespace halvane::procedures {

void UpdateDocMeasurements(const signal::CMeasSet* measurements, int configuration, document::DocumentData& document) {
    if (configuration < 0 || configuration > 1) throw std::logic_error("Invalid configuration");
    const int c = configuration;
    for (const int slot : {c, c + 10, c + 2, c + 8}) document.CurveSetSlot(slot)->Clear();
    signal::CMeasSet& stored = *document.MeasSetSlot(c + 6);
    if (measurements != nullptr && measurements != &stored) stored.CopyFrom(*measurements);
    signal::CCurveSet& measured = *document.CurveSetSlot(c);
    stored.Average(measured);
    document.CurveSetSlot(c + 8)->CopyFrom(measured);
}

}  // namespace halvane::procedures

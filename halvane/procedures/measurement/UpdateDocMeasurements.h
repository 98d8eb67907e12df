#pragma once

namespace halvane::signal {
class CMeasSet;
}

namespace halvane::document {
struct DocumentData;
}

namespace halvane::procedures {


// Files a configuration's measurements (c: 0 Movie, 1 Music) into the
// document: empties its measured, calculated, new-calculated and working
// sets, copies `measurements` (when given) into its measurement set, makes
// the measured set the spatial average of the measurement set and the
// working set a copy of that.
void UpdateDocMeasurements(const signal::CMeasSet* measurements, int configuration, document::DocumentData& document);

}  // namespace halvane::procedures

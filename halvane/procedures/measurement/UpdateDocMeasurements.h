#pragma once

class CMeasSet;

namespace halvane {

struct DocumentData;

// Files a configuration's measurements (c: 0 Movie, 1 Music) into the
// document: empties its measured, calculated, new-calculated and working
// sets, copies `measurements` (when given) into its measurement set, makes
// the measured set the spatial average of the measurement set and the
// working set a copy of that.
void UpdateDocMeasurements(const CMeasSet* measurements, int configuration, DocumentData& document);

}  // namespace halvane

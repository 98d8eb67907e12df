#pragma once

#include <string>

namespace halvane::signal {

class CCurve;

// Receives the intermediate curves of the chirp processing for inspection
// (the measurement job and Quick Measure hand them on; a maintainer may keep
// them). A writer only looks: the processing deletes its temporary curves
// once the call returns.
class CCurveWriter {
public:
    virtual ~CCurveWriter() = default;
    // A curve that already carries its name.
    virtual void WriteCurve(const CCurve& curve) = 0;
    // A curve together with the name it goes by.
    virtual void WriteCurve(const CCurve& curve, const std::string& name) = 0;
};

}  // namespace halvane::signal

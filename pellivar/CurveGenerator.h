#pragma once

#include "pellivar/CGammaPoint.h"

#include <vector>

namespace pellivar {

// The curve generator's parameters, in percent as the dialog shows them.
struct CurveGeneratorParams {
    bool linearActive = true;
    int minimum = 0;      // 0-100
    int maximum = 100;    // 0-100
    bool concavityActive = true;
    int concavity = 0;    // -100-100
    bool inflectionActive = true;
    int inflection = 0;   // -100-100
    int position = 50;    // 40-60
};

// Builds a gamma curve from the default straight line: each point is taken
// on 0-1 (divided by 1023), bent by the concavity, then by the inflection
// about its position, then the output is shifted linearly into [min, max];
// the results are multiplied by 1023 and truncated toward zero (and kept on
// the grid).
std::vector<CGammaPoint> GenerateCurve(const CurveGeneratorParams& params);

}  // namespace pellivar

#pragma once

#include <cstdint>
#include <list>

namespace halvane::signal {
class DbleVect;
}

namespace halvane::app::models {

// One curve a graph draws: pen style (0 solid, 1 dash, 2 dot, 3 dash-dot,
// 4 dash-dot-dot, 5 none), pen width in 0.1 mm (0 is the thinnest line),
// colour as 0x00BBGGRR, and the x and y values, which the curve owner keeps
// alive while the graph paints.
struct CurveEntry {
    int penStyle = 0;
    int penWidth = 0;
    std::uint32_t colour = 0;
    const signal::DbleVect* x = nullptr;
    const signal::DbleVect* y = nullptr;
};

// The graph's curve list, filled by the curve owner before every paint.
using CurveList = std::list<CurveEntry>;

}  // namespace halvane::app::models

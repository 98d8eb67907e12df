#include "pellivar/CurveGenerator.h"

#include "pellivar/CGammaList.h"

#include <algorithm>
#include <cmath>

namespace pellivar {

namespace {

int toGrid(double v) {
    const double scaled = std::trunc(v * CGammaPoint::kFullScale);
    if (!(scaled == scaled)) return 0;
    return static_cast<int>(std::clamp(scaled, 0.0, static_cast<double>(CGammaPoint::kFullScale)));
}

}  // namespace

std::vector<CGammaPoint> GenerateCurve(const CurveGeneratorParams& params) {
    const double m = params.linearActive ? params.minimum / 100.0 : 0.0;
    const double M = params.linearActive ? params.maximum / 100.0 : 1.0;
    const double c = params.concavityActive ? params.concavity / 100.0 : 0.0;
    const double w = params.inflectionActive ? params.inflection / 100.0 : 0.0;
    const double p = params.position / 100.0;

    std::vector<CGammaPoint> out;
    for (const CGammaPoint& point : CGammaList::DefaultCurve()) {
        double x = point.x / static_cast<double>(CGammaPoint::kFullScale);
        double y = point.y / static_cast<double>(CGammaPoint::kFullScale);
        if (c != 0) {
            const double k = c / std::sqrt(2.0);
            const double nx = x - k * x * (1 - x);
            const double ny = y + k * y * (1 - y);
            x = nx;
            y = ny;
        }
        if (w != 0) {
            const double k = w / std::sqrt(2.0);
            if (x < p) {
                const double nx = x - k * x * (p - x);
                const double ny = y + k * y * (p - y);
                x = nx;
                y = ny;
            } else {
                const double nx = x + k * (x - p) * (1 - x);
                const double ny = y - k * (y - p) * (1 - y);
                x = nx;
                y = ny;
            }
        }
        y = m + (M - m) * y;
        out.push_back({toGrid(x), toGrid(y)});
    }
    return out;
}

}  // namespace pellivar

#include "halvane/design/SmoothedDeviation.h"

#include <cmath>

#include "halvane/signal/CCurve.h"

std::vector<double> SmoothedDeviation(const double* x, const double* deviation, int n, double lo, double hi) {
    std::vector<double> out(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i) out[i] = std::fabs(deviation[i]);
    int first = 0;
    while (first < n && x[first] < lo / 2.0) ++first;
    int last = first;
    while (last < n && x[last] <= 2.0 * hi) ++last;
    const int m = last - first;
    if (m < 3) return out;

    CCurve work(m, CIndexVector::Frequency, CComplexVector::Cartesian);
    for (int i = 0; i < m; ++i) {
        work.X()[i] = x[first + i];
        work.A()[i] = deviation[first + i];
        work.B()[i] = 0.0;
    }
    // Output grid = input axis (0 points per octave), so the count stays.
    work.Smooth(kDeviationSmoothingWidth, 0, 0.0, 0.0);
    work.ToPolar();
    if (work.Count() != m) return out;
    for (int i = 0; i < m; ++i) out[first + i] = work.A()[i];
    return out;
}

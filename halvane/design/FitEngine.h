#pragma once

#include <vector>

namespace halvane::design {

struct FilterDesign;

// The numerical core of the cascade fitter on a prepared FilterDesign: the
// error of the first stages, the Levenberg-Marquardt solver, new-stage
// placement, the stability and Q passes and the band check. Every loop runs
// over the fit points in order on the calling thread, so a fit gives the
// same stages on every run and any thread count.
class FitEngine {
public:
    FitEngine(FilterDesign& design, double rate) : d_(design), rate_(rate) {}

    // The error sum(r^2) of the first m parameters (m / 4 stages, rounded
    // up); fills CascadeMag, Residual and FitGain.
    double Error(int m);

    // Levenberg-Marquardt over the first m parameters, at most maxAttempts
    // attempts. Returns the attempts used, or -2 when the normal equations
    // could not be factored; the parameters are the best accepted then.
    // `error` receives the final error.
    int Solve(int m, int maxAttempts, double tolerance, double& error);

    // Places stage p (0-based) where the residual of the first p stages is
    // largest within fit points first..last. False (the stage left as it
    // is) when the range has fewer than two points or no residual.
    bool PlaceStage(int p, int first, int last);

    // StabilizeSection on every numerator and denominator.
    void StabilizeAll();
    // The Q limit on stages count-1 down to 0, poles then zeros.
    void LimitQ(int count, double qMax);
    // Moves stages whose poles lie outside [lo, hi] radians per sample to
    // the end of the chain; returns the position of the first moved stage,
    // or -1 when none moved.
    int BandCheck(double lo, double hi);

private:
    void Magnitudes(const std::vector<double>& params, int stages);
    double ErrorOf(const std::vector<double>& params, int m);
    void Jacobian(int m);
    bool SolveNormal(int m, double lambda);

    FilterDesign& d_;
    double rate_;
    std::vector<double> jac_;   // N x m, row per fit point
    std::vector<double> jtj_;   // m x m
    std::vector<double> jtr_;   // J^T (-r)
    std::vector<double> work_;  // damped system for the factorisation
    std::vector<double> step_;
    std::vector<double> trial_;  // parameters under test
};

}  // namespace halvane::design

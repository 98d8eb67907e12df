#include "LabFit.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "halvane/design/FilterDesign.h"
#include "halvane/design/FitQuality.h"
#include "halvane/link/HeldWordLattices.h"
#include "halvane/signal/CCurve.h"

using namespace halvane::design;
using namespace halvane::signal;

namespace {

int FitUsage() {
    std::fprintf(stderr,
                 "usage: halvane-lab fit --measured M.csv --target T.csv --rate HZ --stages N --lower HZ --upper HZ"
                 " [--level DB] [--subwoofer] [--points P.csv]\n");
    return 2;
}

int ConvertUsage() {
    std::fprintf(stderr, "usage: halvane-lab convert --from HZ --to HZ < stages.csv\n");
    return 2;
}

// Numbers as the files write them, whatever the locale.
std::optional<double> Number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        out.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return out;
        start = comma + 1;
    }
}

// A curve file: `frequency,dB,phase` per line; a first line that is not
// numbers is a header. Frequencies must rise.
bool ReadCurve(const std::string& path, CCurve& curve, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<double> f, db, ph;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line == "\r") continue;
        const auto fields = Fields(line);
        std::optional<double> v[3];
        for (std::size_t i = 0; i < 3 && i < fields.size(); ++i) v[i] = Number(fields[i]);
        if (fields.size() != 3 || !v[0] || !v[1] || !v[2]) {
            if (number == 1) continue;
            error = path + " line " + std::to_string(number) + ": expected frequency,dB,phase";
            return false;
        }
        if (!f.empty() && !(*v[0] > f.back())) {
            error = path + " line " + std::to_string(number) + ": frequencies must rise";
            return false;
        }
        f.push_back(*v[0]);
        db.push_back(*v[1]);
        ph.push_back(*v[2]);
    }
    if (f.empty()) {
        error = path + " holds no points";
        return false;
    }
    curve = CCurve(static_cast<int>(f.size()), 0, 2);
    for (std::size_t i = 0; i < f.size(); ++i) {
        curve.X()[i] = f[i];
        curve.A()[i] = db[i];
        curve.B()[i] = ph[i];
    }
    return true;
}

void PrintStages(const FilterDesign& d) {
    std::printf("b0,b1,b2,a0,a1,a2\n");
    for (std::size_t k = 0; k < d.B0.size(); ++k)
        std::printf("%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", d.B0[k], d.B1[k], d.B2[k], d.A0[k], d.A1[k], d.A2[k]);
    std::printf("gain_steps,%d\n", d.GainSteps);
}

struct Args {
    int argc;
    char** argv;
    int i = 2;
    const char* Value() { return i + 1 < argc ? argv[++i] : nullptr; }
};

bool NumberArg(const char* text, double& out) {
    if (!text) return false;
    const auto v = Number(text);
    if (!v) return false;
    out = *v;
    return true;
}

}  // namespace

int LabFit(int argc, char** argv) {
    std::string measuredPath, targetPath, pointsPath;
    double rate = 0, stages = 0, lower = 0, upper = 0, level = 0;
    bool haveRate = false, haveStages = false, haveLower = false, haveUpper = false, subwoofer = false;
    for (Args a{argc, argv}; a.i < argc; ++a.i) {
        const char* opt = argv[a.i];
        const char* v = nullptr;
        if (std::strcmp(opt, "--subwoofer") == 0) {
            subwoofer = true;
        } else if (std::strcmp(opt, "--measured") == 0 && (v = a.Value())) {
            measuredPath = v;
        } else if (std::strcmp(opt, "--target") == 0 && (v = a.Value())) {
            targetPath = v;
        } else if (std::strcmp(opt, "--points") == 0 && (v = a.Value())) {
            pointsPath = v;
        } else if (std::strcmp(opt, "--rate") == 0 && NumberArg(a.Value(), rate)) {
            haveRate = true;
        } else if (std::strcmp(opt, "--stages") == 0 && NumberArg(a.Value(), stages)) {
            haveStages = true;
        } else if (std::strcmp(opt, "--lower") == 0 && NumberArg(a.Value(), lower)) {
            haveLower = true;
        } else if (std::strcmp(opt, "--upper") == 0 && NumberArg(a.Value(), upper)) {
            haveUpper = true;
        } else if (!(std::strcmp(opt, "--level") == 0 && NumberArg(a.Value(), level))) {
            return FitUsage();
        }
    }
    if (measuredPath.empty() || targetPath.empty() || !haveRate || !haveStages || !haveLower || !haveUpper)
        return FitUsage();
    if (rate < 8000 || rate > 768000 || rate != std::floor(rate) || stages < 1 || stages > 64 ||
        stages != std::floor(stages) || !(lower > 0) || !(upper > lower)) {
        std::fprintf(stderr, "halvane-lab: rate 8000-768000 Hz, 1-64 stages and 0 < lower < upper, please\n");
        return 2;
    }
    CCurve measured, target;
    std::string error;
    if (!ReadCurve(measuredPath, measured, error) || !ReadCurve(targetPath, target, error)) {
        std::fprintf(stderr, "halvane-lab: %s\n", error.c_str());
        return 1;
    }
    FilterDesign d;
    d.Clear();
    d.InitStages(static_cast<int>(stages));
    d.SampleRate = static_cast<int>(rate);
    d.TargetCurve = &target;
    FitOptions options;
    options.IsSubwoofer = subwoofer ? 1 : 0;
    double e = 0.0;
    try {
        e = FitCorrectionFilter(d, measured, options, lower, upper, level);
    } catch (const std::logic_error& x) {
        std::fprintf(stderr, "halvane-lab: %s\n", x.what());
        return 1;
    }
    // The fit points as the solver saw them (w in radians per sample, the
    // desired magnitude), for an outside solver to check the optimum.
    if (!pointsPath.empty()) {
        std::FILE* f = std::fopen(pointsPath.c_str(), "w");
        if (!f) {
            std::fprintf(stderr, "halvane-lab: cannot write %s\n", pointsPath.c_str());
            return 1;
        }
        std::fprintf(f, "w,t\n");
        for (int i = 0; i < d.PointCount; ++i) std::fprintf(f, "%.17g,%.17g\n", d.Omega[i], d.TargetMag[i]);
        if (std::fclose(f) != 0) {
            std::fprintf(stderr, "halvane-lab: cannot write %s\n", pointsPath.c_str());
            return 1;
        }
    }
    d.Finalize();
    PrintStages(d);
    std::printf("fit_error,%.17g\n", e);
    // The figures a maintainer judges the fit by, apart from the stages.
    const FitBand band = FittedBand(d.SampleRate, lower, upper, false);
    const BandError eb = MeasureBandError(measured, target, d, level, band.lower, band.upper);
    const BandError eq = MeasureBandError(measured, target, QuantisedStages(d, halvane::link::HeldWordLattice(false)), level, band.lower, band.upper);
    std::fprintf(stderr, "band %.6g-%.6g Hz: rms %.4f dB, max %.4f dB, p95 %.4f dB; 24-bit words: rms %.4f dB\n",
                 band.lower, band.upper, eb.rms, eb.max, eb.p95, eq.rms);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int LabConvert(int argc, char** argv) {
    double from = 0, to = 0;
    bool haveFrom = false, haveTo = false;
    for (Args a{argc, argv}; a.i < argc; ++a.i) {
        if (std::strcmp(argv[a.i], "--from") == 0 && NumberArg(a.Value(), from))
            haveFrom = true;
        else if (std::strcmp(argv[a.i], "--to") == 0 && NumberArg(a.Value(), to))
            haveTo = true;
        else
            return ConvertUsage();
    }
    if (!haveFrom || !haveTo || from < 8000 || to < 8000 || from > 768000 || to > 768000 || from != std::floor(from) ||
        to != std::floor(to))
        return ConvertUsage();
    // The stage rows of `fit` (b0..a2, a0 not 0), an optional gain_steps
    // line; the header and the fit_error line are passed over.
    std::vector<std::vector<double>> rows;
    int gainSteps = 0;
    std::string line;
    int number = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        const auto fields = Fields(line);
        if (line.empty() || line == "\r" || fields[0] == "b0" || fields[0] == "fit_error") continue;
        if (fields[0] == "gain_steps" && fields.size() == 2) {
            const auto v = Number(fields[1]);
            if (v && *v == std::floor(*v) && std::abs(*v) < 8388608) {
                gainSteps = static_cast<int>(*v);
                continue;
            }
        }
        std::vector<double> row;
        for (auto f : fields)
            if (auto v = Number(f)) row.push_back(*v);
        if (row.size() != 6 || fields.size() != 6 || row[3] == 0.0) {
            std::fprintf(stderr, "halvane-lab: line %d: expected b0,b1,b2,a0,a1,a2\n", number);
            return 1;
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty()) {
        std::fprintf(stderr, "halvane-lab: no stages on the input\n");
        return 1;
    }
    FilterDesign d;
    d.InitStages(static_cast<int>(rows.size()));
    d.SampleRate = static_cast<int>(from);
    d.GainSteps = gainSteps;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const auto& r = rows[k];
        d.B0[k] = r[0] / r[3];
        d.B1[k] = r[1] / r[3];
        d.B2[k] = r[2] / r[3];
        d.A1[k] = r[4] / r[3];
        d.A2[k] = r[5] / r[3];
    }
    d.ChangeSampleRate(static_cast<int>(to));
    PrintStages(d);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

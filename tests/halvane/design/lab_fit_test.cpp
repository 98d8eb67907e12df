// halvane-lab fit and convert, run as a program on curve files this test
// writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FitCorpus.h"
#include "halvane/design/FilterDesign.h"
#include "halvane/design/FitQuality.h"
#include "halvane/design/StageMath.h"

using namespace halvane::design;
using namespace halvane::signal;

#ifdef HALVANE_LAB

namespace {

struct LabRun {
    int status;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

LabRun Lab(const std::string& args, const std::string& input = "") {
    // Named after the test: ctest runs the tests of this program side by side.
    const std::string dir = ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string in = dir + "_in.csv", out = dir + "_out.csv", err = dir + "_err.txt";
    std::ofstream(in) << input;
    const std::string command =
        std::string("\"") + HALVANE_LAB + "\" " + args + " < \"" + in + "\" > \"" + out + "\" 2> \"" + err + "\"";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

std::string WriteCurve(const std::string& name, const CCurve& c) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream out(path);
    out << "frequency,dB,phase\n";
    char line[128];
    for (int i = 0; i < c.Count(); ++i) {
        std::snprintf(line, sizeof line, "%.17g,%.17g,0\n", c.X()[i], 20.0 * std::log10(c.A()[i]));
        out << line;
    }
    return path;
}

// The printed stages back in a design at `rate`.
FilterDesign Parse(const std::string& text, int rate) {
    std::vector<std::vector<double>> rows;
    FilterDesign d;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("b0,", 0) == 0 || line.rfind("fit_error,", 0) == 0) continue;
        if (line.rfind("gain_steps,", 0) == 0) {
            d.GainSteps = std::stoi(line.substr(11));
            continue;
        }
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
        rows.push_back(row);
    }
    const int steps = d.GainSteps;
    d.InitStages(static_cast<int>(rows.size()));
    d.GainSteps = steps;
    d.SampleRate = rate;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k].size(), 6u);
        EXPECT_EQ(rows[k][3], 1.0);
        d.B0[k] = rows[k][0];
        d.B1[k] = rows[k][1];
        d.B2[k] = rows[k][2];
        d.A1[k] = rows[k][4];
        d.A2[k] = rows[k][5];
    }
    return d;
}

TEST(LabFit, PrintsStagesThatCorrectTheChannelAndConvertsThem) {
    const auto c = fitcorpus::RecoverableCases(48000)[0];
    const std::string m = WriteCurve("labfit_m.csv", c.measured);
    const std::string t = WriteCurve("labfit_t.csv", c.target);
    const std::string points = ::testing::TempDir() + "labfit_points.csv";
    const LabRun fit = Lab("fit --measured \"" + m + "\" --target \"" + t +
                           "\" --rate 48000 --stages 5 --lower 30 --upper 16000 --points \"" + points + "\"");
    ASSERT_EQ(fit.status, 0) << fit.err;
    // One w,t row per fit point: every grid point up to 24 kHz (306); both
    // ends are blended flat, so no extra end point.
    const std::string p = Slurp(points);
    EXPECT_EQ(p.rfind("w,t\n", 0), 0u);
    EXPECT_EQ(std::count(p.begin(), p.end(), '\n'), 1 + 306) << p.substr(0, 200);
    EXPECT_NE(fit.out.find("\nfit_error,"), std::string::npos);
    const FilterDesign d = Parse(fit.out, 48000);
    ASSERT_EQ(d.StageCount, 5);
    const FitBand band = FittedBand(48000, 30, 16000, false);
    EXPECT_LT(MeasureBandError(c.measured, c.target, d, 0.0, band.lower, band.upper).rms, 0.1);

    const LabRun conv = Lab("convert --from 48000 --to 96000", fit.out);
    ASSERT_EQ(conv.status, 0) << conv.err;
    FilterDesign expected = d;
    expected.ChangeSampleRate(96000);
    const FilterDesign got = Parse(conv.out, 96000);
    EXPECT_EQ(got.B0, expected.B0);
    EXPECT_EQ(got.B1, expected.B1);
    EXPECT_EQ(got.A2, expected.A2);
    EXPECT_EQ(got.GainSteps, expected.GainSteps);
}

TEST(LabFit, BadInputIsRefusedWithAReason) {
    const auto c = fitcorpus::RecoverableCases(48000)[0];
    const std::string m = WriteCurve("labfit_m2.csv", c.measured);
    const std::string falling = ::testing::TempDir() + "labfit_falling.csv";
    std::ofstream(falling) << "100,0,0\n50,0,0\n";
    EXPECT_EQ(Lab("fit --measured \"" + m + "\" --target \"" + m + "\" --rate 48000 --stages 5").status, 2);
    EXPECT_EQ(Lab("fit --measured x --target y --rate 48000 --stages 0 --lower 30 --upper 300").status, 2);
    LabRun r =
        Lab("fit --measured /nonexistent.csv --target \"" + m + "\" --rate 48000 --stages 5 --lower 30 --upper 300");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open /nonexistent.csv"), std::string::npos) << r.err;
    r = Lab("fit --measured \"" + falling + "\" --target \"" + m + "\" --rate 48000 --stages 5 --lower 30 --upper 300");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("frequencies must rise"), std::string::npos) << r.err;
    EXPECT_EQ(Lab("convert --from 48000 --to 96000", "1,2,x,1,0,0\n").status, 1);
    EXPECT_EQ(Lab("convert --from 48000 --to 96000", "").status, 1);
    EXPECT_EQ(Lab("convert --from 48000", "1,0,0,1,0,0\n").status, 2);
}

}  // namespace

#endif

// halvane-lab: maintainer's bench for Halvane's measurement processing.
//
//   halvane-lab chirp TAKE.wav [--subwoofer] > response.csv
//   halvane-lab doc FILE.QEX > contents.json
//   halvane-lab fit --measured M.csv --target T.csv --rate HZ --stages N
//                   --lower HZ --upper HZ [--level DB] [--subwoofer] [--points P.csv]
//   halvane-lab convert --from HZ --to HZ < stages.csv
//
// Runs the measurement's chirp processing on a recorded take (16-bit stereo
// WAV at 48 kHz, 196608 frames: three sweep periods, the microphone on the
// first channel) and writes frequency, level and phase per point. A take the
// processing rejects prints its failure text and exits 1.
//
// doc prints what a project file stores (version, unit kind, curve sets,
// filter sets, target configuration) as JSON, read as the program reads it
// but without the steps an older document gets after loading; a file the
// program would refuse prints the failure text and exits 1.
//
// fit designs one channel's correction stages from a measured and a target
// curve (both `frequency,dB,phase` per line) and prints the stages as rows
// b0,b1,b2,a0,a1,a2 (full coefficients), the gain in 0.5 dB steps and the
// fit error (--points also writes the fit points w,t the solver worked on);
// convert reads such stages and prints them at another rate.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DocCommand.h"
#include "LabFit.h"
#include "WavTake.h"
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/signal/CSimpleChirpProc.h"

using namespace halvane::signal;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: halvane-lab chirp TAKE.wav [--subwoofer] > response.csv\n"
                 "       halvane-lab doc FILE.QEX > contents.json\n"

                 "       halvane-lab fit --measured M.csv --target T.csv --rate HZ --stages N --lower HZ --upper HZ"
                 " [--level DB] [--subwoofer] [--points P.csv]\n"
                 "       halvane-lab convert --from HZ --to HZ < stages.csv\n");
    return 2;
}

int Chirp(const std::string& path, bool subwoofer) {
    WavTake take;
    std::string error;
    if (!ReadWavTake(path, take, error)) {
        std::fprintf(stderr, "halvane-lab: %s\n", error.c_str());
        return 1;
    }
    if (take.channels != 2) {
        std::fprintf(stderr, "halvane-lab: %s has %d channels; a take is stereo\n", path.c_str(), take.channels);
        return 1;
    }
    // As the recorder converts a take: the first channel over 32767.
    std::vector<double> samples(static_cast<std::size_t>(take.Frames()));
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = take.samples[2 * i] / 32767.0;

    halvane::signal::AudioSampler::CSimpleChirpProc proc(samples.data(), halvane::signal::AudioSampler::CSimpleChirpProc::kMeasureChirpLength,
                                        take.Frames(), take.bitsPerSample, take.rate, nullptr, subwoofer);
    std::unique_ptr<CCurve> response;
    try {
        response = proc.MeasureResponse();
    } catch (const halvane::diagnostics::TException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const halvane::diagnostics::TCodedException& e) {
        std::fprintf(stderr, "%s\n", e.message.c_str());
        return 1;
    }
    if (!response) {
        std::fprintf(stderr,
                     "halvane-lab: %s is %d frames at %d Hz; a take is %d frames at %d Hz, so no response\n",
                     path.c_str(), take.Frames(), take.rate, halvane::signal::AudioSampler::CSimpleChirpProc::kMeasureSampleCount,
                     halvane::signal::AudioSampler::CSimpleChirpProc::kRate);
        return 1;
    }
    response->ToDecibel();
    std::printf("frequency_hz,level_db,phase_rad\n");
    for (int i = 0; i < response->Count(); ++i)
        std::printf("%.10g,%.10g,%.10g\n", response->X()[i], response->A()[i], response->B()[i]);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "doc") == 0) return DocCommand(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "fit") == 0) return LabFit(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0) return LabConvert(argc, argv);
    if (argc < 3 || std::strcmp(argv[1], "chirp") != 0) return Usage();
    std::string path;
    bool subwoofer = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--subwoofer") == 0)
            subwoofer = true;
        else if (path.empty())
            path = argv[i];
        else
            return Usage();
    }
    if (path.empty()) return Usage();
    return Chirp(path, subwoofer);
}

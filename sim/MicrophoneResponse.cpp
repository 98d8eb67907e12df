#include "sim/MicrophoneResponse.h"

#include "sim/SimFft.h"

#include <algorithm>
#include <cmath>

namespace sim {

MicrophoneModel MicrophoneModelForDevice(const std::string& deviceName) {
    return deviceName.find("JOM-1") != std::string::npos ? MicrophoneModel::FenwardeJom1 : MicrophoneModel::TessikQex1;
}

double MicrophoneResponseDb(MicrophoneModel model, double hz) {
    if (model == MicrophoneModel::Ideal) return 0.0;
    const auto& rows = model == MicrophoneModel::TessikQex1 ? detail::kTessikQex1Db : detail::kFenwardeJom1Db;
    // Row k lies at 10 * 2^(k / 25) Hz.
    const double row = hz > 0 ? 25.0 * std::log2(hz / 10.0) : -1.0;
    if (!(row > 0)) return rows.front();
    if (row >= kMicrophoneResponseRows - 1) return rows.back();
    const auto k = static_cast<std::size_t>(row);
    const double t = row - static_cast<double>(k);
    return rows[k] + t * (rows[k + 1] - rows[k]);
}

std::vector<std::complex<double>> MicrophoneResponseBins(MicrophoneModel model, int n, int rate) {
    std::vector<std::complex<double>> bins(static_cast<std::size_t>(std::max(n, 0)), 1.0);
    if (model == MicrophoneModel::Ideal || n < 2) return bins;
    // The real cepstrum of the log magnitude, folded onto positive
    // quefrencies, is the log of the minimum-phase response.
    std::vector<std::complex<double>> c(bins.size());
    for (int k = 0; k < n; ++k) {
        const double hz = static_cast<double>(std::min(k, n - k)) * rate / n;
        c[static_cast<std::size_t>(k)] = MicrophoneResponseDb(model, hz) * std::log(10.0) / 20.0;
    }
    SimFft(c, true);
    for (int k = 1; k < n / 2; ++k) c[static_cast<std::size_t>(k)] *= 2.0;
    for (int k = n / 2 + 1; k < n; ++k) c[static_cast<std::size_t>(k)] = 0.0;
    c[0] = c[0].real();
    c[static_cast<std::size_t>(n / 2)] = c[static_cast<std::size_t>(n / 2)].real();
    SimFft(c, false);
    for (std::size_t k = 0; k < bins.size(); ++k) bins[k] = std::exp(c[k]);
    return bins;
}

}  // namespace sim

#include "sim/SimFft.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace sim {

void SimFft(std::vector<std::complex<double>>& a, bool inverse) {
    const std::size_t n = a.size();
    if (n == 0 || (n & (n - 1)) != 0) throw std::invalid_argument("SimFft: size must be a power of two");
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * std::numbers::pi / static_cast<double>(len) * (inverse ? 1 : -1);
        for (std::size_t i = 0; i < n; i += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                // Twiddles from the angle each time: no drift over long runs.
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    if (inverse)
        for (auto& x : a) x /= static_cast<double>(n);
}

}  // namespace sim

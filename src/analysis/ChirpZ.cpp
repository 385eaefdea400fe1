#include "analysis/ChirpZ.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

using Complex = std::complex<double>;

// Iterative radix-2 transform in place; sign -1 forward, +1 inverse (unnormalised).
void ComplexFft(std::vector<Complex>& x, double sign) {
    const std::size_t m = x.size();
    for (std::size_t i = 1, j = 0; i < m; ++i) {
        std::size_t bit = m >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    std::vector<Complex> w(m / 2);
    for (std::size_t k = 0; k < m / 2; ++k) {
        w[k] = std::polar(1.0, sign * 2.0 * std::numbers::pi * static_cast<double>(k) /
                                   static_cast<double>(m));
    }
    for (std::size_t len = 2; len <= m; len <<= 1) {
        const std::size_t step = m / len;
        for (std::size_t start = 0; start < m; start += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const Complex t = w[k * step] * x[start + k + len / 2];
                x[start + k + len / 2] = x[start + k] - t;
                x[start + k] += t;
            }
        }
    }
}

} // namespace

bool ChirpZRealDft(int32_t n, float* a) {
    if (n < 1 || a == nullptr) {
        return false;
    }
    std::size_t m = 1;
    while (m < 2 * static_cast<std::size_t>(n) - 1) {
        m <<= 1;
    }
    // chirp[j] = exp(-i pi j^2 / n); j^2 is reduced modulo 2n first so that the angle stays
    // small and exact for every j.
    const int64_t n64 = n;
    std::vector<Complex> chirp(n);
    for (int64_t j = 0; j < n64; ++j) {
        const int64_t r = (j * j) % (2 * n64);
        chirp[j] =
            std::polar(1.0, -std::numbers::pi * static_cast<double>(r) / static_cast<double>(n64));
    }
    std::vector<Complex> x(m), h(m);
    double nyquist = 0.0;
    for (int64_t j = 0; j < n64; ++j) {
        x[j] = static_cast<double>(a[j]) * chirp[j];
        nyquist += (j % 2 == 0) ? a[j] : -static_cast<double>(a[j]);
    }
    h[0] = std::conj(chirp[0]);
    for (int64_t j = 1; j < n64; ++j) {
        h[j] = h[m - j] = std::conj(chirp[j]);
    }
    ComplexFft(x, -1.0);
    ComplexFft(h, -1.0);
    for (std::size_t k = 0; k < m; ++k) {
        x[k] *= h[k];
    }
    ComplexFft(x, 1.0);
    const double scale = 1.0 / static_cast<double>(m);

    const Complex dc = x[0] * scale * chirp[0];
    a[0] = static_cast<float>(dc.real());
    if (n > 1) {
        a[1] = static_cast<float>(nyquist);
    }
    for (int64_t k = 1; k < n64 / 2; ++k) {
        const Complex xk = x[k] * scale * chirp[k];
        a[2 * k] = static_cast<float>(xk.real());
        a[2 * k + 1] = static_cast<float>(-xk.imag());
    }
    return true;
}

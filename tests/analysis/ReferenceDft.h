// Double-precision reference transforms for the FFT tests, written independently of the
// engine: a recursive radix-2 FFT for powers of two and a direct DFT for any length, both
// producing the engine's layout (DC, Nyquist, then cos/sin sums per bin).
#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace reference {

using Complex = std::complex<double>;

// Forward transform exp(-2 pi i jk / n) of a power-of-two length.
inline void Fft(std::vector<Complex>& x) {
    const std::size_t n = x.size();
    if (n == 1) {
        return;
    }
    std::vector<Complex> even(n / 2), odd(n / 2);
    for (std::size_t j = 0; j < n / 2; ++j) {
        even[j] = x[2 * j];
        odd[j] = x[2 * j + 1];
    }
    Fft(even);
    Fft(odd);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const Complex t = std::polar(1.0, -2.0 * std::numbers::pi * double(k) / double(n)) * odd[k];
        x[k] = even[k] + t;
        x[k + n / 2] = even[k] - t;
    }
}

inline std::vector<double> ToLayout(const std::vector<Complex>& spectrum, std::size_t n,
                                    double nyquist) {
    std::vector<double> out(n, 0.0);
    out[0] = spectrum[0].real();
    out[1] = nyquist;
    for (std::size_t k = 1; k < n / 2; ++k) {
        out[2 * k] = spectrum[k].real();
        out[2 * k + 1] = -spectrum[k].imag(); // the layout keeps the sine sums
    }
    return out;
}

inline double NyquistSum(const std::vector<float>& data) {
    double sum = 0.0;
    for (std::size_t j = 0; j < data.size(); ++j) {
        sum += (j % 2 == 0) ? data[j] : -double(data[j]);
    }
    return sum;
}

// Real transform of a power-of-two length, in the engine's layout.
inline std::vector<double> RealFft(const std::vector<float>& data) {
    std::vector<Complex> x(data.begin(), data.end());
    Fft(x);
    return ToLayout(x, data.size(), NyquistSum(data));
}

// Direct O(n^2) real DFT of any length, in the engine's layout (index n-1 of an odd length
// is left 0, as the engine does not define it).
inline std::vector<double> RealDft(const std::vector<float>& data) {
    const std::size_t n = data.size();
    std::vector<Complex> x(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        Complex sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t r = (j * k) % n;
            sum +=
                double(data[j]) * std::polar(1.0, -2.0 * std::numbers::pi * double(r) / double(n));
        }
        x[k] = sum;
    }
    return ToLayout(x, n, NyquistSum(data));
}

// RMS of (actual - expected) over the RMS of expected, over the first count entries.
inline double RelativeRmsError(const float* actual, const std::vector<double>& expected,
                               std::size_t count) {
    double err = 0.0, ref = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        err += (actual[i] - expected[i]) * (actual[i] - expected[i]);
        ref += expected[i] * expected[i];
    }
    return std::sqrt(err / ref);
}

} // namespace reference

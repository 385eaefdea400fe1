#include "analysis/ChirpZ.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace {

// The plain product: std::complex's operator* checks every result for the infinities of
// C99 Annex G in a library call on every butterfly.
inline std::complex<double> Mul(std::complex<double> a, std::complex<double> b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

} // namespace

bool ChirpZDft::Prepare(int32_t n) {
    if (n < 1 || n > (int32_t{1} << 28)) {
        return false;
    }
    if (n == n_) {
        return true;
    }
    const bool even = n % 2 == 0;
    const std::size_t l = even ? static_cast<std::size_t>(n) / 2 : static_cast<std::size_t>(n);
    const bool direct = std::has_single_bit(l);
    const std::size_t need = direct ? l : 2 * l - 1;
    std::size_t m = 1;
    while (m < need) {
        m <<= 1;
    }
    n_ = n;
    l_ = l;
    m_ = m;
    twiddle_.assign(m / 2, Complex{});
    for (std::size_t k = 0; k < m / 2; ++k) {
        twiddle_[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) /
                                          static_cast<double>(m));
    }
    split_.clear();
    if (even) {
        split_.resize(l + 1);
        for (std::size_t k = 0; k <= l; ++k) {
            split_[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) /
                                            static_cast<double>(n));
        }
    }
    work_.assign(m, Complex{});
    chirp_.clear();
    chirpSpectrum_.clear();
    if (!direct) {
        // chirp[j] = exp(-i pi j^2 / l); j^2 is reduced modulo 2l first so that the angle
        // stays small and exact for every j.
        const int64_t l64 = static_cast<int64_t>(l);
        chirp_.resize(l);
        for (int64_t j = 0; j < l64; ++j) {
            const int64_t r = (j * j) % (2 * l64);
            chirp_[j] = std::polar(1.0, -std::numbers::pi * static_cast<double>(r) /
                                            static_cast<double>(l64));
        }
        chirpSpectrum_.assign(m, Complex{});
        chirpSpectrum_[0] = std::conj(chirp_[0]);
        for (int64_t j = 1; j < l64; ++j) {
            chirpSpectrum_[j] = chirpSpectrum_[m - j] = std::conj(chirp_[j]);
        }
        Transform(chirpSpectrum_, false);
    }
    return true;
}

void ChirpZDft::Transform(std::vector<Complex>& x, bool inverse) const {
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
    for (std::size_t len = 2; len <= m; len <<= 1) {
        const std::size_t step = m / len;
        for (std::size_t start = 0; start < m; start += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const Complex w = inverse ? std::conj(twiddle_[k * step]) : twiddle_[k * step];
                const Complex t = Mul(w, x[start + k + len / 2]);
                x[start + k + len / 2] = x[start + k] - t;
                x[start + k] += t;
            }
        }
    }
}

void ChirpZDft::ComplexDft() {
    if (chirp_.empty()) {
        Transform(work_, false);
        return;
    }
    for (std::size_t j = 0; j < l_; ++j) {
        work_[j] = Mul(work_[j], chirp_[j]);
    }
    for (std::size_t j = l_; j < m_; ++j) {
        work_[j] = Complex{};
    }
    Transform(work_, false);
    for (std::size_t k = 0; k < m_; ++k) {
        work_[k] = Mul(work_[k], chirpSpectrum_[k]);
    }
    Transform(work_, true);
    const double scale = 1.0 / static_cast<double>(m_);
    for (std::size_t k = 0; k < l_; ++k) {
        work_[k] = Mul(work_[k] * scale, chirp_[k]);
    }
}

void ChirpZDft::Forward(const double* x, Complex* out) {
    if (split_.empty()) {
        for (std::size_t j = 0; j < l_; ++j) {
            work_[j] = Complex(x[j], 0.0);
        }
        ComplexDft();
        for (std::size_t k = 0; k <= l_ / 2; ++k) {
            out[k] = work_[k];
        }
        return;
    }
    // z_j = x[2j] + i x[2j+1]: with Z its transform, the even and odd samples' transforms are
    // (Z[k] + conj Z[l-k]) / 2 and (Z[k] - conj Z[l-k]) / 2i, joined by exp(-2 pi i k / n).
    for (std::size_t j = 0; j < l_; ++j) {
        work_[j] = Complex(x[2 * j], x[2 * j + 1]);
    }
    ComplexDft();
    for (std::size_t k = 0; k <= l_; ++k) {
        const Complex a = work_[k == l_ ? 0 : k];
        const Complex b = std::conj(work_[k == 0 ? 0 : l_ - k]);
        const Complex even = 0.5 * (a + b);
        const Complex d = a - b;
        const Complex odd(0.5 * d.imag(), -0.5 * d.real());
        out[k] = even + Mul(split_[k], odd);
    }
}

bool ChirpZRealDft(int32_t n, float* a) {
    if (n < 1 || a == nullptr) {
        return false;
    }
    ChirpZDft dft;
    if (!dft.Prepare(n)) {
        return false;
    }
    std::vector<double> x(a, a + n);
    std::vector<std::complex<double>> spectrum(static_cast<std::size_t>(n) / 2 + 1);
    dft.Forward(x.data(), spectrum.data());
    double nyquist = 0.0;
    for (int32_t j = 0; j < n; ++j) {
        nyquist += (j % 2 == 0) ? a[j] : -static_cast<double>(a[j]);
    }
    a[0] = static_cast<float>(spectrum[0].real());
    if (n > 1) {
        a[1] = static_cast<float>(nyquist);
    }
    for (int32_t k = 1; k < n / 2; ++k) {
        a[2 * k] = static_cast<float>(spectrum[k].real());
        a[2 * k + 1] = static_cast<float>(-spectrum[k].imag());
    }
    return true;
}

// Forward DFT of real values of any length in double precision: for blocks loaded from data
// files whose count is not a power of two, and for the converter figures, which need every
// length exact.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

// Tables and scratch for one length n, built by Prepare and kept until the length changes, so
// that repeated transforms of one length allocate nothing. A power-of-two length runs as one
// complex FFT of n points; any other length in Bluestein's chirp-z form, as a circular
// convolution of power-of-two length >= 2n - 1.
class ChirpZDft {
public:
    // False (nothing changed) for n < 1 or n > 2^28.
    bool Prepare(int32_t n);
    int32_t Size() const { return n_; }
    // out[k] = sum_j x[j] exp(-2 pi i j k / n) for 0 <= k <= n/2 (n/2 + 1 values).
    // Prepare(n) must have succeeded.
    void Forward(const double* x, std::complex<double>* out);

private:
    using Complex = std::complex<double>;
    void Transform(std::vector<Complex>& x, bool inverse) const; // radix 2, unnormalised

    int32_t n_ = 0;
    std::size_t m_ = 0;                  // complex FFT length
    std::vector<Complex> twiddle_;       // exp(-2 pi i k / m), k < m/2
    std::vector<Complex> chirp_;         // exp(-i pi j^2 / n), j < n (chirp-z only)
    std::vector<Complex> chirpSpectrum_; // FFT of the conjugate chirp, wrapped (chirp-z only)
    std::vector<Complex> work_;
};

// Same layout as the power-of-two transform: a[0] = sum a_j, a[1] = sum a_j (-1)^j, and for
// 0 < k < n/2 (integer division) a[2k] = sum a_j cos(2 pi j k / n), a[2k+1] =
// sum a_j sin(2 pi j k / n). Nothing at or beyond index n is touched. Runs through a ChirpZDft
// made for the call (this path is rare and never the one a measurement takes). Returns false
// for n < 1.
bool ChirpZRealDft(int32_t n, float* a);

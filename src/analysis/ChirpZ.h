// Forward DFT of real values of any length in double precision: for blocks loaded from data
// files whose count is not a power of two, and for the converter figures, which need every
// length exact.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

// Tables and scratch for one length n, built by Prepare and kept until the length changes, so
// that repeated transforms of one length allocate nothing. An even length runs as a complex
// transform of its n/2 value pairs, an odd one as a complex transform of n points; that
// complex transform of length L is one radix-2 FFT when L is a power of two, otherwise
// Bluestein's chirp-z form, a circular convolution of power-of-two length >= 2L - 1.
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
    // The complex DFT of the l_ points in work_[0 .. l_-1], left in work_[0 .. l_-1].
    void ComplexDft();

    int32_t n_ = 0;
    std::size_t l_ = 0;                  // complex DFT length: n/2 for an even n, else n
    std::size_t m_ = 0;                  // radix-2 FFT length
    std::vector<Complex> twiddle_;       // exp(-2 pi i k / m), k < m/2
    std::vector<Complex> split_;         // exp(-2 pi i k / n), k <= n/2 (even n only)
    std::vector<Complex> chirp_;         // exp(-i pi j^2 / l), j < l (chirp-z only)
    std::vector<Complex> chirpSpectrum_; // FFT of the conjugate chirp, wrapped (chirp-z only)
    std::vector<Complex> work_;
};

// Same layout as the power-of-two transform: a[0] = sum a_j, a[1] = sum a_j (-1)^j, and for
// 0 < k < n/2 (integer division) a[2k] = sum a_j cos(2 pi j k / n), a[2k+1] =
// sum a_j sin(2 pi j k / n). Nothing at or beyond index n is touched. Runs through a ChirpZDft
// made for the call (this path is rare and never the one a measurement takes). Returns false
// for n < 1.
bool ChirpZRealDft(int32_t n, float* a);

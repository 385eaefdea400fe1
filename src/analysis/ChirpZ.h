// Forward real DFT of any length, for blocks loaded from data files whose count is not a
// power of two.
#pragma once

#include <cstdint>

// Same layout as the power-of-two transform: a[0] = sum a_j, a[1] = sum a_j (-1)^j, and for
// 0 < k < n/2 (integer division) a[2k] = sum a_j cos(2 pi j k / n), a[2k+1] =
// sum a_j sin(2 pi j k / n). Nothing at or beyond index n is touched. Bluestein's chirp-z
// form: the DFT becomes a circular convolution of power-of-two length >= 2n - 1, done with a
// double-precision FFT in buffers allocated for the call (this path is rare and never the
// one a measurement takes). Returns false for n < 1.
bool ChirpZRealDft(int32_t n, float* a);

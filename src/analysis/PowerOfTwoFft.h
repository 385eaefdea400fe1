// Forward real FFT for power-of-two lengths, the fast path of TmyFFT::RealFFT.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/FftTables.h"

class PowerOfTwoFft {
public:
    static constexpr int32_t kMaxCount = int32_t{1} << FftTables::kMaxRealLog2;

    // Reserves the scratch for the largest transform; nothing is allocated afterwards.
    PowerOfTwoFft();

    // In place, unnormalised: a[0] = sum a_j, a[1] = sum a_j (-1)^j, and for 0 < k < n/2
    // a[2k] = sum a_j cos(2 pi j k / n), a[2k+1] = sum a_j sin(2 pi j k / n).
    // n must be a power of two from 2 to kMaxCount.
    void Forward(int32_t n, float* a);

private:
    // The n values as n/2 complex points z_j = a[2j] + i a[2j+1], bit-reverse ordered into
    // the split scratch with the first, twiddle-free radix-4 stage done on the way.
    void GatherFirstStage(int log2N, const float* a);
    void ComplexStages(int log2N);
    // Turns the complex transform of the n/2 points into the real transform of the n values.
    void SplitReal(int log2N, float* a) const;

    const FftTables& tables_;
    std::vector<float> re_; // split real and imaginary parts: the inner loops then
    std::vector<float> im_; // run over contiguous values and vectorise without shuffles
};

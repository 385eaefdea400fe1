// Twiddle and bit-reversal tables for every power-of-two real transform up to 262144 values.
// They depend only on the sizes, never on data, so one immutable set, built on first use,
// serves every engine; a transform therefore gives the same bits whatever ran before it.
#pragma once

#include <cstdint>
#include <vector>

class FftTables {
public:
    static constexpr int kMaxRealLog2 = 18;                  // 262144 real values
    static constexpr int kMaxComplexLog2 = kMaxRealLog2 - 1; // 131072 complex points

    static const FftTables& Instance();

    // Radix-4 stage combining four transforms of q = m/4 points into one of m = 2^log2m
    // (log2m >= 4): six runs of q values: Re W^j, Im W^j, Re W^2j, Im W^2j, Re W^3j, Im W^3j
    // with W = exp(-2 pi i / m).
    const float* Radix4(int log2m) const { return &values_[radix4Offset_[log2m]]; }
    // Radix-2 stage of m = 2^log2m points: two runs of m/2 values, Re W^j and Im W^j.
    const float* Radix2(int log2m) const { return &values_[radix2Offset_[log2m]]; }
    // Split step of a real transform of n = 2^log2n values: cos(2 pi k / n) for k < n/4,
    // then sin(2 pi k / n) for k < n/4.
    const float* Split(int log2n) const { return &values_[splitOffset_[log2n]]; }
    // j with its lowest log2N bits reversed (j < 2^log2N).
    uint32_t Reverse(uint32_t j, int log2N) const {
        return bitReverse_[j] >> (kMaxComplexLog2 - log2N);
    }

private:
    FftTables();

    std::vector<float> values_;
    std::vector<uint32_t> bitReverse_; // over kMaxComplexLog2 bits
    std::size_t radix4Offset_[kMaxRealLog2 + 1] = {};
    std::size_t radix2Offset_[kMaxRealLog2 + 1] = {};
    std::size_t splitOffset_[kMaxRealLog2 + 1] = {};
};

// The per-sample factors of the current window function, kept for the last size and kind.
#pragma once

#include <cstdint>
#include <vector>

// Window kinds with the factors they keep.
//   Hanning:  first = 1 - cos(theta)                   value = first * in * 0.5
//   Hamming:  first = 0.54 - 0.46 cos(theta)           value = first * in
//   flat-top: first = sin(2u) / (2u), second = 0.46 cos(u) + 0.54
//                                                      value = first * (second * in)
// The factors are computed in double precision exactly as a fresh evaluation would compute
// them, so applying cached factors gives the same bits as recomputing them; the cosines are
// the costly part of a window and are only evaluated when the size or kind changes.
class WindowCache {
public:
    enum Kind { None, Hanning, Hamming, FlatTop };

    // Reserves room for the largest block; nothing is allocated afterwards.
    explicit WindowCache(int32_t capacity);

    // Factors for n samples of the given kind (n <= capacity), rebuilt only when needed.
    void Prepare(Kind kind, int32_t n);
    const double* First() const { return first_.data(); }
    const double* Second() const { return second_.data(); }

private:
    std::vector<double> first_;
    std::vector<double> second_;
    Kind kind_ = None;
    int32_t count_ = 0;
};

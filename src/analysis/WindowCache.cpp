#include "analysis/WindowCache.h"

#include <cmath>

namespace {

// The single-precision constants the angles are built from.
constexpr float kTwoPi = 6.2831855f;
constexpr float kFourPi = 12.566371f;

} // namespace

WindowCache::WindowCache(int32_t capacity) : first_(capacity), second_(capacity) {}

void WindowCache::Prepare(Kind kind, int32_t n) {
    if (kind == kind_ && n == count_) {
        return;
    }
    kind_ = kind;
    count_ = n;
    // Angles in extended precision, handed to the cosine and sine as double.
    const long double count = n;
    for (int32_t i = 0; i < n; ++i) {
        switch (kind) {
        case Hanning: {
            const auto theta = static_cast<double>((i + 0.5L) * kTwoPi / count);
            first_[i] = 1.0 - std::cos(theta);
            break;
        }
        case Hamming: {
            const auto theta = static_cast<double>((i + 0.5L) * kTwoPi / count);
            first_[i] = 0.54 - 0.46 * std::cos(theta);
            break;
        }
        case FlatTop: {
            // t is never 0 (the half-sample offset), so the quotient is always defined.
            const float t = static_cast<float>((i + 0.5L - n / 2) / count);
            const auto u = static_cast<double>(static_cast<long double>(kTwoPi) * t);
            const auto twoU = static_cast<double>(static_cast<long double>(kFourPi) * t);
            first_[i] = std::sin(twoU) / twoU;
            second_[i] = 0.46 * std::cos(u) + 0.54;
            break;
        }
        case None:
            break;
        }
    }
}

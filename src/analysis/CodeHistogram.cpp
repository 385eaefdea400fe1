#include "analysis/CodeHistogram.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

bool CodeHistogram::Count(const int32_t* codes, int32_t n, int32_t maxColumns) {
    if (codes == nullptr || n < 1 || maxColumns < 1) {
        return false;
    }
    const auto [lo, hi] = std::minmax_element(codes, codes + n);
    lowest_ = *lo;
    highest_ = *hi;
    samples_ = n;
    const int64_t span = highest_ - lowest_ + 1;
    codesPerColumn_ = (span + maxColumns - 1) / maxColumns;
    columns_ = static_cast<int32_t>((span + codesPerColumn_ - 1) / codesPerColumn_);
    if (counts_.size() < static_cast<std::size_t>(maxColumns)) {
        counts_.resize(static_cast<std::size_t>(maxColumns));
    }
    std::fill(counts_.begin(), counts_.begin() + columns_, 0);
    for (int32_t i = 0; i < n; ++i) {
        ++counts_[static_cast<std::size_t>((codes[i] - lowest_) / codesPerColumn_)];
    }
    largest_ = *std::max_element(counts_.begin(), counts_.begin() + columns_);
    CountMissing(codes, n);
    return true;
}

void CodeHistogram::CountMissing(const int32_t* codes, int32_t n) {
    const int64_t span = highest_ - lowest_ + 1;
    if (codesPerColumn_ == 1) {
        missing_ = std::count(counts_.begin(), counts_.begin() + columns_, 0);
        return;
    }
    int64_t distinct = 0;
    if (span <= kSeenCodes) {
        const std::size_t words = static_cast<std::size_t>((span + 63) / 64);
        if (seen_.size() < words) {
            seen_.resize(static_cast<std::size_t>(kSeenCodes / 64));
        }
        std::fill(seen_.begin(), seen_.begin() + static_cast<std::ptrdiff_t>(words), 0);
        for (int32_t i = 0; i < n; ++i) {
            const int64_t d = codes[i] - lowest_;
            seen_[static_cast<std::size_t>(d / 64)] |= uint64_t{1} << (d % 64);
        }
        for (std::size_t w = 0; w < words; ++w) {
            distinct += std::popcount(seen_[w]);
        }
    } else {
        sorted_.assign(codes, codes + n);
        std::sort(sorted_.begin(), sorted_.end());
        distinct = std::unique(sorted_.begin(), sorted_.end()) - sorted_.begin();
    }
    missing_ = span - distinct;
}

double CodeHistogram::NormalCount(int32_t column, double mean, double sigma) const {
    const double from = static_cast<double>(lowest_ + column * codesPerColumn_) - 0.5;
    const double to = from + static_cast<double>(codesPerColumn_);
    if (!(sigma > 0.0)) {
        return mean >= from && mean < to ? samples_ : 0.0;
    }
    // The normal distribution's share of from..to, as a difference of tails so that columns
    // far out keep their small values.
    const double s = sigma * std::numbers::sqrt2;
    const double share = mean < from
                             ? 0.5 * (std::erfc((from - mean) / s) - std::erfc((to - mean) / s))
                             : 0.5 * (std::erfc((mean - to) / s) - std::erfc((mean - from) / s));
    return samples_ * share;
}

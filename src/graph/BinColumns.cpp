#include "graph/BinColumns.h"

#include "graph/LineRaster.h"

#include <algorithm>
#include <cmath>

BinColumns::BinColumns(int32_t capacity) : columns_(std::max(capacity, 1)) {}

bool BinColumns::Prepare(const BinAxis& axis) {
    if (!(valid_ && axis == axis_)) {
        joins_ = Compute(axis);
        axis_ = axis;
        valid_ = true;
    }
    return joins_;
}

bool BinColumns::Compute(const BinAxis& a) {
    const int32_t n = std::min(a.bins, static_cast<int32_t>(columns_.size()));
    if (n < 2 || !(a.deltaF > 0)) {
        return false;
    }
    const double w = a.width;
    if (a.log) {
        if (!LogRange(a)) {
            return false;
        }
        const double ls = std::log10(double(a.fS));
        const double logSpan = std::log10(double(a.fE)) - ls;
        for (int32_t i = first_; i <= last_; ++i) {
            columns_[i] = TruncToPixel(
                w * (std::log10(double(static_cast<float>(i) * a.deltaF)) - ls) / logSpan);
        }
        return true;
    }
    // Limited before it becomes an int: at 5 sps a 64 kHz end lies billions of bins out.
    const float lastBin = a.fE / a.deltaF;
    last_ = lastBin < static_cast<float>(n - 1) ? static_cast<int32_t>(lastBin) : n - 1;
    first_ = 1;
    if (last_ < 2) {
        return false;
    }
    for (int32_t i = first_; i <= last_; ++i) {
        columns_[i] = TruncToPixel(w * (static_cast<float>(i) * a.deltaF) / a.fE);
    }
    return true;
}

bool BinColumns::LogRange(const BinAxis& a) {
    const int32_t n = std::min(a.bins, static_cast<int32_t>(columns_.size()));
    const double ls = std::log10(double(a.fS));
    const double le = std::log10(double(a.fE));
    if (le == ls) {
        return false;
    }
    const float deltaF = a.deltaF;
    const float fS = a.fS;
    const float fE = a.fE;
    // Start one bin below the first at or above fS, end at the first at or above fE.
    int32_t j = std::max(1, static_cast<int32_t>(std::ceil(double(fS) / deltaF)));
    while (j > 1 && static_cast<float>(j - 1) * deltaF >= fS) {
        --j;
    }
    while (static_cast<float>(j) * deltaF < fS) {
        ++j;
    }
    if (j > 1) {
        --j;
    }
    if (j >= n - 1) {
        return false;
    }
    const double kGuess = std::ceil(double(fE) / deltaF);
    int32_t k = static_cast<int32_t>(std::clamp(kGuess, double(j), double(n - 1)));
    while (k > j && static_cast<float>(k - 1) * deltaF >= fE) {
        --k;
    }
    while (k < n - 1 && static_cast<float>(k) * deltaF < fE) {
        ++k;
    }
    first_ = j;
    last_ = k;
    return true;
}

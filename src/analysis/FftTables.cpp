#include "analysis/FftTables.h"

#include <cmath>
#include <numbers>

namespace {

// Angles and their cosines in double precision, rounded once to single precision: the
// tables then carry no error beyond that single rounding, whatever the size.
void AppendTwiddles(std::vector<float>& out, int64_t m, int64_t count, int power, double sign) {
    std::vector<float> re(count), im(count);
    for (int64_t j = 0; j < count; ++j) {
        const double angle =
            2.0 * std::numbers::pi * static_cast<double>(j * power) / static_cast<double>(m);
        re[j] = static_cast<float>(std::cos(angle));
        im[j] = static_cast<float>(sign * std::sin(angle));
    }
    out.insert(out.end(), re.begin(), re.end());
    out.insert(out.end(), im.begin(), im.end());
}

} // namespace

const FftTables& FftTables::Instance() {
    static const FftTables tables;
    return tables;
}

FftTables::FftTables() {
    values_.reserve(std::size_t{3} << kMaxRealLog2);
    for (int log2m = 4; log2m <= kMaxComplexLog2; ++log2m) {
        const int64_t m = int64_t{1} << log2m;
        radix4Offset_[log2m] = values_.size();
        for (int power = 1; power <= 3; ++power) {
            AppendTwiddles(values_, m, m / 4, power, -1.0);
        }
    }
    for (int log2m = 1; log2m <= kMaxComplexLog2; ++log2m) {
        const int64_t m = int64_t{1} << log2m;
        radix2Offset_[log2m] = values_.size();
        AppendTwiddles(values_, m, m / 2, 1, -1.0);
    }
    for (int log2n = 2; log2n <= kMaxRealLog2; ++log2n) {
        const int64_t n = int64_t{1} << log2n;
        splitOffset_[log2n] = values_.size();
        AppendTwiddles(values_, n, n / 4, 1, 1.0);
    }

    const uint32_t count = uint32_t{1} << kMaxComplexLog2;
    bitReverse_.resize(count);
    for (uint32_t j = 0; j < count; ++j) {
        uint32_t r = 0;
        for (int b = 0; b < kMaxComplexLog2; ++b) {
            r |= ((j >> b) & 1u) << (kMaxComplexLog2 - 1 - b);
        }
        bitReverse_[j] = r;
    }
}

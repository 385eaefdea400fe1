#include "analysis/SampleConversion.h"

#include <cmath>
#include <cstring>

#include "common/VectorState.h"

namespace {

bool HasCodes(const SampleBlock& block) {
    return block.count > 0 && block.count <= MaxSamples && block.codes != nullptr;
}

} // namespace

float DeltaF(float samplePeriodMs, int32_t count) {
    if (!(samplePeriodMs > 0.0f) || count <= 0) {
        return 0.0f;
    }
    return 1000.0f / (samplePeriodMs * static_cast<float>(count));
}

bool HasClippingCode(const int32_t* codes, int32_t count) {
    ClearUpperVectorState();
    // Sixteen codes at a time, without a branch per code; a hit is then found one by one.
    typedef int32_t v4i __attribute__((vector_size(16)));
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        v4i c[4];
        std::memcpy(c, codes + i, sizeof c);
        v4i hit = {0, 0, 0, 0};
        for (const v4i& v : c) {
            hit |= (v == kCodeOutOfRangeLow) | (v == kCodeOutOfRangeHigh);
        }
        if (hit[0] | hit[1] | hit[2] | hit[3]) {
            break;
        }
    }
    for (; i < count; ++i) {
        if (codes[i] == kCodeOutOfRangeLow || codes[i] == kCodeOutOfRangeHigh) {
            return true;
        }
    }
    return false;
}

bool CheckCodes(SampleBlock& block, float samplePeriodMs) {
    if (!HasCodes(block) || HasClippingCode(block.codes, block.count)) {
        return false;
    }
    return ConvertBlock(block, samplePeriodMs);
}

bool ConvertBlock(SampleBlock& block, float samplePeriodMs) {
    if (!HasCodes(block) || block.volts == nullptr) {
        return false;
    }
    ClearUpperVectorState();
    // The mean is summed in double precision: a single-precision running sum of 262144
    // volts drifts by a few tenths of a percent (a constant 0.182209 V block would report a
    // mean of 0.1825 V), which would shift the waveform's AC display.
    double sum = 0.0;
    float highest = -10.0f;
    float lowest = 10.0f;
    for (int32_t i = 0; i < block.count; ++i) {
        const float v = CodeToVolts(block.codes[i]);
        block.volts[i] = v;
        sum += v;
        if (highest < v) {
            highest = v;
        }
        if (lowest > v) {
            lowest = v;
        }
    }
    block.voltMax = highest;
    block.voltMin = lowest;
    block.voltMean = static_cast<float>(sum / block.count);
    block.deltaF = DeltaF(samplePeriodMs, block.count);
    return true;
}

// Both statistics sum exactly (integers) or in double precision: in a single-precision sum
// of ~8.4 million per sample every addition loses up to 65536 codes, so a constant block of
// 9000000 would report a mean of 8999944 and a deviation of 56 codes already at 1024
// samples.
int32_t CodeMean(const SampleBlock& block) {
    if (!HasCodes(block)) {
        return 0;
    }
    ClearUpperVectorState();
    int64_t sum = 0;
    for (int32_t i = 0; i < block.count; ++i) {
        sum += block.codes[i];
    }
    return static_cast<int32_t>(sum / block.count);
}

float CodeStdDev(const SampleBlock& block) {
    if (!HasCodes(block)) {
        return 0.0f;
    }
    const int64_t mean = CodeMean(block); // clears the vector state too
    double sum = 0.0;
    for (int32_t i = 0; i < block.count; ++i) {
        const double d = static_cast<double>(block.codes[i] - mean);
        sum += d * d;
    }
    return static_cast<float>(std::sqrt(sum / block.count));
}

#include "graph/BlockRanges.h"
#include "common/VectorState.h"

#include <algorithm>

void BlockCodeRange(const SampleBlock& b, int32_t& max, int32_t& min) {
    if (b.count <= 0 || b.codes == nullptr) {
        max = kEmptyCodeMax;
        min = kEmptyCodeMin;
        return;
    }
    ClearUpperVectorState();
    // From the first code, not from 0 and 16777215: a loaded file may carry any 32-bit code.
    int32_t hi = b.codes[0];
    int32_t lo = b.codes[0];
    const int32_t count = std::min(b.count, MaxSamples);
    for (int32_t i = 0; i < count; ++i) {
        hi = std::max(hi, b.codes[i]);
        lo = std::min(lo, b.codes[i]);
    }
    max = hi;
    min = lo;
}

void BlockVoltRange(const SampleBlock& b, bool dcCut, float& max, float& min) {
    if (b.count <= 0) {
        max = kEmptyVoltMax;
        min = kEmptyVoltMin;
        return;
    }
    const float dc = dcCut ? b.voltMean : 0.0f;
    max = b.voltMax - dc;
    min = b.voltMin - dc;
}

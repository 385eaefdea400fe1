#include "graph/BlockRanges.h"

#include "common/VectorState.h"

#include <algorithm>
#include <cstring>

namespace {

typedef int32_t v4i __attribute__((vector_size(16)));

} // namespace

void BlockCodeRange(const SampleBlock& b, int32_t& max, int32_t& min) {
    if (b.count <= 0 || b.codes == nullptr) {
        max = kEmptyCodeMax;
        min = kEmptyCodeMin;
        return;
    }
    ClearUpperVectorState();
    // From the first code, not from 0 and 16777215: a loaded file may carry any 32-bit code.
    const int32_t* codes = b.codes;
    const int32_t count = std::min(b.count, MaxSamples);
    // Four lanes of running extremes (SSE2 has no integer maximum; compare and select it is).
    v4i hi = {codes[0], codes[0], codes[0], codes[0]};
    v4i lo = hi;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        v4i c;
        std::memcpy(&c, codes + i, sizeof c);
        hi = c > hi ? c : hi;
        lo = c < lo ? c : lo;
    }
    int32_t top = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
    int32_t bottom = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
    for (; i < count; ++i) {
        top = std::max(top, codes[i]);
        bottom = std::min(bottom, codes[i]);
    }
    max = top;
    min = bottom;
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

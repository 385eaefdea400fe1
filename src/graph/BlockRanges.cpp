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
    // Two sets of four lanes of running extremes (SSE2 has no integer maximum; compare and
    // select it is, and two sets keep two of those chains going at once).
    v4i hi = {codes[0], codes[0], codes[0], codes[0]};
    v4i lo = hi;
    v4i hi2 = hi;
    v4i lo2 = hi;
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        v4i c, d;
        std::memcpy(&c, codes + i, sizeof c);
        std::memcpy(&d, codes + i + 4, sizeof d);
        hi = c > hi ? c : hi;
        lo = c < lo ? c : lo;
        hi2 = d > hi2 ? d : hi2;
        lo2 = d < lo2 ? d : lo2;
    }
    hi = hi2 > hi ? hi2 : hi;
    lo = lo2 < lo ? lo2 : lo;
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

#include "common/VectorState.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

namespace {

__attribute__((target("avx"))) void ZeroUpper() {
    __builtin_ia32_vzeroupper();
}

} // namespace

void ClearUpperVectorState() {
    // vzeroupper keeps the lower 128 bits of every register, which is all SSE code uses; the
    // call itself tells the compiler that the vector registers do not survive it.
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) {
        ZeroUpper();
    }
}

#else

void ClearUpperVectorState() {}

#endif

#include "analysis/PowerOfTwoFft.h"

#include <cstring>

// Radix-4 decimation in time on split real/imaginary arrays: the bit-reversal gather does the
// first stage, radix-4 stages follow, and a radix-2 stage ends it when log2(n/2) is odd. The
// butterflies run four lanes at a time through the compiler's vector extension, which is
// plain SSE on x86-64 and a scalar loop elsewhere.

namespace {

typedef float v4f __attribute__((vector_size(16)));

inline v4f Load(const float* p) {
    v4f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store(float* p, v4f v) {
    std::memcpy(p, &v, sizeof v);
}

// Combines, in each block of m = 4q points, the four q-point transforms standing in
// bit-reversed order (residues 0, 2, 1, 3) into one m-point transform.
void Radix4Stage(float* re, float* im, int32_t count, int32_t q, const float* tw) {
    const float* w1r = tw;
    const float* w1i = tw + q;
    const float* w2r = tw + 2 * q;
    const float* w2i = tw + 3 * q;
    const float* w3r = tw + 4 * q;
    const float* w3i = tw + 5 * q;
    for (int32_t k = 0; k < count; k += 4 * q) {
        float* r0 = re + k;
        float* i0 = im + k;
        float* r1 = r0 + q;
        float* i1 = i0 + q;
        float* r2 = r1 + q;
        float* i2 = i1 + q;
        float* r3 = r2 + q;
        float* i3 = i2 + q;
        for (int32_t j = 0; j < q; j += 4) {
            const v4f t0r = Load(r0 + j), t0i = Load(i0 + j);
            v4f xr = Load(r2 + j), xi = Load(i2 + j), cr = Load(w1r + j), ci = Load(w1i + j);
            const v4f t1r = xr * cr - xi * ci, t1i = xr * ci + xi * cr;
            xr = Load(r1 + j), xi = Load(i1 + j), cr = Load(w2r + j), ci = Load(w2i + j);
            const v4f t2r = xr * cr - xi * ci, t2i = xr * ci + xi * cr;
            xr = Load(r3 + j), xi = Load(i3 + j), cr = Load(w3r + j), ci = Load(w3i + j);
            const v4f t3r = xr * cr - xi * ci, t3i = xr * ci + xi * cr;

            const v4f u0r = t0r + t2r, u0i = t0i + t2i;
            const v4f u1r = t0r - t2r, u1i = t0i - t2i;
            const v4f u2r = t1r + t3r, u2i = t1i + t3i;
            const v4f u3r = t1r - t3r, u3i = t1i - t3i;
            Store(r0 + j, u0r + u2r);
            Store(i0 + j, u0i + u2i);
            Store(r2 + j, u0r - u2r);
            Store(i2 + j, u0i - u2i);
            Store(r1 + j, u1r + u3i); // u1 - i u3
            Store(i1 + j, u1i - u3r);
            Store(r3 + j, u1r - u3i); // u1 + i u3
            Store(i3 + j, u1i + u3r);
        }
    }
}

// The last stage when log2(n/2) is odd: two halves of h points into one of 2h (h >= 4).
void Radix2Stage(float* re, float* im, int32_t h, const float* tw) {
    const float* wr = tw;
    const float* wi = tw + h;
    for (int32_t j = 0; j < h; j += 4) {
        const v4f ar = Load(re + j), ai = Load(im + j);
        const v4f xr = Load(re + h + j), xi = Load(im + h + j);
        const v4f cr = Load(wr + j), ci = Load(wi + j);
        const v4f tr = xr * cr - xi * ci, ti = xr * ci + xi * cr;
        Store(re + j, ar + tr);
        Store(im + j, ai + ti);
        Store(re + h + j, ar - tr);
        Store(im + h + j, ai - ti);
    }
}

} // namespace

PowerOfTwoFft::PowerOfTwoFft()
    : tables_(FftTables::Instance()), re_(kMaxCount / 2), im_(kMaxCount / 2) {}

void PowerOfTwoFft::GatherFirstStage(int log2N, const float* a) {
    const uint32_t count = uint32_t{1} << log2N;
    const uint32_t quarter = count / 4;
    float* re = re_.data();
    float* im = im_.data();
    for (uint32_t t = 0; t < quarter; ++t) {
        const uint32_t b = tables_.Reverse(4 * t, log2N);
        const float* x0 = a + 2 * b;
        const float* x1 = a + 2 * (b + quarter);
        const float* x2 = a + 2 * (b + 2 * quarter);
        const float* x3 = a + 2 * (b + 3 * quarter);
        const float u0r = x0[0] + x2[0], u0i = x0[1] + x2[1];
        const float u1r = x0[0] - x2[0], u1i = x0[1] - x2[1];
        const float u2r = x1[0] + x3[0], u2i = x1[1] + x3[1];
        const float u3r = x1[0] - x3[0], u3i = x1[1] - x3[1];
        re[4 * t] = u0r + u2r;
        im[4 * t] = u0i + u2i;
        re[4 * t + 1] = u1r + u3i;
        im[4 * t + 1] = u1i - u3r;
        re[4 * t + 2] = u0r - u2r;
        im[4 * t + 2] = u0i - u2i;
        re[4 * t + 3] = u1r - u3i;
        im[4 * t + 3] = u1i + u3r;
    }
}

void PowerOfTwoFft::ComplexStages(int log2N) {
    const int32_t count = int32_t{1} << log2N;
    int log2m = 4;
    for (; log2m <= log2N; log2m += 2) {
        Radix4Stage(re_.data(), im_.data(), count, int32_t{1} << (log2m - 2),
                    tables_.Radix4(log2m));
    }
    if (log2m - 1 == log2N) {
        Radix2Stage(re_.data(), im_.data(), count / 2, tables_.Radix2(log2N));
    }
}

// With Z the transform of z, E_k = (Z_k + conj Z_{N-k}) / 2 is the transform of the even
// values and O_k = (Z_k - conj Z_{N-k}) / 2i that of the odd ones; X_k = E_k + W^k O_k and
// X_{N-k} = conj(E_k - W^k O_k) with W = exp(-2 pi i / n). The layout stores conj X_k.
void PowerOfTwoFft::SplitReal(int log2N, float* a) const {
    const int32_t count = int32_t{1} << log2N;
    const float* re = re_.data();
    const float* im = im_.data();
    const float z0r = re[0], z0i = im[0];
    a[0] = z0r + z0i;
    a[1] = z0r - z0i;
    if (count == 1) {
        return;
    }
    const int32_t half = count / 2;
    const float* cosT = tables_.Split(log2N + 1);
    const float* sinT = cosT + half;
    for (int32_t k = 1; k < half; ++k) {
        const int32_t m = count - k;
        const float er = 0.5f * (re[k] + re[m]);
        const float ei = 0.5f * (im[k] - im[m]);
        const float or_ = 0.5f * (im[k] + im[m]);
        const float oi = -0.5f * (re[k] - re[m]);
        const float c = cosT[k], s = sinT[k];
        const float tr = c * or_ + s * oi;
        const float ti = c * oi - s * or_;
        a[2 * k] = er + tr;
        a[2 * k + 1] = -(ei + ti);
        a[2 * m] = er - tr;
        a[2 * m + 1] = ei - ti;
    }
    a[count] = re[half];
    a[count + 1] = im[half];
}

void PowerOfTwoFft::Forward(int32_t n, float* a) {
    int log2n = 0;
    while ((int32_t{1} << log2n) < n) {
        ++log2n;
    }
    const int log2N = log2n - 1;
    if (log2N >= 2) {
        GatherFirstStage(log2N, a);
        ComplexStages(log2N);
    } else if (log2N == 1) { // n = 4: one radix-2 butterfly, no reordering needed
        re_[0] = a[0] + a[2];
        im_[0] = a[1] + a[3];
        re_[1] = a[0] - a[2];
        im_[1] = a[1] - a[3];
    } else { // n = 2
        re_[0] = a[0];
        im_[0] = a[1];
    }
    SplitReal(log2N, a);
}

#include "analysis/MyFFT.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/ChirpZ.h"
#include "common/VectorState.h"

namespace {

bool IsPowerOfTwo(int32_t n) {
    return n > 0 && (n & (n - 1)) == 0;
}

} // namespace

TmyFFT::TmyFFT(const GraphSetting& setting, IWarning* warning)
    : graphSetting(setting), warning(warning), fftInput(kMaxFftCount), fftBuffer(kMaxFftCount),
      windowCache(kMaxFftCount) {}

bool TmyFFT::DCCut(int32_t n, const float* in, float* out) {
    if (n <= 0) {
        if (warning != nullptr) {
            warning->ShowWarning("myFFT", "ゼロ除算：TmyFFT::DCCut");
        }
        return false;
    }
    // The sum runs in double precision: a single-precision running sum of a quarter million
    // samples drifts by several tenths of a percent of the mean, and the "removed" DC would
    // leave a visible line at bin 0 (a constant block must come out all zero).
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        sum += in[i];
    }
    const float mean = static_cast<float>(sum / n);
    for (int32_t i = 0; i < n; ++i) {
        out[i] = in[i] - mean;
    }
    return true;
}

void TmyFFT::ApplyWindow(WindowCache::Kind kind, int32_t n, const float* in, bool adjust,
                         float* out) {
    if (n <= 0 || n > kMaxFftCount) {
        return;
    }
    windowCache.Prepare(kind, n);
    const double* first = windowCache.First();
    const double* second = windowCache.Second();
    double correction = 1.0;
    switch (kind) {
    case WindowCache::Hanning:
        for (int32_t i = 0; i < n; ++i) {
            out[i] = static_cast<float>(first[i] * in[i] * 0.5);
        }
        correction = kHanningCorrection;
        break;
    case WindowCache::Hamming:
        for (int32_t i = 0; i < n; ++i) {
            out[i] = static_cast<float>(first[i] * in[i]);
        }
        correction = kHammingCorrection;
        break;
    case WindowCache::FlatTop:
        for (int32_t i = 0; i < n; ++i) {
            out[i] = static_cast<float>(first[i] * (second[i] * in[i]));
        }
        correction = kFlatTopCorrection;
        break;
    case WindowCache::None:
        return;
    }
    if (adjust) {
        for (int32_t i = 0; i < n; ++i) {
            out[i] = static_cast<float>(out[i] * correction);
        }
    }
}

void TmyFFT::WindowHanning(int32_t n, const float* in, bool adjust, float* out) {
    ApplyWindow(WindowCache::Hanning, n, in, adjust, out);
}

void TmyFFT::WindowHamming(int32_t n, const float* in, bool adjust, float* out) {
    ApplyWindow(WindowCache::Hamming, n, in, adjust, out);
}

void TmyFFT::WindowFlatTop(int32_t n, const float* in, bool adjust, float* out) {
    ApplyWindow(WindowCache::FlatTop, n, in, adjust, out);
}

bool TmyFFT::RealFFT(int32_t n, float* a) {
    if (n < 1 || n > kMaxFftCount || a == nullptr) {
        return false;
    }
    if (n == 1) {
        return true; // the DC term is the value itself
    }
    if (IsPowerOfTwo(n) && n <= PowerOfTwoFft::kMaxCount) {
        powerOfTwo.Forward(n, a);
        return true;
    }
    return ChirpZRealDft(n, a);
}

void TmyFFT::SpectrumMagnitude(int32_t n, const float* a, float* spectrum) const {
    if (n < 2) {
        return;
    }
    spectrum[0] = std::fabs(a[0]);
    const int32_t half = n / 2;
    int32_t k = 1;
#if defined(__SSE2__)
    // Four lines at a time: the same single-precision squares, sum and correctly rounded root.
    for (; k + 4 <= half; k += 4) {
        const __m128 pair0 = _mm_loadu_ps(a + 2 * k);
        const __m128 pair1 = _mm_loadu_ps(a + 2 * k + 4);
        const __m128 re = _mm_shuffle_ps(pair0, pair1, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 im = _mm_shuffle_ps(pair0, pair1, _MM_SHUFFLE(3, 1, 3, 1));
        _mm_storeu_ps(spectrum + k,
                      _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(re, re), _mm_mul_ps(im, im))));
    }
#endif
    for (; k < half; ++k) {
        const float re = a[2 * k];
        const float im = a[2 * k + 1];
        spectrum[k] = std::sqrt(re * re + im * im);
    }
}

bool TmyFFT::ComputeSpectrum(SampleBlock& block) {
    ClearUpperVectorState();
    const int32_t n = block.count;
    if (n == 0 && graphSetting.fDCCut_FFT) {
        DCCut(n, block.volts, fftInput.data()); // shows the division-by-zero warning
    }
    if (n < 2 || n > kMaxFftCount || block.volts == nullptr || block.spectrum == nullptr) {
        return false;
    }
    float* input = fftInput.data();
    float* buffer = fftBuffer.data();
    if (graphSetting.fDCCut_FFT) {
        DCCut(n, block.volts, input);
    } else {
        std::memcpy(input, block.volts, sizeof(float) * n);
    }
    const bool adjust = graphSetting.fWinFuncAdjust;
    switch (graphSetting.whichWindowFunc) {
    case WinHanning:
        WindowHanning(n, input, adjust, buffer);
        break;
    case WinHamming:
        WindowHamming(n, input, adjust, buffer);
        break;
    case WinFlatTop:
        WindowFlatTop(n, input, adjust, buffer);
        break;
    default: // rectangular: no window and no correction
        std::memcpy(buffer, input, sizeof(float) * n);
        break;
    }
    RealFFT(n, buffer);
    buffer[0] = static_cast<float>(buffer[0] / static_cast<double>(n));
    if (IsPowerOfTwo(n)) {
        // Dividing by a power of two only shifts the exponent, so x * c / n and x * (c / n)
        // are the same double: one multiplication instead of a division per value.
        const double factor = 1.414213562 / n;
        for (int32_t i = 1; i < n; ++i) {
            buffer[i] = static_cast<float>(buffer[i] * factor);
        }
    } else {
        for (int32_t i = 1; i < n; ++i) {
            buffer[i] = static_cast<float>(buffer[i] * 1.414213562 / n);
        }
    }
    SpectrumMagnitude(n, buffer, block.spectrum);
    return true;
}

float SpectrumRMS(const SampleBlock& block) {
    if (block.spectrum == nullptr || block.count < 4) {
        return 0.0f;
    }
    ClearUpperVectorState();
    float sum = 0.0f;
    for (int32_t k = 1; k < block.count / 2; ++k) {
        sum += block.spectrum[k] * block.spectrum[k];
    }
    return std::sqrt(sum);
}

// The FFT engine (the main window's myFFT): DC removal, window functions, the in-place real
// FFT and the magnitude extraction, and the spectrum step that runs them for a sample block.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/PowerOfTwoFft.h"
#include "analysis/WindowCache.h"
#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "common/UiServices.h"

// Correction factors: the reciprocal of each window's RMS value over the block.
inline constexpr double kHanningCorrection = 1.632993162;
inline constexpr double kHammingCorrection = 1.586302721;
inline constexpr double kFlatTopCorrection = 2.228422982;

// Largest block the engine accepts; its work areas are sized for it.
inline constexpr int32_t kMaxFftCount = MaxSamples;

class TmyFFT {
public:
    // The engine owns its work areas (the volts after the DC cut, the windowed and transformed
    // buffer, the FFT tables and scratch) and reserves them here, once, for kMaxFftCount
    // samples; a failure throws std::bad_alloc, which the main window reports as a memory
    // error of "myFFT". The settings record and the warning service are only referred to; the
    // warning service may be null (then the warning is not shown).
    TmyFFT(const GraphSetting& setting, IWarning* warning);

    TmyFFT(const TmyFFT&) = delete;
    TmyFFT& operator=(const TmyFFT&) = delete;

    // out[i] = in[i] - mean(in); in and out may be the same array. With n <= 0 it shows the
    // warning "ゼロ除算：TmyFFT::DCCut" (caption "myFFT"), writes nothing and returns false.
    bool DCCut(int32_t n, const float* in, float* out);

    // out[i] = w(i) * in[i], multiplied afterwards by the window's correction factor when
    // adjust is true; in and out may be the same array. n from 1 to kMaxFftCount.
    void WindowHanning(int32_t n, const float* in, bool adjust, float* out);
    void WindowHamming(int32_t n, const float* in, bool adjust, float* out);
    void WindowFlatTop(int32_t n, const float* in, bool adjust, float* out);

    // In-place forward real FFT without normalisation. Layout: a[0] = sum a_j (DC),
    // a[1] = sum a_j (-1)^j (Nyquist), and for 0 < k < n/2: a[2k] = sum a_j cos(2 pi j k / n),
    // a[2k+1] = sum a_j sin(2 pi j k / n). Powers of two up to 262144 take the allocation-free
    // radix-4 path; any other n up to kMaxFftCount takes the chirp-z path (exact length,
    // buffers allocated for the call). Returns false, touching nothing, for n outside
    // 1..kMaxFftCount or a null array.
    bool RealFFT(int32_t n, float* a);

    // spectrum[0] = |a[0]|, spectrum[k] = sqrt(a[2k]^2 + a[2k+1]^2) for 0 < k < n/2.
    void SpectrumMagnitude(int32_t n, const float* a, float* spectrum) const;

    // The spectrum step with the FFT options of the display settings: DC cut (or copy),
    // window (or copy), RealFFT, scaling (DC / n, the rest * sqrt 2 / n), magnitudes into
    // block.spectrum. Entry k is then the RMS amplitude in volts at k * deltaF, for every
    // count. A window choice outside 0..3 is taken as rectangular. Returns false, leaving the
    // spectrum as it was, for a count below 2 or above kMaxFftCount or missing arrays (count
    // 0 with the DC cut on also shows the DCCut warning).
    bool ComputeSpectrum(SampleBlock& block);

    // The work areas, for inspection (the windowed and transformed data of the last step).
    const float* FftInput() const { return fftInput.data(); }
    const float* FftBuffer() const { return fftBuffer.data(); }

private:
    void ApplyWindow(WindowCache::Kind kind, int32_t n, const float* in, bool adjust, float* out);

    const GraphSetting& graphSetting;
    IWarning* warning;
    std::vector<float> fftInput;
    std::vector<float> fftBuffer;
    PowerOfTwoFft powerOfTwo;
    WindowCache windowCache;
};

// The RMS read-out of a block: the square root of the sum of the squares of spectrum entries
// 1 .. count/2 - 1 (DC excluded), summed in single precision in index order. 0 for a block
// without spectrum lines.
float SpectrumRMS(const SampleBlock& block);

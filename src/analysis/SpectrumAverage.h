// Spectra of several blocks combined bin by bin: the power average a[k] = sqrt((1/K) sum s_i[k]^2)
// or the peak hold a[k] = max_i s_i[k]. Over every block since Start, or, for the power average,
// over the last `window` blocks (a moving average). Storage is reserved by Start only, so adding
// a block never allocates.
#pragma once

#include <cstdint>
#include <vector>

#include "common/SpectrumAveraging.h"

class SpectrumAverage {
public:
    static constexpr int32_t kMaxWindow = SeriesSetting::kMaxCount;

    // Ready for spectra of `bins` values. window 0: every block since now; window K > 0: the
    // last K blocks (the peak hold always keeps every block). False, and empty, for sizes out of
    // range or when the memory cannot be had.
    bool Start(AverageMode mode, int32_t bins, int32_t window = 0);
    // Lets the storage go.
    void Release();

    // One block's amplitudes (volts RMS per bin) or its powers (V^2 per bin), `Bins()` values;
    // a spectrum is added in one of the two forms throughout a series.
    void AddAmplitudes(const float* amplitudes);
    void AddPowers(const double* powers);

    AverageMode Mode() const { return mode_; }
    int32_t Bins() const { return bins_; }
    int32_t Window() const { return window_; }
    // Blocks in the result (at most the window) and blocks added since Start.
    int32_t Blocks() const;
    int64_t Added() const { return added_; }
    SpectrumAveraging Averaging() const { return {mode_, Blocks(), 0}; }

    // The result in amplitudes (volts RMS) or powers (V^2), `Bins()` values.
    void Amplitudes(float* out) const;
    void Powers(double* out) const;

private:
    // Contribution of one stored value to the sum: its square for amplitudes, itself for powers.
    double Contribution(float stored) const;
    void Add(int32_t k, double contribution, float stored);
    void Accumulate(int32_t k, double x);
    void ResumFromHistory();
    double Result(int32_t k, int32_t blocks) const;

    AverageMode mode_ = AverageMode::Power;
    int32_t bins_ = 0;
    int32_t window_ = 0;
    int64_t added_ = 0;
    bool amplitudes_ = true;
    // Sum of the contributions (power average) or the largest one (peak hold), per bin.
    std::vector<double> sum_;
    std::vector<double> compensation_; // the moving sums' rounding, carried along
    // The last `window_` blocks' stored values, block after block, for the moving average.
    std::vector<float> history_;
    int32_t slot_ = 0; // where the next block goes in history_
};

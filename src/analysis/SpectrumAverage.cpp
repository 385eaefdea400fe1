#include "analysis/SpectrumAverage.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/SampleBlock.h"

bool SpectrumAverage::Start(AverageMode mode, int32_t bins, int32_t window) {
    Release();
    if (bins < 1 || bins > MaxSamples || window < 0 || window > kMaxWindow) {
        return false;
    }
    // Every block counts for the peak hold: a moving maximum would need the history for nothing.
    const int32_t kept = mode == AverageMode::PeakHold ? 0 : window;
    try {
        sum_.assign(static_cast<std::size_t>(bins), 0.0);
        history_.assign(static_cast<std::size_t>(bins) * static_cast<std::size_t>(kept), 0.0f);
        compensation_.assign(kept > 0 ? static_cast<std::size_t>(bins) : 0, 0.0);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    mode_ = mode;
    bins_ = bins;
    window_ = kept;
    return true;
}

void SpectrumAverage::Release() {
    std::vector<double>().swap(sum_);
    std::vector<double>().swap(compensation_);
    std::vector<float>().swap(history_);
    bins_ = 0;
    window_ = 0;
    added_ = 0;
    slot_ = 0;
}

int32_t SpectrumAverage::Blocks() const {
    const int64_t blocks = window_ > 0 ? std::min<int64_t>(added_, window_) : added_;
    return static_cast<int32_t>(std::min<int64_t>(blocks, INT32_MAX));
}

double SpectrumAverage::Contribution(float stored) const {
    const double v = stored;
    return amplitudes_ ? v * v : v;
}

void SpectrumAverage::Add(int32_t k, double contribution, float stored) {
    if (mode_ == AverageMode::PeakHold) {
        sum_[k] = added_ == 0 ? contribution : std::max(sum_[k], contribution);
        return;
    }
    if (window_ == 0) {
        sum_[k] += contribution;
        return;
    }
    float& old = history_[static_cast<std::size_t>(slot_) * bins_ + k];
    if (added_ >= window_) {
        Accumulate(k, -Contribution(old));
    }
    old = stored;
    // The stored value, not the exact input, is what a later block takes away again.
    Accumulate(k, Contribution(stored));
}

void SpectrumAverage::Accumulate(int32_t k, double x) {
    // Compensated (Neumaier) summation: an overload far above the noise floor leaves the
    // window again without taking the floor's low digits with it.
    double& sum = sum_[k];
    const double t = sum + x;
    compensation_[k] += std::abs(sum) >= std::abs(x) ? (sum - t) + x : (x - t) + sum;
    sum = t;
}

void SpectrumAverage::AddAmplitudes(const float* amplitudes) {
    if (bins_ == 0) {
        return;
    }
    amplitudes_ = true;
    for (int32_t k = 0; k < bins_; ++k) {
        const double s = amplitudes[k];
        Add(k, s * s, amplitudes[k]);
    }
    ++added_;
    ResumFromHistory();
}

void SpectrumAverage::AddPowers(const double* powers) {
    if (bins_ == 0) {
        return;
    }
    amplitudes_ = false;
    for (int32_t k = 0; k < bins_; ++k) {
        const float stored = static_cast<float>(powers[k]);
        Add(k, window_ == 0 ? powers[k] : static_cast<double>(stored), stored);
    }
    ++added_;
    ResumFromHistory();
}

void SpectrumAverage::ResumFromHistory() {
    if (window_ == 0) {
        return;
    }
    slot_ = (slot_ + 1) % window_;
    // Taking old blocks away leaves rounding behind; once per pass through the history the sums
    // start again from the blocks themselves, so that it cannot build up over a long run.
    if (slot_ != 0 || added_ < window_) {
        return;
    }
    std::fill(sum_.begin(), sum_.end(), 0.0);
    std::fill(compensation_.begin(), compensation_.end(), 0.0);
    for (int32_t b = 0; b < window_; ++b) {
        const float* row = history_.data() + static_cast<std::size_t>(b) * bins_;
        for (int32_t k = 0; k < bins_; ++k) {
            Accumulate(k, Contribution(row[k]));
        }
    }
}

double SpectrumAverage::Result(int32_t k, int32_t blocks) const {
    if (blocks == 0) {
        return 0.0;
    }
    if (mode_ == AverageMode::PeakHold) {
        return sum_[k];
    }
    const double sum = window_ > 0 ? sum_[k] + compensation_[k] : sum_[k];
    // A sum rounded just below zero by the moving average is no power.
    return std::max(0.0, sum / blocks);
}

void SpectrumAverage::Powers(double* out) const {
    const int32_t blocks = Blocks();
    for (int32_t k = 0; k < bins_; ++k) {
        out[k] = Result(k, blocks);
    }
}

void SpectrumAverage::Amplitudes(float* out) const {
    const int32_t blocks = Blocks();
    for (int32_t k = 0; k < bins_; ++k) {
        out[k] = static_cast<float>(std::sqrt(Result(k, blocks)));
    }
}

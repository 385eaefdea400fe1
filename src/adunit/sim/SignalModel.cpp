#include "adunit/sim/SignalModel.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kCodesPerVolt = 8388608.0 / 2.5;
constexpr int32_t kMidCode = 8388608;
constexpr int32_t kMaxCode = 16777215;
} // namespace

int32_t VoltsToCode(double volts) {
    const double x = volts * kCodesPerVolt;
    if (!(x > -kMidCode)) { // also catches NaN
        return 0;
    }
    if (x >= kMaxCode - kMidCode) {
        return kMaxCode;
    }
    return kMidCode + static_cast<int32_t>(std::lrint(x));
}

double FilterGain(double cyclesPerSample, bool sinc3) {
    const double x = std::numbers::pi * cyclesPerSample;
    if (std::fabs(x) < 1e-12) {
        return 1.0;
    }
    const double g = std::fabs(std::sin(x) / x);
    return sinc3 ? g * g * g : g;
}

SignalGenerator::SignalGenerator() {
    tones_.reserve(8);
}

void SignalGenerator::Setup(const ChannelSignal& signal, double periodSeconds, bool sinc3,
                            bool filterResponse, double startSeconds) {
    dc_ = signal.dcVolts;
    ramp_ = signal.ramp;
    // The sum of four uniform variables on [0, 65536) has variance 4 * 65536^2 / 12.
    noiseScale_ = signal.noiseRmsV / (65536.0 / std::sqrt(3.0));
    tones_.clear();
    for (const SimTone& t : signal.tones) {
        ToneState st{};
        st.cyclesPerSample = t.frequencyHz * periodSeconds;
        const double gain = filterResponse ? FilterGain(st.cyclesPerSample, sinc3) : 1.0;
        st.amplitude = t.amplitudeV * gain;
        st.phase0 = t.phaseDeg * std::numbers::pi / 180.0 +
                    2.0 * std::numbers::pi * std::fmod(t.frequencyHz * startSeconds, 1.0);
        const double step = 2.0 * std::numbers::pi * st.cyclesPerSample;
        st.stepCos = std::cos(step);
        st.stepSin = std::sin(step);
        tones_.push_back(st);
    }
    SeekTo(0);
}

void SignalGenerator::Anchor(uint64_t n) {
    for (ToneState& t : tones_) {
        // Whole cycles are dropped before the multiplication by 2 pi to keep the angle small.
        const double cycles = std::fmod(static_cast<double>(n) * t.cyclesPerSample, 1.0);
        const double angle = t.phase0 + 2.0 * std::numbers::pi * cycles;
        t.c = std::cos(angle);
        t.s = std::sin(angle);
    }
}

void SignalGenerator::SeekTo(uint64_t n) {
    position_ = n;
    Anchor(n);
}

double SignalGenerator::Noise() {
    // xorshift64*: fast and good enough for white noise; four 16-bit parts summed give a
    // near-Gaussian value with mean 2 * 65535.5.
    rng_ ^= rng_ >> 12;
    rng_ ^= rng_ << 25;
    rng_ ^= rng_ >> 27;
    const uint64_t r = rng_ * 0x2545F4914F6CDD1Dull;
    const double sum =
        static_cast<double>((r & 0xFFFF) + ((r >> 16) & 0xFFFF) + ((r >> 32) & 0xFFFF) + (r >> 48));
    return (sum - 131071.0) * noiseScale_;
}

int32_t SignalGenerator::Next() {
    const uint64_t n = position_++;
    if (ramp_) {
        return kRampFirstCode + static_cast<int32_t>(n % kRampSpan);
    }
    double v = dc_;
    for (ToneState& t : tones_) {
        v += t.amplitude * t.s;
        const double c = t.c * t.stepCos - t.s * t.stepSin;
        t.s = t.s * t.stepCos + t.c * t.stepSin;
        t.c = c;
    }
    if (position_ % kReanchorInterval == 0) {
        Anchor(position_);
    }
    if (noiseScale_ != 0.0) {
        v += Noise();
    }
    return VoltsToCode(v);
}

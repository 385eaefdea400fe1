// The analogue picture at one input of the simulated unit and the generator that turns it into
// the converter's 24-bit offset-binary codes, one sample after another.
#pragma once

#include <cstdint>
#include <vector>

struct SimTone {
    double frequencyHz = 0.0;
    double amplitudeV = 0.0; // peak
    double phaseDeg = 0.0;   // phase of the sine at sample 0
};

struct ChannelSignal {
    double dcVolts = 0.0;
    std::vector<SimTone> tones;
    double noiseRmsV = 0.0;
    // Counter mode: sample n carries the code kRampFirstCode + n (wrapping before the out-of-range
    // codes), so a reader can prove that no sample was lost or repeated.
    bool ramp = false;
};

inline constexpr int32_t kRampFirstCode = 0x100000;
inline constexpr int32_t kRampSpan = 0xE00000;

// Code of an input voltage: 2.5 V / 2^23 per step around 0x800000, clipped to 0 and 16777215
// beyond the +/-2.5 V range.
int32_t VoltsToCode(double volts);

// Gain of the unit's digital filter for a tone at `cyclesPerSample` of the output rate: a sinc
// response of order 3 (Sinc3) or 1 (the averaging stage that dominates Sinc5+Sinc1), with its
// notches at multiples of the output rate.
double FilterGain(double cyclesPerSample, bool sinc3);

// Produces the codes of one channel. Setup precomputes each tone's phase step so that a sample
// costs a few multiplications per tone and one random number; the phasors are re-anchored to the
// exact phase every few thousand samples so rounding never accumulates.
class SignalGenerator {
public:
    SignalGenerator();

    // periodSeconds: sample period; filterResponse: apply FilterGain to every tone;
    // startSeconds: time of sample 0 on the signal's own time line, so that a tone runs on
    // from one acquisition to the next instead of restarting at its initial phase.
    void Setup(const ChannelSignal& signal, double periodSeconds, bool sinc3, bool filterResponse,
               double startSeconds = 0.0);
    // Positions the generator so that the next call of Next returns sample n.
    void SeekTo(uint64_t n);
    int32_t Next();
    uint64_t Position() const { return position_; }

private:
    struct ToneState {
        double amplitude; // after the filter gain
        double phase0;    // radians
        double cyclesPerSample;
        double stepCos, stepSin; // rotation by one sample
        double c, s;             // phasor of the next sample
    };
    static constexpr uint64_t kReanchorInterval = 4096;

    double Noise();
    void Anchor(uint64_t n);

    std::vector<ToneState> tones_;
    double dc_ = 0.0;
    double noiseScale_ = 0.0;
    bool ramp_ = false;
    uint64_t position_ = 0;
    uint64_t rng_ = 0x9E3779B97F4A7C15ull;
};

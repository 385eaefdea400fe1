// The figures a converter's data sheet states, from one block: SNR, THD, SINAD, SFDR and ENOB
// of a sine input, and the noise and resolution of a shorted input.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

#include "analysis/ChirpZ.h"
#include "common/SampleBlock.h"

struct HarmonicFigure {
    int32_t order = 0;
    double hz = 0.0;
    double dbc = 0.0;
};

struct ConverterFigures {
    static constexpr int32_t kMaxHarmonicOrder = 20;

    int32_t count = 0;
    // The dynamic figures apply only when the largest line stands clearly above the noise
    // (SNR of at least 10 dB); otherwise the fields below up to `harmonics` are left 0.
    bool dynamicApplies = false;
    double fundamentalHz = 0.0;
    double fundamentalVrms = 0.0;
    double snrDb = 0.0;
    double thdDb = 0.0; // dBc, -inf when every harmonic band is empty
    double sinadDb = 0.0;
    double sfdrDb = 0.0;
    double enobBits = 0.0;
    double noiseUvrms = 0.0;
    int32_t harmonicCount = 0; // harmonics counted, lowest order first
    HarmonicFigure harmonics[kMaxHarmonicOrder - 1];

    // From the codes; always filled.
    double rmsNoiseCodes = 0.0;
    double ppCodes = 0.0;
    double effectiveResolutionBits = 0.0;
    double noiseFreeResolutionBits = 0.0;
    double rmsNoiseUv = 0.0;
    double ppUv = 0.0;
};

// One analyser serves blocks of any length; its tables and scratch are rebuilt only when the
// length changes.
class ConverterAnalyzer {
public:
    static constexpr int32_t kToneHalfWidth = 8; // bins either side of a tone's centre
    static constexpr int32_t kDefaultHarmonicOrder = 6;

    // The block's codes, volts (as ConvertBlock made them) and deltaF are read; harmonics 2 ..
    // highestHarmonic (2 .. kMaxHarmonicOrder) are counted. False, changing nothing, for a block
    // without codes or volts, a count outside 1..MaxSamples or a harmonic order out of range.
    bool Analyze(const SampleBlock& block, int32_t highestHarmonic, ConverterFigures& out);

private:
    void NoiseFigures(const SampleBlock& block, ConverterFigures& out) const;
    void DynamicFigures(const SampleBlock& block, int32_t highestHarmonic, ConverterFigures& out);
    bool PrepareLength(int32_t n);
    // Power in bins lo..hi and marking them as taken, both clipped to bins 1 .. n/2 - 1.
    double BandPower(int32_t lo, int32_t hi) const;
    void MarkBand(int32_t lo, int32_t hi);
    // Marks the bands of harmonics 2 .. highestHarmonic of bin k0 that overlap no band taken
    // before (DC, the fundamental's fundLo..fundHi, a lower harmonic); fills out.harmonics'
    // order and hz and harmonicPower, and returns how many were counted.
    int32_t HarmonicBands(int32_t k0, int32_t fundLo, int32_t fundHi, int32_t highestHarmonic,
                          double deltaF, ConverterFigures& out, double* harmonicPower,
                          double& sumHarmonics, double& spur);

    ChirpZDft dft_;
    int32_t n_ = 0;
    double windowPower_ = 0.0;     // sum of w[i]^2
    std::vector<double> window_;   // 7-term Blackman-Harris, periodic
    std::vector<double> windowed_; // mean-free volts times the window
    std::vector<std::complex<double>> spectrum_;
    std::vector<double> power_;   // one-sided V^2 per bin, k < n/2
    std::vector<uint8_t> inBand_; // bin belongs to the DC, fundamental or a harmonic band
};

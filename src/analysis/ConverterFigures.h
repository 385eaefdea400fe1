// The figures a converter's data sheet states, from one block: SNR, THD, SINAD, SFDR and ENOB
// of a sine input, and the noise and resolution of a shorted input.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

#include "analysis/ChirpZ.h"
#include "common/SampleBlock.h"

class SpectrumAverage;

struct HarmonicFigure {
    int32_t order = 0;
    double hz = 0.0;
    double dbc = 0.0;
};

struct ConverterFigures {
    static constexpr int32_t kMaxHarmonicOrder = 20;

    int32_t count = 0;
    int32_t averagedBlocks = 1; // blocks whose mean power spectrum the dynamic figures are of
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
    // ENOB as if the tone filled the converter's full scale (kFullScalePeakVolts).
    double enobFsBits = 0.0;
    double noiseUvrms = 0.0;
    double noiseDensityNvRtHz = 0.0; // the noise spread evenly over 0 .. fs/2
    double noiseBinPower = 0.0;      // V^2 of the average noise bin, the level of "noise"
    int32_t harmonicCount = 0;       // harmonics counted, lowest order first
    HarmonicFigure harmonics[kMaxHarmonicOrder - 1];

    // From the codes; always filled.
    double meanCode = 0.0;
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
    static constexpr double kFullScalePeakVolts = 2.5;

    // What the last analysis counted a bin of its spectrum as: the noise, the DC band, the
    // fundamental or harmonic i (out.harmonics[i]) for kBandHarmonic + i.
    static constexpr uint8_t kBandNoise = 0;
    static constexpr uint8_t kBandDc = 1;
    static constexpr uint8_t kBandFundamental = 2;
    static constexpr uint8_t kBandHarmonic = 3;

    // The block's codes, volts (as ConvertBlock made them) and deltaF are read; harmonics 2 ..
    // highestHarmonic (2 .. kMaxHarmonicOrder) are counted. False, changing nothing, for a block
    // without codes or volts, a count outside 1..MaxSamples or a harmonic order out of range.
    bool Analyze(const SampleBlock& block, int32_t highestHarmonic, ConverterFigures& out);
    // The same, with the dynamic figures from the mean power spectrum of the blocks added to
    // `average` so far, this one added first (a power average of count/2 - 1 bins, for bins
    // 1 .. count/2 - 1). The code figures stay those of this block. False, changing nothing,
    // also when `average` holds another number of bins.
    // addBlock false: the block was added before (the figures again, with another order).
    bool Analyze(const SampleBlock& block, int32_t highestHarmonic, ConverterFigures& out,
                 SpectrumAverage* average, bool addBlock = true);

    // The last analysis's spectrum: one-sided V^2 per bin and the band each bin was counted in,
    // for bins 1 .. SpectrumBins() - 1 (bin 0, the removed mean, is not part of it). 0 bins when
    // the block was too short for the dynamic figures.
    int32_t SpectrumBins() const { return spectrumBins_; }
    const double* BinPower() const { return power_.data(); }
    const uint8_t* BinBand() const { return inBand_.data(); }

private:
    void NoiseFigures(const SampleBlock& block, ConverterFigures& out) const;
    void DynamicFigures(const SampleBlock& block, int32_t highestHarmonic, ConverterFigures& out,
                        SpectrumAverage* average, bool addBlock);
    bool PrepareLength(int32_t n);
    // Power in bins lo..hi and marking them as taken, both clipped to bins 1 .. n/2 - 1.
    double BandPower(int32_t lo, int32_t hi) const;
    void MarkBand(int32_t lo, int32_t hi, uint8_t band);
    // Marks the bands of harmonics 2 .. highestHarmonic of bin k0 that overlap no band taken
    // before (DC, the fundamental's fundLo..fundHi, a lower harmonic); fills out.harmonics'
    // order and hz and harmonicPower, and returns how many were counted.
    int32_t HarmonicBands(int32_t k0, int32_t fundLo, int32_t fundHi, int32_t highestHarmonic,
                          double deltaF, ConverterFigures& out, double* harmonicPower,
                          double& sumHarmonics, double& spur);

    ChirpZDft dft_;
    int32_t n_ = 0;
    int32_t spectrumBins_ = 0;
    double windowPower_ = 0.0;     // sum of w[i]^2
    std::vector<double> window_;   // 7-term Blackman-Harris, periodic
    std::vector<double> windowed_; // mean-free volts times the window
    std::vector<std::complex<double>> spectrum_;
    std::vector<double> power_;   // one-sided V^2 per bin, k < n/2
    std::vector<uint8_t> inBand_; // kBand* of every bin
};

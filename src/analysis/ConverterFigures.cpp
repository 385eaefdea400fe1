#include "analysis/ConverterFigures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/SampleConversion.h"
#include "analysis/SpectrumAverage.h"

namespace {

constexpr double kBlackmanHarris7[7] = {0.27105140069342, 0.43329793923448, 0.21812299954311,
                                        0.06592544638803, 0.01081174209837, 0.00077658482522,
                                        0.00001388721735};
constexpr double kFullScaleCodes = 16777216.0; // 2^24
constexpr double kFullScaleBits = 24.0;

double Db(double ratio) {
    return 10.0 * std::log10(ratio);
}

double EnobBits(double sinadDb) {
    return (sinadDb - 1.76) / 6.02;
}

} // namespace

bool ConverterAnalyzer::Analyze(const SampleBlock& block, int32_t highestHarmonic,
                                ConverterFigures& out) {
    return Analyze(block, highestHarmonic, out, nullptr);
}

bool ConverterAnalyzer::Analyze(const SampleBlock& block, int32_t highestHarmonic,
                                ConverterFigures& out, SpectrumAverage* average,
                                bool addBlock) {
    if (block.codes == nullptr || block.volts == nullptr || block.count < 1 ||
        block.count > MaxSamples || highestHarmonic < 2 ||
        highestHarmonic > ConverterFigures::kMaxHarmonicOrder) {
        return false;
    }
    if (average != nullptr &&
        (average->Mode() != AverageMode::Power || average->Bins() != block.count / 2 - 1)) {
        return false;
    }
    if (!PrepareLength(block.count)) {
        return false;
    }
    out = ConverterFigures{};
    out.count = block.count;
    spectrumBins_ = 0;
    NoiseFigures(block, out);
    DynamicFigures(block, highestHarmonic, out, average, addBlock);
    return true;
}

bool ConverterAnalyzer::PrepareLength(int32_t n) {
    if (n == n_) {
        return true;
    }
    if (!dft_.Prepare(n)) {
        return false;
    }
    window_.resize(n);
    windowed_.resize(n);
    spectrum_.resize(static_cast<std::size_t>(n) / 2 + 1);
    power_.resize(static_cast<std::size_t>(n) / 2 + 1);
    inBand_.resize(static_cast<std::size_t>(n) / 2 + 1);
    windowPower_ = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        double w = 0.0;
        for (int j = 0; j < 7; ++j) {
            // j*i is reduced modulo n first so that the angle stays small and exact.
            const int64_t r = (static_cast<int64_t>(j) * i) % n;
            const double c = std::cos(2.0 * std::numbers::pi * static_cast<double>(r) / n);
            w += (j % 2 == 0 ? 1.0 : -1.0) * kBlackmanHarris7[j] * c;
        }
        window_[i] = w;
        windowPower_ += w * w;
    }
    n_ = n;
    return true;
}

void ConverterAnalyzer::NoiseFigures(const SampleBlock& block, ConverterFigures& out) const {
    const int32_t n = block.count;
    int64_t sum = 0;
    int32_t lowest = block.codes[0];
    int32_t highest = block.codes[0];
    for (int32_t i = 0; i < n; ++i) {
        sum += block.codes[i];
        lowest = std::min(lowest, block.codes[i]);
        highest = std::max(highest, block.codes[i]);
    }
    // Deviations from the exact integer sum keep the variance free of cancellation.
    double squares = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const double d = static_cast<double>(static_cast<int64_t>(block.codes[i]) * n - sum);
        squares += d * d;
    }
    const double sigma = std::sqrt(squares / n) / n;
    // Extreme 32-bit codes span more than 32 bits.
    const double pp = static_cast<double>(static_cast<int64_t>(highest) - lowest);
    out.meanCode = static_cast<double>(sum) / n;
    out.rmsNoiseCodes = sigma;
    out.ppCodes = pp;
    // A block without any spread resolves every code: the full 24 bits (log2 of 2^24 / 0 would
    // claim infinitely many).
    out.effectiveResolutionBits = sigma > 0.0 ? std::log2(kFullScaleCodes / sigma) : kFullScaleBits;
    out.noiseFreeResolutionBits = pp > 0.0 ? std::log2(kFullScaleCodes / pp) : kFullScaleBits;
    out.rmsNoiseUv = sigma * static_cast<double>(kVoltsPerCode) * 1e6;
    out.ppUv = pp * static_cast<double>(kVoltsPerCode) * 1e6;
}

void ConverterAnalyzer::DynamicFigures(const SampleBlock& block, int32_t highestHarmonic,
                                       ConverterFigures& out, SpectrumAverage* average,
                                       bool addBlock) {
    const int32_t n = block.count;
    const int32_t m = kToneHalfWidth;
    const int32_t half = n / 2; // bins 1 .. half-1 are the one-sided spectrum
    if (half <= 2 * m + 2) {
        return; // no room for a tone apart from the DC band
    }
    double mean = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        mean += block.volts[i];
    }
    mean /= n;
    for (int32_t i = 0; i < n; ++i) {
        windowed_[i] = (static_cast<double>(block.volts[i]) - mean) * window_[i];
    }
    dft_.Forward(windowed_.data(), spectrum_.data());
    const double scale = 2.0 / (static_cast<double>(n) * windowPower_);
    for (int32_t k = 1; k < half; ++k) {
        power_[k] = std::norm(spectrum_[k]) * scale;
    }
    if (average != nullptr) {
        if (addBlock) {
            average->AddPowers(power_.data() + 1);
        }
        average->Powers(power_.data() + 1);
        out.averagedBlocks = average->Blocks();
    }
    spectrumBins_ = half;

    // The fundamental may lie at any bin from 1 up. The block is mean-free, so when its band
    // reaches the DC band the two are one band, the fundamental's: from bin 1 to k0 + m.
    int32_t k0 = 1;
    for (int32_t k = 2; k < half; ++k) {
        if (power_[k] > power_[k0]) {
            k0 = k;
        }
    }
    const int32_t fundLo = k0 - m <= m ? 1 : k0 - m;
    const int32_t fundHi = std::min(half - 1, k0 + m);
    std::fill(inBand_.begin(), inBand_.end(), kBandNoise);
    MarkBand(1, m, kBandDc);
    MarkBand(fundLo, fundHi, kBandFundamental);
    const double pf = BandPower(fundLo, fundHi);

    double harmonicPower[ConverterFigures::kMaxHarmonicOrder - 1];
    double sumHarmonics = 0.0;
    double spur = 0.0;
    const int32_t counted = HarmonicBands(k0, fundLo, fundHi, highestHarmonic, block.deltaF, out,
                                          harmonicPower, sumHarmonics, spur);

    double noiseSum = 0.0;
    int32_t noiseBins = 0;
    for (int32_t k = 1; k < half; ++k) {
        if (inBand_[k] == kBandNoise) {
            noiseSum += power_[k];
            ++noiseBins;
            spur = std::max(spur, power_[k]);
        }
    }
    if (noiseBins == 0 || !(pf > 0.0)) {
        return;
    }
    const double pn = noiseSum / noiseBins * (half - 1);
    const double snr = Db(pf / pn);
    // Also false for pn = 0 (snr infinite): without any noise there is no figure to state.
    if (!(snr >= 10.0) || !std::isfinite(snr)) {
        return;
    }
    out.dynamicApplies = true;
    out.fundamentalHz = static_cast<double>(k0) * block.deltaF;
    out.fundamentalVrms = std::sqrt(pf);
    out.snrDb = snr;
    out.thdDb = Db(sumHarmonics / pf);
    out.sinadDb = Db(pf / (pn + sumHarmonics));
    out.sfdrDb = Db(pf / spur);
    out.enobBits = EnobBits(out.sinadDb);
    const double fullScaleVrms = kFullScalePeakVolts / std::numbers::sqrt2;
    out.enobFsBits = EnobBits(out.sinadDb + 20.0 * std::log10(fullScaleVrms / out.fundamentalVrms));
    out.noiseUvrms = std::sqrt(pn) * 1e6;
    const double nyquist = static_cast<double>(block.deltaF) * n / 2.0;
    out.noiseDensityNvRtHz = std::sqrt(pn / nyquist) * 1e9;
    out.noiseBinPower = noiseSum / noiseBins;
    out.harmonicCount = counted;
    for (int32_t i = 0; i < counted; ++i) {
        out.harmonics[i].dbc = Db(harmonicPower[i] / pf);
    }
}

double ConverterAnalyzer::BandPower(int32_t lo, int32_t hi) const {
    double p = 0.0;
    for (int32_t k = std::max(1, lo); k <= std::min(n_ / 2 - 1, hi); ++k) {
        p += power_[k];
    }
    return p;
}

void ConverterAnalyzer::MarkBand(int32_t lo, int32_t hi, uint8_t band) {
    for (int32_t k = std::max(1, lo); k <= std::min(n_ / 2 - 1, hi); ++k) {
        inBand_[k] = band;
    }
}

int32_t ConverterAnalyzer::HarmonicBands(int32_t k0, int32_t fundLo, int32_t fundHi,
                                         int32_t highestHarmonic, double deltaF,
                                         ConverterFigures& out, double* harmonicPower,
                                         double& sumHarmonics, double& spur) {
    const int32_t n = n_;
    const int32_t half = n / 2;
    const int32_t m = kToneHalfWidth;
    // Harmonic bands; one that overlaps the DC band, the fundamental's band or the band of a
    // lower harmonic already counted (folding can land several orders on one bin) is left
    // out, so that no power is counted twice.
    int32_t centres[ConverterFigures::kMaxHarmonicOrder - 1];
    int32_t counted = 0;
    for (int32_t h = 2; h <= highestHarmonic; ++h) {
        int64_t kh = (static_cast<int64_t>(h) * k0) % n;
        if (kh > half) {
            kh = n - kh;
        }
        const int32_t c = static_cast<int32_t>(kh);
        bool overlaps = c - m <= m || (c - m <= fundHi && c + m >= fundLo);
        for (int32_t i = 0; i < counted && !overlaps; ++i) {
            overlaps = std::abs(c - centres[i]) <= 2 * m;
        }
        if (overlaps) {
            continue;
        }
        const double p = BandPower(c - m, c + m);
        MarkBand(c - m, c + m, static_cast<uint8_t>(kBandHarmonic + counted));
        centres[counted] = c;
        harmonicPower[counted] = p;
        out.harmonics[counted].order = h;
        out.harmonics[counted].hz = static_cast<double>(c) * deltaF;
        ++counted;
        sumHarmonics += p;
        spur = std::max(spur, p);
    }
    return counted;
}

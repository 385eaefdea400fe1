// Converter figures against blocks whose figures follow in closed form: a tone with harmonics
// at -100 and -110 dBc plus noise of known power at every bin outside the tone and harmonic
// bands. The noise is a multisine of equal-amplitude lines with scattered phases (Gaussian in
// its amplitude distribution to a close approximation): unlike one draw of random noise its
// windowed power is known exactly, so the figures can be held to hundredths of a dB at any N.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#include "analysis/ChirpZ.h"
#include "analysis/ConverterFigures.h"
#include "analysis/ReferenceDft.h"
#include "analysis/SampleConversion.h"

namespace {

constexpr double kBh7[7] = {0.27105140069342, 0.43329793923448, 0.21812299954311, 0.06592544638803,
                            0.01081174209837, 0.00077658482522, 0.00001388721735};
constexpr double kPeriodMs = 0.008; // 125 ksps
constexpr int32_t kHalfWidth = 8;

struct Signal {
    int32_t n = 0;
    double toneBin = 0.0; // fundamental frequency in bins (not a whole number: non-coherent)
    double amplitude = 2.0;
    double dbc2 = -100.0;
    double dbc3 = -110.0;
    double noiseRms = 5e-6; // of the multisine
};

struct Expected {
    double snr, thd, sinad, sfdr, enob, vrms, dbc2, dbc3;
};

int32_t Fold(int64_t k, int32_t n) {
    k %= n;
    return static_cast<int32_t>(k > n / 2 ? n - k : k);
}

// Share of an on-grid line's windowed power that lands d bins away (|d| <= 6; the periodic
// window's transform has exactly these 13 coefficients).
double Spread(int d) {
    double total = kBh7[0] * kBh7[0];
    for (int j = 1; j < 7; ++j) {
        total += 2.0 * (kBh7[j] / 2) * (kBh7[j] / 2);
    }
    const double c = d == 0 ? kBh7[0] : kBh7[std::abs(d)] / 2;
    return c * c / total;
}

class Generator {
public:
    explicit Generator(const Signal& s)
        : s_(s), codes_(s.n), volts_(s.n), half_(s.n / 2), band_(half_, false) {
        const int32_t k0 = static_cast<int32_t>(std::lround(s.toneBin));
        centres_ = {0, k0};
        for (int h = 2; h <= 6; ++h) {
            centres_.push_back(Fold(int64_t{h} * k0, s.n));
        }
        for (int32_t c : centres_) {
            for (int32_t k = std::max(1, c - kHalfWidth); k <= std::min(half_ - 1, c + kHalfWidth);
                 ++k) {
                band_[k] = true;
            }
        }
        for (int32_t k = 1; k < half_; ++k) {
            if (!band_[k]) {
                lines_.push_back(k);
            }
        }
        linePower_ = s.noiseRms * s.noiseRms / static_cast<double>(lines_.size());
        Make();
    }

    // DC, the fundamental and harmonics 2..6, in that order.
    const std::vector<int32_t>& Centres() const { return centres_; }

    SampleBlock Block() {
        SampleBlock b;
        b.codes = codes_.data();
        b.volts = volts_.data();
        b.count = s_.n;
        EXPECT_TRUE(ConvertBlock(b, kPeriodMs));
        return b;
    }

    // The figures of the definitions for this signal, from the lines' powers and the window's
    // spread of each line over its neighbours; the quantisation adds q^2/12 of white noise.
    Expected Figures() const {
        const double q = kVoltsPerCode;
        const double quantisation = q * q / 12.0 * 2.0 / s_.n;
        std::vector<double> p(half_, quantisation);
        for (int32_t j : lines_) {
            for (int d = -6; d <= 6; ++d) {
                for (int32_t at : {j + d, s_.n - j + d}) { // the line and its mirror image
                    if (at >= 1 && at < half_) {
                        p[at] += linePower_ * Spread(d);
                    }
                }
            }
        }
        auto band = [&](int32_t c) {
            double sum = 0.0;
            for (int32_t k = std::max(1, c - kHalfWidth); k <= std::min(half_ - 1, c + kHalfWidth);
                 ++k) {
                sum += p[k];
            }
            return sum;
        };
        const double a = s_.amplitude;
        const double pf = a * a / 2 + band(centres_[1]);
        const double a2 = a * std::pow(10.0, s_.dbc2 / 20), a3 = a * std::pow(10.0, s_.dbc3 / 20);
        const double ph2 = a2 * a2 / 2 + band(centres_[2]);
        const double ph3 = a3 * a3 / 2 + band(centres_[3]);
        const double harmonics =
            ph2 + ph3 + band(centres_[4]) + band(centres_[5]) + band(centres_[6]);
        double noise = 0.0;
        for (int32_t k = 1; k < half_; ++k) {
            noise += band_[k] ? 0.0 : p[k];
        }
        const double pn = noise / static_cast<double>(lines_.size()) * (half_ - 1);
        Expected e{};
        e.snr = 10 * std::log10(pf / pn);
        e.thd = 10 * std::log10(harmonics / pf);
        e.sinad = 10 * std::log10(pf / (pn + harmonics));
        e.sfdr = 10 * std::log10(pf / ph2);
        e.enob = (e.sinad - 1.76) / 6.02;
        e.vrms = std::sqrt(pf);
        e.dbc2 = 10 * std::log10(ph2 / pf);
        e.dbc3 = 10 * std::log10(ph3 / pf);
        return e;
    }

private:
    void Make() {
        const int32_t n = s_.n;
        // The multisine: line j with phase pi * g * j^2 (g the golden ratio's fraction) keeps
        // the products of neighbouring lines from adding up coherently.
        const double g = (std::sqrt(5.0) - 1.0) / 2.0;
        const double b = std::sqrt(2.0 * linePower_);
        std::vector<double> noise(n, 0.0);
        auto phase = [&](int32_t j) {
            const double jj = static_cast<double>(j) * j;
            return 2.0 * std::numbers::pi * std::fmod(0.5 * g * jj, 1.0);
        };
        if ((n & (n - 1)) == 0) {
            std::vector<std::complex<double>> z(n);
            for (int32_t j : lines_) {
                z[j] = std::polar(b / 2, -phase(j)); // conjugate: the forward FFT sums it back
                z[n - j] = std::conj(z[j]);
            }
            reference::Fft(z);
            for (int32_t i = 0; i < n; ++i) {
                noise[i] = z[i].real();
            }
        } else {
            for (int32_t j : lines_) {
                const std::complex<double> step = std::polar(1.0, 2.0 * std::numbers::pi * j / n);
                std::complex<double> w = std::polar(b, phase(j));
                for (int32_t i = 0; i < n; ++i) {
                    noise[i] += w.real();
                    w *= step;
                    if (i % 1024 == 1023) { // re-anchor against rounding drift
                        w = std::polar(b, phase(j) + 2.0 * std::numbers::pi *
                                                         std::fmod(double(j) * (i + 1) / n, 1.0));
                    }
                }
            }
        }
        const double a = s_.amplitude;
        const double a2 = a * std::pow(10.0, s_.dbc2 / 20), a3 = a * std::pow(10.0, s_.dbc3 / 20);
        const double f = s_.toneBin / n;
        for (int32_t i = 0; i < n; ++i) {
            const double t = 2.0 * std::numbers::pi * std::fmod(f * i, 1.0);
            const double v = a * std::sin(t + 0.3) + a2 * std::sin(2 * t + 1.1) +
                             a3 * std::sin(3 * t + 2.0) + noise[i];
            codes_[i] = kCodeZeroVolt + static_cast<int32_t>(std::lrint(v / double(kVoltsPerCode)));
        }
    }

    Signal s_;
    std::vector<int32_t> codes_;
    std::vector<float> volts_;
    int32_t half_;
    std::vector<bool> band_;
    std::vector<int32_t> centres_;
    std::vector<int32_t> lines_;
    double linePower_ = 0.0;
};

// Every bin of the analysis's spectrum carries the band the generator put there: DC, the
// fundamental, harmonic 2.. in order, or noise.
void ExpectBands(const std::vector<int32_t>& centres, int32_t n, const ConverterAnalyzer& a) {
    ASSERT_EQ(a.SpectrumBins(), n / 2);
    std::vector<uint8_t> expected(n / 2, ConverterAnalyzer::kBandNoise);
    for (std::size_t c = 0; c < centres.size(); ++c) {
        const uint8_t band = c == 0 ? ConverterAnalyzer::kBandDc
                             : c == 1
                                 ? ConverterAnalyzer::kBandFundamental
                                 : static_cast<uint8_t>(ConverterAnalyzer::kBandHarmonic + c - 2);
        for (int32_t k = std::max(1, centres[c] - kHalfWidth);
             k <= std::min(n / 2 - 1, centres[c] + kHalfWidth); ++k) {
            expected[k] = band;
        }
    }
    int32_t wrong = 0;
    for (int32_t k = 1; k < n / 2; ++k) {
        wrong += a.BinBand()[k] != expected[k];
    }
    EXPECT_EQ(wrong, 0);
}

void ExpectFigures(const Signal& s, ConverterAnalyzer& analyzer) {
    SCOPED_TRACE("N = " + std::to_string(s.n) + ", tone at bin " + std::to_string(s.toneBin));
    Generator gen(s);
    SampleBlock block = gen.Block();
    ConverterFigures f;
    ASSERT_TRUE(analyzer.Analyze(block, 6, f));
    const Expected e = gen.Figures();
    ASSERT_TRUE(f.dynamicApplies);
    EXPECT_NEAR(f.snrDb, e.snr, 0.05);
    EXPECT_NEAR(f.thdDb, e.thd, 0.05);
    EXPECT_NEAR(f.sinadDb, e.sinad, 0.05);
    EXPECT_NEAR(f.sfdrDb, e.sfdr, 0.05);
    EXPECT_NEAR(f.enobBits, e.enob, 0.01);
    EXPECT_NEAR(f.fundamentalVrms, e.vrms, e.vrms * 1e-5);
    EXPECT_DOUBLE_EQ(f.fundamentalHz, std::lround(s.toneBin) * double(block.deltaF));
    const double noisePower = std::pow(10.0, -e.snr / 10) * e.vrms * e.vrms;
    EXPECT_NEAR(f.noiseUvrms, std::sqrt(noisePower) * 1e6, f.noiseUvrms * 0.006);
    const double fullScaleVrms = 2.5 / std::numbers::sqrt2;
    EXPECT_NEAR(f.enobFsBits, (e.sinad + 20 * std::log10(fullScaleVrms / e.vrms) - 1.76) / 6.02,
                0.01);
    const double nyquistHz = 1000.0 / kPeriodMs / 2;
    EXPECT_NEAR(f.noiseDensityNvRtHz, std::sqrt(noisePower / nyquistHz) * 1e9,
                f.noiseDensityNvRtHz * 0.006);
    ExpectBands(gen.Centres(), s.n, analyzer);
    ASSERT_EQ(f.harmonicCount, 5);
    EXPECT_EQ(f.harmonics[0].order, 2);
    EXPECT_NEAR(f.harmonics[0].dbc, e.dbc2, 0.05);
    EXPECT_NEAR(f.harmonics[1].dbc, e.dbc3, 0.05);
    EXPECT_DOUBLE_EQ(f.harmonics[1].hz,
                     Fold(3 * std::lround(s.toneBin), s.n) * double(block.deltaF));
}

// Coherent and non-coherent tones at several lengths, one of them not a power of two, the
// third harmonic of one folded back from above half the sampling rate. One analyser serves
// every length in turn.
TEST(ConverterFigures, ToneHarmonicsAndNoiseMatchTheClosedForm) {
    ConverterAnalyzer analyzer;
    ExpectFigures({4096, 301.0}, analyzer);
    ExpectFigures({4096, 1500.37}, analyzer); // 3rd harmonic at 4501 folds to bin 3595 -> 501
    ExpectFigures({5000, 417.0}, analyzer);
    ExpectFigures({5000, 633.61}, analyzer);
    ExpectFigures({65536, 5243.25}, analyzer);
    ExpectFigures({262144, 2097.0}, analyzer);
}

// The double-precision transform of both paths against a direct DFT; a length prepared again
// after another gives the same result.
TEST(ConverterFigures, TransformMatchesTheDirectDft) {
    ChirpZDft dft;
    for (int32_t n : {1024, 1000, 1537, 1024}) {
        std::vector<float> x(n);
        for (int32_t i = 0; i < n; ++i) {
            x[i] = static_cast<float>(std::sin(0.37 * i) + 0.25 * std::cos(1.9 * i * i / n) +
                                      ((i * 7919) % 101) / 300.0);
        }
        const std::vector<double> ref = reference::RealDft(x);
        ASSERT_TRUE(dft.Prepare(n));
        std::vector<double> xd(x.begin(), x.end());
        std::vector<std::complex<double>> out(n / 2 + 1);
        dft.Forward(xd.data(), out.data());
        double err = 0.0, norm = 0.0;
        for (int32_t k = 1; k < n / 2; ++k) {
            const std::complex<double> r(ref[2 * k], -ref[2 * k + 1]);
            err += std::norm(out[k] - r);
            norm += std::norm(r);
        }
        EXPECT_LT(std::sqrt(err / norm), 1e-12) << n;
        EXPECT_NEAR(out[0].real(), ref[0], 1e-9) << n;
    }
}

// A shorted input: the resolutions of the codes' population deviation and spread exactly; no
// line stands out, so the dynamic figures do not apply. A block of one code resolves 24 bits.
TEST(ConverterFigures, ShortedInputGivesTheResolutionsOfItsCodes) {
    const int32_t n = 6000;
    std::vector<int32_t> codes(n);
    std::vector<float> volts(n);
    uint32_t r = 12345;
    int64_t sum = 0, squares = 0;
    for (int32_t i = 0; i < n; ++i) {
        r = r * 1664525u + 1013904223u;
        const int32_t d =
            static_cast<int32_t>((r >> 8) % 41) - 20 + static_cast<int32_t>((r >> 20) % 9);
        codes[i] = 8400000 + d;
        sum += d;
        squares += int64_t{d} * d;
    }
    SampleBlock block;
    block.codes = codes.data();
    block.volts = volts.data();
    block.count = n;
    ASSERT_TRUE(ConvertBlock(block, kPeriodMs));
    ConverterAnalyzer analyzer;
    ConverterFigures f;
    ASSERT_TRUE(analyzer.Analyze(block, 6, f));
    const double sigma = std::sqrt(static_cast<double>(int64_t{n} * squares - sum * sum)) / n;
    const auto [lo, hi] = std::minmax_element(codes.begin(), codes.end());
    EXPECT_DOUBLE_EQ(f.rmsNoiseCodes, sigma);
    EXPECT_DOUBLE_EQ(f.ppCodes, *hi - *lo);
    EXPECT_DOUBLE_EQ(f.effectiveResolutionBits, std::log2(16777216.0 / sigma));
    EXPECT_DOUBLE_EQ(f.noiseFreeResolutionBits, std::log2(16777216.0 / (*hi - *lo)));
    EXPECT_DOUBLE_EQ(f.rmsNoiseUv, sigma * double(kVoltsPerCode) * 1e6);
    EXPECT_FALSE(f.dynamicApplies);
    EXPECT_EQ(f.harmonicCount, 0);

    std::fill(codes.begin(), codes.end(), 8388608);
    ASSERT_TRUE(ConvertBlock(block, kPeriodMs));
    ASSERT_TRUE(analyzer.Analyze(block, 6, f));
    EXPECT_EQ(f.effectiveResolutionBits, 24.0);
    EXPECT_EQ(f.noiseFreeResolutionBits, 24.0);
    EXPECT_FALSE(f.dynamicApplies);
    EXPECT_FALSE(analyzer.Analyze(block, 21, f));
}

// Tones at the lowest bins, where the fundamental's band reaches the DC band: found where
// they are, their level the whole tone, the noise that of the signal made, and no harmonic
// band inside the merged band. White noise of a known RMS (a uniform LCG) and the known tone
// are the independent reference.
TEST(ConverterFigures, LowTonesAreFoundAndTheirBandTakesTheDcBand) {
    ConverterAnalyzer analyzer;
    for (const auto [n, hz] : {std::pair{65536, 10.0}, std::pair{4096, 100.0}}) {
        SCOPED_TRACE(std::to_string(hz) + " Hz in " + std::to_string(n));
        const double amplitude = 1.0, noiseRms = 20e-6;
        std::vector<int32_t> codes(n);
        std::vector<float> volts(n);
        uint32_t r = 99991;
        for (int32_t i = 0; i < n; ++i) {
            r = r * 1664525u + 1013904223u;
            const double u = (r >> 8) / 16777216.0 - 0.5; // RMS 1/sqrt(12)
            const double v =
                amplitude * std::sin(2 * std::numbers::pi * hz * i * kPeriodMs / 1000) +
                noiseRms * std::sqrt(12.0) * u;
            codes[i] = kCodeZeroVolt + static_cast<int32_t>(std::lrint(v / double(kVoltsPerCode)));
        }
        SampleBlock block;
        block.codes = codes.data();
        block.volts = volts.data();
        block.count = n;
        ASSERT_TRUE(ConvertBlock(block, kPeriodMs));
        ConverterFigures f;
        ASSERT_TRUE(analyzer.Analyze(block, 20, f));
        ASSERT_TRUE(f.dynamicApplies);
        EXPECT_NEAR(f.fundamentalHz, hz, block.deltaF / 2);
        // A tone this close to 0 Hz meets its own mirror image inside the band: within 0.3 dB.
        EXPECT_NEAR(20 * std::log10(f.fundamentalVrms * std::sqrt(2.0) / amplitude), 0.0, 0.3);
        const double q = kVoltsPerCode;
        const double expectedSnr =
            10 * std::log10(amplitude * amplitude / 2 / (noiseRms * noiseRms + q * q / 12));
        EXPECT_NEAR(f.snrDb, expectedSnr, 0.2);
        const double k0 = std::round(f.fundamentalHz / block.deltaF);
        for (int32_t i = 0; i < f.harmonicCount; ++i) {
            EXPECT_GT(f.harmonics[i].hz / block.deltaF - kHalfWidth, k0 + kHalfWidth)
                << "harmonic " << f.harmonics[i].order << " overlaps the fundamental's band";
        }
    }
}

// Codes at both ends of 32 bits: the spread is 2^32 - 1 codes, not a wrapped difference.
TEST(ConverterFigures, ExtremeCodesGiveTheirFullSpread) {
    std::vector<int32_t> codes(2048);
    std::vector<float> volts(2048);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        codes[i] =
            i % 2 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min();
    }
    SampleBlock block;
    block.codes = codes.data();
    block.volts = volts.data();
    block.count = 2048;
    ASSERT_TRUE(ConvertBlock(block, kPeriodMs));
    ConverterFigures f;
    ConverterAnalyzer analyzer;
    ASSERT_TRUE(analyzer.Analyze(block, 6, f));
    const double spread = 2.0 * 2147483648.0 - 1.0;
    EXPECT_EQ(f.ppCodes, spread);
    EXPECT_DOUBLE_EQ(f.noiseFreeResolutionBits, std::log2(16777216.0 / spread));
    EXPECT_DOUBLE_EQ(f.ppUv, spread * double(kVoltsPerCode) * 1e6);
}

} // namespace

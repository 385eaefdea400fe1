#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/MyFFT.h"

namespace {

class RecordingWarning : public IWarning {
public:
    void ShowWarning(const std::string& caption, const std::string& text) override {
        captions.push_back(caption);
        texts.push_back(text);
    }
    std::vector<std::string> captions;
    std::vector<std::string> texts;
};

// A block over its own arrays, sized for the largest count.
struct OwnedBlock {
    std::vector<float> volts = std::vector<float>(kMaxFftCount);
    std::vector<float> spectrum = std::vector<float>(kMaxFftCount / 2, -1.0f);
    SampleBlock block;

    explicit OwnedBlock(int32_t n) {
        block.count = n;
        block.volts = volts.data();
        block.spectrum = spectrum.data();
    }
    void Sine(int32_t k, double amplitude = 1.0) {
        for (int32_t i = 0; i < block.count; ++i) {
            volts[i] = static_cast<float>(amplitude *
                                          std::sin(2.0 * std::numbers::pi * k * i / block.count));
        }
    }
    float operator[](int32_t k) const { return spectrum[k]; }
};

class SpectrumTest : public ::testing::Test {
protected:
    SpectrumTest() {
        setting.fDCCut_FFT = false;
        setting.fWinFuncAdjust = false;
        setting.whichWindowFunc = WinRectangular;
    }
    GraphSetting setting;
    RecordingWarning warning;
    TmyFFT fft{setting, &warning};
};

TEST_F(SpectrumTest, RectangularSineGivesItsRmsValueInItsBinOnly) {
    for (int32_t n : {1024, 65536}) {
        OwnedBlock b(n);
        b.Sine(37);
        ASSERT_TRUE(fft.ComputeSpectrum(b.block));
        EXPECT_NEAR(b[37], 0.70711f, 1e-5) << n;
        float largestOther = 0.0f;
        for (int32_t k = 0; k < n / 2; ++k) {
            if (k != 37) {
                largestOther = std::max(largestOther, b[k]);
            }
        }
        EXPECT_LT(largestOther, 1e-5f) << n;
        EXPECT_NEAR(SpectrumRMS(b.block), 0.7071f, 1e-4) << n;
    }
}

TEST_F(SpectrumTest, HanningAndHammingLinesWithAndWithoutCorrection) {
    OwnedBlock b(4096);
    b.Sine(100);
    setting.whichWindowFunc = WinHanning;
    ASSERT_TRUE(fft.ComputeSpectrum(b.block));
    EXPECT_NEAR(b[100], 0.35355f, 2e-5);
    EXPECT_NEAR(b[99], 0.17678f, 2e-5);
    EXPECT_NEAR(b[101], 0.17678f, 2e-5);
    EXPECT_LT(b[98], 1e-5f);
    EXPECT_NEAR(SpectrumRMS(b.block), 0.4330f, 1e-4);

    setting.fWinFuncAdjust = true;
    ASSERT_TRUE(fft.ComputeSpectrum(b.block));
    EXPECT_NEAR(b[100], 0.35355 * kHanningCorrection, 3e-5);
    EXPECT_NEAR(b[101], 0.17678 * kHanningCorrection, 3e-5);
    EXPECT_NEAR(SpectrumRMS(b.block), 0.7071f, 1e-4);

    setting.fWinFuncAdjust = false;
    setting.whichWindowFunc = WinHamming;
    ASSERT_TRUE(fft.ComputeSpectrum(b.block));
    EXPECT_NEAR(b[100], 0.38184f, 2e-5);
    EXPECT_NEAR(b[99], 0.16263f, 2e-5);
    EXPECT_NEAR(b[101], 0.16263f, 2e-5);
}

TEST_F(SpectrumTest, FlatTopSeriesToFourBinsEitherSide) {
    setting.whichWindowFunc = WinFlatTop;
    const float expected[5] = {0.17747f, 0.16318f, 0.08816f, 0.01398f, 0.00055f};
    for (int32_t n : {1024, 262144}) {
        OwnedBlock b(n);
        b.Sine(200);
        ASSERT_TRUE(fft.ComputeSpectrum(b.block));
        for (int32_t d = 0; d <= 4; ++d) {
            EXPECT_NEAR(b[200 + d], expected[d], 2e-5) << "n " << n << " offset " << d;
            EXPECT_NEAR(b[200 - d], expected[d], 2e-5) << "n " << n << " offset -" << d;
        }
    }
}

TEST_F(SpectrumTest, CorrectionFactorsAreTheReciprocalWindowRms) {
    const int32_t n = 65536;
    std::vector<float> ones(n, 1.0f), out(n);
    using Window = void (TmyFFT::*)(int32_t, const float*, bool, float*);
    const std::pair<Window, double> windows[] = {{&TmyFFT::WindowHanning, kHanningCorrection},
                                                 {&TmyFFT::WindowHamming, kHammingCorrection},
                                                 {&TmyFFT::WindowFlatTop, kFlatTopCorrection}};
    for (const auto& [window, factor] : windows) {
        (fft.*window)(n, ones.data(), false, out.data());
        double squares = 0.0;
        for (float w : out) {
            squares += double(w) * w;
        }
        EXPECT_NEAR(1.0 / std::sqrt(squares / n), factor, 1e-6);
        // With the correction the windowed block's RMS is 1.
        (fft.*window)(n, ones.data(), true, out.data());
        squares = 0.0;
        for (float w : out) {
            squares += double(w) * w;
        }
        EXPECT_NEAR(std::sqrt(squares / n), 1.0, 1e-6);
    }
}

TEST_F(SpectrumTest, RectangularWindowIgnoresTheCorrectionFlag) {
    OwnedBlock b(1024);
    b.Sine(10);
    setting.fWinFuncAdjust = true;
    ASSERT_TRUE(fft.ComputeSpectrum(b.block));
    EXPECT_NEAR(b[10], 0.70711f, 1e-5);
}

TEST_F(SpectrumTest, ConstantBlockWithAndWithoutDcCut) {
    for (int32_t n : {1024, 262144}) {
        OwnedBlock b(n);
        std::fill_n(b.volts.begin(), n, 0.1822090f);
        ASSERT_TRUE(fft.ComputeSpectrum(b.block));
        EXPECT_NEAR(b[0], 0.1822090f, 1e-7) << n;
        for (int32_t k = 1; k < n / 2; ++k) {
            ASSERT_LT(b[k], 1e-7f) << "n " << n << " bin " << k;
        }
        // The mean is removed exactly even for the largest block.
        setting.fDCCut_FFT = true;
        ASSERT_TRUE(fft.ComputeSpectrum(b.block));
        for (int32_t k = 0; k < n / 2; ++k) {
            ASSERT_EQ(b[k], 0.0f) << "n " << n << " bin " << k;
        }
        setting.fDCCut_FFT = false;
    }
    // A negative level shows its magnitude.
    OwnedBlock b(1024);
    std::fill_n(b.volts.begin(), 1024, -1.25f);
    ASSERT_TRUE(fft.ComputeSpectrum(b.block));
    EXPECT_FLOAT_EQ(b[0], 1.25f);
    EXPECT_TRUE(warning.texts.empty());
}

TEST_F(SpectrumTest, DcCutOfNothingWarnsAndWritesNothing) {
    std::vector<float> in(4, 1.0f), out(4, 7.0f);
    EXPECT_FALSE(fft.DCCut(0, in.data(), out.data()));
    ASSERT_EQ(warning.texts.size(), 1u);
    EXPECT_EQ(warning.captions[0], "myFFT");
    EXPECT_EQ(warning.texts[0], "ゼロ除算：TmyFFT::DCCut");
    EXPECT_EQ(out, std::vector<float>(4, 7.0f));

    // An empty block reaching the spectrum step with the DC cut on gives the same warning.
    OwnedBlock b(0);
    setting.fDCCut_FFT = true;
    EXPECT_FALSE(fft.ComputeSpectrum(b.block));
    EXPECT_EQ(warning.texts.size(), 2u);
    EXPECT_EQ(b[0], -1.0f);

    TmyFFT silent(setting, nullptr); // no warning service: nothing shown, still refused
    EXPECT_FALSE(silent.DCCut(0, in.data(), out.data()));
}

TEST_F(SpectrumTest, RefusesCountsBeyondTheWorkAreas) {
    OwnedBlock b(1024);
    b.block.count = kMaxFftCount + 1;
    EXPECT_FALSE(fft.ComputeSpectrum(b.block));
    b.block.count = 1;
    EXPECT_FALSE(fft.ComputeSpectrum(b.block));
    b.block.count = 1024;
    b.block.spectrum = nullptr;
    EXPECT_FALSE(fft.ComputeSpectrum(b.block));
    EXPECT_EQ(b[0], -1.0f);
}

TEST_F(SpectrumTest, CountsNotAPowerOfTwoStillGiveTheRmsAmplitudePerBin) {
    setting.fDCCut_FFT = true;
    for (int32_t n : {3000, 3001, 100000}) {
        OwnedBlock b(n);
        b.Sine(123);
        ASSERT_TRUE(fft.ComputeSpectrum(b.block)) << n;
        EXPECT_NEAR(b[123], 0.70711f, 1e-5) << n;
        EXPECT_LT(b[122], 1e-5f) << n;
        EXPECT_LT(b[n / 2 - 1], 1e-5f) << n;
        EXPECT_EQ(b[n / 2], -1.0f) << "wrote beyond n/2 entries, n = " << n;
    }
    // With a window too.
    setting.whichWindowFunc = WinHanning;
    OwnedBlock b(5000);
    b.Sine(321);
    ASSERT_TRUE(fft.ComputeSpectrum(b.block));
    EXPECT_NEAR(b[321], 0.35355f, 2e-5);
    EXPECT_NEAR(b[322], 0.17678f, 2e-5);
}

TEST_F(SpectrumTest, ResultsEqualThoseOfAFreshEngineWhateverCameBefore) {
    OwnedBlock small(1024), large(65536);
    small.Sine(17, 0.3);
    large.Sine(901, 0.7);
    for (int32_t i = 0; i < 65536; ++i) {
        large.volts[i] += 0.001f * static_cast<float>((i * 7919) % 101);
    }
    setting.fDCCut_FFT = true;
    setting.fWinFuncAdjust = true;

    for (int32_t window = 0; window <= 3; ++window) {
        setting.whichWindowFunc = window;
        TmyFFT fresh(setting, nullptr);
        OwnedBlock expected(65536);
        std::memcpy(expected.volts.data(), large.volts.data(), 65536 * sizeof(float));
        fresh.ComputeSpectrum(expected.block);

        // Another size and another window first, then the same block again.
        setting.whichWindowFunc = (window + 1) % 4;
        fft.ComputeSpectrum(small.block);
        setting.whichWindowFunc = window;
        fft.ComputeSpectrum(large.block);
        EXPECT_EQ(
            0, std::memcmp(large.spectrum.data(), expected.spectrum.data(), 32768 * sizeof(float)))
            << "window " << window;
    }
}

TEST(SpectrumRmsTest, SumsLinesAboveDcOnly) {
    std::vector<float> spectrum = {5.0f, 3.0f, 4.0f, 0.0f};
    SampleBlock block;
    block.count = 8;
    block.spectrum = spectrum.data();
    EXPECT_FLOAT_EQ(SpectrumRMS(block), 5.0f);
    block.count = 0;
    EXPECT_EQ(SpectrumRMS(block), 0.0f);
}

} // namespace

namespace {
// The windows from their textbook formulas, in double precision, independently of the engine.
double TextbookWindow(int kind, int32_t i, int32_t n) {
    const double pi = std::numbers::pi;
    const double theta = (i + 0.5) * 2.0 * pi / n;
    switch (kind) {
    case WinHanning:
        return 0.5 * (1.0 - std::cos(theta));
    case WinHamming:
        return 0.54 - 0.46 * std::cos(theta);
    case WinFlatTop: {
        const double u = 2.0 * pi * (i + 0.5 - n / 2) / n;
        return std::sin(2.0 * u) / (2.0 * u) * (0.54 + 0.46 * std::cos(u));
    }
    default:
        return 1.0;
    }
}
} // namespace

// Off-bin tones see the window's shape, not only its values at the tone: a window shifted by
// half a block (0.5 (1 + cos)) gives the same on-bin lines but other leakage.
TEST_F(SpectrumTest, OffBinTwoTonesMatchAnIndependentDftForEveryWindow) {
    constexpr int32_t n = 1024;
    OwnedBlock b(n);
    std::vector<double> x(n);
    for (int32_t i = 0; i < n; ++i) {
        const double p = 2.0 * std::numbers::pi * i / n;
        x[i] = std::sin(100.3 * p) + 0.01 * std::sin(217.7 * p + 0.4) + 0.05;
        b.volts[i] = static_cast<float>(x[i]);
    }
    for (int kind : {WinRectangular, WinHanning, WinHamming, WinFlatTop}) {
        for (bool adjust : {false, true}) {
            setting.whichWindowFunc = kind;
            setting.fWinFuncAdjust = adjust;
            ASSERT_TRUE(fft.ComputeSpectrum(b.block));
            std::vector<double> w(n);
            double sumSquares = 0.0;
            for (int32_t i = 0; i < n; ++i) {
                w[i] = TextbookWindow(kind, i, n);
                sumSquares += w[i] * w[i];
            }
            const double gain =
                adjust && kind != WinRectangular ? 1.0 / std::sqrt(sumSquares / n) : 1.0;
            double worst = 0.0;
            for (int32_t k = 0; k < n / 2; ++k) {
                std::complex<double> sum = 0.0;
                for (int32_t i = 0; i < n; ++i) {
                    sum += x[i] * w[i] * gain *
                           std::polar(1.0, -2.0 * std::numbers::pi * ((int64_t(i) * k) % n) / n);
                }
                const double expected = std::abs(sum) / n * (k == 0 ? 1.0 : std::sqrt(2.0));
                worst = std::max(worst, std::fabs(b[k] - expected) / (1e-6 + 1e-3 * expected));
            }
            EXPECT_LT(worst, 1.0) << "window " << kind << " correction " << adjust;
        }
    }
}

// The spectrum step against its definition written out here one value at a time: DC cut and
// window by the engine's own steps, the transform, then every value divided as the rule says
// (x * 1.414213562 / n, in double) and every line's root taken alone. Bit for bit, for every
// window, power-of-two and other sizes, lines past any group of four.
TEST_F(SpectrumTest, EqualsItsStepsTakenOneValueAtATimeBitForBit) {
    setting.fDCCut_FFT = true;
    setting.fWinFuncAdjust = true;
    for (int32_t n : {8, 12, 1024, 1030, 65536}) {
        OwnedBlock block(n);
        for (int32_t i = 0; i < n; ++i) {
            block.volts[i] =
                static_cast<float>(0.8 * std::sin(0.37 * i) + 1e-3 * ((i * 7919) % 101) + 0.2);
        }
        for (int32_t window = 0; window <= 3; ++window) {
            setting.whichWindowFunc = window;
            ASSERT_TRUE(fft.ComputeSpectrum(block.block));

            TmyFFT steps(setting, nullptr);
            std::vector<float> in(n), a(n + 2);
            ASSERT_TRUE(steps.DCCut(n, block.volts.data(), in.data()));
            switch (window) {
            case WinHanning:
                steps.WindowHanning(n, in.data(), true, a.data());
                break;
            case WinHamming:
                steps.WindowHamming(n, in.data(), true, a.data());
                break;
            case WinFlatTop:
                steps.WindowFlatTop(n, in.data(), true, a.data());
                break;
            default:
                std::copy(in.begin(), in.end(), a.begin());
            }
            ASSERT_TRUE(steps.RealFFT(n, a.data()));
            a[0] = static_cast<float>(a[0] / static_cast<double>(n));
            for (int32_t i = 1; i < n; ++i) {
                volatile double scaled = a[i] * 1.414213562;
                a[i] = static_cast<float>(scaled / n);
            }
            std::vector<float> expected(n / 2);
            expected[0] = std::fabs(a[0]);
            for (int32_t k = 1; k < n / 2; ++k) {
                volatile float power = a[2 * k] * a[2 * k] + a[2 * k + 1] * a[2 * k + 1];
                expected[k] = std::sqrt(power);
            }
            EXPECT_EQ(0, std::memcmp(expected.data(), block.spectrum.data(),
                                     expected.size() * sizeof(float)))
                << "n " << n << " window " << window;
        }
    }
}

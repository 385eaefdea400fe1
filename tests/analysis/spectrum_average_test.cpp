// The combination of spectra against the definitions, computed here from the inputs: the power
// average sqrt((1/K) sum s^2), the peak hold max s, and the moving average of the last K.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/SpectrumAverage.h"

namespace {

std::vector<std::vector<float>> RandomSpectra(int blocks, int bins, unsigned seed) {
    std::mt19937 rng(seed);
    // Levels over many decades, as a noise floor under a tone.
    std::uniform_real_distribution<double> decade(-9.0, 0.0);
    std::vector<std::vector<float>> spectra(blocks, std::vector<float>(bins));
    for (auto& s : spectra) {
        for (float& v : s) {
            v = static_cast<float>(std::pow(10.0, decade(rng)));
        }
    }
    return spectra;
}

float PowerAverage(const std::vector<std::vector<float>>& spectra, int from, int to, int k) {
    double sum = 0.0;
    for (int b = from; b < to; ++b) {
        sum += static_cast<double>(spectra[b][k]) * spectra[b][k];
    }
    return static_cast<float>(std::sqrt(sum / (to - from)));
}

TEST(SpectrumAverageTest, PowerAverageAndPeakHoldFollowTheirDefinitions) {
    const int bins = 257;
    const auto spectra = RandomSpectra(16, bins, 7);
    SpectrumAverage power, peak;
    ASSERT_TRUE(power.Start(AverageMode::Power, bins));
    ASSERT_TRUE(peak.Start(AverageMode::PeakHold, bins));
    std::vector<float> out(bins);
    for (int b = 0; b < 16; ++b) {
        power.AddAmplitudes(spectra[b].data());
        peak.AddAmplitudes(spectra[b].data());
        EXPECT_EQ(power.Blocks(), b + 1);
        power.Amplitudes(out.data());
        for (int k = 0; k < bins; ++k) {
            ASSERT_EQ(out[k], PowerAverage(spectra, 0, b + 1, k)) << "block " << b << " bin " << k;
        }
        peak.Amplitudes(out.data());
        for (int k = 0; k < bins; ++k) {
            float largest = 0.0f;
            for (int i = 0; i <= b; ++i) {
                largest = std::max(largest, spectra[i][k]);
            }
            ASSERT_EQ(out[k], largest) << "block " << b << " bin " << k;
        }
    }
    EXPECT_EQ(power.Averaging().blocks, 16);
    EXPECT_EQ(peak.Averaging().mode, AverageMode::PeakHold);
}

// A long continuous run: the moving sums are taken apart and put together many times, yet the
// result stays the average of exactly the last K blocks, also after a block far above the rest
// has left the window.
TEST(SpectrumAverageTest, MovingAverageKeepsExactlyTheLastKOverALongRun) {
    const int bins = 64;
    const int window = 5;
    auto spectra = RandomSpectra(203, bins, 11);
    for (float& v : spectra[100]) {
        v = 1000.0f; // an overload the noise floor must forget again
    }
    SpectrumAverage moving;
    ASSERT_TRUE(moving.Start(AverageMode::Power, bins, window));
    std::vector<float> out(bins);
    for (int b = 0; b < 203; ++b) {
        moving.AddAmplitudes(spectra[b].data());
        EXPECT_EQ(moving.Blocks(), std::min(b + 1, window));
        moving.Amplitudes(out.data());
        const int from = std::max(0, b + 1 - window);
        for (int k = 0; k < bins; ++k) {
            ASSERT_NEAR(out[k], PowerAverage(spectra, from, b + 1, k),
                        1e-6 * PowerAverage(spectra, from, b + 1, k))
                << "block " << b << " bin " << k;
        }
    }
    EXPECT_EQ(moving.Added(), 203);
}

TEST(SpectrumAverageTest, PowersAverageAsPowersAndSizesAreChecked) {
    SpectrumAverage power;
    ASSERT_TRUE(power.Start(AverageMode::Power, 3));
    const double a[3] = {1.0, 4.0, 1e-20};
    const double b[3] = {3.0, 0.0, 3e-20};
    power.AddPowers(a);
    power.AddPowers(b);
    double out[3];
    power.Powers(out);
    EXPECT_DOUBLE_EQ(out[0], 2.0);
    EXPECT_DOUBLE_EQ(out[1], 2.0);
    EXPECT_DOUBLE_EQ(out[2], 2e-20);

    SpectrumAverage refused;
    EXPECT_FALSE(refused.Start(AverageMode::Power, 0));
    EXPECT_FALSE(refused.Start(AverageMode::Power, 8, SpectrumAverage::kMaxWindow + 1));
    EXPECT_EQ(refused.Bins(), 0);
}

} // namespace

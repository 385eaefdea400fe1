#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "ReferenceDft.h"
#include "analysis/MyFFT.h"

namespace {

std::vector<float> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> data(n);
    for (float& v : data) {
        v = uniform(rng);
    }
    return data;
}

class RealFftTest : public ::testing::Test {
protected:
    GraphSetting setting;
    TmyFFT fft{setting, nullptr};
};

TEST_F(RealFftTest, PowerOfTwoMatchesDoublePrecisionReferenceForEverySize) {
    std::string figures;
    for (int log2n = 3; log2n <= 18; ++log2n) {
        const std::size_t n = std::size_t{1} << log2n;
        const std::vector<float> input = RandomSignal(n, 100 + log2n);
        const std::vector<double> expected = reference::RealFft(input);
        std::vector<float> a = input;
        ASSERT_TRUE(fft.RealFFT(static_cast<int32_t>(n), a.data()));
        const double error = reference::RelativeRmsError(a.data(), expected, n);
        EXPECT_LT(error, 1e-6) << "n = " << n;
        char line[48];
        std::snprintf(line, sizeof line, " %zu:%.2e", n, error);
        figures += line;
    }
    RecordProperty("relative_rms_error", figures);
    std::printf("RealFFT relative RMS error per n:%s\n", figures.c_str());
}

TEST_F(RealFftTest, SmallSizesGiveTheDocumentedLayout) {
    // n = 2 and 4 take the special cases below the first radix-4 stage.
    for (std::size_t n : {2u, 4u, 8u, 16u, 32u}) {
        const std::vector<float> input = RandomSignal(n, 7);
        const std::vector<double> expected = reference::RealDft(input);
        std::vector<float> a = input;
        ASSERT_TRUE(fft.RealFFT(static_cast<int32_t>(n), a.data()));
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_NEAR(a[i], expected[i], 1e-5) << "n = " << n << ", index " << i;
        }
    }
}

TEST_F(RealFftTest, OtherLengthsMatchDirectDft) {
    // Counts a data file may carry; the odd ones have no Nyquist bin in the spectrum.
    for (std::size_t n : {1025u, 1500u, 3001u, 6000u}) {
        const std::vector<float> input = RandomSignal(n, 11 + n);
        const std::vector<double> expected = reference::RealDft(input);
        std::vector<float> a = input;
        a.push_back(1234.5f); // guard value just beyond the block
        ASSERT_TRUE(fft.RealFFT(static_cast<int32_t>(n), a.data()));
        const std::size_t defined = 2 * (n / 2);
        EXPECT_LT(reference::RelativeRmsError(a.data(), expected, defined), 1e-6) << n;
        EXPECT_EQ(a[n], 1234.5f) << "wrote beyond the block, n = " << n;
    }
}

TEST_F(RealFftTest, RejectsCountsOutsideTheWorkAreas) {
    std::vector<float> a(8, 1.0f);
    EXPECT_FALSE(fft.RealFFT(0, a.data()));
    EXPECT_FALSE(fft.RealFFT(-8, a.data()));
    EXPECT_FALSE(fft.RealFFT(kMaxFftCount + 1, a.data()));
    EXPECT_FALSE(fft.RealFFT(8, nullptr));
    EXPECT_EQ(a, std::vector<float>(8, 1.0f));
}

TEST_F(RealFftTest, ResultDoesNotDependOnEarlierCalls) {
    const std::vector<float> input = RandomSignal(4096, 3);
    std::vector<float> first = input;
    fft.RealFFT(4096, first.data());

    // Other sizes, power of two and not, in between.
    for (int32_t n : {262144, 1024, 3000, 8}) {
        std::vector<float> other = RandomSignal(n, 5);
        fft.RealFFT(n, other.data());
    }
    std::vector<float> again = input;
    fft.RealFFT(4096, again.data());
    EXPECT_EQ(0, std::memcmp(first.data(), again.data(), 4096 * sizeof(float)));

    TmyFFT fresh(setting, nullptr);
    std::vector<float> fromFresh = input;
    fresh.RealFFT(4096, fromFresh.data());
    EXPECT_EQ(0, std::memcmp(first.data(), fromFresh.data(), 4096 * sizeof(float)));
}

} // namespace

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "analysis/SampleConversion.h"

namespace {

struct CodeBlock {
    std::vector<int32_t> codes;
    std::vector<float> volts;
    SampleBlock block;

    explicit CodeBlock(std::vector<int32_t> c) : codes(std::move(c)), volts(codes.size(), 99.0f) {
        block.count = static_cast<int32_t>(codes.size());
        block.codes = codes.data();
        block.volts = volts.data();
    }
};

TEST(SampleConversionTest, CodesGiveTheStatedVoltsBitExactly) {
    EXPECT_EQ(std::bit_cast<uint32_t>(kVoltsPerCode), 0x34A00001u);
    EXPECT_EQ(CodeToVolts(1), -2.5f);
    EXPECT_EQ(CodeToVolts(8388608), 0.0f);
    EXPECT_EQ(CodeToVolts(8388609), kVoltsPerCode);
    EXPECT_EQ(CodeToVolts(16777214), 2.4999995f);
    EXPECT_EQ(CodeToVolts(16777215), 2.5f);
    // A stored file may hold any 32-bit code: (-2^31 - 2^23) and (2^31 - 1 - 2^23) steps.
    EXPECT_NEAR(CodeToVolts(INT32_MIN), -642.5f, 1e-3f);
    EXPECT_NEAR(CodeToVolts(INT32_MAX), 637.5f, 1e-3f);
}

TEST(SampleConversionTest, ConstantBlockGivesItsVoltageAsMeanMaxAndMin) {
    const float expected = CodeToVolts(9000000);
    EXPECT_NEAR(expected, 0.182209f, 1e-6);
    for (int32_t n : {1024, 262144}) {
        CodeBlock b(std::vector<int32_t>(n, 9000000));
        ASSERT_TRUE(ConvertBlock(b.block, 0.008f));
        EXPECT_EQ(b.block.voltMax, expected);
        EXPECT_EQ(b.block.voltMin, expected);
        EXPECT_EQ(b.block.voltMean, expected) << "n " << n;
        EXPECT_EQ(b.volts[n - 1], expected);
        EXPECT_EQ(CodeMean(b.block), 9000000) << "n " << n;
        EXPECT_EQ(CodeStdDev(b.block), 0.0f) << "n " << n;
    }
}

TEST(SampleConversionTest, ExtremesStartFromPlusMinusTenVolts) {
    // All volts lie within +-2.5 V, so the starting values never survive.
    CodeBlock b({1, 16777214, 8388608});
    ASSERT_TRUE(ConvertBlock(b.block, 1.0f));
    EXPECT_EQ(b.block.voltMin, -2.5f);
    EXPECT_EQ(b.block.voltMax, 2.4999995f);
    EXPECT_NEAR(b.block.voltMean, (2.4999995 - 2.5) / 3, 1e-7);
}

TEST(SampleConversionTest, DeltaFFollowsRateAndCount) {
    CodeBlock b(std::vector<int32_t>(262144, 8388608));
    ASSERT_TRUE(ConvertBlock(b.block, 0.008f));
    EXPECT_NEAR(b.block.deltaF, 0.476837f, 1e-6);
    EXPECT_NEAR(DeltaF(200.0f, 1024), 1000.0f / (200.0f * 1024), 1e-9);
    EXPECT_EQ(DeltaF(0.0f, 1024), 0.0f);
    EXPECT_EQ(DeltaF(1.0f, 0), 0.0f);
}

TEST(SampleConversionTest, CheckCodesRejectsClippedBlocksAndConvertsOthers) {
    CodeBlock lastHigh(std::vector<int32_t>(1024, 8388608));
    lastHigh.codes.back() = 16777215;
    EXPECT_FALSE(CheckCodes(lastHigh.block, 0.008f));
    EXPECT_EQ(lastHigh.volts[0], 99.0f); // not converted

    CodeBlock firstLow(std::vector<int32_t>(1024, 8388608));
    firstLow.codes.front() = 0;
    EXPECT_FALSE(CheckCodes(firstLow.block, 0.008f));

    CodeBlock edges(std::vector<int32_t>(1024, 8388608));
    edges.codes[3] = 1;
    edges.codes[4] = 16777214;
    ASSERT_TRUE(CheckCodes(edges.block, 0.008f));
    EXPECT_EQ(edges.volts[3], -2.5f);
    EXPECT_EQ(edges.volts[4], 2.4999995f);
    EXPECT_NEAR(edges.block.deltaF, 1000.0f / (0.008f * 1024), 1e-3);
}

TEST(SampleConversionTest, EmptyOrOversizedBlocksAreRefused) {
    CodeBlock b({});
    EXPECT_FALSE(CheckCodes(b.block, 1.0f));
    EXPECT_FALSE(ConvertBlock(b.block, 1.0f));
    EXPECT_EQ(CodeMean(b.block), 0);
    EXPECT_EQ(CodeStdDev(b.block), 0.0f);
    CodeBlock big({8388608});
    big.block.count = MaxSamples + 1;
    EXPECT_FALSE(ConvertBlock(big.block, 1.0f));
    EXPECT_EQ(big.volts[0], 99.0f);
}

TEST(SampleConversionTest, CodeStatistics) {
    // Mean 8388610.5 truncates to 8388610; deviation about that mean.
    CodeBlock b({8388608, 8388609, 8388612, 8388613});
    EXPECT_EQ(CodeMean(b.block), 8388610);
    // Differences -2, -1, 2, 3: squares 4 + 1 + 4 + 9 = 18, / 4, sqrt.
    EXPECT_FLOAT_EQ(CodeStdDev(b.block), std::sqrt(4.5f));
}

} // namespace

TEST(SampleConversionTest, AClippingCodeIsFoundWhereverItLies) {
    // Every place of a short block and the places around groups of codes in a long one; the
    // neighbours of the clipping codes alone never count.
    std::vector<int32_t> codes(1037, 8388608);
    codes[500] = 16777214;
    codes[501] = 1;
    EXPECT_FALSE(HasClippingCode(codes.data(), 1037));
    for (int32_t count : {40, 1037}) {
        for (int32_t at = 0; at < count; at += count < 100 ? 1 : 7) {
            for (int32_t clip : {0, 16777215}) {
                const int32_t kept = codes[at];
                codes[at] = clip;
                EXPECT_TRUE(HasClippingCode(codes.data(), count)) << count << " at " << at;
                EXPECT_FALSE(HasClippingCode(codes.data(), at)) << count << " before " << at;
                codes[at] = kept;
            }
        }
    }
}

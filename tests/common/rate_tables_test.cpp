#include <bit>
#include <gtest/gtest.h>

#include "common/RateTables.h"

TEST(RateTables, TextsDifferOnlyAtIndexesThreeAndFour) {
    EXPECT_STREQ(RateText(3, true), "50sps");
    EXPECT_STREQ(RateText(3, false), "49.96sps");
    EXPECT_STREQ(RateText(4, true), "60sps");
    EXPECT_STREQ(RateText(4, false), "59.92sps");
    EXPECT_STREQ(RateText(16, false), "125ksps");
    EXPECT_STREQ(RateText(17, false), "0");
    EXPECT_STREQ(RateText(-1, true), "0");
    for (int i = 0; i < kRateCount; ++i) {
        if (i != 3 && i != 4) {
            EXPECT_STREQ(RateText(i, true), RateText(i, false)) << i;
            EXPECT_EQ(SamplePeriod(i, true), SamplePeriod(i, false)) << i;
        }
    }
}

TEST(RateTables, PeriodsCarryTheDocumentedBitPatterns) {
    EXPECT_EQ(std::bit_cast<uint32_t>(SamplePeriod(3, false)), 0x41A020CBu);
    EXPECT_EQ(std::bit_cast<uint32_t>(SamplePeriod(4, false)), 0x418582E8u);
    EXPECT_EQ(std::bit_cast<uint32_t>(SamplePeriod(4, true)), 0x41855555u);
    EXPECT_EQ(SamplePeriod(16, false), 0.008f);
    EXPECT_EQ(SamplePeriod(0, true), 200.0f);
}

TEST(RateTables, RateCharactersRunDigitsThenAToG) {
    EXPECT_EQ(RateCharacter(0), '0');
    EXPECT_EQ(RateCharacter(9), '9');
    EXPECT_EQ(RateCharacter(10), 'A');
    EXPECT_EQ(RateCharacter(16), 'G');
    EXPECT_EQ(RateCharacter(17), '\0');
    EXPECT_STREQ(DeviceName(), "TORVEX24");
}

TEST(RateTables, ChunksArePowersOfTwoGrowingWithRate) {
    EXPECT_EQ(ChunkTable(0), 1);
    EXPECT_EQ(ChunkTable(5), 2);
    EXPECT_EQ(ChunkTable(13), 256);
    EXPECT_EQ(ChunkTable(16), 1024);
    for (int i = 1; i < kRateCount; ++i) {
        EXPECT_GE(ChunkTable(i), ChunkTable(i - 1));
        EXPECT_EQ(ChunkTable(i) & (ChunkTable(i) - 1), 0);
    }
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "common/DecimalPicture.h"
#include "common/GeneralFormat.h"

TEST(FormatGeneral, ExamplesOfTheFileFormat) {
    EXPECT_EQ(FormatGeneral(0.1f), "0.100000001490116");
    EXPECT_EQ(FormatGeneral(0.5), "0.5");
    EXPECT_EQ(FormatGeneral(1.5e-6), "1.5E-6");
    EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
    EXPECT_EQ(FormatGeneral(1e15), "1E15");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00009999f), "9.99900003080256E-5");
    EXPECT_EQ(FormatGeneral(0.0001f), "9.99999974737875E-5");
    EXPECT_EQ(FormatGeneral(0.0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
}

TEST(FormatGeneral, NotationSwitchesAtExponentsMinusFiveAndFifteen) {
    EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatGeneral(999999999999999.4), "999999999999999");
    // Rounding to 15 digits can carry into the next exponent.
    EXPECT_EQ(FormatGeneral(999999999999999.9), "1E15");
    EXPECT_EQ(FormatGeneral(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FormatGeneral(1e100), "1E100");
    EXPECT_EQ(FormatGeneral(-3.25e-120), "-3.25E-120");
    EXPECT_EQ(FormatGeneral(0.00012), "0.00012");
    EXPECT_EQ(FormatGeneral(0.000099999999999999999), "0.0001");
    EXPECT_EQ(FormatGeneral(12.0), "12");
    EXPECT_EQ(FormatGeneral(-100.0), "-100");
    EXPECT_EQ(FormatGeneral(2.9802325e-7f), "2.98023252298663E-7");
    EXPECT_EQ(FormatGeneral(2.5), "2.5");
    EXPECT_EQ(FormatGeneral(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(2.0 / 3.0), "0.666666666666667");
}

TEST(FormatGeneral, TextReadsBackToTheSameSinglePrecisionValue) {
    std::srand(7);
    for (int i = 0; i < 20000; ++i) {
        const float v = static_cast<float>((std::rand() - RAND_MAX / 2) * 2.9802325e-7);
        const std::string text = FormatGeneral(v);
        EXPECT_EQ(static_cast<float>(std::strtod(text.c_str(), nullptr)), v) << text;
        EXPECT_LE(text.size(), kGeneralFormatMax);
    }
}

TEST(FormatFixed3, ThreeDecimalsRounded) {
    char buf[kGeneralFormatMax];
    auto f = [&](double v) { return std::string(buf, FormatFixed3(v, buf)); };
    EXPECT_EQ(f(0.5), "0.500");
    EXPECT_EQ(f(0.0), "0.000");
    EXPECT_EQ(f(1234.56789), "1234.568");
    EXPECT_EQ(f(0.0004), "0.000");
    EXPECT_EQ(f(-0.0004), "0.000");
    EXPECT_EQ(f(-2.5), "-2.500");
    EXPECT_EQ(f(131071.0 * 0.476837158203125), "62499.523");
    // Exact binary ties round away from zero, as every "0.000" picture does: bin 64 of a
    // 1024-sample block at 5 sps lies at exactly 0.3125 Hz.
    EXPECT_EQ(f(64 * 0.0048828125), "0.313");
    EXPECT_EQ(f(0.0625), "0.063");
    EXPECT_EQ(f(-0.0625), "-0.063");
    EXPECT_EQ(f(1.0005), "1.000"); // not a tie: the double lies just below 1.0005
}

TEST(FormatFixed3, AgreesWithTheDecimalPictureEverywhere) {
    char buf[kGeneralFormatMax];
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> any(-70000.0, 70000.0);
    for (int i = 0; i < 20000; ++i) {
        // Random values, and dyadic ones near ties (k / 2^j), like bin frequencies.
        const double v = (i % 2) ? any(rng) : (static_cast<int>(rng() % 200000) - 100000) / 1024.0;
        ASSERT_EQ(std::string(buf, FormatFixed3(v, buf)), FormatDecimal(v, 3)) << v;
    }
}

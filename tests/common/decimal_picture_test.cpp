#include <gtest/gtest.h>

#include <clocale>

#include "common/DecimalPicture.h"

TEST(DecimalPicture, PicturesGiveTheirDigitCount) {
    EXPECT_EQ(FormatPicture(204.8f, "0.00"), "204.80");
    EXPECT_EQ(FormatPicture(52428.8f * 0.001f, "0.000"), "52.429");
    EXPECT_EQ(FormatPicture(0.5 * 1000, "0"), "500");
    EXPECT_EQ(FormatPicture(-3.25, "0.0"), "-3.3");
    EXPECT_EQ(FormatPicture(12.0, "0.000"), "12.000");
    EXPECT_EQ(FormatPicture(7.0, "0"), "7");
}

TEST(DecimalPicture, ExactTiesRoundAwayFromZero) {
    // 0.125, 2.5, 0.5 are exact binary values: printf alone would round these to even.
    EXPECT_EQ(FormatDecimal(0.125, 2), "0.13");
    EXPECT_EQ(FormatDecimal(-0.125, 2), "-0.13");
    EXPECT_EQ(FormatDecimal(2.5, 0), "3");
    EXPECT_EQ(FormatDecimal(0.5, 0), "1");
    EXPECT_EQ(FormatDecimal(-2.5, 0), "-3");
    // Not ties in binary: the stored value decides.
    EXPECT_EQ(FormatDecimal(1.005, 2), "1.00");   // 1.00499999999999989...
    EXPECT_EQ(FormatDecimal(0.0015, 3), "0.002"); // 0.00150000000000000003...
}

TEST(DecimalPicture, CarriesThroughNinesAndDropsMinusOfZero) {
    EXPECT_EQ(FormatDecimal(9.9996, 3), "10.000");
    EXPECT_EQ(FormatDecimal(999.95, 1), "1000.0"); // 999.950000000000045...
    EXPECT_EQ(FormatDecimal(-0.0004, 3), "0.000");
    EXPECT_EQ(FormatDecimal(-0.0, 2), "0.00");
    EXPECT_EQ(FormatDecimal(-0.0005, 3), "-0.001");
    EXPECT_EQ(FormatDecimal(0.0, 0), "0");
}

TEST(DecimalPicture, LargeSmallAndNonFiniteValues) {
    EXPECT_EQ(FormatDecimal(1e12, 2), "1000000000000.00");
    EXPECT_EQ(FormatDecimal(1e-12, 3), "0.000");
    EXPECT_EQ(FormatDecimal(1.0 / 0.0, 2), "INF");
    EXPECT_EQ(FormatDecimal(-1.0 / 0.0, 2), "-INF");
    EXPECT_EQ(FormatDecimal(0.0 / 0.0, 2), "NAN");
}

TEST(DecimalPicture, PointIsIndependentOfTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(FormatDecimal(3.14159, 3), "3.142");
    EXPECT_EQ(FormatDecimal(-1234.5, 1), "-1234.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

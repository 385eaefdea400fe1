// The code histogram against a count made here from a table of how often each code occurs:
// the columns' counts with and without grouping, the codes that never occur (through the bit
// set of a 24-bit range and the sorted copy of a wider one) and the normal counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/CodeHistogram.h"

namespace {

struct Table {
    int32_t lowest = 0;
    std::vector<int32_t> perCode; // samples of code lowest + j
    std::vector<int32_t> codes;   // shuffled
};

// Codes lowest .. lowest + span - 1; every `gap`-th code (after the first) is missing and the
// others occur 1 .. 9 times.
Table MakeTable(int32_t lowest, int32_t span, int32_t gap) {
    Table t;
    t.lowest = lowest;
    uint32_t lcg = 12345;
    for (int32_t j = 0; j < span; ++j) {
        lcg = lcg * 1664525u + 1013904223u;
        const bool missing = j > 0 && j < span - 1 && j % gap == 0;
        t.perCode.push_back(missing ? 0 : 1 + static_cast<int32_t>((lcg >> 16) % 9));
        t.codes.insert(t.codes.end(), t.perCode.back(), lowest + j);
    }
    std::shuffle(t.codes.begin(), t.codes.end(), std::mt19937(5));
    return t;
}

void ExpectCounts(const Table& t, int32_t maxColumns) {
    SCOPED_TRACE(std::to_string(t.perCode.size()) + " codes into " + std::to_string(maxColumns));
    const auto span = static_cast<int64_t>(t.perCode.size());
    const int64_t perColumn = (span + maxColumns - 1) / maxColumns;
    CodeHistogram h;
    ASSERT_TRUE(h.Count(t.codes.data(), static_cast<int32_t>(t.codes.size()), maxColumns));
    EXPECT_EQ(h.Lowest(), t.lowest);
    EXPECT_EQ(h.Highest(), t.lowest + span - 1);
    ASSERT_EQ(h.CodesPerColumn(), perColumn);
    ASSERT_EQ(h.Columns(), (span + perColumn - 1) / perColumn);
    ASSERT_LE(h.Columns(), maxColumns);
    std::vector<int32_t> columns(static_cast<std::size_t>(h.Columns()), 0);
    int64_t missing = 0;
    for (int64_t j = 0; j < span; ++j) {
        columns[static_cast<std::size_t>(j / perColumn)] += t.perCode[static_cast<std::size_t>(j)];
        missing += t.perCode[static_cast<std::size_t>(j)] == 0;
    }
    for (int32_t c = 0; c < h.Columns(); ++c) {
        EXPECT_EQ(h.ColumnCount(c), columns[static_cast<std::size_t>(c)]) << "column " << c;
    }
    EXPECT_EQ(h.LargestCount(), *std::max_element(columns.begin(), columns.end()));
    EXPECT_EQ(h.MissingCodes(), missing);
}

TEST(CodeHistogram, CountsColumnsAndMissingCodesAsCountedHere) {
    const Table narrow = MakeTable(8388600, 40, 7);
    ExpectCounts(narrow, 500); // one code a column
    ExpectCounts(narrow, 40);
    ExpectCounts(narrow, 39); // two codes a column, the last one half empty
    const Table wide = MakeTable(8380000, 20011, 13);
    ExpectCounts(wide, 500);
    ExpectCounts(wide, 1);
    // Negative codes and a range of one code.
    ExpectCounts(MakeTable(-1000, 25, 4), 7);
    ExpectCounts(MakeTable(77, 1, 2), 300);
}

TEST(CodeHistogram, MissingCodesOfARangeWiderThan24Bits) {
    // Ten codes spread over 2^26: every code between them is missing.
    std::vector<int32_t> codes;
    for (int32_t i = 0; i < 10; ++i) {
        codes.push_back(i * (int32_t{1} << 26) / 9);
        codes.push_back(i * (int32_t{1} << 26) / 9); // twice each
    }
    CodeHistogram h;
    ASSERT_TRUE(h.Count(codes.data(), static_cast<int32_t>(codes.size()), 100));
    EXPECT_EQ(h.MissingCodes(), (int64_t{1} << 26) + 1 - 10);
    EXPECT_EQ(h.LargestCount(), 2);
}

TEST(CodeHistogram, NormalCountsShareTheSamplesOutTheColumns) {
    const Table t = MakeTable(1000, 601, 50);
    const auto n = static_cast<double>(t.codes.size());
    for (int32_t maxColumns : {601, 97, 5}) {
        CodeHistogram h;
        ASSERT_TRUE(h.Count(t.codes.data(), static_cast<int32_t>(t.codes.size()), maxColumns));
        for (const double sigma : {0.3, 4.0, 40.0}) {
            double sum = 0.0;
            double largest = 0.0;
            int32_t mode = 0;
            for (int32_t c = 0; c < h.Columns(); ++c) {
                const double count = h.NormalCount(c, 1300.2, sigma);
                EXPECT_GE(count, 0.0);
                sum += count;
                if (count > largest) {
                    largest = count;
                    mode = c;
                }
            }
            EXPECT_NEAR(sum, n, n * 1e-9) << maxColumns << " columns, sigma " << sigma;
            EXPECT_EQ(mode, (1300 - 1000) / h.CodesPerColumn());
            // One code a column: the share of 1299.5 .. 1300.5 of a normal distribution.
            if (h.CodesPerColumn() == 1) {
                const double s = sigma * std::sqrt(2.0);
                const double share = 0.5 * (std::erf(0.3 / s) + std::erf(0.7 / s));
                EXPECT_NEAR(h.NormalCount(300, 1300.2, sigma), n * share, n * 1e-12);
            }
        }
        // No spread: every sample in the mean's column.
        EXPECT_DOUBLE_EQ(
            h.NormalCount((1300 - 1000) / static_cast<int32_t>(h.CodesPerColumn()), 1300.2, 0.0),
            n);
    }
}

} // namespace

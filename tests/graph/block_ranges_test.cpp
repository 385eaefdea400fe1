#include <gtest/gtest.h>

#include "graph/BlockRanges.h"

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

TEST(BlockCodeRange, HighestAndLowestCodeWhereverTheyLie) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(),
                                               std::numeric_limits<int32_t>::max());
    std::uniform_int_distribution<int32_t> near(8388000, 8389000);
    std::vector<int32_t> codes(2100);
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t count = trial < 40 ? trial + 1 : 1000 + trial % 37;
        for (int32_t i = 0; i < count; ++i) {
            codes[i] = near(rng);
        }
        // The extremes in the first place, the last places (past any whole group of
        // four), or anywhere; sometimes codes no converter sends.
        const int32_t places[] = {0, count - 1, std::max(0, count - 2), int32_t(rng() % count)};
        codes[places[trial % 4]] = trial % 3 == 0 ? any(rng) : 8400000 + trial;
        codes[places[(trial / 4) % 4]] = trial % 5 == 0 ? any(rng) : 8300000 - trial;
        SampleBlock b{};
        b.count = count;
        b.codes = codes.data();
        int32_t max = 0, min = 0;
        BlockCodeRange(b, max, min);
        const auto [lo, hi] = std::minmax_element(codes.begin(), codes.begin() + count);
        ASSERT_EQ(max, *hi) << "count " << count << " trial " << trial;
        ASSERT_EQ(min, *lo) << "count " << count << " trial " << trial;
    }
}

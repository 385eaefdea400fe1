#include <gtest/gtest.h>

#include "graph/BinColumns.h"

#include <random>
#include <vector>

namespace {

struct Answer {
    bool joins = false;
    int32_t first = 0, last = 0;
    std::vector<int> columns;
};

Answer Read(BinColumns& c, const BinAxis& axis) {
    Answer a;
    a.joins = c.Prepare(axis);
    if (a.joins) {
        a.first = c.First();
        a.last = c.Last();
        a.columns.assign(c.Columns() + a.first, c.Columns() + a.last + 1);
    }
    return a;
}

void ExpectSame(const Answer& a, const Answer& b) {
    ASSERT_EQ(a.joins, b.joins);
    EXPECT_EQ(a.first, b.first);
    EXPECT_EQ(a.last, b.last);
    EXPECT_EQ(a.columns, b.columns);
}

} // namespace

TEST(BinColumns, LinearColumnsAreTheBinsShareOfTheEndFrequency) {
    BinColumns c(1000);
    // 10 Hz bins, 500 Hz over 200 pixels: bin i at 4 i, the last bin at 500 Hz.
    ASSERT_TRUE(c.Prepare({false, 10.0f, 100, 200, 0.1f, 500.0f}));
    EXPECT_EQ(c.First(), 1);
    EXPECT_EQ(c.Last(), 50);
    for (int i = 1; i <= 50; ++i) {
        EXPECT_EQ(c.Columns()[i], 4 * i) << i;
    }
    // Fewer bins than the axis holds: the curve ends at the last bin.
    ASSERT_TRUE(c.Prepare({false, 10.0f, 20, 200, 0.1f, 500.0f}));
    EXPECT_EQ(c.Last(), 19);
}

TEST(BinColumns, AChangeOfAnyPartOfTheAxisGivesWhatAFreshTableGives) {
    std::mt19937 rng(3);
    const float spacings[] = {0.476837158f, 0.953674316f, 3.0517578f, 0.00190734863f};
    const float starts[] = {0.1f, 1.0f, 20.0f, 500.0f};
    const float ends[] = {100.0f, 2000.0f, 50000.0f, 100000.0f};
    BinAxis axis{true, spacings[0], 131072, 614, starts[0], ends[3]};
    BinColumns kept(135000);
    for (int step = 0; step < 60; ++step) {
        switch (rng() % 6) {
        case 0:
            axis.log = !axis.log;
            break;
        case 1:
            axis.deltaF = spacings[rng() % 4];
            break;
        case 2:
            axis.bins = 512 << (rng() % 9);
            break;
        case 3:
            axis.width = 100 + static_cast<int32_t>(rng() % 900);
            break;
        case 4:
            axis.fS = starts[rng() % 4];
            break;
        default:
            axis.fE = ends[rng() % 4];
            break;
        }
        BinColumns fresh(135000);
        ExpectSame(Read(kept, axis), Read(fresh, axis));
        ExpectSame(Read(kept, axis), Read(fresh, axis)); // asked again: unchanged
    }
}

#include <gtest/gtest.h>

#include "graph/AxisTables.h"

#include <cmath>
#include <vector>

TEST(AxisTables, LogGridRunsThroughOneToNineOfEachDecade) {
    std::vector<float> lines;
    for (float f = 0.1f; f < 100.0f;) {
        f = NextLogGridFreq(f);
        if (f < 100.0f) {
            lines.push_back(f);
        }
    }
    const std::vector<float> want = {0.15f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1,
                                     1.5f,  2,    3,    4,    5,    6,    7,    8,    9,    10,
                                     15,    20,   30,   40,   50,   60,   70,   80,   90};
    ASSERT_EQ(lines.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(lines[i], want[i], want[i] * 1e-5) << i;
    }
    EXPECT_TRUE(IsDecadeLine(1.0f));
    EXPECT_TRUE(IsDecadeLine(10.0f));
    EXPECT_TRUE(IsDecadeLine(1000.0f));
    EXPECT_TRUE(IsDecadeLine(NextLogGridFreq(0.9f)));
    EXPECT_FALSE(IsDecadeLine(20.0f));
    EXPECT_FALSE(IsDecadeLine(1.5f));
}

TEST(AxisTables, LinearStepsAndRows) {
    EXPECT_EQ(LinearGridStep(64000), 8000);
    EXPECT_EQ(LinearGridStep(25000), 2500);
    EXPECT_EQ(LinearGridStep(16000), 2000);
    EXPECT_EQ(LinearGridStep(2000), 200);
    EXPECT_EQ(LinearGridStep(10), 1);
    EXPECT_EQ(LinearRow(16).count, 5);
    EXPECT_STREQ(LinearRow(16).labels[4], "16kHz");
    EXPECT_EQ(LinearRow(19).endFreq, 64000);
    EXPECT_STREQ(LinearRow(13).labels[1], "0.4");
    // Out-of-range indexes read the nearest row instead of outside the table.
    EXPECT_EQ(LinearRow(40).endFreq, 64000);
    EXPECT_EQ(LinearRow(-3).endFreq, 10);
}

TEST(AxisTables, DbDivisionsAndLabelThinning) {
    EXPECT_EQ(DbGridDivisions(1, true), 10);
    EXPECT_EQ(DbGridDivisions(2, true), 8);
    EXPECT_EQ(DbGridDivisions(3, true), 6);
    EXPECT_EQ(DbGridDivisions(4, true), 4);
    EXPECT_EQ(DbGridDivisions(1, false), 1);
    EXPECT_EQ(DbLabelStep(14, 22), 1);
    EXPECT_EQ(DbLabelStep(14, 21), 2);
    EXPECT_EQ(DbLabelStep(14, 9.7), 3);
    EXPECT_EQ(DbLabelStep(14, 7), 4);
    EXPECT_EQ(DbLabelStep(14, 4.6), 0);
}

TEST(AxisTables, HandEditedLevelIndexesAreHeldOnTheScale) {
    GraphSetting g;
    g.index_dB_max = -4;
    g.index_dB_min = 37;
    AxisIndexes a = ClampedIndexes(g);
    EXPECT_EQ(a.dbMax, 0);
    EXPECT_EQ(a.dbMin, 20);
    g.index_dB_max = 15;
    g.index_dB_min = 9; // wrong order: keep at least one division
    a = ClampedIndexes(g);
    EXPECT_EQ(a.dbMax, 15);
    EXPECT_EQ(a.dbMin, 16);
    g.index_dB_max = 25;
    g.index_dB_min = 25;
    a = ClampedIndexes(g);
    EXPECT_EQ(a.dbMax, 19);
    EXPECT_EQ(a.dbMin, 20);
    g.index_FreqS = 99;
    g.index_FreqE = -1;
    a = ClampedIndexes(g);
    EXPECT_EQ(a.freqS, 18);
    EXPECT_EQ(a.freqE, 0);
}

TEST(AxisTables, VoltAndTimeLabelFormats) {
    EXPECT_STREQ(VoltFormatFor(0.005f).unit, "[mV]");
    EXPECT_EQ(VoltFormatFor(0.005f).decimals, 2);
    EXPECT_EQ(VoltFormatFor(0.005f).factor, 1000);
    EXPECT_STREQ(VoltFormatFor(1.2f).unit, "[V]");
    EXPECT_EQ(VoltFormatFor(0.05f).decimals, 1);
    EXPECT_EQ(VoltFormatFor(0.0005f).decimals, 3);
    EXPECT_STREQ(VoltFormatFor(0.00005f).unit, "[uV]");
    EXPECT_EQ(VoltFormatFor(0.000005f).decimals, 2);
    EXPECT_STREQ(VoltFormatFor(0.0000005f).unit, "[nV]");
    // The thresholds are the decimal values themselves: 0.1f and 0.001f lie just above 0.1 and
    // 0.001 and take the coarser row, the values just below them the finer one.
    EXPECT_STREQ(VoltFormatFor(0.1f).unit, "[V]");
    EXPECT_EQ(VoltFormatFor(0.1f).decimals, 2);
    EXPECT_STREQ(VoltFormatFor(std::nextafter(0.1f, 0.0f)).unit, "[mV]");
    EXPECT_EQ(VoltFormatFor(0.001f).decimals, 2);
    EXPECT_EQ(VoltFormatFor(std::nextafter(0.001f, 0.0f)).decimals, 3);
    EXPECT_EQ(VoltFormatFor(0.01f).decimals, 2); // 0.01f lies just below 0.01
    EXPECT_EQ(TimeLabelText(0.5f), "500us");
    EXPECT_EQ(TimeLabelText(204.8f), "204.80ms");
    EXPECT_EQ(TimeLabelText(52428.8f), "52.429s");
    EXPECT_EQ(TimeLabelText(1.0f), "1.00ms");
    EXPECT_EQ(TimeLabelText(1000.0f), "1.000s");
}

#include <gtest/gtest.h>

#include "graph/graph_harness.h"

#include <set>
#include <vector>

namespace {

constexpr int32_t kMain = 0x0000FF; // red
constexpr int32_t kSub = 0x00FF00;  // green

QRect Geometry(const QWidget* w) {
    return w->geometry();
}
bool Shown(const QWidget* w) {
    return !w->isHidden();
}

void DistinctGridColours(GraphSetting& g) {
    g.PenColorMainAxis = kMain;
    g.PenColorSubAxis = kSub;
}

} // namespace

TEST(GraphLayout, BoxesWithAndWithoutTheWaveformGraph) {
    GraphHarness h; // client 812 x 466: FormW 820, FormH 512
    h.Layout();
    EXPECT_EQ(Geometry(h.waveBox), QRect(56, 16, 624, 183));
    EXPECT_EQ(Geometry(h.spectrumBox), QRect(56, 224, 624, 183));
    EXPECT_EQ(h.spectrumBox->y() - (h.waveBox->y() + h.waveBox->height()), 25);
    EXPECT_TRUE(Shown(h.waveBox));
    for (int i = 40; i < 46; ++i) {
        EXPECT_TRUE(Shown(h.labels[i])) << i;
    }
    EXPECT_EQ(h.graph->SpectrumBitmap().Width(), 622);
    EXPECT_EQ(h.graph->SpectrumBitmap().Height(), 181);
    EXPECT_EQ(h.graph->WaveBitmap().Height(), 181);

    h.graphSetting.fWaveGraph = false;
    h.Layout();
    EXPECT_EQ(Geometry(h.spectrumBox), QRect(56, 16, 624, 392));
    EXPECT_FALSE(Shown(h.waveBox));
    for (int i = 40; i < 46; ++i) {
        EXPECT_FALSE(Shown(h.labels[i])) << i;
    }
    EXPECT_EQ(h.graph->SpectrumBitmap().Height(), 390);

    h.graphSetting.fWaveGraph = true;
    h.Layout();
    EXPECT_EQ(Geometry(h.spectrumBox), QRect(56, 224, 624, 183));
    EXPECT_TRUE(Shown(h.waveBox));
}

TEST(GraphLayout, LogarithmicFrequencyLabels) {
    GraphHarness h;
    const QRect box(56, 224, 624, 183);
    // 10 Hz .. 100 kHz: the wide texts, no label starting at or left of the previous one's end.
    h.graphSetting.index_FreqS = 6;
    h.graphSetting.index_FreqE = 18;
    h.Layout();
    EXPECT_EQ(h.graph->FreqLabel(6)->text(), "10Hz");
    EXPECT_EQ(h.graph->FreqLabel(7)->text(), "2");
    EXPECT_EQ(h.graph->FreqLabel(9)->text(), "100Hz");
    EXPECT_EQ(h.graph->FreqLabel(18)->text(), "100kHz");
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(Shown(h.graph->FreqLabel(i)));
    }
    QLabel* start = h.graph->FreqLabel(6);
    QLabel* end = h.graph->FreqLabel(18);
    EXPECT_TRUE(Shown(start));
    EXPECT_EQ(start->x(), box.left());
    EXPECT_EQ(start->y(), box.top() + box.height() + 5);
    EXPECT_TRUE(Shown(end));
    EXPECT_EQ(end->x(), box.left() + box.width() - end->width() / 2);
    int lastRight = box.left() + 20;
    int shownBetween = 0;
    for (int i = 7; i < 18; ++i) {
        QLabel* l = h.graph->FreqLabel(i);
        if (Shown(l)) {
            EXPECT_GT(l->x(), lastRight) << i;
            lastRight = l->x() + l->width();
            ++shownBetween;
        } else {
            EXPECT_LE(l->x(), lastRight) << i;
        }
    }
    EXPECT_GE(shownBetween, 8); // 624 px leave room for most of them
    // 1 kHz .. 5 kHz: the narrow texts, all three shown.
    h.graphSetting.index_FreqS = 12;
    h.graphSetting.index_FreqE = 14;
    h.Layout();
    for (int i = 12; i <= 14; ++i) {
        EXPECT_TRUE(Shown(h.graph->FreqLabel(i)));
    }
    EXPECT_EQ(h.graph->FreqLabel(12)->text(), "1kHz");
    EXPECT_EQ(h.graph->FreqLabel(13)->text(), "2kHz");
    EXPECT_EQ(h.graph->FreqLabel(14)->text(), "5kHz");
    EXPECT_FALSE(Shown(h.graph->FreqLabel(15)));
    // 0.1 Hz .. 20 kHz: the end label keeps its wide text "2", centred on the right edge.
    h.graphSetting.index_FreqS = 0;
    h.graphSetting.index_FreqE = 16;
    h.Layout();
    QLabel* e = h.graph->FreqLabel(16);
    EXPECT_EQ(e->text(), "2");
    EXPECT_TRUE(Shown(e));
    EXPECT_EQ(e->x(), box.left() + box.width() - e->width() / 2);
    EXPECT_FALSE(Shown(h.graph->FreqLabel(17)));
}

TEST(GraphLayout, DbLabelsThinByLabelHeightAgainstPitch) {
    // +20 .. -180 dBV (D = 20) in ever shorter boxes.
    std::set<int> stepsSeen;
    for (int clientH : {600, 300, 240, 190, 150}) {
        GraphHarness h;
        h.graphSetting.fWaveGraph = false;
        h.graphSetting.index_dB_max = 0;
        h.graphSetting.index_dB_min = 20;
        h.window.resize(812, clientH);
        h.Layout();
        EXPECT_EQ(h.graph->DbLabel(0)->text(), "20dBV");
        EXPECT_EQ(h.graph->DbLabel(20)->text(), "-180dBV");
        EXPECT_EQ(h.graph->DbLabel(12)->text(), "-100");
        const double pitch = h.spectrumBox->height() / 20.0;
        const int step = DbLabelStep(h.graph->DbLabel(0)->height(), pitch);
        stepsSeen.insert(step);
        for (int j = 0; j <= 20; ++j) {
            const bool want = step == 0 ? (j == 0 || j == 20) : j % step == 0;
            EXPECT_EQ(Shown(h.graph->DbLabel(j)), want) << "height " << clientH << " j " << j;
            QLabel* l = h.graph->DbLabel(j);
            EXPECT_EQ(l->x() + l->width(), h.spectrumBox->x() - 2);
        }
    }
    EXPECT_EQ(stepsSeen, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST(GraphLayout, OneDecibelGridOnlyOnTheLogAxis) {
    GraphHarness h;
    DistinctGridColours(h.graphSetting);
    h.graphSetting.index_dB_max = 2;
    h.graphSetting.index_dB_min = 3; // D = 1
    h.Layout();
    auto subRows = [&] {
        const QImage& img = h.graph->SpectrumBitmap().image;
        int n = 0;
        for (int y = 0; y < img.height(); ++y) {
            n += img.pixel(0, y) == PixelFromColorRef(kSub);
        }
        return n;
    };
    EXPECT_EQ(subRows(), 9);
    h.graphSetting.fLogGraph = false;
    h.graphSetting.index_FreqE = 15;
    h.Layout();
    EXPECT_EQ(subRows(), 0);
}

TEST(GraphLayout, WaveformAxisTexts) {
    GraphHarness h;
    h.graphSetting.fSig_Volt = true;
    SignalSpec s;
    s.amplitude = 0.005;
    s.noise = 0;
    s.count = 4096;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    EXPECT_EQ(h.graph->VoltUnitLabel()->text(), "[mV]");
    EXPECT_EQ(h.graph->VoltMaxLabel()->text(), "5.00");
    EXPECT_EQ(h.graph->VoltZeroLabel()->text(), "0.00");
    EXPECT_EQ(h.graph->VoltMinLabel()->text(), "-5.00");
    EXPECT_EQ(h.graph->TimeStartLabel()->text(), "0");
    EXPECT_EQ(h.graph->TimeEndLabel()->text(), "32.77ms"); // 4096 x 8 us
    QLabel* e = h.graph->TimeEndLabel();
    EXPECT_EQ(e->x() + e->width(), h.waveBox->x() + h.waveBox->width());
    QLabel* u = h.graph->VoltUnitLabel();
    EXPECT_EQ(u->x() + u->width(), h.waveBox->x() - 2);
    EXPECT_EQ(u->y(), h.waveBox->y() - u->height() / 2);
    // Digit display: the code range and its truncated middle.
    h.graphSetting.fSig_Volt = false;
    h.Layout();
    EXPECT_EQ(h.graph->VoltUnitLabel()->text(), "[digit]");
    EXPECT_EQ(h.graph->VoltMaxLabel()->text().toInt(), h.graph->RangeCodeMax());
    EXPECT_EQ(h.graph->VoltZeroLabel()->text().toInt(),
              (h.graph->RangeCodeMax() + h.graph->RangeCodeMin()) / 2);
}

TEST(GraphLayout, TimeEndLabelWithoutData) {
    GraphHarness h;
    h.acqSetting.spsSel = 10; // 0.2 ms per sample
    h.graphSetting.DataCountMax = 262144;
    h.Layout();
    EXPECT_EQ(h.graph->TimeEndLabel()->text(), "52.429s");
    EXPECT_FLOAT_EQ(h.graph->TimeSpan(), 0.2f * 262144);
    h.graphSetting.DataCountMax = 1024;
    h.Layout();
    EXPECT_EQ(h.graph->TimeEndLabel()->text(), "204.80ms");
    // Before any data the ranges are those of an empty block.
    EXPECT_EQ(h.graph->RangeCodeMax(), 8388618);
    EXPECT_EQ(h.graph->RangeCodeMin(), 8388598);
}

TEST(GraphLayout, HandEditedLevelIndexesNeverLeaveTheScale) {
    GraphHarness h;
    h.graphSetting.index_dB_max = -7;
    h.graphSetting.index_dB_min = 44;
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout(); // would read dbLabels[44] and levels beyond the scale without clamping
    EXPECT_EQ(h.graph->DbLabel(0)->text(), "20dBV");
    EXPECT_EQ(h.graph->DbLabel(20)->text(), "-180dBV");
    EXPECT_FLOAT_EQ(h.graph->DbCurve()[0], -180.0f);
    h.graphSetting.index_dB_max = 9;
    h.graphSetting.index_dB_min = 9; // zero span: one division is kept
    h.Layout();
    EXPECT_EQ(h.graph->DbLabel(10)->text(), "-80dBV");
}

TEST(GraphLayout, LogLabelsNeverOverlapAWideStartLabel) {
    GraphHarness h;
    for (int start : {0, 3, 6}) {
        h.graphSetting.index_FreqS = start;
        h.graphSetting.index_FreqE = 18;
        h.Layout();
        int lastRight = -1;
        for (int i = start; i < 18; ++i) { // the end label may overlap by design
            QLabel* l = h.graph->FreqLabel(i);
            if (!Shown(l)) {
                continue;
            }
            EXPECT_GT(l->x(), lastRight) << "label " << i << " from index " << start;
            lastRight = l->x() + l->width();
        }
    }
}

// The reader checks the end frequency only against the start index read before it, so a
// hand-edited file may carry a start at or above the end; it must draw without harm.
TEST(GraphLayout, StartFrequencyAtOrAboveTheEndDrawsSafely) {
    GraphHarness h;
    SignalSpec s;
    s.count = 4096;
    h.Fill(h.curBlock, s);
    h.Fill(h.refBlock, s);
    h.fDataExist = true;
    h.fRefExist = true;
    for (bool log : {true, false}) {
        for (int start : {15, 12}) {
            h.graphSetting.fLogGraph = log;
            h.graphSetting.index_FreqS = start;
            h.graphSetting.index_FreqE = 12;
            h.Layout();
            h.Redraw();
            const QImage& img = h.graph->SpectrumBitmap().image;
            EXPECT_FALSE(img.isNull());
            EXPECT_GE(h.graph->BinAtX(img.width(), img.width() / 2), -1);
        }
    }
}

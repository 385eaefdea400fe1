// Settings and data at the edges of what the graph meets: the slowest rate with the longest
// block, a spectrum with no positive line, hand-edited level indexes, and code labels wider
// than the margin.
#include <gtest/gtest.h>

#include "graph/graph_harness.h"

namespace {

constexpr int32_t kCurve = 0x0000FF;

bool HasColour(const QImage& img, QRgb c) {
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) == c) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

// 5 sps, 262144 samples: 1.9e-5 Hz per bin, so a 64 kHz end lies 3.4e9 bins out, beyond int.
TEST(GraphEdges, LinearAxisAtTheSlowestRateStillDrawsTheCurve) {
    GraphHarness h;
    h.graphSetting.PenColorGraph = kCurve;
    h.graphSetting.fLogGraph = false;
    h.graphSetting.index_FreqE = 19;
    h.graphSetting.index_dB_min = 20;
    SignalSpec s;
    s.spsSel = 0;
    s.freqHz = 1;
    s.noise = 0.01;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    EXPECT_TRUE(HasColour(h.graph->SpectrumBitmap().image, PixelFromColorRef(kCurve)));
}

// A spectrum with no positive line draws nothing; its level read-out is the scale's bottom,
// neither 0.00 (1 V) nor what an earlier measurement left behind.
TEST(GraphEdges, AllZeroSpectrumReadsTheBottomLevel) {
    GraphHarness h;
    h.graphSetting.index_dB_min = 12; // -100 dBV
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    h.graph->ShowLargestPeak(h.curBlock, h.readouts, h.labelPeakVolt);
    ASSERT_NE(h.editPeakdB->text(), "-100.00"); // a real level first
    for (int i = 0; i < 512; ++i) {
        h.curBlock.spectrum[i] = 0;
    }
    for (bool absolute : {true, false}) {
        h.graphSetting.fAbsoGraph = absolute;
        h.Layout();
        h.graph->ShowLargestPeak(h.curBlock, h.readouts, h.labelPeakVolt);
        EXPECT_EQ(h.editPeakdB->text(), "-100.00") << absolute;
        h.graph->ShowBin(100, h.readouts, h.labelPeakVolt);
        EXPECT_EQ(h.editPeakdB->text(), "-100.00") << absolute;
    }
}

// Hand-edited level indexes: the labels always show the scale the curve is drawn on.
TEST(GraphEdges, DbLabelsFollowTheLimitedScale) {
    GraphHarness h;
    h.graphSetting.fWaveGraph = false;
    SignalSpec s;
    s.count = 4096;
    s.noise = 0;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    auto shown = [&](int i) { return !h.graph->DbLabel(i)->isHidden(); };
    // (A relative axis whose file names a top above 0 dB is among the golden pictures.)
    // Top at or below the bottom: the plot is limited to one division, and so are the labels.
    h.graphSetting.fAbsoGraph = true;
    for (int bottom : {5, 1}) {
        h.graphSetting.index_dB_max = 5;
        h.graphSetting.index_dB_min = bottom;
        h.Layout();
        EXPECT_EQ(h.graph->DbLabel(5)->text(), "-30dBV");
        EXPECT_EQ(h.graph->DbLabel(6)->text(), "-40dBV");
        EXPECT_TRUE(shown(5));
        EXPECT_TRUE(shown(6));
        QLabel* b = h.graph->DbLabel(6);
        EXPECT_EQ(b->y() + b->height() / 2, h.spectrumBox->y() + 1 + h.spectrumBox->height());
    }
    // A bottom above -10 dBV is raised to -10 dBV, as the settings dialog raises it.
    h.graphSetting.index_dB_max = 0;
    h.graphSetting.index_dB_min = 1;
    h.Layout();
    EXPECT_EQ(h.graph->DbLabel(3)->text(), "-10dBV");
    EXPECT_TRUE(shown(0));
    EXPECT_TRUE(shown(3));
    EXPECT_FLOAT_EQ(h.graph->DbCurve()[0], -10.0f);
}

// Eight-digit code labels too wide for the window's font take the fallback font; shorter labels
// keep the window's font.
TEST(GraphEdges, WideCodeLabelsTakeTheFallbackFont) {
    GraphHarness h;
    h.graphSetting.fSig_Volt = false;
    SignalSpec s;
    s.amplitude = 1.0; // codes such as "11743446"
    s.noise = 0;
    s.count = 4096;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    const int frameLeft = h.waveBox->x();
    QLabel* labels[3] = {h.graph->VoltMaxLabel(), h.graph->VoltZeroLabel(),
                         h.graph->VoltMinLabel()};
    QLabel probe(labels[0]->text(), &h.window);
    probe.adjustSize();
    ASSERT_GT(probe.width(), frameLeft - 2); // too wide in the window's font
    // Their places are checked with the golden pictures; here the font they take.
    EXPECT_EQ(labels[0]->text().size(), 8);
    EXPECT_NE(labels[0]->font(), h.window.font());
    EXPECT_EQ(h.graph->VoltUnitLabel()->font(), h.window.font());
    // Back to volts: the short labels return to the window's font.
    h.graphSetting.fSig_Volt = true;
    h.Layout();
    for (QLabel* l : labels) {
        EXPECT_EQ(l->font(), h.window.font()) << l->text().toStdString();
    }
}

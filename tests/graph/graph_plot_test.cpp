#include <gtest/gtest.h>

#include "graph/graph_harness.h"

#include <cmath>

namespace {

constexpr int32_t kCurve = 0x0000FF; // red
constexpr int32_t kRef = 0x123456;

struct ColumnSpan {
    int minX = 1 << 30;
    int maxX = -1;
    int count = 0;
};

ColumnSpan Find(const QImage& img, QRgb c) {
    ColumnSpan s;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) == c) {
                s.minX = std::min(s.minX, x);
                s.maxX = std::max(s.maxX, x);
                ++s.count;
            }
        }
    }
    return s;
}

bool RowHas(const QImage& img, int y, QRgb c) {
    for (int x = 0; x < img.width(); ++x) {
        if (img.pixel(x, y) == c) {
            return true;
        }
    }
    return false;
}

void Colours(GraphSetting& g) {
    g.PenColorGraph = kCurve;
    g.PenColorRefGraph = kRef;
}

} // namespace

TEST(GraphPlot, RelativeAxisPutsTheLargestLineAtTheTopAndClampsTheBottom) {
    GraphHarness h;
    Colours(h.graphSetting);
    h.graphSetting.fAbsoGraph = false;
    h.graphSetting.index_dB_max = 2;
    h.graphSetting.index_dB_min = 10; // bottom -80 dB
    SignalSpec s;
    s.count = 8192;
    s.amplitude = 0.3;
    s.noise = 0;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    h.graph->ShowLargestPeak(h.curBlock, h.readouts, h.labelPeakVolt);
    const int peak = h.graph->PeakBin();
    EXPECT_EQ(h.graph->DbCurve()[peak], 0.0f);
    EXPECT_EQ(h.editPeakdB->text(), "0.00");
    const QImage& img = h.graph->SpectrumBitmap().image;
    EXPECT_TRUE(RowHas(img, 0, PixelFromColorRef(kCurve)));
    // Every level is at or above the bottom; DC always sits there.
    const float* db = h.graph->DbCurve();
    EXPECT_EQ(db[0], -80.0f);
    for (int i = 1; i < s.count / 2; ++i) {
        ASSERT_GE(db[i], -80.0f) << i;
    }
}

TEST(GraphPlot, AbsoluteLevelsAndBottomClamping) {
    GraphHarness h;
    h.graphSetting.index_dB_min = 12; // bottom -100 dBV
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    for (int i = 0; i < 512; ++i) {
        h.curBlock.spectrum[i] = 0;
    }
    h.curBlock.spectrum[10] = 1.0f;          // 0 dBV
    h.curBlock.spectrum[11] = 1e-6f;         // -120 dBV: below the bottom
    h.curBlock.spectrum[12] = 1e-5f * 1.01f; // just above the -100 dBV threshold
    h.fDataExist = true;
    h.Layout();
    const float* db = h.graph->DbCurve();
    EXPECT_FLOAT_EQ(db[10], 0.0f);
    EXPECT_EQ(db[11], -100.0f);
    EXPECT_EQ(db[13], -100.0f); // zero amplitude
    EXPECT_NEAR(db[12], -99.91f, 0.01f);
    h.graph->ShowBin(11, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.editPeakdB->text(), "-100.00");
}

TEST(GraphPlot, AllZeroSpectrumLeavesTheBitmapAlone) {
    GraphHarness h;
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    for (int i = 0; i < 512; ++i) {
        h.curBlock.spectrum[i] = 0;
    }
    h.Layout();
    GraphBitmap& marker = const_cast<GraphBitmap&>(h.graph->SpectrumBitmap());
    marker.image.setPixel(5, 5, qRgb(1, 2, 3));
    h.graph->DrawSpectrum(FFTGraph::Which::Measured);
    EXPECT_EQ(h.graph->SpectrumBitmap().image.pixel(5, 5), qRgb(1, 2, 3));
    EXPECT_EQ(h.graph->SpectrumPeak(), 0.0f);
}

// (Pixels of the overlay, masked on the log axis and xored on the linear axis, are compared
// whole in the golden pictures.)
TEST(GraphPlot, OverlayLeavesTheReferenceSpacingBehind) {
    GraphHarness h;
    SignalSpec s;
    s.count = 16384;
    h.Fill(h.curBlock, s);
    s.count = 4096;
    h.Fill(h.refBlock, s);
    h.fDataExist = h.fRefExist = true;
    h.Layout();
    EXPECT_EQ(h.graph->DrawnDeltaF(), h.refBlock.deltaF);
    EXPECT_EQ(h.graph->DrawnBinCount(), h.refBlock.count / 2);
}

TEST(GraphPlot, OverlayLevelsAreRelativeToTheMeasuredPeak) {
    GraphHarness h;
    h.graphSetting.fAbsoGraph = false;
    SignalSpec s;
    s.count = 4096;
    s.noise = 0;
    s.amplitude = 1.0;
    h.Fill(h.curBlock, s);
    s.amplitude = 0.1; // 20 dB below the measured block
    h.Fill(h.refBlock, s);
    h.fDataExist = h.fRefExist = true;
    h.Layout();
    h.graph->ShowLargestPeak(h.curBlock, h.readouts, h.labelPeakVolt);
    EXPECT_NEAR(h.graph->RefDbCurve()[h.graph->PeakBin()], -20.0f, 0.01f);
}

TEST(GraphPlot, ShortMeasuredWaveformBesideALongReference) {
    GraphHarness h;
    Colours(h.graphSetting);
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    s.count = 262144;
    s.amplitude = 0.5;
    h.Fill(h.refBlock, s);
    h.fDataExist = h.fRefExist = true;
    h.Layout();
    EXPECT_FLOAT_EQ(h.graph->TimeSpan(), 0.008f * 262144);
    const QImage& img = h.graph->WaveBitmap().image;
    const ColumnSpan cur = Find(img, PixelFromColorRef(kCurve));
    EXPECT_GT(cur.count, 0);
    EXPECT_EQ(cur.minX, 0);
    EXPECT_LE(cur.maxX, 622 * 1024 / 262144); // the leftmost 1024/262144 of the width
    // The reference is masked over white: its own colour, across the whole width.
    const ColumnSpan ref = Find(img, PixelFromColorRef(kRef));
    EXPECT_LE(ref.minX, 3);
    EXPECT_GE(ref.maxX, 618);
    EXPECT_EQ(h.graph->TimeEndLabel()->text(), "2.097s");
}

TEST(GraphPlot, WaveformScaleAndDcCut) {
    GraphHarness h;
    SignalSpec s;
    s.count = 2048;
    s.offset = 0.5;
    s.amplitude = 0.08;
    s.noise = 0;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.graphSetting.fSig_Volt = true;
    h.graphSetting.fDCCut_SigGraph = true;
    h.Layout();
    // The mean is removed from the range: about +-0.08 V, spread over the middle two thirds.
    EXPECT_NEAR(h.graph->RangeVoltMax(), 0.08f, 0.002f);
    EXPECT_NEAR(h.graph->RangeVoltMin(), -0.08f, 0.002f);
    EXPECT_NEAR(h.graph->WaveSpan(), 0.24f, 0.005f);
    EXPECT_EQ(h.graph->VoltUnitLabel()->text(), "[mV]");
    // Digit display ignores the DC cut: codes and labels are not shifted.
    h.graphSetting.fSig_Volt = false;
    h.Layout();
    EXPECT_GT(h.graph->RangeCodeMin(), 8388608 + 1000000);
    EXPECT_EQ(h.graph->WaveOffset(),
              (h.graph->RangeCodeMax() + float(h.graph->RangeCodeMin())) * 0.5f -
                  h.graph->WaveSpan() * 0.5f);
}

TEST(GraphPlot, FlatBlockGetsANonZeroSpan) {
    GraphHarness h;
    SignalSpec s;
    s.count = 1024;
    s.amplitude = 0;
    s.noise = 0;
    s.offset = 0.25;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    EXPECT_GT(h.graph->WaveSpan(), 0.0f);
    EXPECT_TRUE(std::isfinite(h.graph->WaveOffset()));
}

TEST(GraphPlot, LogAxisStartsAtBinOneBelowTheFirstLine) {
    GraphHarness h;
    Colours(h.graphSetting);
    h.graphSetting.index_FreqS = 0;   // 0.1 Hz, below the first bin (about 0.48 Hz)
    h.graphSetting.index_dB_min = 20; // -180 dBV: the noise floor stays inside the graph
    SignalSpec s;
    s.count = 262144;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.graphSetting.fWaveGraph = false;
    h.Layout();
    // Bin 1 maps to x = W * log10(0.477/0.1) / 6 = 70: nothing of the curve left of it.
    const ColumnSpan c = Find(h.graph->SpectrumBitmap().image, PixelFromColorRef(kCurve));
    const double x1 = 622 * std::log10(h.curBlock.deltaF / 0.1) / 6;
    EXPECT_EQ(c.minX, static_cast<int>(x1));
}

TEST(GraphPlot, PrintVariantsUseWidePensAndLeaveTheScreenAlone) {
    GraphHarness h;
    Colours(h.graphSetting);
    SignalSpec s;
    s.count = 4096;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    const QImage screen = h.graph->SpectrumBitmap().image.copy();
    GraphBitmap paper;
    paper.SetSize(1200, 500);
    h.graph->PrintWaveform(paper);
    EXPECT_EQ(paper.penWidth, 5); // left on the bitmap for the spectrum's grid and curve
    h.graph->PrintSpectrum(paper);
    EXPECT_GT(Find(paper.image, PixelFromColorRef(kCurve)).count, 2000);
    EXPECT_EQ(h.graph->SpectrumBitmap().image, screen);
}

namespace {

// A hand-made measured block of 1024 samples: every line at `level` volts, `deltaF` apart.
void FlatSpectrum(GraphHarness& h, float level, float deltaF) {
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    for (int i = 0; i < 512; ++i) {
        h.curBlock.spectrum[i] = level;
    }
    h.curBlock.deltaF = deltaF;
}

int RightmostColumn(const QImage& img, QRgb c) {
    return Find(img, c).maxX;
}

int CountInRow(const QImage& img, int y, QRgb c) {
    int n = 0;
    for (int x = 0; x < img.width(); ++x) {
        n += img.pixel(x, y) == c ? 1 : 0;
    }
    return n;
}

} // namespace

// The curve's points are the mapping formulas evaluated as written, width (or height) times
// the difference divided by the span, then truncated: a point exactly on the right or bottom
// edge lands on the edge, not one pixel inside it.
TEST(GraphPlot, CurvePointsOnTheEdgesStayOnTheEdges) {
    GraphHarness h;
    Colours(h.graphSetting);
    h.graphSetting.fAbsoGraph = true;
    h.graphSetting.index_dB_max = 2;  // 0 dBV at the top
    h.graphSetting.index_dB_min = 12; // -100 dBV at the bottom (D = 10)
    const QRgb curve = PixelFromColorRef(kCurve);

    // Linear axis to 100 Hz, 1 Hz lines: bin 100 lies on the right edge of a 113-pixel bitmap
    // (113 * 100 / 100 = 113), so the last segment runs through column 112.
    h.graphSetting.fLogGraph = false;
    h.graphSetting.index_FreqE = 9;
    FlatSpectrum(h, 0.05f, 1.0f);
    GraphBitmap linear;
    linear.SetSize(113, 57);
    h.graph->PrintSpectrum(linear);
    EXPECT_EQ(RightmostColumn(linear.image, curve), 112);

    // Logarithmic axis 0.1 Hz .. 20 Hz, 0.5 Hz lines: bin 40 is exactly 20 Hz and maps to
    // 100 * (log 20 - log 0.1) / (log 20 - log 0.1) = 100 on a 100-pixel bitmap.
    h.graphSetting.fLogGraph = true;
    h.graphSetting.index_FreqS = 0;
    h.graphSetting.index_FreqE = 7;
    FlatSpectrum(h, 0.05f, 0.5f);
    GraphBitmap log;
    log.SetSize(100, 57);
    h.graph->PrintSpectrum(log);
    EXPECT_EQ(RightmostColumn(log.image, curve), 99);

    // Lines held at the bottom level map to y = 57 * 100 / 100 = 57, just below a 57-row
    // bitmap: the bottom row shows only the two flanks of the single line at bin 50.
    h.graphSetting.fLogGraph = false;
    h.graphSetting.index_FreqE = 9;
    FlatSpectrum(h, 0.0f, 1.0f);
    h.curBlock.spectrum[50] = 0.05f;
    GraphBitmap bottom;
    bottom.SetSize(113, 57);
    h.graph->PrintSpectrum(bottom);
    EXPECT_GT(Find(bottom.image, curve).count, 0);
    EXPECT_LE(CountInRow(bottom.image, 56, curve), 2);
}

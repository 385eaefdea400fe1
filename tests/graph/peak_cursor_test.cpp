#include <gtest/gtest.h>

#include "graph/graph_harness.h"

#include <QMouseEvent>
#include <cmath>

namespace {

// A measured block of 1024 samples with a hand-made spectrum, drawn so dbCurve is filled.
void HandSpectrum(GraphHarness& h) {
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    for (int i = 0; i < 512; ++i) {
        h.curBlock.spectrum[i] = 1e-4f;
    }
    h.curBlock.deltaF = 1.0f;
    h.fDataExist = true;
}

} // namespace

TEST(PeakCursor, LargestLineWithTiesToTheLowerBinAndStepping) {
    GraphHarness h;
    HandSpectrum(h);
    h.curBlock.spectrum[0] = 5.0f; // DC is never the peak
    h.curBlock.spectrum[40] = 0.25f;
    h.curBlock.spectrum[70] = 0.25f;
    h.Layout();
    h.graph->ShowLargestPeak(h.curBlock, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.graph->PeakBin(), 40);
    EXPECT_EQ(h.editPeakVolt->text(), "250.000");
    EXPECT_EQ(h.labelPeakVolt->text(), "mVrms");
    EXPECT_EQ(h.readouts.unit, "mVrms");
    EXPECT_EQ(h.editPeakHz->text(), "40.000");
    h.graph->PeakForward(h.curBlock, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.graph->CursorBin(), 41);
    EXPECT_EQ(h.editPeakVolt->text(), "100.000");
    EXPECT_EQ(h.labelPeakVolt->text(), "uVrms");
    // The buttons stay within bins 1 .. n-1.
    h.graph->ShowBin(1, h.readouts, h.labelPeakVolt);
    h.graph->PeakBack(h.curBlock, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.graph->CursorBin(), 1);
    h.graph->ShowBin(511, h.readouts, h.labelPeakVolt);
    h.graph->PeakForward(h.curBlock, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.graph->CursorBin(), 511);
    // A spectrum without a positive line shows bin 1.
    for (int i = 0; i < 512; ++i) {
        h.curBlock.spectrum[i] = 0;
    }
    h.graph->ShowLargestPeak(h.curBlock, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.graph->PeakBin(), 1);
    EXPECT_EQ(h.labelPeakVolt->text(), "nVrms");
}

TEST(PeakCursor, UnitsChangeAtExactlyOneMillivolt) {
    GraphHarness h;
    HandSpectrum(h);
    h.curBlock.spectrum[5] = 0.001f;
    h.curBlock.spectrum[6] = std::nextafter(0.001f, 0.0f);
    h.curBlock.spectrum[7] = 1.0f;
    h.curBlock.spectrum[8] = 9.99e-7f;
    // The nearest single-precision value to one microvolt lies just below it, so it is still
    // shown in nanovolts; the next value up is the first shown in microvolts.
    h.curBlock.spectrum[9] = 0.000001f;
    h.curBlock.spectrum[10] = std::nextafter(0.000001f, 1.0f);
    h.Layout();
    h.graph->ShowBin(5, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.editPeakVolt->text(), "1.000");
    EXPECT_EQ(h.readouts.unit, "mVrms");
    h.graph->ShowBin(6, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.readouts.unit, "uVrms");
    EXPECT_EQ(h.editPeakVolt->text(), "1000.000");
    h.graph->ShowBin(7, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.readouts.unit, "Vrms");
    EXPECT_EQ(h.editPeakVolt->text(), "1.000");
    EXPECT_EQ(h.editPeakdB->text(), "0.00");
    h.graph->ShowBin(8, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.readouts.unit, "nVrms");
    EXPECT_EQ(h.editPeakVolt->text(), "999.000");
    h.graph->ShowBin(9, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.readouts.unit, "nVrms");
    EXPECT_EQ(h.editPeakVolt->text(), "1000.000");
    h.graph->ShowBin(10, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.readouts.unit, "uVrms");
    EXPECT_EQ(h.editPeakVolt->text(), "1.000");
    h.graph->ShowBin(8, h.readouts, h.labelPeakVolt);
    // A bin outside the block changes nothing.
    h.graph->ShowBin(512, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.editPeakVolt->text(), "999.000");
}

// The read-outs round the exact product of the line's value and its scale: rounding the
// product to single precision first would move some values across a rounding half.
TEST(PeakCursor, ReadoutsRoundTheExactProducts) {
    GraphHarness h;
    HandSpectrum(h);
    h.curBlock.spectrum[5] = 0.0010065f; // 1.00649998... mV
    h.Layout();
    // 1024 samples at 125 ksps: the spacing 122.0703... Hz, bin 35 at 4272.46067 Hz (the
    // single-precision product would be 4272.46045).
    h.curBlock.deltaF = 1000.0f / (0.008f * 1024.0f);
    h.graph->ShowBin(5, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.editPeakVolt->text(), "1.006");
    EXPECT_EQ(h.readouts.unit, "mVrms");
    h.graph->ShowBin(35, h.readouts, h.labelPeakVolt);
    EXPECT_EQ(h.editPeakHz->text(), "4272.461");
}

TEST(PeakCursor, BinUnderThePointer) {
    GraphHarness h;
    SignalSpec s;
    s.count = 262144; // 125 ksps: spacing 0.4768 Hz
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    const double df = h.curBlock.deltaF;
    h.graphSetting.index_FreqS = 6; // 10 Hz
    h.graphSetting.index_FreqE = 18;
    EXPECT_EQ(h.graph->BinAtX(624, 0), static_cast<int>(10.0 / df));
    EXPECT_EQ(h.graph->BinAtX(624, 624), static_cast<int>(100000.0 / df));
    EXPECT_EQ(h.graph->BinAtX(624, 312), static_cast<int>(1000.0 / df));
    h.graphSetting.fLogGraph = false;
    h.graphSetting.index_FreqE = 17; // 25 kHz
    EXPECT_EQ(h.graph->BinAtX(624, 0), 0);
    EXPECT_EQ(h.graph->BinAtX(624, 624), static_cast<int>(25000.0f / h.curBlock.deltaF));
    // A degenerate logarithmic axis gives -1.
    h.graphSetting.fLogGraph = true;
    h.graphSetting.index_FreqS = 10;
    h.graphSetting.index_FreqE = 10;
    EXPECT_EQ(h.graph->BinAtX(624, 100), -1);
    // The click signal reports box coordinates.
    int gotX = -1;
    QObject::connect(h.spectrumBox, &TPaintBox::MouseDown,
                     [&](Qt::MouseButton, int x, int) { gotX = x; });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(17, 9), QPointF(17, 9), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.spectrumBox, &press);
    EXPECT_EQ(gotX, 17);
}

TEST(PeakCursor, CodeStatisticsOfTheMeasuredBlock) {
    GraphHarness h;
    EXPECT_EQ(h.graph->CodeMax(), 8388618);
    EXPECT_EQ(h.graph->CodeMin(), 8388598);
    SignalSpec s;
    s.count = 1024;
    h.Fill(h.curBlock, s);
    h.curBlock.codes[100] = 16000000;
    h.curBlock.codes[200] = 700;
    EXPECT_EQ(h.graph->CodeMax(), 16000000);
    EXPECT_EQ(h.graph->CodeMin(), 700);
    EXPECT_EQ(h.graph->RangeCodeMax(), 16000000);
    EXPECT_DOUBLE_EQ(FFTGraph::CodeToMicrovolts(8388608), 0.0);
    EXPECT_NEAR(FFTGraph::CodeToMicrovolts(8388608 + 8388607), 2500000.0, 1e-6);
    EXPECT_NEAR(FFTGraph::CodesToMicrovolts(-8388607), -2500000.0, 1e-6);
    EXPECT_NEAR(FFTGraph::CodesToMicrovolts(1), 0.298023, 1e-6);
}

// The graph object of the main window: the waveform graph above, the spectrum graph below,
// their bitmaps, grids, axis labels and curves, and the spectrum read-out cursor.
// It owns the two bitmaps; the boxes and labels belong to the graph area (GraphArea.h), the
// settings and blocks to the window or command that shows them.
#pragma once

#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "graph/AxisTables.h"
#include "graph/BinColumns.h"
#include "graph/BlockRanges.h"
#include "graph/GraphBitmap.h"
#include "graph/PrintLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class QPainter;
class TPaintBox;

inline constexpr int kAxisLabelCount = 46; // 19 frequency, 21 dB, 6 waveform labels

// The spectrum read-outs and the amplitude unit last shown ("Vrms", "mVrms", "uVrms", "nVrms").
struct PeakReadouts {
    QLineEdit* EditPeakVolt = nullptr;
    QLineEdit* EditPeakdB = nullptr;
    QLineEdit* EditPeakHz = nullptr;
    QString unit;
};

class FFTGraph {
public:
    enum class Which { Measured, Reference };

    // labels: the 19 TLabel_Freq, the 21 TLabel_dB, then LabelVoltmax, LabelVoltzero,
    // LabelVoltmin, LabelVoltUnit, LabelTimeS, LabelTimeE (all children of mainWindow).
    // The AD unit is represented by the rate tables (SamplePeriod); no unit object is needed.
    FFTGraph(QWidget* mainWindow, TPaintBox* spectrumBox, TPaintBox* waveBox,
             const std::array<QLabel*, kAxisLabelCount>& labels, GraphSetting& graphSetting,
             ADUnitSetting& acqSetting, SampleBlock& curBlock, SampleBlock& refBlock);
    FFTGraph(const FFTGraph&) = delete;
    FFTGraph& operator=(const FFTGraph&) = delete;

    // Whether the measured and the reference block hold data. By default a block with samples
    // does; the main window answers with its flags instead, since a block may keep a count
    // whose samples are no longer valid (a stopped acquisition overwrites curBlock's codes).
    void SetDataPresence(std::function<bool()> measured, std::function<bool()> reference) {
        measuredPresent_ = std::move(measured);
        referencePresent_ = std::move(reference);
    }

    // Layout and axes.
    void PlaceControls();
    void ResizeBitmaps();
    void UpdateAxisLabels();
    void ClearGraphs();
    void PaintGraphs();

    // Curves on screen.
    void DrawSpectrum(Which which);
    void DrawSpectrumWithRef();
    void DrawWaveform(Which which);
    void DrawWaveformWithRef();
    // Curves into a print bitmap (size set by the caller; its pen width is used and left set
    // as a canvas would: PrintWaveform leaves 5, PrintSpectrum's grid and first curve use it).
    void PrintSpectrum(GraphBitmap& bitmap);
    void PrintWaveform(GraphBitmap& bitmap);
    // Axis texts on a printer canvas (FFTGraphPrint.cpp): the labels' screen texts, placed by
    // the labels' screen sizes times s around the plot rectangle.
    void PrintFreqLabels(QPainter& canvas, double s, const PlotRect& plot);
    void PrintDbLabels(QPainter& canvas, double s, const PlotRect& plot);
    void PrintVoltLabels(QPainter& canvas, double s, const PlotRect& plot);
    void PrintTimeLabels(QPainter& canvas, double s, const PlotRect& plot);

    // Peak cursor and read-outs; unitLabel receives the amplitude unit.
    void ShowLargestPeak(const SampleBlock& block, PeakReadouts& readouts, QLabel* unitLabel);
    void PeakForward(const SampleBlock& block, PeakReadouts& readouts, QLabel* unitLabel);
    void PeakBack(const SampleBlock& block, PeakReadouts& readouts, QLabel* unitLabel);
    void ShowBin(int bin, PeakReadouts& readouts, QLabel* unitLabel);
    int BinAtX(int w, int x) const;
    int32_t CodeMax();
    int32_t CodeMin();
    static double CodeToMicrovolts(int32_t code);
    static double CodesToMicrovolts(double difference);

    // State, for the printing code and for tests.
    const GraphBitmap& SpectrumBitmap() const { return spectrumBitmap_; }
    const GraphBitmap& WaveBitmap() const { return waveBitmap_; }
    int32_t RangeCodeMax() const { return rangeCodeMax_; }
    int32_t RangeCodeMin() const { return rangeCodeMin_; }
    float RangeVoltMax() const { return rangeVoltMax_; }
    float RangeVoltMin() const { return rangeVoltMin_; }
    float WaveSpan() const { return waveSpan_; }
    float WaveOffset() const { return waveOffset_; }
    float TimeSpan() const { return timeSpan_; }
    int32_t DrawnBinCount() const { return drawnBinCount_; }
    float DrawnDeltaF() const { return drawnDeltaF_; }
    float SpectrumPeak() const { return spectrumPeak_; }
    const float* DbCurve() const { return dbCurve_.data(); }
    const float* RefDbCurve() const { return refDbCurve_.data(); }
    int32_t PeakBin() const { return peakBin_; }
    int32_t CursorBin() const { return cursorBin_; }
    QLabel* FreqLabel(int i) const { return freqLabels_[i]; }
    QLabel* DbLabel(int i) const { return dbLabels_[i]; }
    QLabel* VoltMaxLabel() const { return labelVoltMax_; }
    QLabel* VoltZeroLabel() const { return labelVoltZero_; }
    QLabel* VoltMinLabel() const { return labelVoltMin_; }
    QLabel* VoltUnitLabel() const { return labelVoltUnit_; }
    QLabel* TimeStartLabel() const { return labelTimeS_; }
    QLabel* TimeEndLabel() const { return labelTimeE_; }

private:
    // Axes (FFTGraph.cpp).
    void PlaceFreqLabels();
    void PlaceDbLabels();
    void PlaceVoltLabels();
    void PlaceTimeLabels();
    void UpdateRanges();
    void SetFreqLabelTexts();
    void SetDbLabelTexts();
    void SetVoltLabelTexts();
    void SetTimeLabelTexts();
    float StartFreq() const;
    float EndFreq() const;
    void DrawLogGrid(GraphBitmap& bmp) const;
    void DrawLinearGrid(GraphBitmap& bmp) const;
    void DrawDbGrid(GraphBitmap& bmp) const;
    void DrawSpectrumGrid(GraphBitmap& bmp) const;
    void DrawWaveGrid(GraphBitmap& bmp, float timeSpan, int penWidth) const;

    // Curves (FFTGraphPlot.cpp).
    bool SpectrumFirstCurve(GraphBitmap& bmp, const SampleBlock& block, int32_t color);
    void SpectrumOverlay(GraphBitmap& bmp, int penWidth);
    void ComputeLevels(const SampleBlock& block, int n, float* levels) const;
    void SpectrumSegments(GraphBitmap& bmp, const float* levels, float deltaF, int n, int32_t color,
                          RasterMode mode, BinColumns& columns) const;
    void SetWaveScale(float max, float min, bool volts);
    void WaveSegments(GraphBitmap& bmp, const SampleBlock& block, int32_t color, RasterMode mode,
                      bool commonTimeAxis) const;
    void WaveformBoth(GraphBitmap& bmp, int penWidth);
    float BlockDuration(const SampleBlock& block) const;
    void CodeMaxMinOf(const SampleBlock& block); // code range of one block into rangeCode*
    bool MeasuredHoldsData() const;
    bool ReferenceHoldsData() const;

    // Read-outs (FFTGraphPeak.cpp).
    void ShowBinOf(const SampleBlock& block, int bin, PeakReadouts& readouts, QLabel* unitLabel);

    QWidget* mainWindow_;
    TPaintBox* spectrumBox_;
    TPaintBox* waveBox_;
    GraphBitmap spectrumBitmap_;
    GraphBitmap waveBitmap_;
    std::array<QLabel*, kFreqLabelCount> freqLabels_{};
    std::array<QLabel*, kDbLabelCount> dbLabels_{};
    QLabel* labelTimeS_;
    QLabel* labelTimeE_;
    QLabel* labelVoltMax_;
    QLabel* labelVoltZero_;
    QLabel* labelVoltMin_;
    QLabel* labelVoltUnit_;
    GraphSetting& graphSetting_;
    ADUnitSetting& acqSetting_;
    SampleBlock& curBlock_;
    SampleBlock& refBlock_;
    std::function<bool()> measuredPresent_;
    std::function<bool()> referencePresent_;

    int32_t rangeCodeMax_ = kEmptyCodeMax;
    int32_t rangeCodeMin_ = kEmptyCodeMin;
    float rangeVoltMax_ = kEmptyVoltMax;
    float rangeVoltMin_ = kEmptyVoltMin;
    float waveSpan_ = 0.003f;
    float waveOffset_ = -0.0015f;
    float timeSpan_ = 0;
    int32_t drawnBinCount_ = 0;
    float drawnDeltaF_ = 0;
    float spectrumPeak_ = 0;
    std::vector<float> dbCurve_;
    std::vector<float> refDbCurve_;
    // The bins' columns of the first curve and of the overlay, kept for their axes.
    mutable BinColumns columns_{MaxSpectrum};
    mutable BinColumns refColumns_{MaxSpectrum};
    int32_t peakBin_ = 0;
    int32_t cursorBin_ = 0;
};

// A label that sizes itself to its text, as the axis labels do.
void SetAutoSizedText(QLabel* label, const QString& text);

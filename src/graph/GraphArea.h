// The graph area of the main window: the spectrum box (PaintBox1) and the waveform box
// (PaintBox3), the 46 axis labels, the graph object (FFTGraph) drawing into them, and the
// rules of their layout. The window, the drawing commands of tavrin-cli and the tests build
// it the same way.
#pragma once

#include <QFont>
#include <QSize>
#include <array>
#include <memory>

#include "graph/FFTGraph.h"

class QLabel;
class QWidget;
class TPaintBox;

// The frame of the original platform around the main window's client area. The graph layout
// works from the outer size: FormW = client width + 8, FormH = client height + 46.
inline constexpr int kFrameWidth = 8;
inline constexpr int kFrameHeight = 46;
// The main window's client area as designed; render and report draw this size by default.
inline constexpr int kDesignClientWidth = 812;
inline constexpr int kDesignClientHeight = 466;
QSize FormSizeOfClient(QSize client);

// Lets the window font fall back to IPA P Gothic; needed once per process, before any text is
// measured.
void InstallFontSubstitutions();
// "ＭＳ Ｐゴシック" at 12 pixels (installs the fallback).
QFont WindowFont();

class GraphArea {
public:
    // The six waveform axis labels in the order the graph takes them.
    enum WaveLabel { VoltMax, VoltZero, VoltMin, VoltUnit, TimeStart, TimeEnd, kWaveLabelCount };

    // Makes the two boxes and the six waveform labels in `client` (the widgets of the window's
    // form), hidden, at the form's places and with its texts.
    explicit GraphArea(QWidget* client);
    ~GraphArea();
    GraphArea(const GraphArea&) = delete;
    GraphArea& operator=(const GraphArea&) = delete;

    // The steps after the form's widgets, in the window's order; each may run out of memory.
    void CreateDbLabels();   // TLabel_dB
    void CreateFreqLabels(); // TLabel_Freq
    // The graph object (FFTGraph) on the two boxes and the 46 labels; needs both label rows.
    void CreateGraph(GraphSetting& graphSetting, ADUnitSetting& acqSetting, SampleBlock& measured,
                     SampleBlock& reference);
    // All three steps.
    void Build(GraphSetting& graphSetting, ADUnitSetting& acqSetting, SampleBlock& measured,
               SampleBlock& reference);

    // Puts the form's widgets (boxes and waveform labels) beneath `widget`, in their order, as
    // the form stacks them under its buttons and panels.
    void StackUnder(QWidget* widget);

    // After a change of size or settings: axis texts, placement, bitmap sizes, empty grids.
    void Relayout();
    // The curves of the blocks that hold data (both: the measured one with the reference),
    // then, with the waveform graph, its axis labels follow the block just drawn.
    void DrawBlocks(bool measured, bool reference);

    // Null until CreateGraph.
    ::FFTGraph* Graph() const { return graph_.get(); }
    TPaintBox* SpectrumBox() const { return spectrumBox_; } // PaintBox1
    TPaintBox* WaveBox() const { return waveBox_; }         // PaintBox3
    const std::array<QLabel*, kDbLabelCount>& DbLabels() const { return dbLabels_; }
    const std::array<QLabel*, kFreqLabelCount>& FreqLabels() const { return freqLabels_; }
    // LabelVoltmax, LabelVoltzero, LabelVoltmin, LabelVoltUnit, LabelTimeS, LabelTimeE.
    QLabel* Wave(WaveLabel which) const { return waveLabels_[which]; }
    // The 46 axis labels in the order the graph takes them: 19 frequency, 21 dB, 6 waveform.
    std::array<QLabel*, kAxisLabelCount> AxisLabels() const;

private:
    QWidget* client_;
    TPaintBox* waveBox_ = nullptr;
    TPaintBox* spectrumBox_ = nullptr;
    std::array<QLabel*, kWaveLabelCount> waveLabels_{};
    std::array<QLabel*, kDbLabelCount> dbLabels_{};
    std::array<QLabel*, kFreqLabelCount> freqLabels_{};
    GraphSetting* graphSetting_ = nullptr;
    std::unique_ptr<::FFTGraph> graph_;
};

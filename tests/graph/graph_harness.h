// A stand-in for the main window: 812 x 466 client area holding the graph area and the peak
// read-outs, with the data store and the settings, built the way the main window builds it.
#pragma once

#include "analysis/MyFFT.h"
#include "graph/GraphArea.h"
#include "graph/TPaintBox.h"

#include <QApplication>
#include <QWidget>
#include <memory>
#include <ostream>
#include <vector>

QApplication& TestApp();

// Texts in failure messages as text, not as arrays of 16-bit units.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

struct SignalSpec {
    int count = 262144;
    int spsSel = 16; // 125 ksps
    double freqHz = 1000;
    double amplitude = 1; // volts peak
    double offset = 0;    // volts
    double noise = 0.001; // volts RMS, white
    double freq2Hz = 0;   // optional second tone
    double amplitude2 = 0;
    unsigned seed = 1;
};

class GraphHarness {
public:
    GraphHarness();
    ~GraphHarness();

    // Codes, volts and spectrum of a synthetic signal into a block (the analysis engine
    // computes the spectrum with the present FFT options).
    void Fill(SampleBlock& block, const SignalSpec& s);
    // The main window's FormResize sequence and its RedrawGraphs.
    void Layout();
    void Redraw();
    // Layout, redraw, peak read-out and a grab of the whole client area.
    QImage Grab();

    QApplication& app = TestApp(); // before any widget
    QWidget window;
    TPaintBox* spectrumBox;
    TPaintBox* waveBox;
    std::array<QLabel*, kAxisLabelCount> labels{};
    QLineEdit* editPeakVolt;
    QLineEdit* editPeakdB;
    QLineEdit* editPeakHz;
    QLabel* labelPeakVolt;
    QLabel* labelPeakdB;
    PeakReadouts readouts;

    GraphSetting graphSetting;
    ADUnitSetting acqSetting;
    SampleBlock curBlock;
    SampleBlock refBlock;
    bool fDataExist = false;
    bool fRefExist = false;

    std::vector<int32_t> curCodes, refCodes;
    std::vector<float> curVolts, refVolts, curSpectrum, refSpectrum;
    std::unique_ptr<TmyFFT> fft;
    std::unique_ptr<GraphArea> area;
    FFTGraph* graph = nullptr; // the area's
};

#include "graph/graph_harness.h"

#include "analysis/SampleConversion.h"
#include "common/RateTables.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <random>

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "tavrin_graph_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setFont(WindowFont());
        return a;
    }();
    return *app;
}

GraphHarness::GraphHarness()
    : curCodes(MaxSamples), refCodes(MaxSamples), curVolts(MaxSamples), refVolts(MaxSamples),
      curSpectrum(MaxSpectrum), refSpectrum(MaxSpectrum) {
    TestApp();
    window.resize(812, 466);
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(0xf0, 0xf0, 0xf0));
    window.setPalette(pal);

    curBlock.codes = curCodes.data();
    curBlock.volts = curVolts.data();
    curBlock.spectrum = curSpectrum.data();
    refBlock.codes = refCodes.data();
    refBlock.volts = refVolts.data();
    refBlock.spectrum = refSpectrum.data();

    // The graph area as the main window builds it: the form's boxes and waveform labels, its
    // panels, then the dB and the frequency labels and the graph.
    area = std::make_unique<GraphArea>(&window);
    spectrumBox = area->SpectrumBox();
    waveBox = area->WaveBox();

    // The right-hand panels of the main window, for realistic screenshots.
    auto* rms = new QGroupBox(QStringLiteral("実効値"), &window);
    rms->setGeometry(692, 144, 110, 65);
    auto* rmsEdit = new QLineEdit(QStringLiteral("---"), rms);
    rmsEdit->setReadOnly(true);
    rmsEdit->setGeometry(10, 24, 60, 21);
    (new QLabel(QStringLiteral("Vrms"), rms))->move(74, 27);
    auto* peak = new QGroupBox(QStringLiteral("ピーク成分"), &window);
    peak->setGeometry(692, 224, 110, 135);
    editPeakVolt = new QLineEdit(QStringLiteral("---"), peak);
    editPeakdB = new QLineEdit(QStringLiteral("---"), peak);
    editPeakHz = new QLineEdit(QStringLiteral("---"), peak);
    labelPeakVolt = new QLabel(QStringLiteral("Vrms"), peak);
    labelPeakdB = new QLabel(QStringLiteral("dB"), peak);
    auto* labelHz = new QLabel(QStringLiteral("Hz"), peak);
    QLineEdit* edits[3] = {editPeakVolt, editPeakdB, editPeakHz};
    QLabel* units[3] = {labelPeakVolt, labelPeakdB, labelHz};
    for (int i = 0; i < 3; ++i) {
        edits[i]->setReadOnly(true);
        edits[i]->setGeometry(8, 20 + i * 26, 60, 21);
        units[i]->move(72, 23 + i * 26);
    }
    (new QPushButton(QStringLiteral("<<"), peak))->setGeometry(16, 100, 40, 25);
    (new QPushButton(QStringLiteral(">>"), peak))->setGeometry(60, 100, 40, 25);
    (new QPushButton(QStringLiteral("計測開始"), &window))->setGeometry(712, 396, 75, 25);
    readouts.EditPeakVolt = editPeakVolt;
    readouts.EditPeakdB = editPeakdB;
    readouts.EditPeakHz = editPeakHz;

    area->CreateDbLabels();
    area->CreateFreqLabels();
    fft = std::make_unique<TmyFFT>(graphSetting, nullptr);
    area->CreateGraph(graphSetting, acqSetting, curBlock, refBlock);
    graph = area->Graph();
    labels = area->AxisLabels();
}

GraphHarness::~GraphHarness() = default;

void GraphHarness::Fill(SampleBlock& block, const SignalSpec& s) {
    std::mt19937 rng(s.seed);
    std::normal_distribution<double> noise(0.0, s.noise);
    const double period = SamplePeriod(s.spsSel, false);
    constexpr double kPi = 3.14159265358979323846;
    for (int i = 0; i < s.count; ++i) {
        const double t = i * period * 0.001;
        double v = s.offset + s.amplitude * std::sin(2 * kPi * s.freqHz * t) +
                   s.amplitude2 * std::sin(2 * kPi * s.freq2Hz * t);
        if (s.noise > 0) {
            v += noise(rng);
        }
        const long code = std::lround(v / 2.98023224e-7) + 8388608;
        block.codes[i] = static_cast<int32_t>(std::clamp<long>(code, 1, 16777214));
    }
    block.count = s.count;
    block.spsSel = s.spsSel;
    block.sinc3 = false;
    ConvertBlock(block, SamplePeriod(s.spsSel, false));
    fft->ComputeSpectrum(block);
}

void GraphHarness::Layout() {
    area->Relayout();
    if (fDataExist || fRefExist) {
        Redraw();
    }
}

void GraphHarness::Redraw() {
    area->DrawBlocks(fDataExist, fRefExist);
}

QImage GraphHarness::Grab() {
    Layout();
    graph->PaintGraphs();
    if (fDataExist) {
        graph->ShowLargestPeak(curBlock, readouts, labelPeakVolt);
        labelPeakdB->setText(graphSetting.fAbsoGraph ? QStringLiteral("dBV")
                                                     : QStringLiteral("dB"));
    }
    return window.grab().toImage();
}

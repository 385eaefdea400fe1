// The analysis window's work for a 262144-sample block, a 1 kHz tone with harmonics and noise
// at 125 ksps: the whole refresh after a measurement (figures, histogram count, table and both
// plots at the window's size), and the two plots alone, with the heap allocations of each.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <random>
#include <vector>

#include "AllocationCounter.h"
#include "analysis/SampleConversion.h"
#include "analysisview/AnalysisPlots.h"
#include "analysisview/AnalysisWindow.h"
#include "analysisview/PlotView.h"

namespace {

struct ToneBlock {
    explicit ToneBlock(int32_t n) : codes(MaxSamples), volts(MaxSamples) {
        std::mt19937 rng(1);
        std::normal_distribution<double> noise(0.0, 3e-6);
        for (int32_t i = 0; i < n; ++i) {
            const double t = 2.0 * M_PI * std::fmod(1000.3 / 125000.0 * i, 1.0);
            const double v = 1.5 * std::sin(t) + 1.5e-5 * std::sin(2 * t + 1) +
                             5e-6 * std::sin(3 * t) + noise(rng);
            codes[i] = kCodeZeroVolt + static_cast<int32_t>(std::lrint(v / double(kVoltsPerCode)));
        }
        block.codes = codes.data();
        block.volts = volts.data();
        block.count = n;
        ConvertBlock(block, 0.008f);
    }
    std::vector<int32_t> codes;
    std::vector<float> volts;
    SampleBlock block;
};

void ReportAllocations(benchmark::State& state, long allocations) {
    state.counters["allocs"] = benchmark::Counter(double(allocations) / double(state.iterations()));
}

// As a finished measurement refreshes the open window.
void BM_AnalysisWindowRefresh(benchmark::State& state) {
    ToneBlock tone(static_cast<int32_t>(state.range(0)));
    AnalysisWindow window;
    window.show();
    QApplication::processEvents();
    auto* spectrum = window.findChild<PlotView*>("spectrumView");
    auto* histogram = window.findChild<PlotView*>("histogramView");
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load();
        window.ShowBlock(&tone.block, "bench");
        benchmark::DoNotOptimize(spectrum->Picture().constBits());
        benchmark::DoNotOptimize(histogram->Picture().constBits());
        allocations += gAllocations.load() - before;
    }
    if (!window.HasFigures()) {
        state.SkipWithError("no figures");
    }
    ReportAllocations(state, allocations);
}
BENCHMARK(BM_AnalysisWindowRefresh)->Arg(262144)->Arg(8192)->Unit(benchmark::kMillisecond);

// The two plots at 560 x 300 from one analysis.
void BM_DrawSpectrumAndHistogramPlots(benchmark::State& state) {
    ToneBlock tone(262144);
    ConverterAnalyzer analyzer;
    ConverterFigures figures;
    CodeHistogram histogram;
    QImage spectrum(560, 300, QImage::Format_RGB32);
    QImage counts(560, 300, QImage::Format_RGB32);
    analyzer.Analyze(tone.block, 6, figures);
    histogram.Count(tone.block.codes, tone.block.count, HistogramPlot::MaxColumns(counts.size()));
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load();
        SpectrumPlot::Draw(spectrum, analyzer, figures, tone.block.deltaF);
        HistogramPlot::Draw(counts, histogram, figures, false);
        allocations += gAllocations.load() - before;
        benchmark::DoNotOptimize(spectrum.constBits());
    }
    ReportAllocations(state, allocations);
}
BENCHMARK(BM_DrawSpectrumAndHistogramPlots)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

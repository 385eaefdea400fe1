// The analysis window's work after a 262144-sample block: the figures, the histogram count, the
// table and both plots drawn at the window's size, as a finished measurement refreshes it. The
// block is a 1 kHz tone with harmonics and noise at 125 ksps, as the simulated unit makes it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <vector>

#include "analysis/SampleConversion.h"
#include "analysisview/AnalysisWindow.h"
#include "analysisview/PlotView.h"
#include "common/RateTables.h"

namespace {

struct ToneBlock {
    explicit ToneBlock(int32_t n) : codes(MaxSamples), volts(MaxSamples) {
        uint64_t r = 1;
        for (int32_t i = 0; i < n; ++i) {
            r = r * 6364136223846793005ull + 1442695040888963407ull;
            const double t = 2 * M_PI * 1000.0 * i / 125000.0;
            codes[i] = kCodeZeroVolt + static_cast<int32_t>(std::lround(
                                           3355443.0 * (std::sin(t) + 1e-5 * std::sin(2 * t)) +
                                           static_cast<double>(r >> 58) - 31.5));
        }
        block.codes = codes.data();
        block.volts = volts.data();
        block.count = n;
        ConvertBlock(block, SamplePeriod(16, false));
    }
    std::vector<int32_t> codes;
    std::vector<float> volts;
    SampleBlock block;
};

void BM_AnalysisWindowRefresh(benchmark::State& state) {
    ToneBlock tone(static_cast<int32_t>(state.range(0)));
    AnalysisWindow window;
    window.show();
    QApplication::processEvents();
    auto* spectrum = window.findChild<PlotView*>("spectrumView");
    auto* histogram = window.findChild<PlotView*>("histogramView");
    for (auto _ : state) {
        window.ShowBlock(&tone.block, "bench");
        benchmark::DoNotOptimize(spectrum->Picture().constBits());
        benchmark::DoNotOptimize(histogram->Picture().constBits());
    }
    if (!window.HasFigures()) {
        state.SkipWithError("no figures");
    }
}
BENCHMARK(BM_AnalysisWindowRefresh)->Arg(262144)->Arg(8192)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

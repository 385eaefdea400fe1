// Drawing the analysis window's two plots for a 262144-sample block (a tone with harmonics and
// noise) at the window's plot size: the spectrum plot over its 131072 bins, and the code
// histogram with its normal curve, counting the heap allocations of one draw.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "analysis/SampleConversion.h"
#include "analysisview/AnalysisPlots.h"

static std::atomic<long> gAllocations{0};
void* operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kCount = 262144;

struct Scene {
    std::vector<int32_t> codes = std::vector<int32_t>(kCount);
    std::vector<float> volts = std::vector<float>(kCount);
    SampleBlock block;
    ConverterAnalyzer analyzer;
    ConverterFigures figures;
    CodeHistogram histogram;
    QImage spectrum{560, 300, QImage::Format_RGB32};
    QImage counts{560, 300, QImage::Format_RGB32};

    Scene() {
        std::mt19937 rng(1);
        std::normal_distribution<double> noise(0.0, 3e-6);
        for (int i = 0; i < kCount; ++i) {
            const double t = 2.0 * M_PI * std::fmod(1000.3 / 125000.0 * i, 1.0);
            const double v = 1.5 * std::sin(t) + 1.5e-5 * std::sin(2 * t + 1) +
                             5e-6 * std::sin(3 * t) + noise(rng);
            codes[i] = kCodeZeroVolt + static_cast<int32_t>(std::lrint(v / double(kVoltsPerCode)));
        }
        block.codes = codes.data();
        block.volts = volts.data();
        block.count = kCount;
        ConvertBlock(block, 0.008f);
        analyzer.Analyze(block, 6, figures);
        histogram.Count(codes.data(), kCount, HistogramPlot::MaxColumns(counts.size()));
    }
};

Scene& TheScene() {
    static int argc = 1;
    static char name[] = "bench_analysisview_plots";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    static Scene scene;
    return scene;
}

void BM_DrawSpectrumAndHistogramPlots(benchmark::State& state) {
    Scene& s = TheScene();
    SpectrumPlot::Draw(s.spectrum, s.analyzer, s.figures, s.block.deltaF);
    HistogramPlot::Draw(s.counts, s.histogram, s.figures, false);
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load();
        SpectrumPlot::Draw(s.spectrum, s.analyzer, s.figures, s.block.deltaF);
        HistogramPlot::Draw(s.counts, s.histogram, s.figures, false);
        allocations += gAllocations.load() - before;
        benchmark::DoNotOptimize(s.spectrum.constBits());
    }
    state.counters["allocs_per_draw"] =
        benchmark::Counter(double(allocations) / double(state.iterations()));
}
BENCHMARK(BM_DrawSpectrumAndHistogramPlots)->Unit(benchmark::kMillisecond);

void BM_DrawSpectrumPlot(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) {
        SpectrumPlot::Draw(s.spectrum, s.analyzer, s.figures, s.block.deltaF);
        benchmark::DoNotOptimize(s.spectrum.constBits());
    }
}
BENCHMARK(BM_DrawSpectrumPlot)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

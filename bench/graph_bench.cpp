// Redrawing both graphs (spectrum with reference overlay, waveform with reference) for a
// 262144-sample block and a 262144-sample reference at the default window size, against
// plain QPainter::drawLines of the same segments into a bitmap of the same size.
#include <benchmark/benchmark.h>

#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "common/RateTables.h"
#include "graph/GraphArea.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <vector>

// Heap allocations are counted so that a redraw can be shown to allocate nothing.
#include "AllocationCounter.h"

namespace {

constexpr int kCount = 262144;

struct Scene {
    QWidget window;
    GraphArea area{&window};
    GraphSetting graphSetting;
    ADUnitSetting acqSetting;
    SampleBlock cur, ref;
    std::vector<int32_t> curCodes = std::vector<int32_t>(MaxSamples);
    std::vector<int32_t> refCodes = std::vector<int32_t>(MaxSamples);
    std::vector<float> curVolts = std::vector<float>(MaxSamples);
    std::vector<float> refVolts = std::vector<float>(MaxSamples);
    std::vector<float> curSpec = std::vector<float>(MaxSpectrum);
    std::vector<float> refSpec = std::vector<float>(MaxSpectrum);
    FFTGraph* graph = nullptr; // the area's

    Scene() {
        window.resize(812, 466);
        cur = {16, false, 0, curCodes.data(), curVolts.data(), 0, 0, 0, 0, curSpec.data()};
        ref = {16, false, 0, refCodes.data(), refVolts.data(), 0, 0, 0, 0, refSpec.data()};
        TmyFFT fft(graphSetting, nullptr);
        Fill(cur, 1000, 1.0, 1, fft);
        Fill(ref, 1500, 0.3, 2, fft);
        area.Build(graphSetting, acqSetting, cur, ref);
        graph = area.Graph();
        area.Relayout();
    }

    void Fill(SampleBlock& b, double hz, double amp, unsigned seed, TmyFFT& fft) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> noise(0, 0.001);
        const double period = SamplePeriod(16, false) * 0.001;
        for (int i = 0; i < kCount; ++i) {
            const double v = amp * std::sin(2 * M_PI * hz * i * period) + noise(rng);
            b.codes[i] = static_cast<int32_t>(std::lround(v / 2.98023224e-7)) + 8388608;
        }
        b.count = kCount;
        ConvertBlock(b, SamplePeriod(16, false));
        fft.ComputeSpectrum(b);
    }
};

Scene& TheScene() {
    static int argc = 1;
    static char name[] = "bench_graph";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    static Scene scene;
    return scene;
}

// The segments FFTGraph draws, computed the same way, for the QPainter yardstick.
struct Segments {
    std::vector<QLine> spectrum, refSpectrum, wave, refWave;
};

void SpectrumLines(const SampleBlock& b, const GraphSetting& g, const float* levels, int w, int h,
                   std::vector<QLine>& out) {
    const double ls = std::log10(0.1), le = std::log10(100000.0);
    const int d = g.index_dB_min - g.index_dB_max;
    const double top = 20.0 - 10.0 * g.index_dB_max;
    auto x = [&](int i) {
        return int(w * (std::log10(double(float(i) * b.deltaF)) - ls) / (le - ls));
    };
    auto y = [&](int i) { return int(h * (top - levels[i]) / (10.0 * d)); };
    const int n = b.count / 2;
    for (int i = 1; i < n - 1; ++i) {
        out.emplace_back(x(i), y(i), x(i + 1), y(i + 1));
    }
}

void WaveLines(const SampleBlock& b, float span, float offset, int w, int h,
               std::vector<QLine>& out) {
    const double p = SamplePeriod(b.spsSel, b.sinc3);
    const double timeSpan = p * kCount;
    auto x = [&](int i) { return int(w * (i * p) / timeSpan); };
    auto y = [&](int i) { return int(h * (1.0 - (b.codes[i] - double(offset)) / span)); };
    for (int i = 0; i + 1 < b.count; ++i) {
        out.emplace_back(x(i), y(i), x(i + 1), y(i + 1));
    }
}

void BM_RedrawBothGraphsWithReference(benchmark::State& state) {
    Scene& s = TheScene();
    s.graph->DrawSpectrumWithRef();
    s.graph->DrawWaveformWithRef();
    long allocations = 0;
    for (auto _ : state) {
        const long before = gAllocations.load();
        s.graph->DrawSpectrumWithRef();
        s.graph->DrawWaveformWithRef();
        allocations += gAllocations.load() - before;
        benchmark::DoNotOptimize(s.graph->SpectrumBitmap().image.constBits());
    }
    state.counters["allocs_per_redraw"] =
        benchmark::Counter(double(allocations) / double(state.iterations()));
    state.counters["segments"] = double(2 * (kCount / 2) + 2 * kCount);
}
BENCHMARK(BM_RedrawBothGraphsWithReference)->Unit(benchmark::kMillisecond);

void BM_QPainterDrawLinesSameSegments(benchmark::State& state) {
    Scene& s = TheScene();
    s.graph->DrawSpectrumWithRef();
    s.graph->DrawWaveformWithRef();
    const int sw = s.graph->SpectrumBitmap().Width(), sh = s.graph->SpectrumBitmap().Height();
    const int ww = s.graph->WaveBitmap().Width(), wh = s.graph->WaveBitmap().Height();
    Segments seg;
    SpectrumLines(s.cur, s.graphSetting, s.graph->DbCurve(), sw, sh, seg.spectrum);
    SpectrumLines(s.ref, s.graphSetting, s.graph->RefDbCurve(), sw, sh, seg.refSpectrum);
    WaveLines(s.cur, s.graph->WaveSpan(), s.graph->WaveOffset(), ww, wh, seg.wave);
    WaveLines(s.ref, s.graph->WaveSpan(), s.graph->WaveOffset(), ww, wh, seg.refWave);
    QImage spectrum(sw, sh, QImage::Format_RGB32);
    QImage wave(ww, wh, QImage::Format_RGB32);
    for (auto _ : state) {
        spectrum.fill(Qt::white);
        wave.fill(Qt::white);
        {
            QPainter p(&spectrum);
            p.setPen(QColor(255, 0, 0));
            p.drawLines(seg.spectrum.data(), int(seg.spectrum.size()));
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            p.setPen(QColor(128, 128, 128));
            p.drawLines(seg.refSpectrum.data(), int(seg.refSpectrum.size()));
        }
        {
            QPainter p(&wave);
            p.setPen(QColor(255, 0, 0));
            p.drawLines(seg.wave.data(), int(seg.wave.size()));
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            p.setPen(QColor(128, 128, 128));
            p.drawLines(seg.refWave.data(), int(seg.refWave.size()));
        }
        benchmark::DoNotOptimize(spectrum.constBits());
    }
    state.counters["segments"] =
        double(seg.spectrum.size() + seg.refSpectrum.size() + seg.wave.size() + seg.refWave.size());
}
BENCHMARK(BM_QPainterDrawLinesSameSegments)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

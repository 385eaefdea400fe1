// RealFFT and ComputeSpectrum against FFTW's single-precision real-to-complex transform
// (ESTIMATE plan). Run: scripts/bench.sh fft
// Every iteration first copies the same input into the transform buffer, for all three, so
// the figures compare like with like.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "analysis/MyFFT.h"

namespace {

std::vector<float> Signal(int32_t n) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> data(n);
    for (int32_t i = 0; i < n; ++i) {
        data[i] = 0.5f * std::sin(0.01f * i) + 0.01f * uniform(rng);
    }
    return data;
}

void BM_RealFFT(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    GraphSetting setting;
    TmyFFT fft(setting, nullptr);
    const std::vector<float> input = Signal(n);
    std::vector<float> a(n);
    for (auto _ : state) {
        std::memcpy(a.data(), input.data(), sizeof(float) * n);
        fft.RealFFT(n, a.data());
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
}

void BM_ComputeSpectrum(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    GraphSetting setting; // defaults: DC cut, Hanning
    setting.fWinFuncAdjust = true;
    TmyFFT fft(setting, nullptr);
    std::vector<float> volts = Signal(n);
    std::vector<float> spectrum(n / 2);
    SampleBlock block;
    block.count = n;
    block.volts = volts.data();
    block.spectrum = spectrum.data();
    for (auto _ : state) {
        fft.ComputeSpectrum(block);
        benchmark::DoNotOptimize(spectrum.data());
        benchmark::ClobberMemory();
    }
}

void BM_FFTW_r2c(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    const std::vector<float> input = Signal(n);
    float* in = fftwf_alloc_real(n);
    fftwf_complex* out = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    for (auto _ : state) {
        std::memcpy(in, input.data(), sizeof(float) * n);
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : {1024, 4096, 65536, 262144}) {
        b->Arg(n);
    }
}

} // namespace

BENCHMARK(BM_RealFFT)->Apply(Sizes);
BENCHMARK(BM_ComputeSpectrum)->Apply(Sizes);
BENCHMARK(BM_FFTW_r2c)->Apply(Sizes);

BENCHMARK_MAIN();

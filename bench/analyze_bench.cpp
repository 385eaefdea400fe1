// tavrin-cli analyze's two steps on a 262144-sample measurement: loading the data file as the
// command does (reader, then volts and step from the codes) against the converter figures of
// the loaded block. The figures should take less time than the load.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/ConverterFigures.h"
#include "analysis/SampleConversion.h"
#include "common/RateTables.h"
#include "files/ZF_File.h"

namespace {

struct Measurement {
    explicit Measurement(int32_t n) : codes(MaxSamples), volts(MaxSamples) {
        uint64_t r = 1;
        for (int32_t i = 0; i < n; ++i) {
            r = r * 6364136223846793005ull + 1442695040888963407ull;
            const double t = 2 * M_PI * 1000.0 * i / 125000.0;
            codes[i] = 8388608 + static_cast<int32_t>(std::lround(
                                     3355443.0 * (std::sin(t) + 1e-5 * std::sin(2 * t)) +
                                     static_cast<double>(r >> 60) - 7.5));
        }
        block.codes = codes.data();
        block.volts = volts.data();
        block.count = n;
        ConvertBlock(block, SamplePeriod(16, false));
        path = (std::filesystem::temp_directory_path() /
                ("tavrin_analyze_bench_" + std::to_string(n) + ".DTA"))
                   .string();
        GraphSetting g;
        MeasureSetting m;
        SetDataFilePath(m, path);
        ADUnitSetting a{16, false, 0};
        ZF_File zf;
        zf.WriteDataFile(ZF_File::kDataHeader, a, block, g, m);
    }
    ~Measurement() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    std::vector<int32_t> codes;
    std::vector<float> volts;
    SampleBlock block;
    std::string path;
};

Measurement& Get(int32_t n) {
    static Measurement power(262144);
    static Measurement other(200000);
    return n == 262144 ? power : other;
}

void BM_LoadDataFile(benchmark::State& state) {
    Measurement& m = Get(static_cast<int32_t>(state.range(0)));
    std::vector<int32_t> codes(MaxSamples);
    std::vector<float> volts(MaxSamples);
    ZF_File zf;
    for (auto _ : state) {
        SampleBlock b;
        b.codes = codes.data();
        b.volts = volts.data();
        GraphSetting g;
        MeasureSetting ms;
        ADUnitSetting a;
        if (!zf.ReadDataFile(m.path, ZF_File::kDataHeader, b, g, ms, a) ||
            !ConvertBlock(b, SamplePeriod(a.spsSel, a.sinc3))) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(b.voltMean);
    }
}
BENCHMARK(BM_LoadDataFile)->Arg(262144)->Arg(200000)->Unit(benchmark::kMillisecond);

// The analyser is made once, as the command makes it once for all its files.
void BM_ConverterFigures(benchmark::State& state) {
    Measurement& m = Get(static_cast<int32_t>(state.range(0)));
    ConverterAnalyzer analyzer;
    ConverterFigures f;
    for (auto _ : state) {
        if (!analyzer.Analyze(m.block, 6, f)) {
            state.SkipWithError("analysis failed");
            break;
        }
        benchmark::DoNotOptimize(f.sinadDb);
    }
}
BENCHMARK(BM_ConverterFigures)->Arg(262144)->Arg(200000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

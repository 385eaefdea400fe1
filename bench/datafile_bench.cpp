// Writing and reading a 262144-sample data file with the file handler against the plain C
// way (fprintf "%d,%.15G\r\n" per sample; fgets + strtol + strtod per line), same file layout.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/ZF_File.h"

namespace {

constexpr int32_t kN = 262144;

struct Data {
    Data() : codes(MaxSamples), volts(MaxSamples), readCodes(MaxSamples), readVolts(MaxSamples) {
        for (int32_t i = 0; i < kN; ++i) {
            codes[i] = 8388608 + static_cast<int32_t>(3000000 * std::sin(i * 0.001) +
                                                      (i * 7919) % 2001 - 1000);
            volts[i] = static_cast<float>(codes[i] - 8388608) * 2.98023259e-7f;
        }
        block.codes = codes.data();
        block.volts = volts.data();
        block.count = kN;
        block.deltaF = 0.476837158203125f;
        dir = std::filesystem::temp_directory_path() / "tavrin_datafile_bench";
        std::filesystem::create_directories(dir);
    }
    ~Data() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string Path(const char* name) const { return (dir / name).string(); }

    std::vector<int32_t> codes;
    std::vector<float> volts;
    std::vector<int32_t> readCodes;
    std::vector<float> readVolts;
    SampleBlock block;
    std::filesystem::path dir;
};

Data& TheData() {
    static Data d;
    return d;
}

bool WritePlainC(const std::string& name, const Data& d) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    std::fputs("DataFile:Tavrin\r\nA:\r\nspsSel:16\r\nsinc3:0\r\nch_sel:0\r\nAEND:\r\nF:\r\n"
               "fSaveDataFile:0\r\nDataFileName:x\r\nStartDateTime:\r\nFEND:\r\nG:\r\n"
               "fWaveGraph:1\r\nfSig_Volt:0\r\nfWinFuncAdjust:0\r\nfDCCut_FFT:1\r\n"
               "fDCCut_SigGraph:0\r\nfLogGraph:1\r\nfAbsoGraph:1\r\nindex_FreqS:0\r\n"
               "index_FreqE:18\r\nindex_dB_max:2\r\nindex_dB_min:10\r\nwhichWindowFunc:1\r\n"
               "PenColorGraph:255\r\nPenColorMainAxis:8421504\r\nPenColorSubAxis:12632256\r\n"
               "PenColorRefGraph:8421504\r\nDataCountSel:8\r\nDataCountMax:262144\r\nGEND:\r\n"
               "D:\r\n",
               f);
    std::fprintf(f, "ad_dnum:%d\r\ndeltaF:%.15G\r\n", d.block.count,
                 static_cast<double>(d.block.deltaF));
    for (int32_t i = 0; i < d.block.count; ++i) {
        std::fprintf(f, "%d,%.15G\r\n", d.codes[i], static_cast<double>(d.volts[i]));
    }
    std::fputs("END:\r\n", f);
    return std::fclose(f) == 0;
}

// Reads the samples the plain way: skip to "ad_dnum:", then strtol/strtod per line.
bool ReadPlainC(const std::string& name, Data& d) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    char line[256];
    long n = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "ad_dnum:", 8) == 0) {
            n = std::strtol(line + 8, nullptr, 10);
            break;
        }
    }
    bool ok = std::fgets(line, sizeof line, f) != nullptr; // deltaF
    for (long i = 0; ok && i < n; ++i) {
        if (std::fgets(line, sizeof line, f) == nullptr) {
            ok = false;
            break;
        }
        char* end = nullptr;
        d.readCodes[i] = static_cast<int32_t>(std::strtol(line, &end, 10));
        ok = *end == ',';
        d.readVolts[i] = static_cast<float>(std::strtod(end + 1, nullptr));
    }
    std::fclose(f);
    return ok && n == kN;
}

void BM_WriteDataFile_ZF_File(benchmark::State& state) {
    Data& d = TheData();
    ZF_File zf;
    MeasureSetting m;
    SetDataFilePath(m, d.Path("zf.DTA"));
    for (auto _ : state) {
        if (!zf.WriteDataFile("DataFile:Tavrin", {}, d.block, {}, m)) {
            state.SkipWithError("write failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

void BM_WriteDataFile_PlainC(benchmark::State& state) {
    Data& d = TheData();
    const std::string name = d.Path("c.DTA");
    for (auto _ : state) {
        if (!WritePlainC(name, d)) {
            state.SkipWithError("write failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

void BM_ReadDataFile_ZF_File(benchmark::State& state) {
    Data& d = TheData();
    ZF_File zf;
    MeasureSetting m;
    SetDataFilePath(m, d.Path("read.DTA"));
    zf.WriteDataFile("DataFile:Tavrin", {}, d.block, {}, m);
    SampleBlock into;
    into.codes = d.readCodes.data();
    into.volts = d.readVolts.data();
    for (auto _ : state) {
        GraphSetting g;
        MeasureSetting m2;
        ADUnitSetting a;
        if (!zf.ReadDataFile(m.DataFilePath, "DataFile:Tavrin", into, g, m2, a)) {
            state.SkipWithError("read failed");
        }
    }
    if (std::memcmp(d.readVolts.data(), d.volts.data(), kN * sizeof(float)) != 0) {
        state.SkipWithError("volts differ after the round trip");
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

void BM_ReadDataFile_PlainC(benchmark::State& state) {
    Data& d = TheData();
    ZF_File zf;
    MeasureSetting m;
    SetDataFilePath(m, d.Path("read.DTA"));
    zf.WriteDataFile("DataFile:Tavrin", {}, d.block, {}, m);
    for (auto _ : state) {
        if (!ReadPlainC(m.DataFilePath, d)) {
            state.SkipWithError("read failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

} // namespace

BENCHMARK(BM_WriteDataFile_ZF_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteDataFile_PlainC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile_ZF_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile_PlainC)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

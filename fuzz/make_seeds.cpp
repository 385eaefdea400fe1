// Writes valid settings and data files and a few file names as the fuzzers' seed corpus:
// make_seeds DIR (creates DIR/settings, DIR/datafile and DIR/filename).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <vector>

#include "files/ZF_File.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "settings");
    std::filesystem::create_directories(dir / "datafile");
    ZF_File zf;
    bool ok =
        zf.WriteSettingFile((dir / "settings/defaults.prf").string(), "Tavrinini", {}, {}, {});
    GraphSetting g;
    g.fLogGraph = false;
    g.index_FreqS = 15;
    g.index_FreqE = 19;
    MeasureSetting m;
    m.DataFileName = "C:\\\x83\x66\x81\x5B\x83\x5E\\a.DTA";
    m.StartDateTime = "2024/01/02 3:04:05";
    ok = zf.WriteSettingFile((dir / "settings/linear.prf").string(), "Tavrinini", g, m,
                             {3, true, 1}) &&
         ok;

    std::vector<int32_t> codes(MaxSamples);
    std::vector<float> volts(MaxSamples);
    for (int i = 0; i < 1024; ++i) {
        codes[i] = 8388608 + static_cast<int32_t>(100000 * std::sin(i * 0.1));
        volts[i] = static_cast<float>((codes[i] - 8388608) * 2.9802325e-7);
    }
    SampleBlock b;
    b.codes = codes.data();
    b.volts = volts.data();
    b.count = 1024;
    b.deltaF = 0.476837158203125f;
    SetDataFilePath(m, std::filesystem::absolute(dir / "datafile/sine.DTA").string());
    ok = zf.WriteDataFile("DataFile:Tavrin", {16, false, 0}, b, {}, m) && ok;
    // A full 262144-sample file (about 7 MB) with codes beyond 24 bits, so that the reader's
    // whole range is in the corpus.
    for (int i = 0; i < kMaxDataCount; ++i) {
        codes[i] = i % 4096 == 0 ? (i % 8192 == 0 ? INT32_MIN : INT32_MAX) : codes[i % 1024];
        volts[i] = static_cast<float>((int64_t{codes[i]} - 8388608) * 2.9802325e-7);
    }
    b.count = kMaxDataCount;
    b.deltaF = 1.8626451e-3f;
    SetDataFilePath(m, std::filesystem::absolute(dir / "datafile/full.DTA").string());
    ok = zf.WriteDataFile("DataFile:Tavrin", {3, false, 0}, b, {}, m) && ok;

    std::filesystem::create_directories(dir / "filename");
    for (const char* name : {"/home/u/測定〜1.DTA", "acc/résumé.FFT", "dir−1/a\r\n.DTA"}) {
        const std::string file =
            (dir / "filename" / std::to_string(std::hash<std::string>{}(name))).string();
        std::FILE* f = std::fopen(file.c_str(), "wb");
        ok = f != nullptr && std::fputs(name, f) >= 0 && std::fclose(f) == 0 && ok;
    }
    return ok ? 0 : 1;
}

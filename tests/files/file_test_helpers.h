// Temporary directories and whole-file helpers for the file handler's tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "files/ZF_File.h"

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    const std::filesystem::path& Dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Joins lines with CR LF after each.
std::string CrLf(std::initializer_list<std::string> lines);
// The exact bytes of a settings file holding every default.
std::string DefaultSettingFileBytes();

// How many entries a folder holds.
inline std::size_t Entries(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

// Writes `count` codes at rate 16 (Sinc5) with the program's writer; the volts column and
// "deltaF:" are stored as given, whether or not they agree with the codes.
inline bool WriteCodesFile(const std::string& path, std::vector<int32_t>& codes,
                           std::vector<float>& volts, int32_t count, float deltaF,
                           const GraphSetting& graph = {},
                           const char* start = "2024/01/01 0:00:00") {
    SampleBlock b;
    b.codes = codes.data();
    b.volts = volts.data();
    b.count = count;
    b.deltaF = deltaF;
    MeasureSetting m;
    SetDataFilePath(m, path);
    m.StartDateTime = start;
    return ZF_File().WriteDataFile(ZF_File::kDataHeader, ADUnitSetting{16, false, 0}, b, graph, m);
}

// What a data file holds, read with the program's reader into buffers of the largest block.
struct DataFileRecords {
    std::vector<int32_t> codes = std::vector<int32_t>(MaxSamples);
    std::vector<float> volts = std::vector<float>(MaxSamples);
    SampleBlock block;
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;

    bool Read(const std::string& path) {
        block.codes = codes.data();
        block.volts = volts.data();
        return ZF_File().ReadDataFile(path, ZF_File::kDataHeader, block, graph, measure, ad);
    }
};

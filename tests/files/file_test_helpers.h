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

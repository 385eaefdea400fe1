#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "files/ZF_File.h"

namespace cli_test {

namespace fs = std::filesystem;

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A data file read back with the program's reader, into buffers of the largest block.
struct ReadBack {
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

// Each case in a fresh temporary folder, tavrin-cli run in-process with its streams captured.
class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavrin_cli_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return RunCli(args, out, err);
    }

    fs::path dir;
    std::ostringstream out;
    std::ostringstream err;
};

} // namespace cli_test

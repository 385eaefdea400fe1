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
#include "files/file_test_helpers.h"

namespace cli_test {

namespace fs = std::filesystem;

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

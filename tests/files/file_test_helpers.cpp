#include "files/file_test_helpers.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrin_files_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string CrLf(std::initializer_list<std::string> lines) {
    std::string s;
    for (const auto& l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

std::string DefaultSettingFileBytes() {
    return CrLf({"Tavrinini",
                 "A:",
                 "spsSel:16",
                 "sinc3:0",
                 "ch_sel:0",
                 "AEND:",
                 "F:",
                 "fSaveDataFile:0",
                 "DataFileName:",
                 "StartDateTime:",
                 "FEND:",
                 "G:",
                 "fWaveGraph:1",
                 "fSig_Volt:0",
                 "fWinFuncAdjust:0",
                 "fDCCut_FFT:1",
                 "fDCCut_SigGraph:0",
                 "fLogGraph:1",
                 "fAbsoGraph:1",
                 "index_FreqS:0",
                 "index_FreqE:18",
                 "index_dB_max:2",
                 "index_dB_min:10",
                 "whichWindowFunc:1",
                 "PenColorGraph:255",
                 "PenColorMainAxis:8421504",
                 "PenColorSubAxis:12632256",
                 "PenColorRefGraph:8421504",
                 "DataCountSel:8",
                 "DataCountMax:262144",
                 "GEND:"});
}

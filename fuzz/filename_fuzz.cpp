// File names: the native path is kept byte for byte, its Shift-JIS text never gains or loses a
// separator or a line break, and names the writers must refuse never reach the disk.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Settings.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"

namespace {

std::size_t Count(const std::string& s, char c) {
    std::size_t n = 0;
    for (const char x : s) {
        n += x == c;
    }
    return n;
}

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The path is the name as given; the file's text is its Shift-JIS conversion.
    MeasureSetting m;
    SetDataFilePath(m, bytes);
    Check(m.DataFilePath == bytes);
    Check(m.DataFileName == Utf8ToSjis(bytes));
    // Shift-JIS trail bytes never take the value of "/", CR or LF, and replacements are "?".
    for (const char c : {'/', '\r', '\n'}) {
        Check(Count(m.DataFileName, c) == Count(bytes, c));
    }
    // The Shift-JIS form is stable: converting its text back and forth changes nothing.
    std::string utf8;
    if (SjisToUtf8(m.DataFileName, utf8)) {
        Check(Utf8ToSjis(utf8) == m.DataFileName);
    }
    // Read as Shift-JIS, the bytes come back as the same text after a round trip.
    std::string back;
    if (SjisToUtf8(bytes, utf8) && Utf8ToSjis(utf8, back)) {
        Check(SjisToUtf8(back) == utf8);
    }

    // A relative name or one holding a line break is refused before any file is touched (only
    // such names are tried, inside a private folder).
    static const std::string folder = [] {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/tavrin_fnXXXXXX";
        return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }();
    const bool lineBreak = bytes.find_first_of("\r\n") != std::string::npos;
    const bool relative = bytes.empty() || bytes.front() != '/';
    if (!folder.empty() && (lineBreak || relative) && bytes.find("..") == std::string::npos &&
        bytes.find('\0') == std::string::npos) {
        static ZF_File zf;
        static int32_t codes[1024];
        static float volts[1024];
        SampleBlock block;
        block.codes = codes;
        block.volts = volts;
        block.count = 1024;
        block.deltaF = 1.0f;
        SetDataFilePath(m, lineBreak && !relative ? folder + bytes : bytes);
        // A relative name would land in the current folder: make that the private one.
        static const std::filesystem::path home = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        const bool written = zf.WriteDataFile(ZF_File::kDataHeader, {}, block, {}, m);
        std::filesystem::current_path(home);
        Check(!written && std::filesystem::is_empty(folder));
    }
    return 0;
}

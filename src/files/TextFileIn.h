// Line-oriented reading of Tavrin's text files (settings, data). Lines are delivered the way
// the Windows program's text-mode reader delivered them, so that files behave the same on both
// systems: a CR LF pair counts as one byte, and a line longer than 254 characters plus its line
// feed comes in pieces of at most 255 bytes. The one exception is a line the caller names by
// its key (the "DataFileName:" line): a Linux path is often longer than a Windows one, so that
// line is delivered whole up to the key plus the system's longest path.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

class TextFileIn {
public:
    static constexpr std::size_t kMaxPiece = 255;
    // The longest value a line read whole carries: a path of PATH_MAX bytes less its NUL.
    static constexpr std::size_t kMaxWholeValue = PATH_MAX - 1;

    // Whether the reader delivers `text` (a line without its line break) as one line: at most
    // 254 bytes, or wholeKey plus at most kMaxWholeValue bytes for a line starting with
    // wholeKey read by ReadLine(line, wholeKey). Writers refuse any line for which this is
    // false, so that no file they write reads back split.
    static bool DeliversWhole(std::string_view text, std::string_view wholeKey = {});

    TextFileIn() = default;
    ~TextFileIn();
    TextFileIn(const TextFileIn&) = delete;
    TextFileIn& operator=(const TextFileIn&) = delete;

    // Opens a regular file (native path) without ever waiting; false when it does not exist,
    // cannot be read or is anything else (folder, named pipe, device).
    bool Open(const std::string& fileName);
    // Reads from a memory image instead of a file (the bytes must outlive the reader).
    void OpenMemory(const char* data, std::size_t size);
    void Close();
    bool IsOpen() const { return file_ != nullptr || memory_ != nullptr; }

    // The next line with comments (pieces starting with ";") skipped and every CR and LF
    // removed; false at the end of the file. A line that starts with wholeKey (when not
    // empty) is delivered whole up to wholeKey plus kMaxWholeValue bytes.
    bool ReadLine(std::string& line, std::string_view wholeKey = {});

    // 1-based number of the physical line the last delivered piece came from.
    int LineNumber() const { return lineNumber_; }

private:
    bool NextPiece(const char*& piece, std::size_t& size, std::string_view wholeKey);
    bool Fill();

    std::FILE* file_ = nullptr;
    const char* memory_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    const char* data_ = nullptr; // current window: file buffer or memory image
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool atLineStart_ = true;
    int physicalLines_ = 0;
    int lineNumber_ = 0;
};

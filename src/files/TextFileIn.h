// Line-oriented reading of Tavrin's text files (settings, data). Lines are delivered the way
// the Windows program's text-mode reader delivered them, so that files behave the same on both
// systems: a CR LF pair counts as one byte, and a line longer than 254 characters plus its line
// feed comes in pieces of at most 255 bytes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class TextFileIn {
public:
    static constexpr std::size_t kMaxPiece = 255;

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
    // removed; false at the end of the file.
    bool ReadLine(std::string& line);

    // 1-based number of the physical line the last delivered piece came from.
    int LineNumber() const { return lineNumber_; }

private:
    bool NextPiece(const char*& piece, std::size_t& size);
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

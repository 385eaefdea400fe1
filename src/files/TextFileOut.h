// Builds a text file in memory, line by line with CR LF, and saves it with the program's one
// file writer (files/FileWriter.h), which replaces the previous file only with every byte on
// the disk.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

class TextFileOut {
public:
    TextFileOut() = default;

    void Clear() { text_.clear(); }
    void Reserve(std::size_t bytes) { text_.reserve(bytes); }

    // Appends text and CR LF.
    void Line(std::string_view text) {
        text_.append(text);
        text_.append("\r\n", 2);
    }
    // Appends key (with its colon), the decimal integer and CR LF.
    void KeyInt(std::string_view key, int32_t value) {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, value);
        text_.append(key);
        text_.append(buf, static_cast<std::size_t>(r.ptr - buf));
        text_.append("\r\n", 2);
    }
    void KeyBool(std::string_view key, bool value) {
        text_.append(key);
        text_.append(value ? "1\r\n" : "0\r\n", 3);
    }
    // Raw access for writers that format into the buffer directly.
    std::string& Text() { return text_; }
    const std::string& Text() const { return text_; }

    // Writes the text to fileName (native path) by the writer's rules; on failure *error (if
    // given) says why, in English.
    bool Commit(const std::string& fileName, std::string* error = nullptr) const;

private:
    std::string text_;
};

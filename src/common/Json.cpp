#include "common/Json.h"

#include <cstdint>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when none starts there (overlong forms,
// surrogates and code points above U+10FFFF are invalid).
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t j) { return static_cast<uint8_t>(text[j]); };
    const uint8_t b = byte(i);
    std::size_t len = 0;
    uint8_t lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b < 0x80) {
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + len > text.size() || byte(i + 1) < lo || byte(i + 1) > hi) {
        return 0;
    }
    for (std::size_t j = 2; j < len; ++j) {
        if (byte(i + j) < 0x80 || byte(i + j) > 0xBF) {
            return 0;
        }
    }
    return len;
}

} // namespace

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = SequenceLength(text, i);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = SequenceLength(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        if (len == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out + "\"";
}

std::string JsonNameMembers(const char* key, std::string_view name, const char* separator) {
    std::string out = "\"" + std::string(key) + "\"" + separator + JsonString(name);
    if (!IsUtf8(name)) {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string hex;
        for (const char ch : name) {
            const auto b = static_cast<unsigned char>(ch);
            hex += kHex[b >> 4];
            hex += kHex[b & 15];
        }
        out += std::string(separator[1] == ' ' ? ", " : ",") + "\"" + key + "_hex\"" + separator +
               "\"" + hex + "\"";
    }
    return out;
}

#include "common/TextUtil.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {
std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t len = b < 0x80           ? 1
                           : (b >> 5) == 0x6  ? 2
                           : (b >> 4) == 0xE  ? 3
                           : (b >> 3) == 0x1E ? 4
                                              : 1;
        if (len == 1 || i + len > text.size()) {
            out.push_back(b); // ASCII, or a stray byte kept as it is
            ++i;
            continue;
        }
        char32_t c = b & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out.push_back(c);
        i += len;
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string_view::size_type LastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}
} // namespace

std::string FileNamePart(std::string_view path) {
    const auto sep = LastSeparator(path);
    if (sep == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(sep + 1));
}

std::string TextBeforeFirstDot(std::string_view text) {
    // Only the last component is searched: on Linux dotted directories (~/.local, v1.2/) are
    // common, and cutting there would turn "/data/v1.2/a.DTA" into "/data/v1".
    const auto sep = LastSeparator(text);
    const auto nameStart = sep == std::string_view::npos ? 0 : sep + 1;
    const auto dot = text.find('.', nameStart);
    return std::string(text.substr(0, dot));
}

std::string RemoveLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n') {
            out.push_back(c);
        }
    }
    return out;
}

std::string ShortenPath(std::string_view path, size_t maxChars) {
    std::u32string text = DecodeUtf8(path);
    if (maxChars == 0 || text.size() <= maxChars) {
        return std::string(path);
    }
    const std::u32string dots = U"...";
    while (text.size() > maxChars) {
        std::vector<size_t> seps;
        for (size_t i = 0; i < text.size() && seps.size() < 3; ++i) {
            if (text[i] == U'/' || text[i] == U'\\') {
                seps.push_back(i);
            }
        }
        std::u32string next;
        if (seps.size() >= 3) {
            next = text.substr(0, seps[1] + 1) + dots + text.substr(seps[2] + 1);
        } else if (seps.size() == 2) {
            next = text.substr(0, seps[0] + 1) + dots + text.substr(seps[1] + 1);
        } else {
            next = text.substr(0, 3) + dots + (text.size() > 10 ? text.substr(10) : U"");
        }
        // A step that gains nothing (a short name, adjacent separators at the end) would
        // repeat for ever: stop with the shortest text reached.
        if (next.size() >= text.size() && seps.size() < 2) {
            break;
        }
        text = std::move(next);
    }
    return EncodeUtf8(text);
}

std::string SeriesFileName(const std::string& path, int64_t index, int64_t total) {
    const std::filesystem::path p(path);
    const std::size_t width = std::max<std::size_t>(3, std::to_string(total).size());
    std::string number = std::to_string(index);
    if (number.size() < width) {
        number.insert(0, width - number.size(), '0');
    }
    const std::filesystem::path name = p.parent_path() / (p.stem().string() + "-" + number);
    return name.string() + p.extension().string();
}

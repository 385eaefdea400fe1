#include "common/TextUtil.h"

namespace {
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

#include "common/SjisText.h"

#include <cerrno>
#include <iconv.h>

namespace {

// Converts with iconv; an input sequence that cannot be converted is replaced by
// `replacement` and skipped one byte at a time (from Shift-JIS) or one character (from UTF-8).
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             std::string_view replacement, bool fromUtf8) {
    out.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out.assign(in);
        return false;
    }
    bool clean = true;
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buf[1024];
    while (inLeft > 0) {
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<size_t>(outPtr - buf));
        if (r != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL (truncated sequence at the end): replace and skip.
        clean = false;
        out.append(replacement);
        size_t skip = 1;
        if (fromUtf8) {
            // The lead byte and only the continuation bytes that follow it: a broken sequence
            // must not swallow a "/" or a line break after it.
            const auto lead = static_cast<unsigned char>(*inPtr);
            const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            while (skip < length && skip < inLeft &&
                   (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80) {
                ++skip;
            }
        }
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buf, static_cast<size_t>(outPtr - buf));
    iconv_close(cd);
    return clean;
}

} // namespace

bool SjisToUtf8(std::string_view sjis, std::string& utf8) {
    return Convert("UTF-8", "CP932", sjis, utf8, "\xEF\xBF\xBD", false);
}

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    SjisToUtf8(sjis, out);
    return out;
}

bool Utf8ToSjis(std::string_view utf8, std::string& sjis) {
    return Convert("CP932", "UTF-8", utf8, sjis, "?", true);
}

std::string Utf8ToSjis(std::string_view utf8) {
    std::string out;
    Utf8ToSjis(utf8, out);
    return out;
}

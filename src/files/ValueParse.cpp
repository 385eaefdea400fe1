#include "files/ValueParse.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

bool ParseInt32(std::string_view text, int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text.size() - i > 40) {
        return false;
    }
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t{1} << 31) {
            return false;
        }
    }
    const int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (i == text.size() || !IsDigit(text[i])) {
            return false;
        }
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
    }
    if (i != text.size()) {
        return false;
    }
    double v = 0.0;
    const char* first = text.data() + numberStart;
    const char* last = text.data() + text.size();
    const auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is not a number we can hold.
        const std::string_view digitsAndExp(first, static_cast<std::size_t>(last - first));
        const auto e = digitsAndExp.find_first_of("eE");
        bool tiny = false;
        if (e != std::string_view::npos) {
            tiny = e + 1 < digitsAndExp.size() && digitsAndExp[e + 1] == '-';
        } else {
            tiny = digitsAndExp.find_first_of("123456789") > digitsAndExp.find('.');
        }
        if (!tiny) {
            return false;
        }
        value = negative ? -0.0 : 0.0;
        return true;
    }
    if (r.ec != std::errc() || r.ptr != last) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

bool ParseFloat(std::string_view text, float& value) {
    double d = 0.0;
    if (!ParseDouble(text, d)) {
        return false;
    }
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) {
        return false;
    }
    value = static_cast<float>(d);
    return true;
}

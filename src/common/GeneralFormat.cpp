#include "common/GeneralFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

std::size_t FormatGeneral(double value, char* out) {
    if (value == 0.0) {
        out[0] = '0';
        return 1;
    }
    if (!std::isfinite(value)) {
        // Never produced from measured data; spelled like the original runtime would.
        const char* text = std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
        const std::size_t n = std::strlen(text);
        std::memcpy(out, text, n);
        return n;
    }
    // to_chars' general format is printf's %.15g: fixed notation for exponents -4..14 after
    // rounding, trailing zeros removed. Only the exponent needs rewriting ("e-05" -> "E-5").
    char buf[kGeneralFormatMax];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    const std::size_t len = static_cast<std::size_t>(r.ptr - buf);
    const char* e = static_cast<const char*>(std::memchr(buf, 'e', len));
    if (e == nullptr) {
        std::memcpy(out, buf, len);
        return len;
    }
    std::size_t n = static_cast<std::size_t>(e - buf);
    std::memcpy(out, buf, n);
    out[n++] = 'E';
    const char* p = e + 1;
    if (*p == '-') {
        out[n++] = '-';
    }
    if (*p == '-' || *p == '+') {
        ++p;
    }
    while (p + 1 < r.ptr && *p == '0') {
        ++p;
    }
    while (p < r.ptr) {
        out[n++] = *p++;
    }
    return n;
}

std::string FormatGeneral(double value) {
    char buf[kGeneralFormatMax];
    return std::string(buf, FormatGeneral(value, buf));
}

std::size_t FormatFixed3(double value, char* out) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) {
        return FormatGeneral(value, out);
    }
    // to_chars rounds exact binary ties to even (0.0625 -> "0.062"); the "0.000" picture
    // rounds them away from zero like every decimal picture of the program (FormatDecimal).
    // Ties are exact: value * 1000 = p + e without error (fma), and a tie has fraction 0.5.
    const double p = value * 1000.0;
    const double e = std::fma(value, 1000.0, -p);
    const double whole = std::trunc(p);
    if (e == 0.0 && std::fabs(p - whole) == 0.5) {
        value = (whole + (p > 0 ? 1.0 : -1.0)) / 1000.0; // away from zero, now no tie
    }
    const auto r = std::to_chars(out, out + kGeneralFormatMax, value, std::chars_format::fixed, 3);
    std::size_t n = static_cast<std::size_t>(r.ptr - out);
    if (n == 6 && std::memcmp(out, "-0.000", 6) == 0) {
        // A negative value that rounds to zero is shown without its sign.
        std::memmove(out, out + 1, 5);
        n = 5;
    }
    return n;
}

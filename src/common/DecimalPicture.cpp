#include "common/DecimalPicture.h"

#include <cmath>
#include <cstdio>

namespace {

// Extra digits printed beyond the wanted ones before rounding by hand. A double that is not an
// exact tie differs from one by far more than 10^-30 of its magnitude at the sizes the program
// shows, so the digits printed here decide the tie question exactly.
constexpr int kGuardDigits = 30;

} // namespace

std::string FormatDecimal(double value, int decimals) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    if (decimals < 0) {
        decimals = 0;
    }
    if (decimals > 9) {
        decimals = 9;
    }
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);

    // printf's own rounding is round-half-even on the binary value; print more digits than
    // needed (C locale digits only: "%f" of a non-negative value has no grouping and the point
    // is the only locale-dependent character, handled below) and round the digit string.
    char buf[400];
    const int len = std::snprintf(buf, sizeof buf, "%.*f", decimals + kGuardDigits, magnitude);
    if (len <= 0 || len >= static_cast<int>(sizeof buf)) {
        return "INF";
    }
    std::string digits; // integer and kept fraction digits, no point
    int intDigits = 0;
    int fracSeen = -1; // -1 while in the integer part
    char firstDropped = '0';
    for (int i = 0; i < len; ++i) {
        const char c = buf[i];
        if (c >= '0' && c <= '9') {
            if (fracSeen < 0) {
                digits.push_back(c);
                ++intDigits;
            } else if (fracSeen < decimals) {
                digits.push_back(c);
                ++fracSeen;
            } else {
                if (fracSeen == decimals) {
                    firstDropped = c;
                }
                ++fracSeen;
            }
        } else {
            fracSeen = 0; // the point, whatever character the locale uses for it
        }
    }
    // Half away from zero on the magnitude: the first dropped digit alone decides, because a
    // 5 followed by anything (zeros included) rounds up.
    if (firstDropped >= '5') {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9') {
            digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++digits[i];
        } else {
            digits.insert(digits.begin(), '1');
            ++intDigits;
        }
    }
    std::string out;
    out.reserve(digits.size() + 3);
    bool allZero = true;
    for (char c : digits) {
        if (c != '0') {
            allZero = false;
        }
    }
    if (negative && !allZero) {
        out.push_back('-');
    }
    out.append(digits, 0, intDigits);
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits, intDigits, std::string::npos);
    }
    return out;
}

std::string FormatPicture(double value, std::string_view picture) {
    const auto dot = picture.find('.');
    const int decimals =
        dot == std::string_view::npos ? 0 : static_cast<int>(picture.size() - dot - 1);
    return FormatDecimal(value, decimals);
}

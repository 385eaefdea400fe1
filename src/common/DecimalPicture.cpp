#include "common/DecimalPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Extra digits printed beyond the wanted ones before rounding by hand. A double that is not an
// exact tie differs from one by far more than 10^-30 of its magnitude at the sizes the program
// shows, so the digits printed here decide the tie question exactly.
constexpr int kGuardDigits = 30;

// The digits of a magnitude, integer part and `decimals` fraction digits, without the point,
// and the first digit dropped after them.
struct KeptDigits {
    std::string digits;
    int intDigits = 0;
    char firstDropped = '0';
};

// The text of a value that has no digits; empty for a finite value.
std::string NonFiniteText(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    return {};
}

// printf's own rounding is round-half-even on the binary value; print more digits than needed
// (C locale digits only: "%f" of a non-negative value has no grouping and the point is the only
// locale-dependent character, handled below) and keep the digit string. False when the
// magnitude does not fit the buffer.
bool PrintDigits(double magnitude, int decimals, KeptDigits& kept) {
    char buf[400];
    const int len = std::snprintf(buf, sizeof buf, "%.*f", decimals + kGuardDigits, magnitude);
    if (len <= 0 || len >= static_cast<int>(sizeof buf)) {
        return false;
    }
    int fracSeen = -1; // -1 while in the integer part
    for (int i = 0; i < len; ++i) {
        const char c = buf[i];
        if (c < '0' || c > '9') {
            fracSeen = 0; // the point, whatever character the locale uses for it
        } else if (fracSeen < 0) {
            kept.digits.push_back(c);
            ++kept.intDigits;
        } else {
            if (fracSeen < decimals) {
                kept.digits.push_back(c);
            } else if (fracSeen == decimals) {
                kept.firstDropped = c;
            }
            ++fracSeen;
        }
    }
    return true;
}

// Half away from zero on the magnitude: the first dropped digit alone decides, because a 5
// followed by anything (zeros included) rounds up.
void RoundKeptDigits(KeptDigits& kept) {
    if (kept.firstDropped < '5') {
        return;
    }
    std::string& digits = kept.digits;
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[i] == '9') {
        digits[i] = '0';
        --i;
    }
    if (i >= 0) {
        ++digits[i];
    } else {
        digits.insert(digits.begin(), '1');
        ++kept.intDigits;
    }
}

// Sign (only when a digit is not zero), integer part, and the point with the fraction.
std::string JoinDigits(bool negative, const KeptDigits& kept, int decimals) {
    std::string out;
    out.reserve(kept.digits.size() + 3);
    const bool allZero = kept.digits.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero) {
        out.push_back('-');
    }
    out.append(kept.digits, 0, kept.intDigits);
    if (decimals > 0) {
        out.push_back('.');
        out.append(kept.digits, kept.intDigits, std::string::npos);
    }
    return out;
}

} // namespace

std::string FormatDecimal(double value, int decimals) {
    if (std::string text = NonFiniteText(value); !text.empty()) {
        return text;
    }
    decimals = std::clamp(decimals, 0, 9);
    KeptDigits kept;
    if (!PrintDigits(std::fabs(value), decimals, kept)) {
        return "INF";
    }
    RoundKeptDigits(kept);
    return JoinDigits(std::signbit(value), kept, decimals);
}

std::string FormatPicture(double value, std::string_view picture) {
    const auto dot = picture.find('.');
    const int decimals =
        dot == std::string_view::npos ? 0 : static_cast<int>(picture.size() - dot - 1);
    return FormatDecimal(value, decimals);
}

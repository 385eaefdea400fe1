// The general number format of Tavrin's data and export files: at most 15 significant digits,
// fixed notation for decimal exponents -4..14, otherwise "d.dddE-x" (no plus sign, no leading
// exponent zeros), "0" for zero, always "." as decimal separator.
#pragma once

#include <cstddef>
#include <string>

// Longest text FormatGeneral produces: "-d.ddddddddddddddE-xxx" (22) or fixed notation
// "-0.000ddddddddddddddd" (21).
inline constexpr std::size_t kGeneralFormatMax = 32;

// Writes the text of value to out (at least kGeneralFormatMax bytes) without a terminating
// NUL and returns its length. Single-precision values are widened by the caller, so the float
// nearest to 0.1 reads 0.100000001490116.
std::size_t FormatGeneral(double value, char* out);
std::string FormatGeneral(double value);

// Appends value with exactly three decimals, rounded ("0.000" picture), to out (at least 32
// bytes); returns the length. Magnitudes of 1e15 and more fall back to the general format.
std::size_t FormatFixed3(double value, char* out);

// Fixed-decimal number texts for everything shown to the user ("0", "0.0", "0.00", "0.000").
// One rounding rule everywhere: half away from zero, applied to the exact binary value passed
// in. The separator is always '.', whatever the process locale says.
#pragma once

#include <string>
#include <string_view>

// value with exactly `decimals` digits after the point (0 = no point). A result that reads as
// zero carries no minus sign ("-0.0004" with 3 decimals gives "0.000"). Non-finite values give
// "NAN", "INF" or "-INF". decimals is limited to 0..9.
std::string FormatDecimal(double value, int decimals);

// The same, with the number of decimals taken from a picture such as "0.00": the count of
// characters after the first '.', or 0 when the picture has none.
std::string FormatPicture(double value, std::string_view picture);

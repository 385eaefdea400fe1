// Number parsing for the readers: locale-independent, strict (the whole text must be the
// number, no spaces), and never throwing.
#pragma once

#include <cstdint>
#include <string_view>

// A decimal integer with an optional sign that fits 32 bits.
bool ParseInt32(std::string_view text, int32_t& value);

// A decimal floating-point number: optional sign, digits with an optional point (at least one
// digit), optional exponent "e"/"E" with optional sign. No hexadecimal, infinity or NaN; a
// magnitude beyond double precision is rejected.
bool ParseDouble(std::string_view text, double& value);

// ParseDouble, then narrowed to single precision; rejected when it does not fit a float.
bool ParseFloat(std::string_view text, float& value);

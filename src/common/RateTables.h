// Output data rates of the TORVEX24 and the samples asked for per read at each rate.
#pragma once

#include <cstdint>

inline constexpr int32_t kRateCount = 17; // rate indexes 0..16

// Display text of a rate, e.g. "125ksps"; "0" for an index outside 0..16.
const char* RateText(int32_t spsSel, bool sinc3);

// Sample period in milliseconds (single precision). Callers pass 0..16 only; other indexes
// are clamped so that no table is read outside its bounds.
float SamplePeriod(int32_t spsSel, bool sinc3);

// The character the rate command carries: "0".."9", "A".."G"; '\0' outside 0..16.
char RateCharacter(int32_t spsSel);

// The unit's model name as the protocol reports it.
const char* DeviceName();

// Samples per read by rate index (1 at 5 sps up to 1024 at 125 ksps); clamped like SamplePeriod.
int32_t ChunkTable(int32_t spsSel);

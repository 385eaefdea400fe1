// The value ranges the waveform graph is scaled to, of one block, and those shown while a
// block holds nothing.
#pragma once

#include <cstdint>

#include "common/SampleBlock.h"

// A few codes around mid-scale (0x800000) and one millivolt either side of zero.
inline constexpr int32_t kEmptyCodeMax = 8388618; // 0x80000A
inline constexpr int32_t kEmptyCodeMin = 8388598; // 0x7FFFF6
inline constexpr float kEmptyVoltMax = 0.001f;
inline constexpr float kEmptyVoltMin = -0.001f;

// Highest and lowest code of the block; the empty range for a block without samples.
void BlockCodeRange(const SampleBlock& block, int32_t& max, int32_t& min);
// Highest and lowest voltage of the block, less its mean with dcCut; the empty range for a
// block without samples.
void BlockVoltRange(const SampleBlock& block, bool dcCut, float& max, float& min);

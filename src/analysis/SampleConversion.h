// Sample codes to volts and the statistics of a block's codes.
#pragma once

#include <bit>
#include <cstdint>

#include "common/SampleBlock.h"

// Volts per code step: 2.5 V / 2^23 rounded up by one unit in the last place (0x34A00001).
inline constexpr float kVoltsPerCode = std::bit_cast<float>(0x34A00001u);

// (code - 8388608) * kVoltsPerCode in single precision; the one definition for the whole
// program. The difference is taken in 64 bits: a stored file may hold any 32-bit code.
inline float CodeToVolts(int32_t code) {
    return static_cast<float>(int64_t{code} - kCodeZeroVolt) * kVoltsPerCode;
}

// Bin spacing in Hz of a block of count samples taken at samplePeriodMs (single precision);
// 0 when either is not positive.
float DeltaF(float samplePeriodMs, int32_t count);

// A clipping code (0 or 16777215) in codes[0 .. count-1].
bool HasClippingCode(const int32_t* codes, int32_t count);

// Rejects a block holding a clipping code (0 or 16777215) anywhere in codes[0 .. count-1]
// and returns false, leaving the block as it is; otherwise converts it with ConvertBlock.
// The caller passes SamplePeriod(spsSel, sinc3) of the AD settings the block was taken with.
bool CheckCodes(SampleBlock& block, float samplePeriodMs);

// Fills volts, voltMax, voltMin (running extremes starting at -10 / +10 V), voltMean and
// deltaF from the codes. Returns false, changing nothing, for a count outside
// 1..MaxSamples or missing arrays.
bool ConvertBlock(SampleBlock& block, float samplePeriodMs);

// Mean code truncated toward zero; 0 for an empty block.
int32_t CodeMean(const SampleBlock& block);

// Population standard deviation of the codes about CodeMean; 0 for an empty block.
float CodeStdDev(const SampleBlock& block);

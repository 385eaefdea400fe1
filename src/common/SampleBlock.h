// One block of samples with its volts and spectrum. The arrays belong to the main window's
// data store; a copy of the record refers to the same arrays.
#pragma once

#include <cstdint>

#include "common/SpectrumAveraging.h"

inline constexpr int32_t MaxSamples = 270000;     // capacity of every sample array
inline constexpr int32_t MaxSpectrum = 135000;    // capacity of every spectrum array
inline constexpr int32_t kCodeZeroVolt = 8388608; // 0x800000
inline constexpr int32_t kCodeOutOfRangeLow = 0;
inline constexpr int32_t kCodeOutOfRangeHigh = 16777215;

struct SampleBlock {
    int32_t spsSel = 0;
    bool sinc3 = false;
    int32_t count = 0; // 0 = empty
    int32_t* codes = nullptr;
    float* volts = nullptr;
    float voltMax = 0.0f;
    float voltMin = 0.0f;
    float voltMean = 0.0f;
    float deltaF = 0.0f;
    float* spectrum = nullptr; // count/2 entries
    // Set when `spectrum` combines several blocks of which this is the last.
    SpectrumAveraging averaging;
};

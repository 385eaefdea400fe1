// How a block's spectrum was combined from several blocks: the texts the export and the printed
// report carry, defined once. A spectrum of one block carries none.
#pragma once

#include <cstdint>
#include <string>

enum class AverageMode : uint8_t { Power, PeakHold };

struct SpectrumAveraging {
    AverageMode mode = AverageMode::Power;
    int32_t blocks = 0; // blocks in the spectrum; 0 or 1: the block's own spectrum
    int64_t series = 0; // the series of the window the blocks came from; 0: none

    bool Averaged() const { return blocks > 1; }
};

// The ";" comment line of the spectrum export, without the line end: "; power average of 16
// blocks" or "; peak hold of 16 blocks"; empty when not averaged.
std::string AveragingComment(const SpectrumAveraging& averaging);
// The report's summary line (UTF-8): "平均: パワー平均 16回" or "平均: ピークホールド 16回"; empty
// when not averaged.
std::string AveragingSummary(const SpectrumAveraging& averaging);
// The name of the method as the window shows it: "パワー平均" or "ピークホールド".
const char* AverageModeName(AverageMode mode);

// What one press of the start button measures: `count` blocks combined by `mode` (1: the single
// block of a measurement), or, `continuous`, block after block until stopped, combining the last
// `count` of them.
struct SeriesSetting {
    static constexpr int32_t kMaxCount = 1000;
    int32_t count = 1;
    AverageMode mode = AverageMode::Power;
    bool continuous = false;

    // More than the single block of a measurement.
    bool IsSeries() const { return continuous || count > 1; }
};

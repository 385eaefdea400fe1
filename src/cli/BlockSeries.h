// What tavrin-cli's averaging commands share: the settings every block of an average must have
// in common, the names of the window functions, and the step that turns the measured block's
// spectrum into the average of a series before it is exported.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/SpectrumAverage.h"
#include "document/MeasurementDocument.h"

// The window function by its name on the command line ("rect", "hanning", "hamming",
// "flattop"; also "rectangular", "hann", "flat-top"), and the name of a window function.
std::optional<int32_t> WindowByName(const std::string& name);
const char* WindowName(int32_t window);

// The settings that make the blocks' spectra comparable bin by bin: the block's count, rate
// and filter, and (for the FFT spectrum) the display settings the spectrum is computed with.
struct SeriesSettings {
    int32_t count = 0;
    int32_t spsSel = 0;
    bool sinc3 = false;
    bool dcCut = false;
    int32_t window = 0;
    bool adjust = false;
};

// Those of the document's measured block.
SeriesSettings MeasuredSeriesSettings(const MeasurementDocument& document);

// What `other` has that `first` has not, e.g. "2048 samples, not 1024" or "rate 62.5ksps, not
// 125ksps, window hamming, not hanning"; the FFT options only with `fftOptions`. Empty when the
// two agree.
std::string SeriesDifference(const SeriesSettings& first, const SeriesSettings& other,
                             bool fftOptions);

// Adds the measured block's spectrum (count/2 bins) to `average`, which the first block of a
// series starts in `mode`; false when the memory for it cannot be had.
bool AddMeasuredSpectrum(MeasurementDocument& document, SpectrumAverage& average, AverageMode mode);

// The measured block's spectrum becomes the series' average, and says so in the export.
void UseAverageAsSpectrum(MeasurementDocument& document, const SpectrumAverage& average);

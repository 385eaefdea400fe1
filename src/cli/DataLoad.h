// Measured data loaded from a data file the way the program's data-load command loads it, for
// the commands that start from a stored measurement.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/SampleBlock.h"
#include "common/Settings.h"

struct LoadedData {
    LoadedData();
    LoadedData(const LoadedData&) = delete;
    LoadedData& operator=(const LoadedData&) = delete;

    std::vector<int32_t> codes;
    std::vector<float> volts;
    std::vector<float> spectrum;
    SampleBlock block; // refers to the three arrays above
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;
};

// Reads the file into records that start from the defaults, takes the block's rate and filter
// from the file's AD settings, names the measurement by the file's absolute path and converts
// the codes to volts (the file's volts column and step are not trusted). On failure `why` says
// why, in English, starting with the file name.
bool LoadMeasuredData(const std::string& path, LoadedData& data, std::string& why);

// The spectrum with the data's display settings; warnings of the engine go to err.
bool ComputeLoadedSpectrum(LoadedData& data, const std::string& command, std::ostream& err);

// The absolute form of a path (the path itself when it cannot be made absolute).
std::string AbsolutePath(const std::string& path);

// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b);

// File handler: settings files, measurement data files and spectrum export files.
// Holds no state; every operation gets what it needs as arguments, reports success as a bool
// and shows nothing. File names are native (UTF-8) paths.
#pragma once

#include <string>

#include "common/Settings.h"

// Why a file was rejected, for tools that tell the user more than "rejected".
struct FileError {
    int line = 0;       // 1-based line number in the file (0: not tied to a line)
    std::string reason; // English, one sentence
};

class ZF_File {
public:
    bool WriteSettingFile(const std::string& fileName, const std::string& header,
                          const GraphSetting& graph, const MeasureSetting& measure,
                          const ADUnitSetting& ad);
    // On failure the three records are unchanged.
    bool ReadSettingFile(const std::string& fileName, const std::string& header,
                         GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                         FileError* detail = nullptr);
};

// File handler: settings files, measurement data files and spectrum export files.
// Every operation gets what it needs as arguments, reports success as a bool and shows
// nothing (apart from the overwrite question, asked through the injected IConfirmation).
// File names passed as arguments are native (UTF-8) paths; texts inside the records are the
// Shift-JIS bytes of the files.
#pragma once

#include <string>

#include "common/Settings.h"
#include "files/TextFileIn.h"
#include "files/TextFileOut.h"

// Why a file was rejected or could not be written, for tools that tell the user more than
// "rejected".
struct FileError {
    int line = 0;       // 1-based line number in the file (0: not tied to a line)
    std::string reason; // English, one sentence
};

class ZF_File {
public:
    // Header of every settings file.
    static constexpr const char* kSettingHeader = "Tavrinini";

    bool WriteSettingFile(const std::string& fileName, const std::string& header,
                          const GraphSetting& graph, const MeasureSetting& measure,
                          const ADUnitSetting& ad, FileError* detail = nullptr);
    // On failure the three records are unchanged.
    bool ReadSettingFile(const std::string& fileName, const std::string& header,
                         GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                         FileError* detail = nullptr);

    // Section operations shared by all three file kinds. The writers append their lines; the
    // readers continue from where the previous read stopped and, on failure, may have changed
    // some fields of the record passed in (callers pass working copies).
    bool WriteADSection(TextFileOut& file, const ADUnitSetting& ad);
    bool WriteMeasureSection(TextFileOut& file, const MeasureSetting& measure);
    bool WriteGraphSection(TextFileOut& file, const GraphSetting& graph);
    bool ReadADSection(TextFileIn& file, ADUnitSetting& ad, FileError* detail = nullptr);
    bool ReadMeasureSection(TextFileIn& file, MeasureSetting& measure, FileError* detail = nullptr);
    bool ReadGraphSection(TextFileIn& file, GraphSetting& graph, FileError* detail = nullptr);

    // The next line without comments and line breaks; false at the end of the file.
    bool ReadLine(TextFileIn& file, std::string& line) { return file.ReadLine(line); }
};

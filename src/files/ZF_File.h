// File handler: settings files, measurement data files and spectrum export files.
// Every operation gets what it needs as arguments, reports success as a bool and shows
// nothing (apart from the overwrite question, asked through the injected IConfirmation).
// File names passed as arguments are native (UTF-8) paths; texts inside the records are the
// Shift-JIS bytes of the files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "common/UiServices.h"
#include "files/TextFileIn.h"
#include "files/TextFileOut.h"

// Why a file was rejected or could not be written, for tools that tell the user more than
// "rejected".
struct FileError {
    int line = 0;       // 1-based line number in the file (0: not tied to a line)
    std::string reason; // English, one sentence
    // The writer asked before replacing an existing file and the answer was no: the call
    // succeeds without writing, and this tells the caller that nothing was stored.
    bool declined = false;
};

class ZF_File {
public:
    // Headers of the three file kinds.
    static constexpr const char* kSettingHeader = "Tavrinini";
    static constexpr const char* kDataHeader = "DataFile:Tavrin";
    static constexpr const char* kFFTHeader = "DataFile:Tavrin_FFT";
    // Why WriteMeasureSection refused the records.
    static const char* const kMeasureLineError;
    // The question asked before a file of this name is replaced.
    static std::string OverwriteQuestion(const std::string& nativeName);

    // confirmation asks before a data or export file replaces an existing file; without one,
    // existing files are replaced without a question (batch tools decide that themselves).
    // Reserves the scratch arrays the data reader fills before it adopts a file.
    explicit ZF_File(IConfirmation* confirmation = nullptr);
    ~ZF_File();
    ZF_File(const ZF_File&) = delete;
    ZF_File& operator=(const ZF_File&) = delete;
    void SetConfirmation(IConfirmation* confirmation) { confirmation_ = confirmation; }

    bool WriteSettingFile(const std::string& fileName, const std::string& header,
                          const GraphSetting& graph, const MeasureSetting& measure,
                          const ADUnitSetting& ad, FileError* detail = nullptr);
    // On failure the three records are unchanged.
    bool ReadSettingFile(const std::string& fileName, const std::string& header,
                         GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                         FileError* detail = nullptr);
    // ReadSettingFile with the header "Tavrinini" for a settings file the user opens: the
    // graph settings must also keep the level range (CheckdBRange).
    bool ReadSettingFileToOpen(const std::string& fileName, GraphSetting& graph,
                               MeasureSetting& measure, ADUnitSetting& ad,
                               FileError* detail = nullptr);

    // Section operations shared by all three file kinds. The writers append their lines
    // (WriteMeasureSection appends nothing and fails when a text holds a CR or LF or makes a
    // line the reader would split, TextFileIn::DeliversWhole); the
    // readers continue from where the previous read stopped and, on failure, may have changed
    // some fields of the record passed in (callers pass working copies). The G section is
    // judged by FreqRangeHolds once it is complete, whatever the order of its keys.
    bool WriteADSection(TextFileOut& file, const ADUnitSetting& ad);
    bool WriteMeasureSection(TextFileOut& file, const MeasureSetting& measure);
    bool WriteGraphSection(TextFileOut& file, const GraphSetting& graph);
    bool ReadADSection(TextFileIn& file, ADUnitSetting& ad, FileError* detail = nullptr);
    bool ReadMeasureSection(TextFileIn& file, MeasureSetting& measure, FileError* detail = nullptr);
    bool ReadGraphSection(TextFileIn& file, GraphSetting& graph, FileError* detail = nullptr);

    // The next line without comments and line breaks; false at the end of the file.
    bool ReadLine(TextFileIn& file, std::string& line) { return file.ReadLine(line); }

    // Measurement data file, written to the native path measure.DataFilePath; its
    // "DataFileName:" line carries measure.DataFileName. The path must be absolute and free of
    // CR and LF. The block needs 1024..262144 samples with codes and volts. A declined overwrite
    // question is success without writing (detail->declined tells it apart).
    bool WriteDataFile(const std::string& header, const ADUnitSetting& ad, const SampleBlock& block,
                       const GraphSetting& graph, const MeasureSetting& measure,
                       FileError* detail = nullptr);
    // Reads into the records and into the block's count, deltaF, codes and volts (its arrays
    // must hold 262144 entries). The file is read into scratch storage first: on failure
    // nothing passed in changes. Volts and deltaF are taken as stored; callers recompute them.
    bool ReadDataFile(const std::string& fileName, const std::string& header, SampleBlock& block,
                      GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                      FileError* detail = nullptr);
    bool WriteDataSection(TextFileOut& file, const SampleBlock& block);
    // Reads the "D:" section straight into the block (arrays of 262144 entries).
    bool ReadDataSection(TextFileIn& file, SampleBlock& block, FileError* detail = nullptr);

    // Spectrum export: rows k = 1 .. count/2 - 1 of block.spectrum, written to
    // measure.DataFilePath like WriteDataFile.
    bool WriteFFTFile(const std::string& header, const ADUnitSetting& ad, const SampleBlock& block,
                      const GraphSetting& graph, const MeasureSetting& measure,
                      FileError* detail = nullptr);
    bool WriteFFTSection(TextFileOut& file, const SampleBlock& block);

private:
    bool ReadSettings(const std::string& fileName, const std::string& header, bool levelRule,
                      GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                      FileError* detail);
    // Asks before replacing fileName; false when the user declined.
    bool MayReplace(const std::string& nativeName);
    bool WriteBlockFile(const std::string& header, const ADUnitSetting& ad,
                        const SampleBlock& block, const GraphSetting& graph,
                        const MeasureSetting& measure, bool fft, FileError* detail);

    IConfirmation* confirmation_ = nullptr;
    std::unique_ptr<int32_t[]> scratchCodes_;
    std::unique_ptr<float[]> scratchVolts_;
    TextFileOut out_; // keeps its capacity from one data file to the next
};

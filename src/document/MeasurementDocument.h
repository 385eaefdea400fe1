// The measurement document: what the program knows about the block on screen, and the file
// operations the main window's commands and every tavrin-cli command share. No widgets; every
// operation returns a bool (or a result code), shows nothing and hands a failure reason back as
// data (FileError). The only question, the overwrite question, comes through the IConfirmation
// given to CreateFileHandler.
//
// Map of the file commands (window command -> document operation; tavrin-cli user):
//   データ読込 / 参照データ読込 (MenuDataLoadClick, MenuRefLoadFileClick)
//       -> LoadDataFile(path, Measured|Reference), then ComputeSpectrum
//          tavrin-cli check, analyze, spectrum, report, render
//   計測の終わり (FinishMeasurement)
//       -> StampStartTime at the start, FinishBlock, ComputeSpectrum, AutoSaveData
//          tavrin-cli acquire (FinishBlock, SaveMeasuredData)
//   データ保存 (MenuDataSaveClick)          -> SaveMeasuredData
//   FFT データ保存 (MenuTextSaveClick)      -> ExportSpectrum; tavrin-cli spectrum
//   設定ファイル読込 (MenuOpenSettingFileClick) -> OpenSettingFile; tavrin-cli check
//   設定ファイル保存 (MenuSaveSettingFileClick) -> WriteSettingFile(path, unitSetting)
//   start-up file (LoadStartupSettings, SaveStartupSettings)
//       -> ReadStartupSettings / SetDefaultSettings / WriteSettingFile(path, acqSetting)
//   表示設定 with a new FFT option (MenuDispSettingClick) -> Recompute
//
// The records, flags, results and the data store are plain members: the window, the graphs and
// the tools read and set them as the program's state, and the operations below keep them
// consistent with each other.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "common/UiServices.h"
#include "files/ZF_File.h"

class TmyFFT;

// Which of the two blocks an operation works on.
enum class BlockRole { Measured, Reference };

class MeasurementDocument {
public:
    // The one header of settings files (the start-up file and those the user saves).
    static constexpr const char* kSettingHeader = ZF_File::kSettingHeader;

    // Reserves the data store once (std::bad_alloc when memory is short) and points both blocks
    // at it. The records start as default-constructed values; the window puts the program's
    // defaults in at its first idle pass (SetDefaultSettings, ReadStartupSettings).
    MeasurementDocument();
    ~MeasurementDocument();
    MeasurementDocument(const MeasurementDocument&) = delete;
    MeasurementDocument& operator=(const MeasurementDocument&) = delete;

    // --- Owned objects -------------------------------------------------------------------------
    // Made one at a time so that the window can name the one that failed (std::bad_alloc);
    // without them the file operations fail and the spectrum is not computed.
    // ZF_File: confirmation asks before a data or export file replaces another (null: never).
    void CreateFileHandler(IConfirmation* confirmation);
    // myFFT, with graphSetting's FFT options; warning may be null.
    void CreateFFT(IWarning* warning);
    void ReleaseFileHandler();
    void ReleaseFFT();
    ::ZF_File* FileHandler() const { return zfFile_.get(); } // ZF_File
    TmyFFT* FFT() const { return fft_.get(); }               // myFFT

    // --- Data files ----------------------------------------------------------------------------
    // Reads a data file into a block. The file is read into working copies (its samples into
    // scratch storage first); only a file read as a whole whose samples also convert reaches the
    // records and the block. As data: the file's settings become the document's, the block is
    // saved (its file is path) and the code statistics are computed. As reference: the block and
    // refADSetting only. The spectrum is left to ComputeSpectrum (options may change first).
    bool LoadDataFile(const std::string& path, BlockRole role, FileError* detail = nullptr);
    // The block's spectrum with graphSetting's FFT options; false (and the block dropped) when it
    // cannot be computed.
    bool ComputeSpectrum(BlockRole role);
    // Volts and spectrum again from the codes, after a change of the FFT options.
    bool Recompute(BlockRole role);

    // --- The end of a block ----------------------------------------------------------------------
    enum class FinishResult { Accepted, Clipped, NotConverted };
    // Stamps measureSetting.StartDateTime with the local time, as "yyyy/MM/dd HH:mm:ss".
    void StampStartTime();
    // The block of graphSetting.DataCountMax codes just received with acqSetting: rate and filter
    // into the block, clipping check, conversion, code statistics. Accepted: fDataExist set,
    // fDataSaved cleared. Otherwise the block is dropped (count 0, fDataExist cleared).
    FinishResult FinishBlock();
    // The same for a block of a series, received into seriesCodes: a clipped block is refused
    // before anything changes, so the last complete block of the series stays on screen;
    // otherwise the codes become the measured block's and FinishBlock follows.
    FinishResult FinishSeriesBlock();

    // Writing the measured block to measureSetting.DataFilePath. A declined overwrite question
    // writes nothing: it is neither a success (the block is not stored) nor a failure (the user
    // chose it).
    enum class SaveResult { Saved, Declined, Failed };
    SaveResult WriteMeasuredData(FileError* detail = nullptr);
    // WriteMeasuredData with the filter of the block itself in the A section; Saved sets
    // fDataSaved.
    SaveResult SaveMeasuredData(FileError* detail = nullptr);
    // The automatic save after a block: only when it is switched on and a file is named.
    bool AutoSaveWanted() const;

    // --- Spectrum export -------------------------------------------------------------------------
    // Writes the measured block's spectrum to path; the next data save proposes path's base name.
    // `written` is false after a declined overwrite question.
    bool ExportSpectrum(const std::string& path, bool& written, FileError* detail = nullptr);

    // --- Settings files --------------------------------------------------------------------------
    // A settings file the user opens, judged as a whole (also the level range); on success it
    // replaces the settings and both blocks are gone. On failure nothing changes.
    bool OpenSettingFile(const std::string& path, FileError* detail = nullptr);
    // The start-up file: true when read; on failure the records may hold part of it (the caller
    // puts the defaults back).
    bool ReadStartupSettings(const std::string& path, FileError* detail = nullptr);
    // The program's defaults in every settings record (unitSetting = acqSetting).
    void SetDefaultSettings();
    // The display and measurement settings with `ad` as the AD settings.
    bool WriteSettingFile(const std::string& path, const ADUnitSetting& ad,
                          FileError* detail = nullptr);

    // A measured block is there that is neither stored in a file nor saved automatically.
    bool MeasuredDataUnsaved() const;
    SampleBlock& Block(BlockRole role) { return role == BlockRole::Measured ? curBlock : refBlock; }
    // The block is gone: its flag cleared and its count 0 (the next read starts from nothing).
    void ClearBlock(BlockRole role);

    // --- Settings records ------------------------------------------------------------------------
    // The AD settings of the measured block: those of the acquisition under way or last started,
    // of the data file loaded or of the settings file loaded. Whenever fDataExist is set they are
    // the block's own, so saving, exporting, recomputing and the "Δｆ=" text take them;
    // unitSetting becomes acqSetting only once an acquisition has started.
    ADUnitSetting acqSetting;
    ADUnitSetting unitSetting;
    ADUnitSetting refADSetting;
    MeasureSetting measureSetting;
    GraphSetting graphSetting;

    // --- Flags and results -----------------------------------------------------------------------
    bool fDataExist = false;
    bool fRefExist = false;
    bool fDataSaved = false;
    int32_t meanCode = 0;
    float stdDevCode = 0.0f;
    float rmsVolt = 0.0f;

    // --- Data store, reserved once ---------------------------------------------------------------
    std::vector<int32_t> curCodes;
    std::vector<float> curVolts;
    std::vector<int32_t> refCodes;
    std::vector<float> refVolts;
    // The FFT work areas (input, buffer, tables) belong to myFFT, reserved once when it is made.
    // A series receives its next block here while the last one stays the measured block.
    std::vector<int32_t> seriesCodes;
    std::vector<float> curSpectrum;
    std::vector<float> refSpectrum;
    SampleBlock curBlock;
    SampleBlock refBlock;

private:
    const ADUnitSetting& SettingOf(BlockRole role) const;
    // The records of a file become the program's: its AD settings are those of the block on
    // screen and the ones the next start asks for.
    void AdoptRecords(const GraphSetting& graph, const MeasureSetting& measure,
                      const ADUnitSetting& ad);
    void ComputeStatistics();

    std::unique_ptr<::ZF_File> zfFile_;
    std::unique_ptr<TmyFFT> fft_;
};

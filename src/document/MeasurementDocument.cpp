#include "document/MeasurementDocument.h"

#include <algorithm>
#include <ctime>

#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "common/RateTables.h"
#include "common/TextUtil.h"

namespace {

// The three records a file is read into: they start from the program's defaults, so that what
// the file leaves out takes the default.
struct DefaultRecords {
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;
    DefaultRecords() {
        SetDefaultGraphSetting(graph);
        SetDefaultMeasureSetting(measure);
        SetDefaultADSetting(ad);
    }
};

bool Fail(FileError* detail, const char* reason) {
    if (detail) {
        detail->line = 0;
        detail->reason = reason;
    }
    return false;
}

} // namespace

MeasurementDocument::MeasurementDocument()
    : curCodes(MaxSamples, 0), curVolts(MaxSamples, 0.0f), refCodes(MaxSamples, 0),
      refVolts(MaxSamples, 0.0f), seriesCodes(MaxSamples, 0), curSpectrum(MaxSpectrum, 0.0f),
      refSpectrum(MaxSpectrum, 0.0f) {
    curBlock.codes = curCodes.data();
    curBlock.volts = curVolts.data();
    curBlock.spectrum = curSpectrum.data();
    refBlock.codes = refCodes.data();
    refBlock.volts = refVolts.data();
    refBlock.spectrum = refSpectrum.data();
}

MeasurementDocument::~MeasurementDocument() = default;

// --- Owned objects -----------------------------------------------------------------------------

void MeasurementDocument::CreateFileHandler(IConfirmation* confirmation) {
    zfFile_ = std::make_unique<::ZF_File>(confirmation);
}

void MeasurementDocument::CreateFFT(IWarning* warning) {
    fft_ = std::make_unique<TmyFFT>(graphSetting, warning);
}

void MeasurementDocument::ReleaseFileHandler() {
    zfFile_.reset();
}

void MeasurementDocument::ReleaseFFT() {
    fft_.reset();
}

// --- Blocks --------------------------------------------------------------------------------------

const ADUnitSetting& MeasurementDocument::SettingOf(BlockRole role) const {
    return role == BlockRole::Measured ? acqSetting : refADSetting;
}

void MeasurementDocument::ClearBlock(BlockRole role) {
    (role == BlockRole::Measured ? fDataExist : fRefExist) = false;
    Block(role).count = 0;
}

void MeasurementDocument::ComputeStatistics() {
    meanCode = CodeMean(curBlock);
    stdDevCode = CodeStdDev(curBlock);
}

bool MeasurementDocument::MeasuredDataUnsaved() const {
    return fDataExist && !measureSetting.fSaveDataFile && !fDataSaved;
}

// --- Data files ----------------------------------------------------------------------------------

bool MeasurementDocument::LoadDataFile(const std::string& path, BlockRole role, FileError* detail) {
    if (!zfFile_) {
        return Fail(detail, "no file handler");
    }
    // 1. The reader fills working copies that start from the defaults; its samples go to
    //    scratch storage first and reach the block's arrays only when the file is read whole.
    SampleBlock block = Block(role);
    DefaultRecords records;
    auto& [graph, measure, ad] = records;
    if (!zfFile_->ReadDataFile(path, ZF_File::kDataHeader, block, graph, measure, ad, detail)) {
        return false;
    }
    // 2. Rate and filter come from the file's A section.
    block.spsSel = ad.spsSel;
    block.sinc3 = ad.sinc3;
    // 3. Volts and step are recomputed from the codes (the file's columns are not trusted).
    if (!ConvertBlock(block, SamplePeriod(ad.spsSel, ad.sinc3))) {
        return Fail(detail, "the samples cannot be converted to volts");
    }
    // 4. Only now does the file reach the records.
    if (role == BlockRole::Reference) {
        fRefExist = true;
        refBlock = block;
        refADSetting = ad;
        return true;
    }
    fDataExist = true;
    fDataSaved = true;
    curBlock = block;
    AdoptRecords(graph, measure, ad);
    SetDataFilePath(measureSetting, path);
    // 5. The code statistics of the block.
    ComputeStatistics();
    return true;
}

bool MeasurementDocument::ComputeSpectrum(BlockRole role) {
    // The block's own spectrum from now on: whatever average it held is gone.
    Block(role).averaging = {};
    if (fft_ && fft_->ComputeSpectrum(Block(role))) {
        return true;
    }
    ClearBlock(role);
    return false;
}

bool MeasurementDocument::Recompute(BlockRole role) {
    const ADUnitSetting& ad = SettingOf(role);
    if (!ConvertBlock(Block(role), SamplePeriod(ad.spsSel, ad.sinc3))) {
        ClearBlock(role);
        return false;
    }
    return ComputeSpectrum(role);
}

// --- The end of a block ----------------------------------------------------------------------

void MeasurementDocument::StampStartTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    measureSetting.StartDateTime = text; // digits only: the same bytes in Shift-JIS
}

MeasurementDocument::FinishResult MeasurementDocument::FinishBlock() {
    // 1. The block has the length of the settings and the rate and filter it was taken with.
    fDataExist = true;
    fDataSaved = false;
    curBlock.count = graphSetting.DataCountMax;
    curBlock.spsSel = acqSetting.spsSel;
    curBlock.sinc3 = acqSetting.sinc3;
    // 2. A clipping code (0 or 16777215) anywhere rejects the block; 3. otherwise it is
    //    converted to volts.
    const float period = SamplePeriod(acqSetting.spsSel, acqSetting.sinc3);
    if (!CheckCodes(curBlock, period)) {
        // CheckCodes also refuses a block it cannot convert; the conversion tells them apart.
        const bool convertible = ConvertBlock(curBlock, period);
        ClearBlock(BlockRole::Measured);
        return convertible ? FinishResult::Clipped : FinishResult::NotConverted;
    }
    // 4. The code statistics.
    ComputeStatistics();
    return FinishResult::Accepted;
}

MeasurementDocument::FinishResult MeasurementDocument::FinishSeriesBlock() {
    const int32_t count = graphSetting.DataCountMax;
    if (count < 1 || count > MaxSamples) {
        return FinishResult::NotConverted;
    }
    if (HasClippingCode(seriesCodes.data(), count)) {
        return FinishResult::Clipped;
    }
    std::copy_n(seriesCodes.begin(), count, curCodes.begin());
    return FinishBlock();
}

MeasurementDocument::SaveResult MeasurementDocument::WriteMeasuredData(FileError* detail) {
    if (!zfFile_) {
        Fail(detail, "no file handler");
        return SaveResult::Failed;
    }
    FileError local;
    FileError& e = detail ? *detail : local;
    if (!zfFile_->WriteDataFile(ZF_File::kDataHeader, acqSetting, curBlock, graphSetting,
                                measureSetting, &e)) {
        return SaveResult::Failed;
    }
    return e.declined ? SaveResult::Declined : SaveResult::Saved;
}

MeasurementDocument::SaveResult MeasurementDocument::SaveMeasuredData(FileError* detail) {
    // The A section names the filter the block was taken with.
    acqSetting.sinc3 = curBlock.sinc3;
    const SaveResult result = WriteMeasuredData(detail);
    if (result == SaveResult::Saved) {
        fDataSaved = true;
    }
    return result;
}

bool MeasurementDocument::AutoSaveWanted() const {
    return measureSetting.fSaveDataFile && !measureSetting.DataFilePath.empty();
}

// --- Spectrum export -------------------------------------------------------------------------

bool MeasurementDocument::ExportSpectrum(const std::string& path, bool& written,
                                         FileError* detail) {
    written = false;
    // 1. The next data save proposes the export's base name.
    SetDataFilePath(measureSetting, TextBeforeFirstDot(path) + ".DTA");
    // 2. The export carries a copy of the measurement settings naming the export itself.
    MeasureSetting exportSetting = measureSetting;
    SetDataFilePath(exportSetting, path);
    if (!zfFile_) {
        return Fail(detail, "no file handler");
    }
    FileError local;
    FileError& e = detail ? *detail : local;
    if (!zfFile_->WriteFFTFile(ZF_File::kFFTHeader, acqSetting, curBlock, graphSetting,
                               exportSetting, &e)) {
        return false;
    }
    written = !e.declined;
    return true;
}

// --- Settings files ------------------------------------------------------------------------------

bool MeasurementDocument::OpenSettingFile(const std::string& path, FileError* detail) {
    if (!zfFile_) {
        return Fail(detail, "no file handler");
    }
    DefaultRecords records;
    auto& [graph, measure, ad] = records;
    if (!zfFile_->ReadSettingFileToOpen(path, graph, measure, ad, detail)) {
        return false;
    }
    AdoptRecords(graph, measure, ad);
    // The blocks on screen were taken with other settings.
    fRefExist = false;
    fDataExist = false;
    fDataSaved = false;
    return true;
}

bool MeasurementDocument::ReadStartupSettings(const std::string& path, FileError* detail) {
    if (!zfFile_) {
        return Fail(detail, "no file handler");
    }
    if (!zfFile_->ReadSettingFile(path, kSettingHeader, graphSetting, measureSetting, acqSetting,
                                  detail)) {
        return false;
    }
    unitSetting = acqSetting;
    return true;
}

void MeasurementDocument::AdoptRecords(const GraphSetting& graph, const MeasureSetting& measure,
                                       const ADUnitSetting& ad) {
    graphSetting = graph;
    measureSetting = measure;
    acqSetting = ad;
    unitSetting = ad;
}

void MeasurementDocument::SetDefaultSettings() {
    SetDefaultADSetting(acqSetting);
    unitSetting = acqSetting;
    SetDefaultGraphSetting(graphSetting);
    SetDefaultMeasureSetting(measureSetting);
}

bool MeasurementDocument::WriteSettingFile(const std::string& path, const ADUnitSetting& ad,
                                           FileError* detail) {
    if (!zfFile_) {
        return Fail(detail, "no file handler");
    }
    return zfFile_->WriteSettingFile(path, kSettingHeader, graphSetting, measureSetting, ad,
                                     detail);
}

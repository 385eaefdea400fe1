// The measurement document: the one end of a block (window and tavrin-cli acquire), the one
// load-and-check path of a data file, and the settings file the user opens.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "analysis/SampleConversion.h"
#include "common/RateTables.h"
#include "document/MeasurementDocument.h"
#include "files/file_test_helpers.h"

namespace {

constexpr int32_t kCount = 1024;
constexpr int32_t kRate = 12; // 5 ksps

// A document as tavrin-cli makes one: no overwrite question, no FFT warnings.
struct Doc {
    Doc() {
        d.CreateFileHandler(nullptr);
        d.CreateFFT(nullptr);
        d.acqSetting = ADUnitSetting{kRate, true, 1};
        d.graphSetting.DataCountMax = kCount;
        d.graphSetting.DataCountSel = 0;
    }
    MeasurementDocument d;
};

void FillRamp(MeasurementDocument& d) {
    for (int32_t i = 0; i < kCount; ++i) {
        d.curCodes[i] = kCodeZeroVolt + (i % 64) * 1000 - 31000;
    }
}

} // namespace

TEST(MeasurementDocumentTest, FinishedBlockIsConvertedCountedAndReadBackAsTheSameMeasurement) {
    TempDir tmp;
    Doc doc;
    MeasurementDocument& d = doc.d;
    FillRamp(d);
    d.StampStartTime();
    EXPECT_TRUE(std::regex_match(d.measureSetting.StartDateTime,
                                 std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)")));
    ASSERT_EQ(d.FinishBlock(), MeasurementDocument::FinishResult::Accepted);
    EXPECT_TRUE(d.fDataExist);
    EXPECT_FALSE(d.fDataSaved);
    EXPECT_EQ(d.curBlock.count, kCount);
    EXPECT_EQ(d.curBlock.spsSel, kRate);
    EXPECT_TRUE(d.curBlock.sinc3);
    // Independent figures: volts per code, the mean code and the spread about it.
    double sum = 0.0;
    for (int32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(d.curVolts[i], CodeToVolts(d.curCodes[i])) << i;
        sum += d.curCodes[i];
    }
    const double mean = std::trunc(sum / kCount);
    double squares = 0.0;
    for (int32_t i = 0; i < kCount; ++i) {
        squares += (d.curCodes[i] - mean) * (d.curCodes[i] - mean);
    }
    EXPECT_EQ(d.meanCode, static_cast<int32_t>(mean));
    EXPECT_NEAR(d.stdDevCode, std::sqrt(squares / kCount), 1e-3);
    EXPECT_FLOAT_EQ(d.curBlock.deltaF, 1000.0f / (SamplePeriod(kRate, true) * kCount));

    const std::string path = tmp.Path("block.DTA");
    SetDataFilePath(d.measureSetting, path);
    d.acqSetting.sinc3 = false; // the A section takes the block's own filter
    ASSERT_EQ(d.SaveMeasuredData(), MeasurementDocument::SaveResult::Saved);
    EXPECT_TRUE(d.fDataSaved);

    Doc loaded;
    ASSERT_TRUE(loaded.d.LoadDataFile(path, BlockRole::Measured));
    ASSERT_TRUE(loaded.d.ComputeSpectrum(BlockRole::Measured));
    const MeasurementDocument& l = loaded.d;
    EXPECT_TRUE(l.fDataExist && l.fDataSaved && !l.fRefExist);
    EXPECT_EQ(l.acqSetting, (ADUnitSetting{kRate, true, 1}));
    EXPECT_EQ(l.unitSetting, l.acqSetting);
    EXPECT_EQ(l.measureSetting.DataFilePath, path);
    EXPECT_EQ(l.measureSetting.StartDateTime, d.measureSetting.StartDateTime);
    EXPECT_EQ(l.curBlock.count, kCount);
    EXPECT_TRUE(std::equal(d.curCodes.begin(), d.curCodes.begin() + kCount, l.curCodes.begin()));
    EXPECT_TRUE(std::equal(d.curVolts.begin(), d.curVolts.begin() + kCount, l.curVolts.begin()));
    EXPECT_EQ(l.meanCode, d.meanCode);
    // The ramp repeats every 64 samples: its fundamental lies in bin count / 64.
    EXPECT_GT(l.curSpectrum[kCount / 64], 100 * l.curSpectrum[kCount / 64 + 3]);
}

TEST(MeasurementDocumentTest, ClippedOrUnconvertibleBlockIsDroppedAndNeverWritten) {
    TempDir tmp;
    Doc doc;
    MeasurementDocument& d = doc.d;
    FillRamp(d);
    d.curCodes[kCount - 1] = kCodeOutOfRangeHigh;
    EXPECT_EQ(d.FinishBlock(), MeasurementDocument::FinishResult::Clipped);
    EXPECT_FALSE(d.fDataExist);
    EXPECT_EQ(d.curBlock.count, 0);
    d.curCodes[kCount - 1] = kCodeOutOfRangeLow + 1;
    d.curCodes[0] = kCodeOutOfRangeLow;
    EXPECT_EQ(d.FinishBlock(), MeasurementDocument::FinishResult::Clipped);

    d.curCodes[0] = kCodeZeroVolt;
    d.graphSetting.DataCountMax = MaxSamples + 1;
    EXPECT_EQ(d.FinishBlock(), MeasurementDocument::FinishResult::NotConverted);
    EXPECT_FALSE(d.fDataExist);

    // A dropped block is not saved: the writer refuses an empty block.
    SetDataFilePath(d.measureSetting, tmp.Path("never.DTA"));
    EXPECT_EQ(d.SaveMeasuredData(), MeasurementDocument::SaveResult::Failed);
    EXPECT_EQ(Entries(tmp.Dir()), 0u);
}

TEST(MeasurementDocumentTest, ReferenceLoadKeepsTheMeasurementAndARejectedFileChangesNothing) {
    TempDir tmp;
    Doc source;
    FillRamp(source.d);
    ASSERT_EQ(source.d.FinishBlock(), MeasurementDocument::FinishResult::Accepted);
    const std::string path = tmp.Path("ref.DTA");
    SetDataFilePath(source.d.measureSetting, path);
    ASSERT_EQ(source.d.SaveMeasuredData(), MeasurementDocument::SaveResult::Saved);

    Doc doc;
    MeasurementDocument& d = doc.d;
    d.acqSetting = ADUnitSetting{3, false, 0};
    SetDataFilePath(d.measureSetting, "/somewhere/else.DTA");
    ASSERT_TRUE(d.LoadDataFile(path, BlockRole::Reference));
    EXPECT_TRUE(d.fRefExist);
    EXPECT_FALSE(d.fDataExist);
    EXPECT_EQ(d.refADSetting, (ADUnitSetting{kRate, true, 1}));
    EXPECT_EQ(d.acqSetting, (ADUnitSetting{3, false, 0}));
    EXPECT_EQ(d.measureSetting.DataFilePath, "/somewhere/else.DTA");
    EXPECT_EQ(d.refBlock.count, kCount);
    EXPECT_EQ(d.refVolts[5], CodeToVolts(d.refCodes[5]));

    // Cut off inside the samples: rejected with a reason, and neither block nor record moves.
    const std::string bytes = ReadBytes(path);
    WriteBytes(tmp.Path("cut.DTA"), bytes.substr(0, bytes.size() - 40));
    FileError e;
    EXPECT_FALSE(d.LoadDataFile(tmp.Path("cut.DTA"), BlockRole::Measured, &e));
    EXPECT_GT(e.line, 0);
    EXPECT_FALSE(e.reason.empty());
    EXPECT_FALSE(d.fDataExist);
    EXPECT_EQ(d.acqSetting, (ADUnitSetting{3, false, 0}));
    EXPECT_EQ(d.measureSetting.DataFilePath, "/somewhere/else.DTA");
}

TEST(MeasurementDocumentTest, OpenedSettingFileReplacesTheSettingsAndDropsBothBlocks) {
    TempDir tmp;
    Doc doc;
    MeasurementDocument& d = doc.d;
    d.graphSetting.whichWindowFunc = WinFlatTop;
    d.unitSetting = ADUnitSetting{7, true, 1};
    ASSERT_TRUE(d.WriteSettingFile(tmp.Path("s.prf"), d.unitSetting));

    Doc other;
    MeasurementDocument& o = other.d;
    o.fDataExist = o.fRefExist = o.fDataSaved = true;
    ASSERT_TRUE(o.OpenSettingFile(tmp.Path("s.prf")));
    EXPECT_EQ(o.graphSetting.whichWindowFunc, WinFlatTop);
    EXPECT_EQ(o.acqSetting, (ADUnitSetting{7, true, 1}));
    EXPECT_EQ(o.unitSetting, o.acqSetting);
    EXPECT_FALSE(o.fDataExist || o.fRefExist || o.fDataSaved);

    // A level range the settings-load command refuses leaves everything as it was.
    o.fDataExist = true;
    d.graphSetting.index_dB_max = d.graphSetting.index_dB_min;
    ASSERT_TRUE(d.WriteSettingFile(tmp.Path("bad.prf"), d.unitSetting));
    o.graphSetting.whichWindowFunc = WinHamming;
    FileError e;
    EXPECT_FALSE(o.OpenSettingFile(tmp.Path("bad.prf"), &e));
    EXPECT_FALSE(e.reason.empty());
    EXPECT_TRUE(o.fDataExist);
    EXPECT_EQ(o.graphSetting.whichWindowFunc, WinHamming);
}

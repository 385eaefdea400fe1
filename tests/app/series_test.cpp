// A series of blocks through the real window and controller on the simulated unit: K blocks
// averaged, a stop in the middle, a clip in block 3, a continuous run with a moving window. Every
// block is saved automatically, so the test can recompute each block's own spectrum from its
// file and combine the spectra itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <sstream>

#include "analysis/MyFFT.h"
#include "analysisview/AnalysisWindow.h"
#include "app/measure_test_helpers.h"
#include "cli/Cli.h"
#include "common/TextUtil.h"
#include "graph/Myprint.h"

namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class SeriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        MeasureSetting& m = rig.form->Document().measureSetting;
        m.fSaveDataFile = true;
        base = (rig.dir.path() + "/S.DTA").toStdString();
        SetDataFilePath(m, base);
    }

    // The spectrum of saved block `index` (of `total`) by itself, as a load computes it.
    std::vector<float> BlockSpectrum(int index, int total) {
        MeasurementDocument doc;
        doc.CreateFileHandler(nullptr);
        doc.CreateFFT(nullptr);
        const std::string name = SeriesFileName(base, index, total);
        EXPECT_TRUE(doc.LoadDataFile(name, BlockRole::Measured)) << name;
        EXPECT_TRUE(doc.ComputeSpectrum(BlockRole::Measured));
        return {doc.curSpectrum.begin(), doc.curSpectrum.begin() + doc.curBlock.count / 2};
    }

    // sqrt of the mean of the squares, or the largest, bin by bin.
    static std::vector<float> Combine(const std::vector<std::vector<float>>& spectra, bool peak) {
        std::vector<float> out(spectra[0].size());
        for (std::size_t k = 0; k < out.size(); ++k) {
            double sum = 0.0;
            float largest = 0.0f;
            for (const auto& s : spectra) {
                sum += static_cast<double>(s[k]) * s[k];
                largest = std::max(largest, s[k]);
            }
            out[k] = peak ? largest : static_cast<float>(std::sqrt(sum / spectra.size()));
        }
        return out;
    }

    void ExpectShown(const std::vector<float>& expected) {
        const SampleBlock& b = rig.form->Document().curBlock;
        ASSERT_EQ(b.count / 2, static_cast<int32_t>(expected.size()));
        int differing = 0;
        for (std::size_t k = 0; k < expected.size(); ++k) {
            differing += b.spectrum[k] != expected[k];
        }
        EXPECT_EQ(differing, 0);
        // The read-out follows the displayed spectrum by the single-block rule.
        EXPECT_EQ(rig.form->Document().rmsVolt, SpectrumRMS(b));
    }

    // Runs until `blocks` are complete (or the series ended).
    void RunUntilDone(int64_t blocks) {
        for (int i = 0;
             i < 100000 && rig.form->Measuring() && rig.form->RunningSeries().Done() < blocks;
             ++i) {
            rig.clock.AdvanceMs(10.0);
            rig.form->IdleHandler();
        }
    }

    MeasureRig rig;
    std::string base;
};

TEST_F(SeriesTest, AveragesKBlocksWithOnePreparationAndSavesEachOne) {
    rig.form->SetSeries({4, AverageMode::Power, false});
    rig.Measure();
    ASSERT_FALSE(rig.form->Measuring());
    // One preparation, then the acquisition command alone for every block.
    EXPECT_EQ(Count(rig.driver->sent, "U?\r"), 1);
    EXPECT_EQ(Count(rig.driver->sent, "A0"), 4);
    std::vector<std::vector<float>> spectra;
    for (int i = 1; i <= 4; ++i) {
        spectra.push_back(BlockSpectrum(i, 4));
    }
    ExpectShown(Combine(spectra, false));
    const MeasurementDocument& doc = rig.form->Document();
    EXPECT_EQ(doc.curBlock.averaging.blocks, 4);
    EXPECT_EQ(rig.Panel(1), QStringLiteral("計測終了しました (平均 4/4)"));
    // The measured block is the last one, and it names its own file.
    EXPECT_EQ(doc.measureSetting.DataFilePath, SeriesFileName(base, 4, 4));
    EXPECT_TRUE(doc.fDataSaved);

    // The export says how the spectrum was made, right after its header.
    bool written = false;
    const std::string fft = (rig.dir.path() + "/S.FFT").toStdString();
    ASSERT_TRUE(rig.form->Document().ExportSpectrum(fft, written));
    std::ifstream in(fft, std::ios::binary);
    std::string header, comment;
    std::getline(in, header);
    std::getline(in, comment);
    EXPECT_EQ(header, "DataFile:Tavrin_FFT\r");
    EXPECT_EQ(comment, "; power average of 4 blocks\r");
    // So does the report, in one line more than a single block's.
    const QStringList lines = SummaryLines(
        MakePrintInfo(doc.curBlock, doc.graphSetting, doc.measureSetting, rig.form->Readouts()));
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines.back(), QStringLiteral("平均: パワー平均 4回"));

    // A new FFT option makes the block's own spectrum again: no average is claimed any more.
    rig.form->Document().Recompute(BlockRole::Measured);
    EXPECT_FALSE(doc.curBlock.averaging.Averaged());
    EXPECT_EQ(SummaryLines(MakePrintInfo(doc.curBlock, doc.graphSetting, doc.measureSetting,
                                         rig.form->Readouts()))
                  .size(),
              14);
}

TEST_F(SeriesTest, PeakHoldKeepsTheLargestOfEveryBin) {
    rig.form->SetSeries({3, AverageMode::PeakHold, false});
    rig.Measure();
    std::vector<std::vector<float>> spectra;
    for (int i = 1; i <= 3; ++i) {
        spectra.push_back(BlockSpectrum(i, 3));
    }
    ExpectShown(Combine(spectra, true));
    EXPECT_EQ(AveragingSummary(rig.form->Document().curBlock.averaging),
              "平均: ピークホールド 3回");
}

TEST_F(SeriesTest, StopInTheMiddleKeepsTheBlocksCompleted) {
    rig.form->SetSeries({16, AverageMode::Power, false});
    rig.form->StartMeasurement();
    RunUntilDone(2);
    ASSERT_TRUE(rig.form->Measuring());
    EXPECT_EQ(rig.Panel(1), QStringLiteral("平均 3/16"));
    // Part of block 3 arrives, then the user stops.
    rig.clock.AdvanceMs(3.0);
    rig.form->IdleHandler();
    Controls(*rig.form).MeasureStartBtn->click();
    EXPECT_FALSE(rig.form->Measuring());
    EXPECT_EQ(rig.Panel(1), QStringLiteral("計測中止しました (平均 2/16)"));
    EXPECT_TRUE(rig.Panel(2).startsWith(QStringLiteral("最大値"))) << rig.Panel(2).toStdString();
    EXPECT_TRUE(rig.MenusEnabled());
    EXPECT_TRUE(rig.form->Document().fDataExist);
    ExpectShown(Combine({BlockSpectrum(1, 16), BlockSpectrum(2, 16)}, false));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(SeriesFileName(base, 3, 16))));
}

TEST_F(SeriesTest, ContinuousKeepsAMovingAverageOfTheLastK) {
    rig.form->SetSeries({2, AverageMode::Power, true});
    rig.form->StartMeasurement();
    RunUntilDone(5);
    EXPECT_EQ(rig.Panel(1), QStringLiteral("連続 6"));
    Controls(*rig.form).MeasureStartBtn->click();
    ASSERT_FALSE(rig.form->Measuring());
    EXPECT_EQ(rig.form->Document().curBlock.averaging.blocks, 2);
    ExpectShown(Combine({BlockSpectrum(4, 0), BlockSpectrum(5, 0)}, false));
}

} // namespace

// A clip in block 3 ends the series with the level warning; blocks 1 and 2 stay.
TEST(SeriesFaultTest, ClipInBlockThreeEndsTheSeriesAndKeepsTheBlocksBefore) {
    auto unit = std::make_unique<ScriptedUnit>();
    std::vector<int32_t> first(1024), second(1024), clipped(1024, 9000000);
    for (int i = 0; i < 1024; ++i) {
        first[i] = 8388608 + static_cast<int32_t>(100000 * std::sin(i * 0.2));
        second[i] = 8388608 + static_cast<int32_t>(50000 * std::sin(i * 0.2));
    }
    clipped[700] = 16777215;
    unit->codes = first;
    ScriptedUnit* u = unit.get();
    int starts = 0;
    u->onLine = [&](const std::string& line) {
        if (line.size() == 7 && line[0] == 'A') {
            ++starts;
            u->codes = starts == 1 ? second : clipped; // what the next start sends
        }
    };
    MeasureRig rig(std::move(unit));
    rig.form->SetSeries({8, AverageMode::Power, false});
    rig.Measure();
    EXPECT_EQ(starts, 3);
    EXPECT_FALSE(rig.form->Measuring());
    ASSERT_EQ(rig.presenter.shown.size(), 1u);
    EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(rig.Panel(2), QStringLiteral("入力信号レベルが適正範囲からはずれています"));
    const MeasurementDocument& doc = rig.form->Document();
    ASSERT_TRUE(doc.fDataExist);
    EXPECT_EQ(std::vector<int32_t>(doc.curCodes.begin(), doc.curCodes.begin() + 1024), second);
    EXPECT_EQ(doc.curBlock.averaging.blocks, 2);
    EXPECT_TRUE(rig.MenusEnabled());
}

// 平均化… edits the series through its dialog; the choice is the user's own setting, not the
// start-up file's.
TEST(SeriesDialogTest, TheDialogSetsCountAndMethodAndTheUserFileKeepsThem) {
    MeasureRig rig;
    // The user's own settings file goes to the test's folder, never to the one other tests read.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(rig.dir.path()));
    const QString prf = rig.dir.path() + "/Tavrinini.prf";
    QTimer::singleShot(0, [] {
        auto* dialog = qApp->activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QSpinBox*>("CountSpin")->setValue(16);
        dialog->findChild<QRadioButton*>("PeakRadio")->setChecked(true);
        static_cast<QDialog*>(dialog)->accept();
    });
    rig.form->MenuAverageClick();
    EXPECT_EQ(rig.form->Series().count, 16);
    EXPECT_EQ(rig.form->Series().mode, AverageMode::PeakHold);
    EXPECT_FALSE(rig.form->Series().continuous);
    rig.form->close();
    UserSettings saved;
    ASSERT_TRUE(saved.Load((rig.dir.path() + "/tavrin/tavrin.conf").toStdString()));
    EXPECT_EQ(saved.Number("average.count", 1, 1000, 0), 16);
    EXPECT_EQ(saved.Text("average.mode"), "peak-hold");
    std::ifstream in(prf.toStdString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().find("average"), std::string::npos);
}

// The analysis window follows the series: its figures are those of analyze --average on the
// series' files, to the last digit.
TEST(SeriesAnalysisTest, TheAnalysisWindowShowsTheFiguresOfTheSeriesMeanPowerSpectrum) {
    MeasureRig rig;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(rig.dir.path()));
    MeasurementDocument& doc = rig.form->Document();
    doc.graphSetting.DataCountMax = 8192;
    doc.graphSetting.DataCountSel = 3;
    doc.measureSetting.fSaveDataFile = true;
    const std::string base = (rig.dir.path() + "/A.DTA").toStdString();
    SetDataFilePath(doc.measureSetting, base);
    rig.form->MenuAnalysisClick();
    rig.form->SetSeries({3, AverageMode::Power, false});
    rig.Measure();
    ASSERT_TRUE(ProcessEventsUntil([&] {
        return rig.form->Analysis()->HasFigures() &&
               rig.form->Analysis()->Figures().averagedBlocks == 3;
    }));

    std::ostringstream out, err;
    std::vector<std::string> args{"--average"};
    for (int i = 1; i <= 3; ++i) {
        args.push_back(SeriesFileName(base, i, 3));
    }
    ASSERT_EQ(AnalyzeCommand(args, out, err), 0) << err.str();
    EXPECT_EQ(rig.form->Analysis()->FiguresText(), out.str());
    // A block alone again: a single measurement is analysed by itself.
    rig.form->SetSeries({1, AverageMode::Power, false});
    rig.Measure();
    EXPECT_TRUE(ProcessEventsUntil([&] {
        return rig.form->Analysis()->HasFigures() &&
               rig.form->Analysis()->Figures().averagedBlocks == 1;
    }));
}

// A unit that stops sending in block 3 ends the series as a read error; blocks 1 and 2 stay.
TEST(SeriesFaultTest, AUnitThatStopsSendingEndsTheSeriesWithTheBlocksBefore) {
    auto unit = std::make_unique<ScriptedUnit>();
    std::vector<int32_t> block(1024), part(500, 8400000);
    for (int i = 0; i < 1024; ++i) {
        block[i] = 8388608 + static_cast<int32_t>(100000 * std::sin(i * 0.3));
    }
    unit->codes = block;
    ScriptedUnit* u = unit.get();
    int starts = 0;
    u->onLine = [&](const std::string& line) {
        if (line.size() == 7 && line[0] == 'A' && ++starts == 2) {
            u->codes = part;
        }
    };
    MeasureRig rig(std::move(unit));
    rig.form->SetSeries({5, AverageMode::Power, false});
    rig.Measure();
    EXPECT_EQ(starts, 3);
    EXPECT_FALSE(rig.form->Measuring());
    EXPECT_EQ(rig.Panel(2), QStringLiteral("計測エラーで終了"));
    EXPECT_EQ(rig.Panel(1), QStringLiteral("平均 3/5"));
    EXPECT_TRUE(rig.presenter.shown.empty());
    const MeasurementDocument& doc = rig.form->Document();
    ASSERT_TRUE(doc.fDataExist);
    EXPECT_EQ(doc.curBlock.count, 1024);
    EXPECT_EQ(std::vector<int32_t>(doc.curCodes.begin(), doc.curCodes.begin() + 1024), block);
    EXPECT_EQ(doc.curBlock.averaging.blocks, 2);
    EXPECT_TRUE(rig.MenusEnabled());
}

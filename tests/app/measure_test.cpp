#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "adunit/Adc.h"
#include "analysis/SampleConversion.h"
#include "app/StatusPanels.h"
#include "app/measure_test_helpers.h"
#include "common/SjisText.h"
#include "files/file_test_helpers.h"
#include "graph/TPaintBox.h"

namespace {

std::unique_ptr<ScriptedUnit> ScriptedWith(std::vector<int32_t> codes) {
    auto s = std::make_unique<ScriptedUnit>();
    s->codes = std::move(codes);
    return s;
}

QImage SpectrumImage(TFormMain& f) {
    return f.Graphs().SpectrumBox()->grab().toImage();
}

TEST(MeasureTest, FirstReadCompletesA1024BlockAtTheFastestRate) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.Document().graphSetting.whichWindowFunc =
        0; // the RMS of a windowed spectrum is the window's share
    f.StartMeasurement();
    ASSERT_TRUE(f.Measuring());
    EXPECT_EQ(f.Measurement().ChunkSize(), 1024);
    EXPECT_EQ(rig.Panel(0), "TORVEX24/ Ver2.10/ 125ksps");
    EXPECT_EQ(rig.Panel(1), "計測中です");
    EXPECT_EQ(rig.Panel(2), "測定開始処理中です。。。");
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測中止");
    EXPECT_TRUE(Controls(f).MeasureStartBtn->isEnabled());
    EXPECT_FALSE(rig.MenusEnabled());
    EXPECT_EQ(f.windowTitle(), "Tavrin v2 : Untitled");
    EXPECT_EQ(Controls(f).EditRMS->text(), "---");
    // Not all of the group has arrived yet: nothing is taken.
    rig.clock.AdvanceMs(4.0);
    f.IdleHandler();
    EXPECT_EQ(f.Measurement().ReceivedCount(), 0);
    EXPECT_EQ(rig.RunAcquisition(5.0), 1) << "the first read that finds 1024 samples completes";
    EXPECT_FALSE(f.Measuring());
    EXPECT_TRUE(f.Document().fDataExist);
    EXPECT_FALSE(f.Document().fDataSaved);
    EXPECT_EQ(f.Document().curBlock.count, 1024);
    EXPECT_EQ(f.Document().curBlock.spsSel, 16);
    EXPECT_FALSE(rig.Sim()->IsStreaming());
    EXPECT_EQ(rig.Panel(1), "計測終了しました");
    EXPECT_TRUE(rig.Panel(2).startsWith("最大値：")) << rig.Panel(2).toStdString();
    EXPECT_FALSE(f.InfoShown());
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
    EXPECT_TRUE(rig.MenusEnabled());
    EXPECT_TRUE(rig.presenter.shown.empty());
    // The 1 V peak tone reads about 0.707 Vrms; the largest line is the 1 kHz bin.
    EXPECT_EQ(Controls(f).LabelRMS->text(), "Vrms");
    EXPECT_NEAR(Controls(f).EditRMS->text().toDouble(), 0.707, 0.01);
    EXPECT_NEAR(f.Readouts().EditPeakHz->text().toDouble(), 1000.0, f.Document().curBlock.deltaF);
    EXPECT_EQ(Controls(f).LabelPeakdB->text(), "dBV");
    EXPECT_EQ(QString::fromStdString(SjisToUtf8(f.Document().measureSetting.StartDateTime)).size(),
              19);
    EXPECT_TRUE(
        QDateTime::fromString(QString::fromStdString(f.Document().measureSetting.StartDateTime),
                              "yyyy/MM/dd HH:mm:ss")
            .isValid());
}

TEST(MeasureTest, SlowestRateCountsEverySampleThenCompletes) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.Document().unitSetting.spsSel = 0;
    f.StartMeasurement();
    ASSERT_TRUE(f.Measuring());
    EXPECT_EQ(f.Measurement().ChunkSize(), 1);
    for (int n = 1; n < 1024; ++n) {
        rig.clock.AdvanceMs(200.0);
        f.IdleHandler();
        ASSERT_EQ(f.Measurement().ReceivedCount(), n);
        f.FlushProgress();
        ASSERT_EQ(
            rig.Panel(2),
            QString("データ番号：%1 / AD変換値：%2").arg(n).arg(f.Document().curCodes[n - 1]));
    }
    EXPECT_TRUE(f.Measuring());
    rig.clock.AdvanceMs(200.0);
    f.IdleHandler();
    EXPECT_FALSE(f.Measuring());
    EXPECT_TRUE(f.Document().fDataExist);
}

TEST(MeasureTest, CountsThatAreNoMultipleOfTheReadGroupCompleteWhole) {
    // 125 ksps reads 1024 a group: 5000 is 4 groups and 904. (Other rates: acquisition tests.)
    SimConfig config = DefaultSimConfig();
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    MeasureRig rig(config);
    TFormMain& f = *rig.form;
    f.Document().graphSetting.DataCountMax = 5000;
    f.StartMeasurement();
    ASSERT_TRUE(f.Measuring());
    rig.RunAcquisition(16.0, 2000);
    ASSERT_FALSE(f.Measuring()) << "stuck at " << f.Measurement().ReceivedCount();
    ASSERT_TRUE(f.Document().fDataExist);
    EXPECT_EQ(f.Document().curBlock.count, 5000);
    EXPECT_EQ(f.Measurement().ReceivedCount(), 5000);
    for (int32_t i = 0; i < 5000; ++i) {
        ASSERT_EQ(f.Document().curCodes[i], 0x100000 + i) << "sample " << i;
    }
    EXPECT_TRUE(rig.Panel(2).startsWith("最大値：")) << rig.Panel(2).toStdString();
}

TEST(MeasureTest, InitUnitFailuresReportAsTabledAndKeepThePreviousData) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    rig.Measure();
    ASSERT_TRUE(f.Document().fDataExist);
    const QImage before = SpectrumImage(f);
    const QString rms = Controls(f).EditRMS->text();
    const QString unitText = rig.Panel(0);

    struct Row {
        const char* name;
        std::function<void(SimConfig&)> fault;
        QString message; // empty: no box
        QString panel0;  // empty: unchanged
        bool unitOpen;
    };
    const QString notFound = "TORVEX24が見つかりませんでした";
    const std::vector<Row> rows = {
        {"absent", [](SimConfig& c) { c.absent = true; }, notFound, notFound, false},
        {"silent", [](SimConfig& c) { c.silent = true; }, "TORVEX24が応答しませんでした",
         "TORVEX24応答しませんでした", false},
        {"check NG", [](SimConfig& c) { c.ngCommand = "?"; }, "TORVEX24が応答しませんでした",
         "TORVEX24応答しませんでした", false},
        {"filter NG", [](SimConfig& c) { c.ngCommand = "S5"; }, "", "", true},
        {"rate NG", [](SimConfig& c) { c.ngCommand = "F*"; }, "", "", true},
        {"model NG", [](SimConfig& c) { c.ngCommand = "U?"; }, "", "", true},
        {"other model", [](SimConfig& c) { c.modelName = "TORVEX16"; }, "", "", true},
        {"version NG", [](SimConfig& c) { c.ngCommand = "V?"; }, "", "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimConfig config = DefaultSimConfig();
        row.fault(config);
        SimulatedUnit& sim = rig.UseSim(config);
        rig.presenter.shown.clear();
        Controls(f).StatusBar1->SetPanelText(0, unitText);
        Controls(f).StatusBar1->SetPanelText(1, "x");
        Controls(f).StatusBar1->SetPanelText(2, "y");
        Controls(f).MeasureStartBtn->click();
        EXPECT_FALSE(f.Measuring());
        if (row.message.isEmpty()) {
            EXPECT_TRUE(rig.presenter.shown.empty());
        } else {
            ASSERT_EQ(rig.presenter.shown.size(), 1u);
            EXPECT_EQ(rig.presenter.shown[0].text, row.message);
            EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Error);
            EXPECT_EQ(rig.presenter.shown[0].caption, "Tavrin v2");
        }
        EXPECT_EQ(rig.Panel(0), row.panel0.isEmpty() ? unitText : row.panel0);
        EXPECT_EQ(rig.Panel(1), "");
        EXPECT_EQ(rig.Panel(2), "");
        EXPECT_EQ(sim.IsOpen(), row.unitOpen);
        EXPECT_EQ(f.Measurement().ADUnit()->IsOpen(), row.unitOpen);
        EXPECT_FALSE(sim.IsStreaming());
        EXPECT_TRUE(f.Document().fDataExist);
        EXPECT_EQ(Controls(f).EditRMS->text(), rms);
        EXPECT_EQ(SpectrumImage(f), before) << "graphs are not cleared";
        EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
        EXPECT_TRUE(rig.MenusEnabled());
    }
    // A unit left open by a silent failure is found open by the next start, which succeeds.
    rig.UseSim(DefaultSimConfig());
    ASSERT_TRUE(f.Measurement().ADUnit()->OpenUnit());
    rig.Measure();
    EXPECT_TRUE(f.Document().fDataExist);
    EXPECT_EQ(rig.Panel(1), "計測終了しました");
}

TEST(MeasureTest, AcquisitionCommandThatCannotBeSentClosesTheUnit) {
    auto scripted = ScriptedWith(std::vector<int32_t>(1024, 8388608));
    scripted->failStartCommand = true;
    MeasureRig rig(std::move(scripted));
    TFormMain& f = *rig.form;
    f.StartMeasurement();
    EXPECT_FALSE(f.Measuring());
    EXPECT_EQ(rig.Panel(0), "コマンド送信エラーです");
    ASSERT_EQ(rig.presenter.shown.size(), 1u);
    EXPECT_EQ(rig.presenter.shown[0].text, "コマンド送信エラーです");
    EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(rig.Scripted()->open);
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
    EXPECT_TRUE(rig.MenusEnabled());
    EXPECT_EQ(Controls(f).EditRMS->text(), "---");
}

TEST(MeasureTest, ReadErrorStallStopAndCloseEndTheAcquisitionWithoutData) {
    {
        SCOPED_TRACE("unit vanishes mid-block");
        SimConfig c = DefaultSimConfig();
        c.vanishAfter = 100;
        MeasureRig rig(c);
        TFormMain& f = *rig.form;
        f.Document().unitSetting.spsSel = 8; // 16 samples per read
        f.StartMeasurement();
        ASSERT_TRUE(f.Measuring());
        rig.RunAcquisition(16.0, 1000);
        EXPECT_FALSE(f.Measuring());
        EXPECT_FALSE(f.Document().fDataExist);
        EXPECT_EQ(f.Document().curBlock.count, 0);
        EXPECT_EQ(rig.Panel(2), "計測エラーで終了");
        EXPECT_TRUE(rig.presenter.shown.empty());
        EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
        EXPECT_TRUE(rig.MenusEnabled());
    }
    {
        SCOPED_TRACE("unit stops sending");
        SimConfig c = DefaultSimConfig();
        c.stallAfter = 100;
        MeasureRig rig(c);
        TFormMain& f = *rig.form;
        f.Document().unitSetting.spsSel =
            8; // 1 ksps, 16 samples a read: silence of 1.064 s is a stall
        f.StartMeasurement();
        rig.RunAcquisition(16.0, 6);
        ASSERT_EQ(f.Measurement().ReceivedCount(), 96);
        rig.driver->sent.clear();
        rig.RunAcquisition(1.0, 1063);
        EXPECT_TRUE(f.Measuring()) << "a pause shorter than the limit is no stall";
        EXPECT_EQ(rig.RunAcquisition(1.0, 1000), 1);
        EXPECT_FALSE(f.Measuring());
        EXPECT_EQ(rig.driver->sent, "AX\r");
        EXPECT_FALSE(rig.Sim()->IsStreaming());
        EXPECT_FALSE(f.Document().fDataExist);
        EXPECT_EQ(rig.Panel(2), "計測エラーで終了");
        EXPECT_TRUE(rig.presenter.shown.empty());
        EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
        EXPECT_TRUE(rig.MenusEnabled());
    }
    {
        SCOPED_TRACE("silent unit, then the stop button");
        SimConfig c = DefaultSimConfig();
        c.stallAfter = 100;
        MeasureRig rig(c);
        TFormMain& f = *rig.form;
        f.Document().unitSetting.spsSel = 8;
        f.StartMeasurement();
        rig.RunAcquisition(16.0, 20);
        EXPECT_TRUE(f.Measuring());
        EXPECT_EQ(f.Measurement().ReceivedCount(), 96);
        f.FlushProgress();
        EXPECT_TRUE(rig.Panel(2).startsWith("データ番号：96 / AD変換値："));
        Controls(f).MeasureStartBtn->click();
        EXPECT_FALSE(f.Measuring());
        EXPECT_FALSE(f.Document().fDataExist);
        EXPECT_FALSE(rig.Sim()->IsStreaming());
        EXPECT_EQ(rig.Panel(1), "計測中止しました");
        EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
        EXPECT_TRUE(rig.MenusEnabled());
        EXPECT_TRUE(rig.presenter.shown.empty());
    }
    {
        SCOPED_TRACE("window closed during the acquisition");
        MeasureRig rig;
        TFormMain& f = *rig.form;
        f.Document().unitSetting.spsSel = 8;
        f.StartMeasurement();
        rig.RunAcquisition(16.0, 5);
        ASSERT_TRUE(f.Measuring());
        f.close();
        EXPECT_FALSE(f.Measuring());
        EXPECT_FALSE(f.Document().fDataExist);
        EXPECT_FALSE(rig.Sim()->IsStreaming());
    }
}

TEST(MeasureTest, StopPressedWhileTheUnitIsPreparedEndsTheStart) {
    MeasureRig rig(ScriptedWith(std::vector<int32_t>(1024, 8388608)));
    TFormMain& f = *rig.form;
    ScriptedUnit& unit = *rig.Scripted();
    // The press arrives through the event servicing of the wait for the check's reply.
    unit.onLine = [&](const std::string& line) {
        if (line == "?") {
            EXPECT_TRUE(f.InitializingUnit());
            Controls(f).MeasureStartBtn->click();
        }
    };
    Controls(f).MeasureStartBtn->click();
    EXPECT_FALSE(f.Measuring());
    EXPECT_FALSE(f.InitializingUnit());
    EXPECT_FALSE(unit.open);
    for (const std::string& line : unit.lines) {
        EXPECT_NE(line.substr(0, 1), "A") << "no acquisition is started";
    }
    EXPECT_EQ(unit.lines.size(), 1u) << "no further command after the press";
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
    EXPECT_TRUE(rig.MenusEnabled());
    EXPECT_EQ(rig.Panel(1), "計測中止しました");
    EXPECT_TRUE(rig.presenter.shown.empty());
    // The next start works normally.
    unit.onLine = nullptr;
    Controls(f).MeasureStartBtn->click();
    rig.RunAcquisition();
    EXPECT_TRUE(f.Document().fDataExist);
}

TEST(MeasureTest, ClippingCodesRejectTheBlockButFullScaleCodesAreAccepted) {
    {
        SCOPED_TRACE("16777215 as the last sample");
        SimConfig c = DefaultSimConfig();
        c.clipAt = 1023;
        MeasureRig rig(c);
        TFormMain& f = *rig.form;
        rig.Measure();
        EXPECT_FALSE(f.Document().fDataExist);
        EXPECT_FALSE(f.Measuring());
        EXPECT_EQ(f.Document().curBlock.count, 0);
        EXPECT_EQ(f.Document().curCodes[1023], 16777215);
        EXPECT_EQ(rig.Panel(2), "入力信号レベルが適正範囲からはずれています");
        ASSERT_EQ(rig.presenter.shown.size(), 1u);
        EXPECT_EQ(rig.presenter.shown[0].text, "入力信号レベルが適正範囲からはずれています");
        EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Warning);
        EXPECT_EQ(Controls(f).EditRMS->text(), "---");
        EXPECT_TRUE(rig.MenusEnabled());
    }
    {
        SCOPED_TRACE("1 and 16777214");
        std::vector<int32_t> codes(1024, 8388608);
        codes[10] = 1;
        codes[20] = 16777214;
        MeasureRig rig(ScriptedWith(codes));
        TFormMain& f = *rig.form;
        rig.Measure();
        ASSERT_TRUE(f.Document().fDataExist);
        EXPECT_TRUE(rig.presenter.shown.empty());
        EXPECT_EQ(f.Document().curVolts[10], -2.5f);
        EXPECT_EQ(f.Document().curVolts[20], 2.4999995f);
        EXPECT_EQ(f.Document().curVolts[0], 0.0f);
        EXPECT_EQ(f.Document().curBlock.voltMin, -2.5f);
        EXPECT_EQ(f.Document().curBlock.voltMax, 2.4999995f);
    }
}

TEST(MeasureTest, ConstantCodeStatisticsInCodesAndVolts) {
    MeasureRig rig(ScriptedWith(std::vector<int32_t>(1024, 9000000)));
    TFormMain& f = *rig.form;
    rig.Measure();
    ASSERT_TRUE(f.Document().fDataExist);
    const float v = (9000000 - 8388608) * 2.9802325e-7f;
    EXPECT_EQ(f.Document().curBlock.voltMax, v);
    EXPECT_EQ(f.Document().curBlock.voltMin, v);
    EXPECT_NEAR(f.Document().curBlock.voltMean, 0.182209f, 1e-6);
    EXPECT_EQ(f.Document().stdDevCode, 0.0f);
    EXPECT_EQ(rig.Panel(2),
              "最大値：9000000 / 最小値：9000000 / pp値：0 digit / 標準偏差：0.0 digit");
    f.Document().graphSetting.fSig_Volt = true;
    f.ShowStatistics();
    EXPECT_EQ(rig.Panel(2), "最大値：182.209 mV　/最小値：182.209 mV　/p-p値：0.000 nV / "
                            "標準偏差：0.000 nV");
}

TEST(MeasureTest, InformationTextAndStatusBarClicks) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.Document().graphSetting.DataCountMax = 262144;
    f.Document().graphSetting.fAbsoGraph = true;
    f.Document().graphSetting.whichWindowFunc = 1;
    f.Document().graphSetting.fWinFuncAdjust = true;
    rig.Measure(50.0);
    ASSERT_TRUE(f.Document().fDataExist);
    const QString stats = rig.Panel(2);
    EXPECT_TRUE(stats.startsWith("最大値："));
    const QString info = "Δｆ= 0.477Hz / 絶対値[dBV] 表示 / 窓関数=ハニング窓(補正あり)";
    f.StatusBar1Click();
    EXPECT_EQ(rig.Panel(2), info);
    EXPECT_TRUE(f.InfoShown());
    EXPECT_EQ(Controls(f).StatusBar1->PanelWidth(2),
              QFontMetrics(f.font()).horizontalAdvance(info) + 10);
    f.StatusBar1Click();
    EXPECT_EQ(rig.Panel(2), stats);
    EXPECT_FALSE(f.InfoShown());

    const struct {
        int window;
        bool adjust;
        bool abso;
        const char* tail;
    } cases[] = {
        {0, true, false, " / 相対値[dB] 表示 / 窓関数=矩形波窓(補正なし)"},
        {2, false, true, " / 絶対値[dBV] 表示 / 窓関数=ハミング窓"},
        {3, true, true, " / 絶対値[dBV] 表示 / 窓関数=フラットトップ窓(補正あり)"},
    };
    for (const auto& c : cases) {
        f.Document().graphSetting.whichWindowFunc = c.window;
        f.Document().graphSetting.fWinFuncAdjust = c.adjust;
        f.Document().graphSetting.fAbsoGraph = c.abso;
        f.ShowMeasureInfo();
        EXPECT_EQ(rig.Panel(2), QString("Δｆ= 0.477Hz") + c.tail);
    }
    // Without data the information text is empty.
    f.Document().fDataExist = false;
    f.ShowMeasureInfo();
    EXPECT_EQ(rig.Panel(2), "");
}

TEST(MeasureTest, RmsUnitFollowsTheSinglePrecisionValue) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.Document().curBlock.count = 4;
    const struct {
        float rms;
        const char* text;
        const char* unit;
    } cases[] = {
        {0.1f, "0.100", "Vrms"},    {0.05f, "50.000", "mVrms"},    {1.5f, "1.500", "Vrms"},
        {0.001f, "1.000", "mVrms"}, {0.0005f, "500.000", "uVrms"}, {2.5e-7f, "250.000", "nVrms"},
    };
    for (const auto& c : cases) {
        f.Document().curSpectrum[1] = c.rms;
        f.ShowRMS();
        EXPECT_EQ(f.Document().rmsVolt, c.rms);
        EXPECT_EQ(Controls(f).EditRMS->text(), c.text) << c.rms;
        EXPECT_EQ(Controls(f).LabelRMS->text(), c.unit) << c.rms;
        EXPECT_GE(Controls(f).LabelRMS->width(), Controls(f).LabelRMS->sizeHint().width())
            << "unit not clipped";
    }
}

TEST(MeasureTest, AutomaticSaveOnOffDeclinedAndFailed) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    const QString path = rig.dir.filePath("a1.DTA");
    {
        SCOPED_TRACE("off");
        rig.Measure();
        EXPECT_FALSE(f.Document().fDataSaved);
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(f.windowTitle(), "Tavrin v2 : Untitled");
    }
    f.Document().measureSetting.fSaveDataFile = true;
    SetDataFilePath(f.Document().measureSetting, path.toStdString());
    {
        SCOPED_TRACE("on");
        rig.Measure();
        EXPECT_TRUE(f.Document().fDataSaved);
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_EQ(f.windowTitle(), "Tavrin v2 : a1.DTA");
        EXPECT_TRUE(rig.presenter.shown.empty());
    }
    {
        SCOPED_TRACE("overwrite declined");
        WriteAll(path, "previous");
        f.setWindowTitle("Tavrin v2 : before");
        rig.presenter.answer = MsgAnswer::No;
        f.StartMeasurement();
        const QString caption = f.windowTitle();
        rig.RunAcquisition();
        ASSERT_TRUE(f.Document().fDataExist);
        ASSERT_EQ(rig.presenter.shown.size(), 1u) << "the question only, no error";
        EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Question);
        EXPECT_EQ(ReadAll(path), "previous");
        EXPECT_FALSE(f.Document().fDataSaved) << "nothing was stored";
        EXPECT_EQ(f.windowTitle(), caption);
        rig.presenter.shown.clear();
        rig.presenter.answer = MsgAnswer::Yes;
    }
    {
        SCOPED_TRACE("write fails");
        SetDataFilePath(f.Document().measureSetting,
                        rig.dir.filePath("missing/dir/b.DTA").toStdString());
        rig.Measure();
        EXPECT_TRUE(f.Document().fDataExist);
        EXPECT_FALSE(f.Document().fDataSaved);
        ASSERT_EQ(rig.presenter.shown.size(), 1u);
        EXPECT_EQ(rig.presenter.shown[0].text, "データ保存できませんでした");
        EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Error);
    }
}

// A Linux path longer than a Windows line: the settings file carries it whole, the automatic
// save writes exactly that file, and the file's own "DataFileName:" line reads back the same.
TEST(MeasureTest, LongAutomaticSaveNameSurvivesTheSettingsFile) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    QString folder = rig.dir.path();
    for (char c : {'a', 'b', 'c'}) {
        folder += "/" + QString(90, QChar(c));
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string path = (folder + "/run_000001.DTA").toStdString();
    ASSERT_GE(path.size(), 248u + 40u);
    GraphSetting g;
    g.DataCountSel = 0;
    g.DataCountMax = 1024;
    MeasureSetting m;
    m.fSaveDataFile = true;
    SetDataFilePath(m, path);
    const std::string prf = rig.dir.filePath("long.prf").toStdString();
    ASSERT_TRUE(ZF_File().WriteSettingFile(prf, "Tavrinini", g, m, ADUnitSetting{}));
    rig.files.answers = {QString::fromStdString(prf)};
    f.MenuOpenSettingFileClick();
    ASSERT_EQ(f.Document().measureSetting.DataFilePath, path);
    rig.Measure();
    EXPECT_TRUE(f.Document().fDataSaved);
    DataFileRecords saved;
    ASSERT_TRUE(saved.Read(path));
    EXPECT_EQ(saved.measure.DataFileName, path);
    EXPECT_EQ(saved.measure.DataFilePath, path);
}

TEST(MeasureTest, PeakButtonsAndSpectrumClickNeedData) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.PeakFwdBtnClick();
    f.PeakBackBtnClick();
    f.PaintBox1MouseDown(10);
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), "---");
    rig.Measure();
    ASSERT_TRUE(f.Document().fDataExist);
    const QString largest = f.Readouts().EditPeakHz->text();
    Controls(f).PeakFwdBtn->click();
    const QString next = f.Readouts().EditPeakHz->text();
    EXPECT_GT(next.toDouble(), largest.toDouble());
    Controls(f).PeakBackBtn->click();
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), largest);
    // 0.1 Hz to 100 kHz on the log axis: five sixths of the width is 10 kHz.
    const int x = f.Graphs().SpectrumBox()->width() * 5 / 6;
    const int bin = f.Graphs().Graph()->BinAtX(f.Graphs().SpectrumBox()->width(), x);
    EXPECT_NEAR(bin * f.Document().curBlock.deltaF, 10000.0, 2 * f.Document().curBlock.deltaF);
    f.PaintBox1MouseDown(x);
    EXPECT_NEAR(f.Readouts().EditPeakHz->text().toDouble(), bin * f.Document().curBlock.deltaF,
                0.001);
    // Beyond the block's last line (about 97 kHz of 62.5 kHz): the read-outs stay.
    f.PaintBox1MouseDown(f.Graphs().SpectrumBox()->width() - 1);
    EXPECT_NEAR(f.Readouts().EditPeakHz->text().toDouble(), bin * f.Document().curBlock.deltaF,
                0.001);
}

TEST(MeasureTest, ControlStates) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.LockControls();
    EXPECT_FALSE(Controls(f).MeasureStartBtn->isEnabled());
    EXPECT_FALSE(rig.MenusEnabled());
    f.UnlockControls();
    EXPECT_TRUE(Controls(f).MeasureStartBtn->isEnabled());
    EXPECT_TRUE(rig.MenusEnabled());
    f.SetMeasuringControls();
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測中止");
    EXPECT_TRUE(Controls(f).MeasureStartBtn->isEnabled());
    EXPECT_FALSE(rig.MenusEnabled());
    f.SetIdleControls();
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
    EXPECT_TRUE(rig.MenusEnabled());
    // The menu item starts like the button; a second start while measuring does nothing.
    f.MenuMeasureStartClick();
    EXPECT_TRUE(f.Measuring());
    f.MenuMeasureStartClick();
    EXPECT_TRUE(f.Measuring());
    rig.RunAcquisition();
    EXPECT_TRUE(f.Document().fDataExist);
}

} // namespace

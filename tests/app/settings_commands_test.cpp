// The two settings commands of the main window, with the dialogs answered through their
// controls while they are open.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "app/measure_test_helpers.h"
#include "common/RateTables.h"
#include "dialogs/Amp_setting.h"
#include "dialogs/Fft_setting.h"
#include "dialogs/dialog_test_helpers.h"
#include "graph/TPaintBox.h"

namespace {

// Runs a settings command; `act` works on its dialog while it is open modally.
template <class D>
void WithOpenDialog(D& dialog, const std::function<void(D&)>& act,
                    const std::function<void()>& command) {
    bool acted = false;
    QTimer::singleShot(0, &dialog, [&] {
        acted = dialog.isVisible() && dialog.isModal();
        act(dialog);
    });
    command();
    EXPECT_TRUE(acted);
    EXPECT_FALSE(dialog.isVisible());
}

void DisplaySettings(TFormMain& f, const std::function<void(TFormFFTSetting&)>& act) {
    WithOpenDialog<TFormFFTSetting>(*f.FFTSettingDialog(), act, [&] { f.MenuDispSettingClick(); });
}

void ClickSet(QWidget& d) {
    Find<QPushButton>(d, "SetBtn")->click();
}

// The spectrum of `block` computed afresh into separate arrays with the current settings.
std::vector<float> FreshSpectrum(TFormMain& f, const SampleBlock& block, const ADUnitSetting& ad) {
    std::vector<float> volts(block.count), spectrum(block.count / 2);
    SampleBlock copy = block;
    copy.volts = volts.data();
    copy.spectrum = spectrum.data();
    EXPECT_TRUE(ConvertBlock(copy, SamplePeriod(ad.spsSel, ad.sinc3)));
    f.Document().FFT()->ComputeSpectrum(copy);
    return spectrum;
}

TEST(SettingsCommands, DisplayChangesRedrawAndRecomputeOnlyForFftOptions) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    rig.Measure();
    ASSERT_TRUE(f.Document().fDataExist);
    // The measured block doubles as reference.
    std::copy_n(f.Document().curCodes.begin(), f.Document().curBlock.count,
                f.Document().refCodes.begin());
    f.Document().refBlock.count = f.Document().curBlock.count;
    f.Document().refADSetting = f.Document().acqSetting;
    ConvertBlock(f.Document().refBlock,
                 SamplePeriod(f.Document().refADSetting.spsSel, f.Document().refADSetting.sinc3));
    f.Document().FFT()->ComputeSpectrum(f.Document().refBlock);
    f.Document().fRefExist = true;

    // Marks in both spectra show whether they were computed again.
    const float mark = 123.0f;
    f.Document().curBlock.spectrum[7] = mark;
    f.Document().refBlock.spectrum[7] = mark;
    const QImage logAxis = f.Graphs().SpectrumBox()->grab().toImage();
    const QString peakHz = f.Readouts().EditPeakHz->text();

    // Cancel changes nothing.
    DisplaySettings(f, [](TFormFFTSetting& d) {
        Find<QRadioButton>(d, "RadioWin0")->click();
        Find<QPushButton>(d, "CancelBtn")->click();
    });
    EXPECT_TRUE(f.DialogCancelled());
    EXPECT_EQ(f.Document().graphSetting.whichWindowFunc, WinHanning);

    // The axis alone: drawn again, not computed again.
    DisplaySettings(f, [](TFormFFTSetting& d) {
        Find<QRadioButton>(d, "RadioLinear")->click();
        ClickSet(d);
    });
    EXPECT_FALSE(f.DialogCancelled());
    EXPECT_FALSE(f.Document().graphSetting.fLogGraph);
    EXPECT_EQ(f.Document().curBlock.spectrum[7], mark);
    EXPECT_EQ(f.Document().refBlock.spectrum[7], mark);
    EXPECT_NE(f.Graphs().SpectrumBox()->grab().toImage(), logAxis) << "the linear axis is drawn";
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), peakHz);

    // The window: both blocks computed again, read-outs from the new spectrum.
    DisplaySettings(f, [](TFormFFTSetting& d) {
        Find<QRadioButton>(d, "RadioWin0")->click();
        ClickSet(d);
    });
    EXPECT_EQ(f.Document().graphSetting.whichWindowFunc, WinRectangular);
    const std::vector<float> expected =
        FreshSpectrum(f, f.Document().curBlock, f.Document().acqSetting);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), f.Document().curBlock.spectrum));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), f.Document().refBlock.spectrum));
    // A rectangular window reads the 1 V tone's RMS as the spectrum's: 0.707.
    EXPECT_NEAR(Controls(f).EditRMS->text().toDouble(), 0.707, 0.01);

    // The DC cut and the correction count as well.
    for (const char* box : {"CheckDCCut", "CheckWinFuncAdjust"}) {
        f.Document().curBlock.spectrum[7] = mark;
        DisplaySettings(f, [box](TFormFFTSetting& d) {
            Find<QAbstractButton>(d, box)->click();
            ClickSet(d);
        });
        EXPECT_NE(f.Document().curBlock.spectrum[7], mark) << box;
    }
    EXPECT_FALSE(f.Document().graphSetting.fDCCut_FFT);
    EXPECT_TRUE(f.Document().graphSetting.fWinFuncAdjust);
    EXPECT_TRUE(rig.presenter.shown.empty());
}

TEST(SettingsCommands, CountChangeDropsUnsavedDataAndKeepsSavedData) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    rig.Measure();
    ASSERT_TRUE(f.Document().fDataExist);
    ASSERT_FALSE(f.Document().fDataSaved);
    // The question first: Cancel keeps the block and leaves the dialog's settings unused.
    for (const MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
        rig.presenter.answer = answer;
        rig.presenter.shown.clear();
        DisplaySettings(f, [](TFormFFTSetting& d) {
            Pick(Find<QComboBox>(d, "ComboBoxDNum"), 1);
            Find<QRadioButton>(d, "RadioWin0")->click();
            ClickSet(d);
        });
        ASSERT_EQ(rig.presenter.shown.size(), 1u);
        EXPECT_EQ(rig.presenter.shown[0].text,
                  "データを保存していませんが、破棄してもいいですか？");
        if (answer == MsgAnswer::Cancel) {
            EXPECT_TRUE(f.Document().fDataExist);
            EXPECT_EQ(f.Document().curBlock.count, 1024);
            EXPECT_EQ(f.Document().graphSetting.DataCountMax, 1024);
            EXPECT_EQ(f.Document().graphSetting.whichWindowFunc, WinHanning);
        }
    }
    EXPECT_FALSE(f.Document().fDataExist);
    EXPECT_EQ(f.Document().curBlock.count, 0);
    EXPECT_EQ(f.Document().graphSetting.DataCountMax, 2048);
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), "---");
    EXPECT_EQ(rig.Panel(2), "");

    rig.Measure();
    ASSERT_EQ(f.Document().curBlock.count, 2048);
    f.Document().fDataSaved = true; // as after a save
    DisplaySettings(f, [](TFormFFTSetting& d) {
        Pick(Find<QComboBox>(d, "ComboBoxDNum"), 0);
        ClickSet(d);
    });
    EXPECT_TRUE(f.Document().fDataExist);
    EXPECT_TRUE(f.Document().fDataSaved);
    EXPECT_EQ(f.Document().curBlock.count, 2048);
    EXPECT_EQ(f.Document().graphSetting.DataCountMax, 1024);
}

TEST(SettingsCommands, StartThatFailsLeavesTheBlockItsOwnRateFilterAndChannel) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    rig.Measure(); // 1024 samples at 125 ksps, Sinc5, CH0: 122.070 Hz a line
    ASSERT_TRUE(f.Document().fDataExist);
    const std::vector<std::function<void()>> failedStarts = {
        [&] {
            SimConfig absent = DefaultSimConfig();
            absent.absent = true;
            rig.UseSim(absent);
            Controls(f).MeasureStartBtn->click();
        },
        [&] {
            ScriptedUnit& unit = rig.UseScripted(std::make_unique<ScriptedUnit>());
            unit.onLine = [&](const std::string& line) {
                if (line == "?") {
                    // The stop, pressed while the unit is prepared.
                    Controls(f).MeasureStartBtn->click();
                }
            };
            Controls(f).MeasureStartBtn->click();
        },
    };
    int run = 0;
    for (const auto& failedStart : failedStarts) {
        SCOPED_TRACE(run);
        f.Document().unitSetting =
            ADUnitSetting{8, true, 1}; // 1 ksps, Sinc3, CH1 for the next start
        failedStart();
        ASSERT_FALSE(f.Measuring());
        ASSERT_TRUE(f.Document().fDataExist);
        const QString name = rig.dir.filePath(QString("after%1.DTA").arg(run++));
        rig.files.answers = {name};
        f.MenuDataSaveClick();
        const QByteArray file = ReadAll(name);
        for (const char* line : {"\r\nspsSel:16\r\n", "\r\nch_sel:0\r\n", "\r\nsinc3:0\r\n"}) {
            EXPECT_TRUE(file.contains(line)) << line << file.left(300).toStdString();
        }
        f.ShowMeasureInfo();
        EXPECT_TRUE(rig.Panel(2).startsWith("Δｆ= 122.070Hz")) << rig.Panel(2).toStdString();
        const int window = f.Document().graphSetting.whichWindowFunc;
        DisplaySettings(f, [window](TFormFFTSetting& d) {
            Find<QRadioButton>(d, window == WinHanning ? "RadioWin2" : "RadioWin1")->click();
            ClickSet(d);
        });
        EXPECT_NEAR(f.Document().curBlock.deltaF, 125000.0 / 1024, 1e-3)
            << "recomputed at the block's rate";
        EXPECT_TRUE(rig.Panel(2).startsWith("Δｆ= 122.070Hz")) << rig.Panel(2).toStdString();
    }
    // The next start that succeeds takes the new settings over.
    rig.UseSim(DefaultSimConfig());
    rig.Measure();
    EXPECT_EQ(f.Document().acqSetting, f.Document().unitSetting);
    EXPECT_EQ(f.Document().curBlock.spsSel, 8);
}

TEST(SettingsCommands, NewCountAndRateReachTheNextMeasurementAndTheStartupFile) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    ASSERT_TRUE(f.AmpSettingDialog() && f.FFTSettingDialog());
    WithOpenDialog<TFormAmpSetting>(
        *f.AmpSettingDialog(),
        [](TFormAmpSetting& d) {
            EXPECT_EQ(d.windowTitle(), "TORVEX24");
            Pick(Find<QComboBox>(d, "ComboBox1"), 12);
            ClickSet(d);
        },
        [&] { f.MenuADUnitSettingClick(); });
    EXPECT_EQ(f.Document().unitSetting.spsSel, 12);
    DisplaySettings(f, [](TFormFFTSetting& d) {
        Pick(Find<QComboBox>(d, "ComboBoxDNum"), 2);
        ClickSet(d);
    });
    rig.Measure(5.0);
    ASSERT_TRUE(f.Document().fDataExist);
    EXPECT_EQ(f.Document().curBlock.count, 4096);
    EXPECT_EQ(f.Document().curBlock.spsSel, 12);
    EXPECT_NEAR(f.Document().curBlock.deltaF, 25000.0 / 4096.0, 1e-3);
    EXPECT_EQ(rig.Panel(0), "TORVEX24/ Ver2.10/ 25ksps");
    f.close();
    const QByteArray file = ReadAll(rig.dir.filePath("Tavrinini.prf"));
    for (const char* line :
         {"\r\nDataCountSel:2\r\n", "\r\nDataCountMax:4096\r\n", "\r\nspsSel:12\r\n"}) {
        EXPECT_TRUE(file.contains(line)) << line << file.toStdString();
    }
}

TEST(SettingsCommands, DialogsAreMadeWithTheWindowAndReportThroughItsPresenter) {
    TestApp();
    for (const char* name : {"FormAmpSetting", "FormFFTSetting"}) {
        QTemporaryDir dir;
        RecordingPresenter presenter;
        FormMainOptions o;
        o.baseDir = dir.path();
        o.presenter = &presenter;
        o.failCreationOf = name;
        TFormMain form(o);
        EXPECT_TRUE(form.ConstructionFailed()) << name;
        ASSERT_EQ(presenter.shown.size(), 1u) << name;
        EXPECT_EQ(presenter.shown[0].text, QStringLiteral("致命的なメモリエラーです:") + name);
        EXPECT_FALSE(form.FFTSettingDialog()) << "made after " << name;
    }

    // Automatic saving on without a file: Set refuses through the window's message boxes.
    MeasureRig rig;
    TFormMain& f = *rig.form;
    f.Document().measureSetting.fSaveDataFile = true;
    SetDataFilePath(f.Document().measureSetting, "");
    const GraphSetting before = f.Document().graphSetting;
    DisplaySettings(f, [&](TFormFFTSetting& d) {
        Pick(Find<QComboBox>(d, "ComboBoxDNum"), 5);
        ClickSet(d);
        EXPECT_TRUE(d.isVisible());
        Find<QPushButton>(d, "CancelBtn")->click();
    });
    ASSERT_EQ(rig.presenter.shown.size(), 1u);
    EXPECT_EQ(rig.presenter.shown[0].caption, "ZF");
    EXPECT_EQ(rig.presenter.shown[0].text, "データファイルを選択して下さい");
    EXPECT_EQ(rig.presenter.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(f.DialogCancelled());
    EXPECT_TRUE(f.Document().graphSetting == before);
}

} // namespace

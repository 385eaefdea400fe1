// The main window's file commands, driven through scripted file dialogs and message boxes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <cmath>

#include "analysis/SampleConversion.h"
#include "app/FileDialogs.h"
#include "app/Myversion.h"
#include "app/measure_test_helpers.h"
#include "common/DecimalPicture.h"
#include "common/RateTables.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"
#include "files/setting_rule_cases.h"
#include "graph/TPaintBox.h"

namespace {

const QString kDiscardQuestion =
    QStringLiteral("データを保存していませんが、破棄してもいいですか？");


// A data file of `count` codes: a tone at `bin` around mid-scale. Its volts (all 0) and
// "deltaF:" (1.0) are deliberately wrong; a loaded block takes both from the codes and the A
// section.
struct ToneFile {
    QString path;
    ADUnitSetting ad{10, true, 1};
    GraphSetting graph;
    MeasureSetting measure;
    std::vector<int32_t> codes;

    ToneFile(const QString& p, int count, int bin, int amplitude) : path(p), codes(count) {
        graph.fLogGraph = false;
        graph.whichWindowFunc = WinRectangular;
        graph.index_dB_min = 12;
        measure.StartDateTime = "2020/01/02 03:04:05";
        SetDataFilePath(measure, Native(p));
        std::vector<float> volts(count, 0.0f);
        for (int i = 0; i < count; ++i) {
            codes[i] = kCodeZeroVolt +
                       static_cast<int32_t>(amplitude * std::sin(2 * M_PI * bin * i / count));
        }
        SampleBlock b;
        b.count = count;
        b.codes = codes.data();
        b.volts = volts.data();
        b.deltaF = 1.0f;
        ZF_File().WriteDataFile(ZF_File::kDataHeader, ad, b, graph, measure);
    }
    float DeltaF() const { return 1000.0f / (SamplePeriod(ad.spsSel, ad.sinc3) * codes.size()); }
};

// What a rejected file must leave alone: both blocks' samples, the records, flags and screen.
struct Snapshot {
    explicit Snapshot(TFormMain& f)
        : cur(f.Document().curCodes.begin(), f.Document().curCodes.begin() + 4096),
          ref(f.Document().refCodes.begin(), f.Document().refCodes.begin() + 4096),
          counts{f.Document().curBlock.count, f.Document().refBlock.count, f.Document().fDataExist,
                 f.Document().fRefExist, f.Document().fDataSaved},
          graph(f.Document().graphSetting), measure(f.Document().measureSetting),
          acq(f.Document().acqSetting), title(f.windowTitle()),
          spectrum(f.Graphs().SpectrumBox()->grab().toImage()) {}
    bool operator==(const Snapshot& o) const {
        return cur == o.cur && ref == o.ref && counts == o.counts && graph == o.graph &&
               measure == o.measure && measure.DataFilePath == o.measure.DataFilePath &&
               acq == o.acq && title == o.title && spectrum == o.spectrum;
    }
    std::vector<int32_t> cur, ref, counts;
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting acq;
    QString title;
    QImage spectrum;
};

class CommandsTest : public ::testing::Test {
protected:
    MeasureRig rig;
    TFormMain& f = *rig.form;
    QString Path(const QString& name) const { return rig.dir.filePath(name); }
    QStringList Texts() const {
        QStringList t;
        for (const auto& m : rig.presenter.shown) {
            t << m.text;
        }
        return t;
    }
    void Answer(std::initializer_list<QString> names) { rig.files.answers = names; }
};

TEST_F(CommandsTest, SaveAndExportApplyTheirNameRulesAndAskBeforeReplacing) {
    f.MenuDataSaveClick();
    f.MenuTextSaveClick();
    EXPECT_EQ(Texts(), QStringList({"データがありません", "データがありません",
                                    "FFTデータ保存できませんでした"}));
    rig.presenter.shown.clear();

    rig.Measure();
    Answer({Path("run1"), Path("run1.dta"), Path("run1.DTA")});
    f.MenuDataSaveClick();
    EXPECT_TRUE(f.Document().fDataSaved);
    EXPECT_EQ(f.windowTitle(), "Tavrin v2 : run1.DTA");
    f.MenuDataSaveClick();
    EXPECT_TRUE(QFile::exists(Path("run1.DTA")) && QFile::exists(Path("run1.dta.DTA")));
    const auto& asked = rig.files.asked;
    EXPECT_EQ(asked.at(0).filter, "データファイル (*.DTA)|*.DTA");
    EXPECT_EQ(asked[0].name + asked[0].folder, "*.DTA" + QDir::homePath());
    EXPECT_EQ(asked.at(1).name + asked[1].folder, "run1.DTA" + rig.dir.path());

    // A new block saved over run1.DTA and declined: nothing written, the block stays unsaved.
    rig.Measure();
    const QByteArray before = ReadAll(Path("run1.DTA"));
    rig.presenter.answer = MsgAnswer::No;
    f.MenuDataSaveClick();
    EXPECT_EQ(Texts(),
              QStringList({"ファイル：" + Path("run1.DTA") + "があります。\n上書きしますか"}));
    EXPECT_FALSE(f.Document().fDataSaved);
    EXPECT_EQ(ReadAll(Path("run1.DTA")), before);

    // Export from a dotted folder, to a name Shift-JIS cannot hold.
    ASSERT_TRUE(QDir(rig.dir.path()).mkpath("my.set"));
    SetDataFilePath(f.Document().measureSetting, Native(Path("my.set/run1.DTA")));
    Answer({Path("my.set/測定〜1")});
    f.MenuTextSaveClick();
    EXPECT_EQ(asked.back().filter, "FFTファイル (*.FFT)|*.FFT");
    EXPECT_EQ(asked.back().name + asked.back().folder, "run1.FFT" + Path("my.set"));
    EXPECT_EQ(f.Document().measureSetting.DataFilePath, Native(Path("my.set/測定〜1.DTA")));
    EXPECT_EQ(f.Document().measureSetting.DataFileName,
              Utf8ToSjis(Native(Path("my.set/測定〜1.DTA"))));
    const QList<QByteArray> lines = ReadAll(Path("my.set/測定〜1.FFT")).split('\n');
    ASSERT_EQ(lines.size(), 35 + 511 + 1) << "header, sections, 511 rows, END:, final break";
    EXPECT_EQ(lines[0] + lines[32], "DataFile:Tavrin_FFT\rfftnum:511\r");
    EXPECT_EQ(lines[8],
              "DataFileName:" +
                  QByteArray::fromStdString(Utf8ToSjis(Native(Path("my.set/測定〜1.FFT")))) + "\r");
    EXPECT_EQ(rig.presenter.shown.size(), 1u);
}

TEST_F(CommandsTest, LoadingAsDataAdoptsTheFileAndAsReferenceOnlyItsBlock) {
    rig.Measure();
    const ToneFile file(Path("tone.DTA"), 2048, 37, 300000);
    const GraphSetting liveGraph = f.Document().graphSetting;
    const QString title = f.windowTitle();
    const float df = file.DeltaF();
    Answer({file.path, file.path});
    f.MenuRefLoadFileClick();
    EXPECT_EQ(rig.Panel(1), "参照データを読み込みました");
    EXPECT_TRUE(f.Document().fRefExist && f.Document().graphSetting == liveGraph &&
                f.windowTitle() == title);
    EXPECT_EQ(f.Document().refADSetting, file.ad);
    EXPECT_EQ(f.Document().refBlock.count, 2048);
    EXPECT_EQ(f.Document().refBlock.deltaF, df);
    EXPECT_EQ(f.Document().refVolts[5], CodeToVolts(file.codes[5]));

    f.MenuDataLoadClick();
    EXPECT_EQ(Texts(), QStringList({kDiscardQuestion})) << "the measured block was not saved";
    EXPECT_TRUE(f.Document().fDataExist && f.Document().fDataSaved);
    EXPECT_EQ(rig.Panel(1), "データファイル読み込みました");
    EXPECT_EQ(f.windowTitle(), "Tavrin v2 : tone.DTA");
    EXPECT_TRUE(f.Document().graphSetting == file.graph && f.Document().acqSetting == file.ad &&
                f.Document().unitSetting == file.ad);
    EXPECT_EQ(f.Document().measureSetting.StartDateTime, file.measure.StartDateTime);
    EXPECT_EQ(f.Document().measureSetting.DataFilePath, Native(file.path));
    EXPECT_EQ(f.Document().curBlock.deltaF, df);
    // The cursor on the tone, then stepping through the loaded spectrum.
    auto hz = [&](int bin) { return QString::fromStdString(FormatDecimal(bin * double(df), 3)); };
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), hz(37));
    f.PeakFwdBtnClick();
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), hz(38));
    f.PeakBackBtnClick();
    f.PeakBackBtnClick();
    EXPECT_EQ(f.Readouts().EditPeakHz->text(), hz(36));
}

TEST_F(CommandsTest, RejectedFilesChangeNothing) {
    rig.Measure();
    const ToneFile good(Path("good.DTA"), 2048, 37, 300000);
    Answer({good.path});
    f.MenuRefLoadFileClick();
    QList<QByteArray> lines = ReadAll(good.path).split('\n');
    lines.resize(lines.size() - 3); // the final break, "END:" and the last sample line
    WriteAll(Path("truncated.DTA"), lines.join('\n') + '\n');
    WriteAll(Path("empty.DTA"), {});
    QByteArray binary(70000, '\0');
    for (int i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 7919 % 251);
    }
    WriteAll(Path("binary.DTA"), binary);
    WriteAll(Path("huge.DTA"), "DataFile:Tavrin\r\n" + QByteArray(32 << 20, 'A'));
    QDir(rig.dir.path()).mkdir("folder.DTA");
    GraphSetting badLevels;
    badLevels.index_dB_max = 17;
    badLevels.index_dB_min = 18;
    ZF_File().WriteSettingFile(Native(Path("levels.prf")), "Tavrinini", badLevels, {}, {});

    rig.presenter.shown.clear();
    const Snapshot before(f);
    QStringList expected;
    for (const char* name :
         {"truncated.DTA", "empty.DTA", "binary.DTA", "huge.DTA", "folder.DTA", "levels.prf"}) {
        Answer({Path(name), Path(name)});
        f.MenuDataLoadClick();
        f.MenuRefLoadFileClick();
        EXPECT_TRUE(Snapshot(f) == before) << name;
        expected << kDiscardQuestion << "データファイルの内容が正しくありませんでした"
                 << "データファイルの内容が正しくありませんでした";
    }
    for (const QString& name : {good.path, Path("levels.prf"), Path("folder.DTA")}) {
        Answer({name});
        f.MenuOpenSettingFileClick();
        EXPECT_TRUE(Snapshot(f) == before) << name.toStdString();
        expected << kDiscardQuestion << "設定ファイルの内容が正しくありませんでした";
    }
    EXPECT_EQ(Texts(), expected);
}

TEST_F(CommandsTest, SettingsFilesLoadAxesAndLevelsAtOnceAndAskBeforeReplacing) {
    rig.Measure();
    f.Document().unitSetting.spsSel = 3;
    Answer({Path("settings")});
    f.MenuSaveSettingFileClick();
    EXPECT_EQ(rig.files.asked.at(0).filter + rig.files.asked[0].name,
              "設定 ファイル (*.prf)|*.prf*.prf");
    GraphSetting g;
    MeasureSetting m;
    ADUnitSetting a;
    ASSERT_TRUE(ZF_File().ReadSettingFile(Native(Path("settings.prf")), "Tavrinini", g, m, a));
    EXPECT_EQ(a.spsSel, 3) << "the AD unit dialog's settings are written";

    const QByteArray before = ReadAll(Path("settings.prf"));
    f.Document().unitSetting.spsSel = 4;
    rig.presenter.answer = MsgAnswer::No;
    Answer({Path("settings.prf")});
    f.MenuSaveSettingFileClick();
    EXPECT_EQ(Texts(), QStringList({"同名のファイル：" + Path("settings.prf") +
                                    "があります。\n上書きしますか"}));
    EXPECT_EQ(ReadAll(Path("settings.prf")), before);

    GraphSetting levels;
    levels.index_dB_max = 4;
    levels.index_dB_min = 12;
    levels.fLogGraph = false;
    const ADUnitSetting ad{5, true, 1};
    ZF_File().WriteSettingFile(Native(Path("levels.prf")), "Tavrinini", levels, {}, ad);
    Answer({Path("levels.prf")});
    rig.presenter.answer = MsgAnswer::Ok; // the measured block may go
    f.MenuOpenSettingFileClick();
    EXPECT_TRUE(f.Document().graphSetting == levels && f.Document().acqSetting == ad &&
                f.Document().unitSetting == ad);
    EXPECT_FALSE(f.Document().fDataExist || f.Document().fRefExist || f.Document().fDataSaved);
    EXPECT_EQ(f.Graphs().Graph()->DbLabel(4)->text() + f.Graphs().Graph()->DbLabel(12)->text(),
              "-20dBV-100dBV");
    EXPECT_EQ(Controls(f).EditRMS->text() + f.windowTitle(), "---Tavrin v2 : Untitled");
}

TEST_F(CommandsTest, NewFileNameAsksOnlyWhenUnsavedDataWouldBeLostAndReferenceClears) {
    Answer({Path("first")});
    f.MenuFileNewClick();
    EXPECT_TRUE(rig.presenter.shown.empty()) << "no data: no question";
    EXPECT_EQ(rig.files.asked.at(0).filter, "Data files (*.DTA)|*.DTA");
    EXPECT_EQ(f.windowTitle(), "Tavrin v2 : first.DTA");

    rig.Measure();
    const QImage measuredOnly = f.Graphs().SpectrumBox()->grab().toImage();
    const ToneFile ref(Path("ref.DTA"), 1024, 10, 1000);
    Answer({ref.path});
    f.MenuRefLoadFileClick();
    EXPECT_NE(f.Graphs().SpectrumBox()->grab().toImage(), measuredOnly);
    f.MenuRefClearClick();
    EXPECT_TRUE(!f.Document().fRefExist && f.Document().refBlock.count == 0);
    EXPECT_EQ(f.Graphs().SpectrumBox()->grab().toImage(), measuredOnly);

    Answer({ref.path});
    f.MenuRefLoadFileClick();
    rig.presenter.answer = MsgAnswer::Cancel;
    f.MenuFileNewClick();
    EXPECT_EQ(Texts(), QStringList({"データを保存していませんが、破棄してもいいですか？"}));
    EXPECT_EQ(rig.files.asked.size(), 3u) << "cancelled before the dialog";
    for (bool autoSave : {true, false}) {
        rig.presenter.shown.clear();
        f.Document().measureSetting.fSaveDataFile = autoSave;
        f.Document().fDataExist = true;
        f.Document().fDataSaved = !autoSave;
        Answer({Path("next.x")});
        f.MenuFileNewClick();
        EXPECT_TRUE(rig.presenter.shown.empty()) << autoSave;
        EXPECT_EQ(f.Document().measureSetting.DataFilePath, Native(Path("next.x")));
        EXPECT_FALSE(f.Document().fDataExist || f.Document().fDataSaved);
        EXPECT_TRUE(f.Document().fRefExist) << "the reference stays";
    }
    EXPECT_EQ(f.Readouts().EditPeakHz->text() + rig.Panel(1), "---");
}

TEST_F(CommandsTest, AReferenceOnlyRedrawIgnoresAStoppedAcquisitionsCodes) {
    rig.Measure();
    // A slow acquisition stopped after three samples leaves stale codes in curBlock.
    auto unit = std::make_unique<ScriptedUnit>();
    unit->codes.assign(1024, 1000000);
    rig.UseScripted(std::move(unit));
    f.Document().unitSetting.spsSel = 0;
    f.StartMeasurement();
    for (int i = 0; i < 3; ++i) {
        rig.clock.AdvanceMs(250.0);
        f.IdleHandler();
    }
    f.MeasureStartBtnClick();
    ASSERT_TRUE(f.Document().curCodes[0] == 1000000 && !f.Document().fDataExist);

    const ToneFile ref(Path("ref.DTA"), 1024, 10, 1000);
    Answer({ref.path});
    f.MenuRefLoadFileClick();
    const auto [lo, hi] = std::minmax_element(ref.codes.begin(), ref.codes.end());
    EXPECT_EQ(f.Graphs().Wave(GraphArea::VoltMax)->text(), QString::number(*hi));
    EXPECT_EQ(f.Graphs().Wave(GraphArea::VoltMin)->text(), QString::number(*lo));
}

TEST(VersionBoxTest, PaintsItsTextsAndAClickAnywhereClosesIt) {
    TestApp();
    TFormVersion box;
    box.show();
    const QImage shot = box.grab().toImage();
    if (const QByteArray dir = qgetenv("TAVRIN_SHOT_DIR"); !dir.isEmpty()) {
        shot.save(QString::fromLocal8Bit(dir) + "/version_box.png");
    }
    int dark = 0; // its texts
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            dark += qGray(shot.pixel(x, y)) < 100;
        }
    }
    EXPECT_GT(dark, 60);

    RecordingPresenter presenter;
    QTemporaryDir dir;
    FormMainOptions o{dir.path(), &presenter, QStringLiteral("FormVersion")};
    TFormMain form(o);
    EXPECT_FALSE(form.CreateStartupWindow("FormVersion", [] { FAIL() << "not made"; }));
    EXPECT_EQ(presenter.shown.back().text, "致命的なメモリエラーです:FormVersion");
    o.failCreationOf.clear();
    TFormMain ok(o);
    ASSERT_TRUE(ok.CreateVersionBox());
    QTimer::singleShot(50, [&] { // a click on an empty corner
        const QPointF at(3, 90);
        QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, {}, {});
        QApplication::sendEvent(ok.VersionBox(), &press);
        QApplication::sendEvent(ok.VersionBox(), &release);
    });
    ok.MenuHelpVersionClick(); // returns once the box has closed
    EXPECT_FALSE(ok.VersionBox()->isVisible());
}

TEST(FileDialogTest, QtDialogMatchesPatternsInAnyCaseAndReturnsTheTypedPath) {
    TestApp();
    EXPECT_EQ(QtNameFilter("データファイル (*.DTA)|*.DTA"), "データファイル (*.DTA)");
    EXPECT_EQ(QtNameFilter("Tables|*.FFT"), "Tables (*.FFT)");
    QTemporaryDir dir;
    for (const char* name : {"a.dta", "b.DTA", "c.txt"}) {
        WriteAll(dir.filePath(name), "x");
    }
    QFileDialog open, save;
    QtFileDialogs dialogs(&open, &save);
    QStringList visible;
    QString shownName;
    QTimer::singleShot(50, [&] {
        auto* list = save.findChild<QListView*>("listView");
        ProcessEventsUntil([&] { return list->model()->rowCount(list->rootIndex()) >= 2; });
        QThread::msleep(100);
        QCoreApplication::processEvents();
        for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r) {
            visible << list->model()->index(r, 0, list->rootIndex()).data().toString();
        }
        auto* edit = save.findChild<QLineEdit*>("fileNameEdit");
        shownName = edit->text();
        edit->setText("run1");
        static_cast<QDialog&>(save).accept(); // QFileDialog::accept: the typed name
    });
    const QString chosen = dialogs.Ask(
        {FileDialogRequest::Mode::Save, "データファイル (*.DTA)|*.DTA", dir.path(), "*.DTA"});
    visible.sort();
    EXPECT_EQ(visible, QStringList({"a.dta", "b.DTA"}));
    EXPECT_EQ(shownName, "*.DTA");
    EXPECT_EQ(chosen, dir.filePath("run1"));
}

// The settings-load command opens exactly the files of the shared table that it should,
// whatever the order of their keys.
TEST_F(CommandsTest, SettingsLoadJudgesSectionsAsTheSharedTableSays) {
    for (const auto& c : setting_rules::Cases()) {
        f.Document().graphSetting.index_dB_max =
            7; // a value no case ends with: an adopted file shows
        rig.presenter.shown.clear();
        const std::string prf = setting_rules::WriteSettingCase(Native(Path("case.prf")), c);
        Answer({QString::fromStdString(prf)});
        f.MenuOpenSettingFileClick();
        EXPECT_EQ(f.Document().graphSetting.index_dB_max != 7, c.opens) << c.name;
        EXPECT_EQ(Texts().isEmpty(), c.opens) << c.name;
    }
}

} // namespace

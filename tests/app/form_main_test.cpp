#include <gtest/gtest.h>

#include <QWindow>

#include <QAction>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include "adunit/Adc.h"
#include "adunit/FtDriver.h"
#include "analysis/MyFFT.h"
#include "app/Mystatus.h"
#include "app/QtUiServices.h"
#include "app/StatusPanels.h"
#include "app/Tavrin_main.h"
#include "app/app_test_helpers.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"
#include "graph/TPaintBox.h"

namespace {
// A driver whose device is never there.
class AbsentDriver : public FtDriver {
public:
    uint32_t OpenByIndex(int) override { return 2; }
    uint32_t SetUSBParameters(uint32_t, uint32_t) override { return 1; }
    uint32_t Purge(uint32_t) override { return 1; }
    uint32_t GetQueueStatus(uint32_t& q) override {
        q = 0;
        return 1;
    }
    uint32_t Read(uint8_t*, uint32_t, uint32_t& n) override {
        n = 0;
        return 1;
    }
    uint32_t Write(const uint8_t*, uint32_t, uint32_t& n) override {
        n = 0;
        return 1;
    }
    uint32_t Close() override { return 0; }
};

class FormMainTest : public ::testing::Test {
protected:
    QApplication& app = TestApp();
    QTemporaryDir dir;
    RecordingPresenter presenter;

    FormMainOptions Options(const QString& failAt = {}) {
        FormMainOptions o;
        o.baseDir = dir.path();
        o.presenter = &presenter;
        o.failCreationOf = failAt;
        o.driverFactory = [] { return std::make_unique<AbsentDriver>(); };
        return o;
    }
    QString PrfPath() const { return dir.filePath("Tavrinini.prf"); }
    static std::string Native(const QString& p) { return QFile::encodeName(p).toStdString(); }
    QByteArray DefaultFileBytes() {
        const QString path = dir.filePath("defaults.prf");
        ZF_File().WriteSettingFile(Native(path), "Tavrinini", GraphSetting{}, MeasureSetting{},
                                   ADUnitSetting{});
        return ReadAll(path);
    }
    // Runs the event loop until the first idle pass has shown the window.
    static void StartUp(TFormMain& form) {
        ASSERT_TRUE(
            ProcessEventsUntil([&] { return !form.FirstIdlePending() && form.isVisible(); }));
    }
};

TEST_F(FormMainTest, ConstructionBuildsInvisiblyWithEverythingInPlace) {
    TFormMain form(Options());
    ASSERT_FALSE(form.ConstructionFailed());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "Tavrin");
    EXPECT_EQ(form.objectName(), "FormMain");
    EXPECT_TRUE(form.FirstIdlePending());
    for (bool flag : {form.Measuring(), form.Document().fDataExist, form.Document().fRefExist,
                      form.Document().fDataSaved, form.InfoShown(), form.StatusLayoutPending()}) {
        EXPECT_FALSE(flag);
    }
    EXPECT_EQ(form.Measurement().ReceivedCount(), 0);
    EXPECT_TRUE(form.Document().measureSetting.DataFileName.empty());
    EXPECT_TRUE(form.Document().measureSetting.StartDateTime.empty());

    // Data store reserved once, blocks pointing at it and empty.
    EXPECT_EQ(form.Document().curCodes.size(), 270000u);
    EXPECT_EQ(form.Document().refVolts.size(), 270000u);
    EXPECT_EQ(form.Document().curSpectrum.size(), 135000u);
    EXPECT_EQ(form.Document().refSpectrum.size(), 135000u);
    EXPECT_EQ(form.Document().curBlock.codes, form.Document().curCodes.data());
    EXPECT_EQ(form.Document().curBlock.volts, form.Document().curVolts.data());
    EXPECT_EQ(form.Document().curBlock.spectrum, form.Document().curSpectrum.data());
    EXPECT_EQ(form.Document().refBlock.codes, form.Document().refCodes.data());
    EXPECT_EQ(form.Document().refBlock.volts, form.Document().refVolts.data());
    EXPECT_EQ(form.Document().refBlock.spectrum, form.Document().refSpectrum.data());
    EXPECT_EQ(form.Document().curBlock.count, 0);
    EXPECT_EQ(form.Document().refBlock.count, 0);

    // Owned objects.
    EXPECT_TRUE(form.Messages() && form.Status() && form.Document().FileHandler() &&
                form.Document().FFT() && form.Measurement().ADUnit() && form.Graphs().Graph());
    for (QLabel* l : form.Graphs().DbLabels()) {
        ASSERT_NE(l, nullptr);
        EXPECT_TRUE(l->isHidden());
    }
    for (QLabel* l : form.Graphs().FreqLabels()) {
        ASSERT_NE(l, nullptr);
        EXPECT_TRUE(l->isHidden());
    }
    const auto axis = form.Graphs().AxisLabels();
    EXPECT_EQ(axis[0], form.Graphs().FreqLabels()[0]);
    EXPECT_EQ(axis[19], form.Graphs().DbLabels()[0]);
    EXPECT_EQ(axis[40], form.Graphs().Wave(GraphArea::VoltMax));
    EXPECT_EQ(axis[45], form.Graphs().Wave(GraphArea::TimeEnd));
    for (QLabel* l : axis) {
        EXPECT_TRUE(l->isHidden());
    }
    EXPECT_TRUE(form.Graphs().SpectrumBox()->isHidden());
    EXPECT_TRUE(form.Graphs().WaveBox()->isHidden());

    // Read-outs cleared.
    EXPECT_EQ(form.Readouts().EditPeakVolt->text(), "---");
    EXPECT_EQ(form.Readouts().EditPeakdB->text(), "---");
    EXPECT_EQ(form.Readouts().EditPeakHz->text(), "---");
    EXPECT_EQ(Controls(form).EditRMS->text(), "---");
    EXPECT_EQ(Controls(form).LabelRMS->text(), "Vrms");
}

TEST_F(FormMainTest, ControlsHaveTheirResourceNamesTextsAndGeometry) {
    TFormMain form(Options());
    struct Ctl {
        const char* name;
        QRect geometry;
        const char* text;
    };
    const Ctl controls[] = {
        {"PaintBox1", {116, 303, 465, 106}, nullptr},
        {"PaintBox3", {113, 28, 477, 97}, nullptr},
        {"MeasureStartBtn", {712, 396, 75, 25}, "計測開始"},
        {"GroupBox1", {692, 144, 110, 65}, "実効値"},
        {"GroupBox2", {692, 224, 110, 135}, "ピーク成分"},
        {"PeakBackBtn", {16, 100, 40, 25}, "<<"},
        {"PeakFwdBtn", {60, 100, 40, 25}, ">>"},
        {"LabelVoltmax", {27, 31, -1, -1}, "+1V"},
        {"LabelVoltzero", {39, 72, -1, -1}, "0"},
        {"LabelVoltmin", {27, 111, -1, -1}, "-1V"},
        {"LabelVoltUnit", {12, 12, -1, -1}, "V"},
        {"LabelTimeS", {68, 137, -1, -1}, "0"},
        {"LabelTimeE", {540, 137, -1, -1}, "100ms"},
        {"LabelPeakVolt", {-1, -1, -1, -1}, "Vrms"},
        {"LabelPeakdB", {-1, -1, -1, -1}, "dB"},
        {"LabelPeakHz", {-1, -1, -1, -1}, "Hz"},
    };
    for (const Ctl& c : controls) {
        auto* w = form.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        if (c.geometry.x() >= 0) {
            EXPECT_EQ(w->pos(), c.geometry.topLeft()) << c.name;
        }
        if (c.geometry.width() > 0) {
            EXPECT_EQ(w->size(), c.geometry.size()) << c.name;
        }
        if (!c.text) {
            continue;
        }
        QString text;
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            text = b->text();
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
        }
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name;
    }
    for (const char* edit : {"EditRMS", "EditPeakVolt", "EditPeakdB", "EditPeakHz"}) {
        auto* e = form.findChild<QLineEdit*>(edit);
        ASSERT_NE(e, nullptr) << edit;
        EXPECT_TRUE(e->isReadOnly()) << edit;
        // The widest read-outs (a peak near 25 kHz, an RMS in nVrms) show every digit, and
        // the unit label beside them stays inside the group box.
        e->setText(QStringLiteral("23173.807"));
        EXPECT_LE(e->fontMetrics().horizontalAdvance(e->text()), e->width() - 4) << edit;
    }
    for (const char* label : {"LabelRMS", "LabelPeakVolt"}) {
        auto* l = form.findChild<QLabel*>(label);
        l->setText(QStringLiteral("mVrms"));
        l->adjustSize();
        EXPECT_LE(l->x() + l->width(), l->parentWidget()->width()) << label;
    }
    EXPECT_EQ(form.findChild<QGroupBox*>("GroupBox1"), Controls(form).EditRMS->parentWidget());
    EXPECT_EQ(form.findChild<QGroupBox*>("GroupBox2"),
              form.Readouts().EditPeakVolt->parentWidget());
    auto* bar = form.findChild<TStatusPanels*>("StatusBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isSizeGripEnabled());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bar->PanelWidth(i), 50);
    }
    EXPECT_EQ(form.ClientWidth(), 812);
    EXPECT_EQ(form.ClientHeight(), 466);
    EXPECT_EQ(form.FormW(), 820);
    EXPECT_EQ(form.FormH(), 512);
    EXPECT_EQ(form.font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(form.font().pixelSize(), 12);
}

TEST_F(FormMainTest, MenusHaveEveryItemInOrder) {
    TFormMain form(Options());
    const std::vector<std::pair<const char*, std::vector<std::pair<const char*, const char*>>>>
        menus = {
            {"MenuFile",
             {{"MenuFileNew", "新規ファイル"},
              {nullptr, nullptr},
              {"MenuFilePrintSetting", "印刷設定"},
              {"MenuFilePrint", "印刷(&P)"},
              {nullptr, nullptr},
              {"MenuFileExit", "終了(&X)"}}},
            {"MenuMeasure",
             {{"MenuMeasureStart", "開始(&S)"},
              {nullptr, nullptr},
              {"MenuAnalysis", "解析(&A)…"},
              {"MenuContinuous", "連続計測(&C)"},
              {"MenuAverage", "平均化(&V)…"}}},
            {"MenuData",
             {{"MenuDataLoad", "読込み"},
              {"MenuDataSave", "保存"},
              {nullptr, nullptr},
              {"MenuTextSave", "FFT結果出力"}}},
            {"MenuSetting",
             {{"MenuDispSetting", "計測/表示設定"},
              {nullptr, nullptr},
              {"MenuADUnitSetting", "AD変換ユニット設定"},
              {nullptr, nullptr},
              {"MenuOpenSettingFile", "読込み"},
              {"MenuSaveSettingFile", "保存"}}},
            {"MenuRef",
             {{"MenuRefLoadFile", "読み込み"},
              {nullptr, nullptr},
              {"MenuRefClear", "データをクリア"}}},
            {"MenuHelp", {{"MenuHelpVersion", "バージョン(&V)"}}},
        };
    const QStringList titles = {"ファイル(&F)", "計測(&M)",       "データ(&D)",
                                "設定(&S)",     "参照データ(&R)", "ヘルプ(&H)"};
    const auto top = form.menuBar()->actions();
    ASSERT_EQ(top.size(), 6);
    EXPECT_EQ(form.menuBar()->objectName(), "MainMenu1");
    for (int m = 0; m < 6; ++m) {
        QMenu* menu = top[m]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menus[m].first);
        EXPECT_EQ(menu->title(), titles[m]);
        const auto items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(menus[m].second.size())) << menus[m].first;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const auto& [name, text] = menus[m].second[i];
            if (!name) {
                EXPECT_TRUE(items[i]->isSeparator());
                continue;
            }
            EXPECT_EQ(items[i]->objectName(), name);
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(text));
        }
    }
}

TEST_F(FormMainTest, MissingStartupFileIsCreatedWithDefaults) {
    const QByteArray defaults = DefaultFileBytes();
    ASSERT_FALSE(defaults.isEmpty());
    TFormMain form(Options());
    StartUp(form);
    EXPECT_EQ(ReadAll(PrfPath()), defaults);
    EXPECT_EQ(form.Document().acqSetting, ADUnitSetting{});
    EXPECT_EQ(form.Document().unitSetting, ADUnitSetting{});
    EXPECT_EQ(form.Document().graphSetting, GraphSetting{});
    EXPECT_EQ(form.Document().measureSetting, MeasureSetting{});
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : Untitled");
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_TRUE(Controls(form).MeasureStartBtn->hasFocus() || !QApplication::focusWindow());
}

TEST_F(FormMainTest, RejectedStartupFilesAreReplacedByDefaults) {
    const QByteArray defaults = DefaultFileBytes();
    ZF_File files;
    GraphSetting g;
    g.index_FreqE = 12;
    MeasureSetting m;
    ADUnitSetting a;
    a.spsSel = 3;
    ASSERT_TRUE(files.WriteSettingFile(Native(PrfPath()), "Tavrinini", g, m, a));
    QByteArray wrongHeader = ReadAll(PrfPath());
    wrongHeader.replace("Tavrinini", "Tavrinxxx");
    const QByteArray badValue = ReadAll(PrfPath()).replace("spsSel:3", "spsSel:99");
    ASSERT_NE(badValue, ReadAll(PrfPath()));
    for (const QByteArray& content : {wrongHeader, badValue, QByteArray("garbage\r\n")}) {
        WriteAll(PrfPath(), content);
        TFormMain form(Options());
        StartUp(form);
        EXPECT_EQ(ReadAll(PrfPath()), defaults);
        EXPECT_EQ(form.Document().acqSetting.spsSel, 16);
        EXPECT_EQ(form.Document().graphSetting.index_FreqE, 18);
    }
}

TEST_F(FormMainTest, ValidStartupFileIsUsedAndWrittenBackAtClose) {
    GraphSetting g;
    g.fLogGraph = false;
    MeasureSetting m;
    m.fSaveDataFile = true;
    SetDataFilePath(m, "/data/測定/表示a1.DTA"); // 表 has the trail byte 0x5C
    ADUnitSetting a;
    a.spsSel = 5;
    a.ch_sel = 1;
    ASSERT_TRUE(ZF_File().WriteSettingFile(Native(PrfPath()), "Tavrinini", g, m, a));
    {
        TFormMain form(Options());
        StartUp(form);
        EXPECT_EQ(form.Document().acqSetting, a);
        EXPECT_EQ(form.Document().unitSetting, a);
        EXPECT_FALSE(form.Document().graphSetting.fLogGraph);
        EXPECT_EQ(form.windowTitle(), "Tavrin v2 : 表示a1.DTA");
        // A unit setting changed in the dialog but never used is not kept; display settings are.
        form.Document().unitSetting.spsSel = 9;
        form.Document().graphSetting.index_dB_min = 12;
        form.MenuFileExitClick();
        EXPECT_FALSE(form.isVisible());
    }
    GraphSetting g2;
    MeasureSetting m2;
    ADUnitSetting a2;
    ASSERT_TRUE(ZF_File().ReadSettingFile(Native(PrfPath()), "Tavrinini", g2, m2, a2));
    EXPECT_EQ(a2, a);
    EXPECT_EQ(g2.index_dB_min, 12);
    EXPECT_EQ(m2, m);
}

TEST_F(FormMainTest, UnwritableStartupFileWarnsAndRunsOnWithDefaults) {
    FormMainOptions o = Options();
    o.baseDir = dir.filePath("no/such/dir");
    TFormMain form(o);
    StartUp(form);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "初期設定ファイルを保存できませんでした");
    EXPECT_EQ(presenter.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(presenter.shown[0].caption, "Tavrin v2");
    EXPECT_EQ(form.Document().graphSetting, GraphSetting{});
    form.close(); // the write at close fails again: warned, closed anyway
    EXPECT_EQ(presenter.shown.size(), 2u);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FormMainTest, StartupFileThatCannotBeReadIsKeptAndTheCloseReportsIt) {
    GraphSetting g;
    g.index_FreqE = 12;
    ASSERT_TRUE(ZF_File().WriteSettingFile(Native(PrfPath()), "Tavrinini", g, MeasureSetting{},
                                           ADUnitSetting{}));
    const QByteArray users = ReadAll(PrfPath());
    enum class Kind { Folder, Pipe, NoPermission };
    for (const Kind kind : {Kind::Folder, Kind::Pipe, Kind::NoPermission}) {
        SCOPED_TRACE(static_cast<int>(kind));
        QFile::remove(PrfPath());
        QDir().rmdir(PrfPath());
        if (kind == Kind::Folder) {
            ASSERT_TRUE(QDir().mkdir(PrfPath()));
        } else if (kind == Kind::Pipe) {
            // Opening a pipe nobody writes to would block the start for ever.
            ASSERT_EQ(::mkfifo(Native(PrfPath()).c_str(), 0600), 0);
        } else {
            if (::geteuid() == 0) {
                continue; // root reads it anyway
            }
            WriteAll(PrfPath(), users);
            ASSERT_EQ(::chmod(Native(PrfPath()).c_str(), 0200), 0);
        }
        presenter.shown.clear();
        {
            TFormMain form(Options());
            StartUp(form);
            EXPECT_TRUE(presenter.shown.empty()) << "nothing was written, nothing failed yet";
            EXPECT_EQ(form.Document().graphSetting, GraphSetting{});
            form.close();
            ASSERT_EQ(presenter.shown.size(), 1u);
            EXPECT_EQ(presenter.shown[0].text, "初期設定ファイルを保存できませんでした");
            EXPECT_TRUE(form.SettingsSaveFailed());
        }
        const QFileInfo info(PrfPath());
        if (kind == Kind::Folder) {
            EXPECT_TRUE(info.isDir());
        } else if (kind == Kind::Pipe) {
            EXPECT_FALSE(info.isFile() || info.isDir()) << "the pipe was replaced";
        } else {
            ::chmod(Native(PrfPath()).c_str(), 0600);
            EXPECT_EQ(ReadAll(PrfPath()), users);
        }
    }
    QDir().rmdir(PrfPath());
    QFile::remove(PrfPath());
}

TEST_F(FormMainTest, CaptionRule) {
    TFormMain form(Options());
    form.Document().measureSetting.fSaveDataFile = false;
    SetDataFilePath(form.Document().measureSetting, "C:\\data\\a1.DTA");
    form.UpdateCaption(false);
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : Untitled");
    form.setWindowTitle("Tavrin v2 : keep");
    form.UpdateCaption(true);
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : keep");
    form.Document().measureSetting.fSaveDataFile = true;
    form.UpdateCaption(true);
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : a1.DTA");
    SetDataFilePath(form.Document().measureSetting, "");
    form.UpdateCaption(true);
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : a1.DTA");
    form.UpdateCaption(false);
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : Untitled");
    // A name ending in a separator leaves nothing behind the colon.
    SetDataFilePath(form.Document().measureSetting, "C:\\data\\");
    form.UpdateCaption(false);
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : ");
    // ShowFileNameInCaption ignores fSaveDataFile.
    form.Document().measureSetting.fSaveDataFile = false;
    SetDataFilePath(form.Document().measureSetting, "/home/u/b2.DTA");
    form.ShowFileNameInCaption();
    EXPECT_EQ(form.windowTitle(), "Tavrin v2 : b2.DTA");
    // The title bar shows the name as it is, even one holding Qt's "[*]" placeholder.
    form.winId();
    SetDataFilePath(form.Document().measureSetting, "/home/u/run[*]1.DTA");
    form.ShowFileNameInCaption();
    ASSERT_NE(form.windowHandle(), nullptr);
    EXPECT_EQ(form.windowHandle()->title(), "Tavrin v2 : run[*]1.DTA");
}

TEST_F(FormMainTest, MemoryErrorNamesTheObjectAndStopsConstruction) {
    const char* objects[] = {"TLabel_dB", "TLabel_Freq", "myStatus", "ZF_File",
                             "myFFT",     "ADUnit",      "FFTGraph"};
    for (const char* name : objects) {
        presenter.shown.clear();
        TFormMain form(Options(name));
        EXPECT_TRUE(form.ConstructionFailed()) << name;
        ASSERT_EQ(presenter.shown.size(), 1u) << name;
        EXPECT_EQ(presenter.shown[0].text, QStringLiteral("致命的なメモリエラーです:") + name);
        EXPECT_EQ(presenter.shown[0].caption, "Tavrin v2");
        EXPECT_EQ(presenter.shown[0].icon, MsgIcon::Error);
        EXPECT_FALSE(form.HasIdleWork()) << name;
        EXPECT_FALSE(form.isVisible());
    }
    presenter.shown.clear();
    TFormMain form(Options("TmyMessage"));
    EXPECT_TRUE(form.ConstructionFailed());
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "致命的なメモリエラーです:TmyMessage");
    EXPECT_FALSE(form.Status());
    EXPECT_FALSE(form.Document().FileHandler());
}

TEST_F(FormMainTest, FailedConstructionOrEarlyCloseKeepsTheUsersStartupFile) {
    GraphSetting g;
    g.index_FreqS = 4;
    ASSERT_TRUE(ZF_File().WriteSettingFile(Native(PrfPath()), "Tavrinini", g, MeasureSetting{},
                                           ADUnitSetting{}));
    const QByteArray before = ReadAll(PrfPath());
    {
        TFormMain form(Options("myFFT")); // ZF_File exists, settings never read
        EXPECT_TRUE(form.ConstructionFailed());
    }
    EXPECT_EQ(ReadAll(PrfPath()), before);
    {
        TFormMain form(Options());
        form.close(); // before the first idle pass (e.g. a termination signal at start)
    }
    EXPECT_EQ(ReadAll(PrfPath()), before);
}

TEST_F(FormMainTest, IdleTimerRunsOnlyWhileThereIsIdleWork) {
    TFormMain form(Options());
    EXPECT_TRUE(form.HasIdleWork());
    StartUp(form);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.HasIdleWork(); }));
    ProcessEventsUntil([] { return false; }, 30);
    EXPECT_FALSE(form.IdleTimerActive());
    // A pending status layout re-arms it once and puts the bar at the bottom of the client area.
    Controls(form).StatusBar1->move(0, 0);
    form.FormResize();
    EXPECT_TRUE(form.StatusLayoutPending());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.StatusLayoutPending(); }));
    EXPECT_EQ(Controls(form).StatusBar1->geometry(), QRect(0, 446, 812, 20));
    ProcessEventsUntil([] { return false; }, 30);
    EXPECT_FALSE(form.IdleTimerActive());
}

TEST_F(FormMainTest, IdleWorkWaitsWhileACommandServicesEventsOrAModalBoxIsOpen) {
    TFormMain form(Options());
    StartUp(form);
    form.FormResize();
    QtEventPump pump;
    for (int i = 0; i < 10; ++i) {
        pump.ProcessPendingEvents();
        QThread::msleep(2);
    }
    EXPECT_TRUE(form.StatusLayoutPending());
    QWidget modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    ProcessEventsUntil([] { return false; }, 30);
    EXPECT_TRUE(form.StatusLayoutPending());
    modal.hide();
    // Back in an event loop that waits for events, the pending work runs.
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(form.StatusLayoutPending());
}

// The first look at the window: both boxes show their empty grids, not a white field.
TEST_F(FormMainTest, StartupShowsTheEmptyGrids) {
    TFormMain form(Options());
    StartUp(form);
    ProcessEventsUntil([] { return false; }, 200);
    for (TPaintBox* box : {form.Graphs().SpectrumBox(), form.Graphs().WaveBox()}) {
        ASSERT_TRUE(box->isVisible());
        EXPECT_FALSE(box->IsBlank()) << box->objectName().toStdString();
        const QImage shot = box->grab().toImage();
        int gridPixels = 0;
        for (int y = 2; y < shot.height() - 2; ++y) {
            for (int x = 2; x < shot.width() - 2; ++x) {
                gridPixels += shot.pixelColor(x, y) != Qt::white;
            }
        }
        EXPECT_GT(gridPixels, shot.width() + shot.height()) << box->objectName().toStdString();
    }
}

TEST_F(FormMainTest, InfoPanelUsesTheWidthRule) {
    TFormMain form(Options());
    form.SetInfoPanel("短い", 2);
    EXPECT_EQ(Controls(form).StatusBar1->PanelWidth(2), 110);
    const QString text = "Δｆ= 0.477Hz / 絶対値[dBV] 表示 / 窓関数=ハニング窓(補正あり)";
    form.SetInfoPanel(text, 2);
    EXPECT_EQ(Controls(form).StatusBar1->PanelText(2), text);
    EXPECT_EQ(Controls(form).StatusBar1->PanelWidth(2),
              QFontMetrics(form.font()).horizontalAdvance(text) + 10);
}
} // namespace

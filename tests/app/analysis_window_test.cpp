// The analysis window on a measured block, against tavrin-cli analyze on the same file: one
// core, so the figures, the copied text and the saved JSON are equal to the last digit. The
// histogram's columns are counted again here, independently of the window.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <set>
#include <sstream>

#include "analysisview/AnalysisWindow.h"
#include "app/measure_test_helpers.h"
#include "cli/Cli.h"
#include "files/UserSettings.h"

namespace {

std::string Analyze(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(AnalyzeCommand(args, out, err), 0) << err.str();
    return out.str();
}

class AnalysisWindowTest : public ::testing::Test {
protected:
    AnalysisWindowTest() {
        // The user's own settings file goes to the test's folder, never to the real one.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(rig.dir.path()));
        // 15 Hz bins: the 1 kHz tone's harmonics lie clear of its band.
        rig.form->Document().graphSetting.DataCountMax = 8192;
        rig.form->Document().graphSetting.DataCountSel = 3;
    }
    QString Path(const char* name) const { return QDir(rig.dir.path()).filePath(name); }
    std::string NativePath(const char* name) const { return Native(Path(name)); }
    bool ShowsNoData() const {
        auto* pages = rig.form->Analysis()->findChild<QStackedWidget*>("pages");
        return pages->currentWidget()->objectName() == "noDataPage";
    }
    // Runs the pass of the event loop that brings the window up to date.
    void Settle() { rig.app.processEvents(); }
    // The window opened, then one block measured and the window brought up to date.
    AnalysisWindow* MeasureWithWindowOpen() {
        rig.form->MenuAnalysisClick();
        rig.Measure();
        Settle();
        return rig.form->Analysis();
    }

    MeasureRig rig;
};

TEST_F(AnalysisWindowTest, FollowsTheMeasuredBlockWithTheFiguresOfAnalyze) {
    TFormMain& f = *rig.form;
    f.MenuAnalysisClick();
    AnalysisWindow* w = f.Analysis();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "解析");
    EXPECT_TRUE(ShowsNoData());
    EXPECT_FALSE(w->CopyFigures());

    f.StartMeasurement();
    Settle(); // as the event loop runs while measuring
    EXPECT_TRUE(ShowsNoData());
    rig.RunAcquisition();
    // Not within the finish itself: the main window's display comes first.
    EXPECT_FALSE(w->HasFigures());
    Settle();
    ASSERT_TRUE(w->HasFigures());
    EXPECT_FALSE(ShowsNoData());
    EXPECT_TRUE(w->Figures().dynamicApplies);

    // Saved, the block is named by its file; analyze on that file reads it as the window has it.
    rig.files.answers = {Path("run.DTA")};
    f.MenuDataSaveClick();
    Settle();
    const std::string table = Analyze({NativePath("run.DTA")});
    EXPECT_EQ(w->FiguresText(), table);
    QApplication::clipboard()->clear();
    w->activateWindow(); // the shortcut is the window's: it must be the active one
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), table);
    // Also while the order box has the focus (it would copy its own digits).
    QApplication::clipboard()->clear();
    auto* order = w->findChild<QSpinBox*>("harmonicsSpin");
    order->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([order] { return order->hasFocus(); }));
    QTest::keyClick(order, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), table);

    // JSON through the main window's save: the object analyze --json prints.
    rig.files.answers = {Path("figures")};
    f.SaveAnalysisFigures();
    EXPECT_EQ(ReadAll(Path("figures.json")).toStdString(),
              Analyze({NativePath("run.DTA"), "--json"}));
    // A different order of harmonics is analyze's --harmonics.
    w->SetHarmonicOrder(3);
    EXPECT_EQ(w->FiguresText(), Analyze({NativePath("run.DTA"), "--harmonics", "3"}));
    EXPECT_EQ(w->Figures().harmonicCount, 2);

    // The next start lets the block go at once; the block after it is analysed again.
    f.StartMeasurement();
    EXPECT_TRUE(ShowsNoData());
    Settle();
    rig.RunAcquisition();
    Settle();
    EXPECT_TRUE(w->HasFigures());
    EXPECT_EQ(w->FiguresText().substr(0, w->FiguresText().find(':')), "未保存の計測データ");

    // A data file loaded is analysed as analyze analyses it.
    rig.presenter.answer = MsgAnswer::Ok; // the unsaved block may go
    rig.files.answers = {Path("run.DTA")};
    f.MenuDataLoadClick();
    Settle();
    EXPECT_EQ(w->FiguresText(), Analyze({NativePath("run.DTA"), "--harmonics", "3"}));
}

TEST_F(AnalysisWindowTest, HistogramCountsAreTheCodesOfTheBlock) {
    TFormMain& f = *rig.form;
    AnalysisWindow* w = MeasureWithWindowOpen();
    ASSERT_TRUE(w->HasFigures());
    const SampleBlock& b = f.Document().curBlock;
    const CodeHistogram& h = w->Histogram();
    const auto [lo, hi] = std::minmax_element(b.codes, b.codes + b.count);
    ASSERT_EQ(h.Lowest(), *lo);
    ASSERT_EQ(h.Highest(), *hi);
    // A tone of 1 V spans far more codes than the plot has pixels: the columns are grouped.
    ASSERT_GT(h.CodesPerColumn(), 1);
    std::vector<int32_t> counts(h.Columns());
    for (int32_t i = 0; i < b.count; ++i) {
        ++counts[(b.codes[i] - *lo) / h.CodesPerColumn()];
    }
    for (int32_t c = 0; c < h.Columns(); ++c) {
        ASSERT_EQ(h.ColumnCount(c), counts[c]) << c;
    }
    const std::set<int32_t> distinct(b.codes, b.codes + b.count);
    EXPECT_EQ(h.MissingCodes(), int64_t{*hi} - *lo + 1 - int64_t(distinct.size()));
    EXPECT_DOUBLE_EQ(w->Figures().meanCode,
                     std::accumulate(b.codes, b.codes + b.count, 0.0) / b.count);
}

// The table's values are the copied text's; a shorted input's dynamic figures do not apply.
TEST_F(AnalysisWindowTest, TableShowsTheFiguresAndWhatDoesNotApply) {
    TFormMain& f = *rig.form;
    AnalysisWindow* w = MeasureWithWindowOpen();
    auto* table = w->findChild<QTableWidget*>("figuresTable");
    auto value = [table](const QString& label) {
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->item(r, 0)->text() == label) {
                return table->item(r, 1)->text();
            }
        }
        return QStringLiteral("(no row)");
    };
    char snr[32];
    std::snprintf(snr, sizeof snr, "%.2f dB", w->Figures().snrDb);
    EXPECT_EQ(value("SNR"), snr);
    EXPECT_NE(w->FiguresText().find(std::string("SNR                    ") + snr),
              std::string::npos);
    EXPECT_TRUE(value("第2高調波").endsWith(" dBc"));

    f.Document().unitSetting.ch_sel = 1; // the simulated unit's shorted input
    rig.Measure();
    Settle();
    ASSERT_TRUE(w->HasFigures());
    EXPECT_FALSE(w->Figures().dynamicApplies);
    for (const char* label : {"SNR", "THD", "ENOB（フルスケール換算）", "ノイズ密度"}) {
        EXPECT_EQ(value(label), "該当なし") << label;
    }
    EXPECT_EQ(value("第2高調波"), "(no row)");
    EXPECT_TRUE(value("実効分解能").endsWith(" ビット"));
    auto* summary = w->findChild<QLabel*>("histogramStats");
    EXPECT_TRUE(summary->text().contains(
        QStringLiteral("欠落コード %1").arg(w->Histogram().MissingCodes())));
}

TEST_F(AnalysisWindowTest, SavesCsvAndAsksBeforeReplacingAndTellsAFailure) {
    TFormMain& f = *rig.form;
    AnalysisWindow* w = MeasureWithWindowOpen();
    ASSERT_TRUE(w->HasFigures());

    rig.files.answers = {Path("figures.CSV")};
    f.SaveAnalysisFigures();
    const QString csv = QString::fromUtf8(ReadAll(Path("figures.CSV")));
    ASSERT_TRUE(csv.startsWith("name,value,unit\r\nfile,\"未保存の計測データ\",\r\ncount,8192,"));
    char snr[64];
    std::snprintf(snr, sizeof snr, "\r\nsnr_db,%.15g,dB\r\n", w->Figures().snrDb);
    EXPECT_TRUE(csv.contains(QString::fromLatin1(snr))) << csv.toStdString();
    EXPECT_TRUE(csv.contains("\r\nharmonic_2_dbc,"));

    // An existing name: "No" leaves it alone; a folder cannot be written and is told.
    rig.presenter.answer = MsgAnswer::No;
    WriteAll(Path("keep.json"), "mine");
    rig.files.answers = {Path("keep.json")};
    f.SaveAnalysisFigures();
    EXPECT_EQ(ReadAll(Path("keep.json")), "mine");
    ASSERT_EQ(rig.presenter.shown.size(), 1u);
    EXPECT_TRUE(rig.presenter.shown[0].text.endsWith("があります。\n上書きしますか"));
    QDir(rig.dir.path()).mkdir("folder.json");
    rig.files.answers = {Path("folder.json")};
    rig.presenter.answer = MsgAnswer::Yes;
    f.SaveAnalysisFigures();
    EXPECT_EQ(rig.presenter.shown.back().text, "解析結果を保存できませんでした");
}

// Place, size and choices are the user's own file's; the start-up file keeps its bytes.
TEST_F(AnalysisWindowTest, RemembersItsPlaceInTheUsersOwnFile) {
    const QString userFile = QDir(rig.dir.path()).filePath("tavrin/tavrin.conf");
    TFormMain& f = *rig.form;
    f.close();
    const QByteArray startup = ReadAll(f.SettingsPath(TFormMain::kStartupFileName));
    ASSERT_FALSE(startup.isEmpty());
    EXPECT_FALSE(QFile::exists(userFile)); // never opened: nothing to remember

    MeasureRig second;
    second.form->MenuAnalysisClick();
    AnalysisWindow* w = second.form->Analysis();
    w->setGeometry(140, 120, 1000, 640);
    w->SetHarmonicOrder(9);
    w->SetLogCounts(true);
    second.form->close();
    UserSettings stored;
    ASSERT_TRUE(stored.Load(Native(userFile)));
    EXPECT_EQ(stored.Number("analysis.harmonics", 2, 20, 0), 9);
    EXPECT_EQ(stored.Number("analysis.width", 0, 10000, 0), 1000);

    MeasureRig third;
    third.form->MenuAnalysisClick();
    AnalysisWindow* again = third.form->Analysis();
    EXPECT_TRUE(again->PlaceRemembered());
    EXPECT_EQ(again->pos(), w->pos());
    EXPECT_EQ(again->size(), QSize(1000, 640));
    EXPECT_EQ(again->HarmonicOrder(), 9);
    EXPECT_TRUE(again->LogCounts());
    third.form->close();
    EXPECT_EQ(ReadAll(third.form->SettingsPath(TFormMain::kStartupFileName)).indexOf("analysis"),
              -1);
}

} // namespace

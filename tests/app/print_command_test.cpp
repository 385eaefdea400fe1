// The print commands of the main window, and tavrin-cli report and render against what the
// window shows for the same data file.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>

#include "app/PrintDialogs.h"
#include "app/Tavrin_main.h"
#include "app/app_test_helpers.h"
#include "cli/Cli.h"
#include "files/ZF_File.h"
#include "files/file_test_helpers.h"
#include "graph/GraphBitmap.h"
#include "graph/Myprint.h"
#include "graph/TPaintBox.h"

namespace {

// Dialogs that record their calls and answer as told; the print dialog sends the job to a PDF.
class FakePrintDialogs : public IPrintDialogs {
public:
    void PageSetup(QPrinter& printer, QWidget*) override {
        ++pageSetups;
        printer.setPageOrientation(QPageLayout::Landscape);
    }
    bool Print(QPrinter& printer, QWidget*) override {
        ++prints;
        orientationSeen = printer.pageLayout().orientation();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return confirm;
    }
    int pageSetups = 0;
    int prints = 0;
    bool confirm = true;
    QString pdfPath;
    QPageLayout::Orientation orientationSeen = QPageLayout::Portrait;
};

int PageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
}

class PrintCommandTest : public ::testing::Test {
protected:
    QApplication& app = TestApp();
    QTemporaryDir dir;
    RecordingPresenter presenter;
    FakePrintDialogs dialogs;
    ScriptedFileDialogs files;

    FormMainOptions Options(const QString& failAt = {}) {
        FormMainOptions o;
        o.baseDir = dir.path();
        o.presenter = &presenter;
        o.failCreationOf = failAt;
        o.printDialogs = &dialogs;
        o.fileDialogs = &files;
        return o;
    }
    static void StartUp(TFormMain& form) {
        ASSERT_TRUE(
            ProcessEventsUntil([&] { return !form.FirstIdlePending() && form.isVisible(); }));
    }

    // 8192 samples at 125 ksps: 1 kHz at 0.5 V and 10 kHz at 5 mV, in volt display with the
    // waveform graph, logarithmic axis 1 Hz .. 100 kHz, 0 .. -120 dBV.
    std::string WriteDataFile(const QString& name) {
        const int n = 8192;
        std::vector<int32_t> codes(MaxSamples);
        std::vector<float> volts(MaxSamples);
        for (int i = 0; i < n; ++i) {
            const double t = i * 0.008e-3;
            const double v =
                0.5 * std::sin(2 * M_PI * 1000 * t) + 0.005 * std::sin(2 * M_PI * 10000 * t) + 0.01;
            codes[i] = 8388608 + static_cast<int32_t>(std::lround(v / 2.98023224e-7));
            volts[i] = static_cast<float>(v);
        }
        GraphSetting g;
        g.fSig_Volt = true;
        g.index_FreqS = 3;
        g.index_FreqE = 18;
        g.index_dB_min = 14;
        g.whichWindowFunc = WinFlatTop;
        g.fWinFuncAdjust = true;
        const std::string path = QFile::encodeName(dir.filePath(name)).toStdString();
        EXPECT_TRUE(WriteCodesFile(path, codes, volts, n, 15.2587890625f, g, "2024/03/04 5:06:07"));
        return path;
    }

    // The file loaded through the window's own command.
    void LoadIntoWindow(TFormMain& form, const std::string& path) {
        files.answers = {QString::fromStdString(path)};
        form.MenuDataLoadClick();
        ASSERT_TRUE(form.Document().fDataExist) << path;
    }
};

} // namespace

TEST_F(PrintCommandTest, PrintsOnePageThroughTheDialogAndKeepsThePageSetup) {
    TFormMain form(Options());
    StartUp(form);
    dialogs.pdfPath = dir.filePath("out.pdf");

    // Without measured data: the message, no dialog.
    form.MenuFilePrintClick();
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "データがありません");
    EXPECT_EQ(dialogs.prints, 0);

    LoadIntoWindow(form, WriteDataFile("run.DTA"));
    // A cancelled print dialog prints nothing.
    dialogs.confirm = false;
    form.MenuFilePrintClick();
    EXPECT_EQ(dialogs.prints, 1);
    EXPECT_FALSE(QFile::exists(dialogs.pdfPath));

    // The page set-up's landscape holds for the next print.
    form.MenuFilePrintSettingClick();
    EXPECT_EQ(dialogs.pageSetups, 1);
    dialogs.confirm = true;
    const QString peakHz = form.Readouts().EditPeakHz->text();
    form.MenuFilePrintClick();
    EXPECT_EQ(dialogs.orientationSeen, QPageLayout::Landscape);
    const QByteArray pdf = ReadAll(dialogs.pdfPath);
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(PageCount(pdf), 1);
    EXPECT_EQ(presenter.shown.size(), 1u);
    EXPECT_TRUE(form.isVisible());
    // Printing leaves the window's read-outs as they were.
    EXPECT_EQ(form.Readouts().EditPeakHz->text(), peakHz);
    EXPECT_EQ(peakHz, "1007.080"); // bin 66 of 15.259 Hz, the flat-top's largest line
}

TEST_F(PrintCommandTest, APrintJobThatCannotBeStartedSaysSo) {
    TFormMain form(Options());
    StartUp(form);
    LoadIntoWindow(form, WriteDataFile("run.DTA"));
    dialogs.pdfPath = dir.filePath("missing/folder/out.pdf");
    form.MenuFilePrintClick();
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "印刷できませんでした");
    EXPECT_EQ(presenter.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(presenter.shown[0].caption, "Tavrin v2");
    EXPECT_TRUE(form.isVisible());
    // A job that can be made prints without a word.
    dialogs.pdfPath = dir.filePath("out.pdf");
    form.MenuFilePrintClick();
    EXPECT_EQ(presenter.shown.size(), 1u);
    EXPECT_TRUE(ReadAll(dialogs.pdfPath).startsWith("%PDF"));
}

TEST_F(PrintCommandTest, NoMemoryForThePrintObjectClosesTheWindow) {
    TFormMain form(Options(QStringLiteral("TZF_Print")));
    StartUp(form);
    dialogs.pdfPath = dir.filePath("never.pdf");
    LoadIntoWindow(form, WriteDataFile("run.DTA"));
    form.MenuFilePrintClick();
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "致命的なメモリエラーです:TZF_Print");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(QFile::exists(dialogs.pdfPath));
}

TEST_F(PrintCommandTest, RenderGivesTheWindowsGraphPixels) {
    const std::string data = WriteDataFile("render.DTA");
    TFormMain form(Options());
    StartUp(form);
    LoadIntoWindow(form, data);
    const QImage window =
        form.centralWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    const std::string png = QFile::encodeName(dir.filePath("graphs.png")).toStdString();
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"render", data, "-o", png}, out, err), kExitOk) << err.str();
    const QImage rendered =
        QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(rendered.size(), window.size());

    // Both graph boxes and every axis label the window shows, pixel for pixel.
    std::vector<QRect> areas = {form.Graphs().SpectrumBox()->geometry(),
                                form.Graphs().WaveBox()->geometry()};
    for (QLabel* l : form.Graphs().AxisLabels()) {
        if (!l->isHidden()) {
            areas.push_back(l->geometry());
        }
    }
    EXPECT_GE(areas.size(), 2u + 6 + 7 + 7);
    for (const QRect& r : areas) {
        ASSERT_TRUE(window.rect().contains(r));
        int differing = 0;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                differing += window.pixel(x, y) != rendered.pixel(x, y);
            }
        }
        EXPECT_EQ(differing, 0) << "area " << r.x() << "," << r.y() << " " << r.width() << "x"
                                << r.height();
    }
    // There is a curve to compare.
    const QRgb curve = PixelFromColorRef(form.Document().graphSetting.PenColorGraph);
    int curvePixels = 0;
    for (int i = 0; i < rendered.width() * rendered.height(); ++i) {
        curvePixels += rendered.pixel(i % rendered.width(), i / rendered.width()) == curve;
    }
    EXPECT_GT(curvePixels, 500);
}

TEST_F(PrintCommandTest, ReportIsOnePdfPageWithTheWindowsSummaryAndCurvesInTheirFrames) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftotext.isEmpty() || pdftoppm.isEmpty()) {
        GTEST_SKIP() << "poppler-utils (scripts/deps.sh) not installed";
    }
    const std::string data = WriteDataFile("測定データ.DTA");
    TFormMain form(Options());
    StartUp(form);
    LoadIntoWindow(form, data);
    const QStringList expected =
        SummaryLines(MakePrintInfo(form.Document().curBlock, form.Document().graphSetting,
                                   form.Document().measureSetting, form.Readouts()));
    ASSERT_EQ(expected.size(), 14);
    EXPECT_EQ(expected[13], QStringLiteral("ファイル名：") + QString::fromStdString(data));

    const QString pdf = dir.filePath("report.pdf");
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"report", data, "-o", QFile::encodeName(pdf).toStdString()}, out, err),
              kExitOk)
        << err.str();
    EXPECT_EQ(PageCount(ReadAll(pdf)), 1);

    QProcess text;
    text.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
    qsizetype at = 0;
    for (const QString& line : expected) {
        const qsizetype found = extracted.indexOf(line + QLatin1Char('\n'), at);
        EXPECT_GE(found, at) << "missing or out of order: " << line.toStdString();
        if (found >= 0) {
            at = found + line.size();
        }
    }

    // The page at 300 dpi: the curves in the graph colour inside the two plot frames, nothing
    // of that colour elsewhere.
    constexpr int kDpi = 300;
    QProcess raster;
    raster.start(pdftoppm, {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(kDpi),
                            QStringLiteral("-singlefile"), pdf, dir.filePath("page")});
    ASSERT_TRUE(raster.waitForFinished(60000));
    const QImage page = QImage(dir.filePath("page.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(page.isNull());
    QPrinter a4(QPrinter::HighResolution);
    a4.setOutputFormat(QPrinter::PdfFormat);
    a4.setResolution(600);
    const PageGeometry g = ComputePageGeometry(600, 600, a4.widthMM(), a4.heightMM(), false, true);
    const QMarginsF margins = a4.pageLayout().margins(QPageLayout::Inch);
    auto toPage = [&](const PlotRect& r) {
        const double k = double(kDpi) / 600;
        const double x0 = margins.left() * kDpi;
        const double y0 = margins.top() * kDpi;
        return QRect(QPoint(int(x0 + r.L * k), int(y0 + r.T * k)),
                     QPoint(int(x0 + r.R * k), int(y0 + r.B * k)));
    };
    const QRect wave = toPage(g.wave);
    const QRect spectrum = toPage(g.spectrum);
    auto isCurve = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
    int inWave = 0, inSpectrum = 0, outside = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (!isCurve(page.pixel(x, y))) {
                continue;
            }
            if (wave.contains(x, y)) {
                ++inWave;
            } else if (spectrum.contains(x, y)) {
                ++inSpectrum;
            } else {
                ++outside;
            }
        }
    }
    EXPECT_GT(inWave, 2000);
    EXPECT_GT(inSpectrum, 200);
    EXPECT_EQ(outside, 0);
    // The frames: dark one pixel outside each plot's left edge, half-way down.
    for (const QRect& r : {wave, spectrum}) {
        const QRgb frame = page.pixel(r.left() - 1, r.center().y());
        EXPECT_LT(qGray(frame), 128) << r.x() << "," << r.y();
    }
}

// The printed report: page geometry, summary texts, and where the axis texts land on paper.
#include <gtest/gtest.h>

#include "graph/Myprint.h"
#include "graph/graph_harness.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

struct Expected {
    int dpi;
    bool landscape;
    bool wave;
    PlotRect waveRect;
    PlotRect spectrum;
    int textX, textY;
};

// A4 as a typical printer's printable area (200 x 287 mm), worked out by hand from the layout
// rules: margins 5 mm (top 15 mm in landscape), graph block 190 mm wide (180 mm = short side
// less 20 in landscape) and 3/4 as high, a 15 mm column left of the plots, 10 mm under each.
const Expected kCases[] = {
    {300, false, true, {236, 59, 2303, 782}, {236, 900, 2303, 1623}, 236, 1919},
    {300, false, false, {}, {236, 59, 2303, 1624}, 236, 1919},
    {300, true, true, {236, 177, 2184, 855}, {236, 973, 2184, 1651}, 2361, 177},
    {600, false, true, {472, 118, 4606, 1565}, {472, 1801, 4606, 3248}, 472, 3838},
    {600, false, false, {}, {472, 118, 4606, 3248}, 472, 3838},
    {600, true, true, {472, 354, 4369, 1712}, {472, 1948, 4369, 3306}, 4723, 354},
};

void ExpectRect(const PlotRect& got, const PlotRect& want) {
    EXPECT_EQ(got.L, want.L);
    EXPECT_EQ(got.T, want.T);
    EXPECT_EQ(got.R, want.R);
    EXPECT_EQ(got.B, want.B);
}

} // namespace

TEST(PrintLayout, PageGeometryAtTwoResolutionsBothOrientations) {
    for (const Expected& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << c.dpi << " dpi, landscape " << c.landscape << ", waveform " << c.wave);
        const int w = c.landscape ? 287 : 200;
        const int h = c.landscape ? 200 : 287;
        const PageGeometry g = ComputePageGeometry(c.dpi, c.dpi, w, h, c.landscape, c.wave);
        if (c.wave) {
            ExpectRect(g.wave, c.waveRect);
        }
        ExpectRect(g.spectrum, c.spectrum);
        EXPECT_EQ(g.textX, c.textX);
        EXPECT_EQ(g.textY, c.textY);
        EXPECT_EQ(g.plotWidth, g.spectrum.Width());
        EXPECT_EQ(g.plotHeight, g.spectrum.Height());
    }
    // The summary font is 12 points; lines follow at one and a half times its height.
    EXPECT_EQ(SummaryLineStep(300), 75);
    EXPECT_EQ(SummaryLineStep(600), 150);
}

TEST(PrintLayout, SummaryTextsFollowTheSettings) {
    GraphSetting g;
    MeasureSetting m;
    SetDataFilePath(m, "/data/測定 1.DTA");
    m.StartDateTime = "2024/05/06 7:08:09";
    PrintInfo info;
    info.count = 4096;
    info.rateText = QStringLiteral("125ksps");
    info.deltaFText = QStringLiteral("30.518Hz");
    info.graphSetting = &g;
    info.measureSetting = &m;
    info.unit = QStringLiteral("mVrms");
    info.peakVolt = QStringLiteral("707.107");
    info.peakdB = QStringLiteral("-3.01");
    info.peakHz = QStringLiteral("1000.000");

    g.fAbsoGraph = true;
    g.fWinFuncAdjust = true;
    g.fDCCut_FFT = false;
    g.fDCCut_SigGraph = true;
    g.whichWindowFunc = WinHanning;
    const QStringList absolute = SummaryLines(info);
    const QStringList expected = {
        "< Lumeno >",
        "データ数：4096",
        "サンプリング：125ksps",
        "周波数分解能：30.518Hz",
        "dB表示：絶対値表示[dBV]",
        "窓関数による減衰の補正計算：有り",
        "窓関数：ハニング窓",
        "FFT計算 DCカット：なし",
        "信号波形 DCカット：有り",
        "ピーク値[mVrms]：707.107",
        "ピーク値[dBV]：-3.01",
        "ピーク値[Hz]：1000.000",
        "測定：2024/05/06 7:08:09",
        "ファイル名：/data/測定 1.DTA",
    };
    EXPECT_EQ(absolute, expected);

    // The relative display names no unit; an unknown window reads as rectangular.
    g.fAbsoGraph = false;
    g.whichWindowFunc = 7;
    const QStringList relative = SummaryLines(info);
    EXPECT_EQ(relative[4], "dB表示：相対値表示");
    EXPECT_EQ(relative[6], "窓関数：矩形波窓");
    EXPECT_EQ(relative[10], "ピーク値[dB]：-3.01");
}

namespace {

// A 600-dpi page that records every text drawn on it: position of the text's top-left corner
// (baseline less the font's ascent) and the text.
struct PrintedText {
    double x, top;
    QString text;
    double right = 0; // x plus the text's advance in the printing font
};

class RecordingEngine : public QPaintEngine {
public:
    std::vector<PrintedText> texts;
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {} // opaque text background
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({p.x(), p.y() - item.ascent(), item.text(), p.x() + item.width()});
    }
    Type type() const override { return User; }
};

class RecordingPage : public QPaintDevice {
public:
    static constexpr int kDpi = 600;
    mutable RecordingEngine engine;
    QPaintEngine* paintEngine() const override { return &engine; }

protected:
    int metric(PaintDeviceMetric m) const override {
        if (m == PdmDpiX || m == PdmDpiY || m == PdmPhysicalDpiX || m == PdmPhysicalDpiY) {
            return kDpi;
        }
        return m == PdmWidth || m == PdmHeight ? 6000
               : m == PdmDepth                 ? 32
                                               : QPaintDevice::metric(m);
    }
};

} // namespace

TEST(PrintAxisTexts, TextsSitAroundThePlotAsTheLabelsDoOnScreen) {
    GraphHarness h;
    h.graphSetting.index_FreqS = 0;  // 0.1 Hz
    h.graphSetting.index_FreqE = 18; // 100 kHz, logarithmic
    h.graphSetting.index_dB_min = 14;
    h.graphSetting.fSig_Volt = true;
    SignalSpec s;
    s.count = 8192;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();

    const PlotRect plot{472, 1801, 4606, 3248};
    const double scale = TextScale(RecordingPage::kDpi);
    RecordingPage page;
    std::vector<PrintedText>& texts = page.engine.texts;
    QPainter canvas(&page);
    h.graph->PrintFreqLabels(canvas, scale, plot);
    const std::vector<PrintedText> freq = std::exchange(texts, {});
    h.graph->PrintDbLabels(canvas, scale, plot);
    const std::vector<PrintedText> db = std::exchange(texts, {});
    h.graph->PrintVoltLabels(canvas, scale, plot);
    h.graph->PrintTimeLabels(canvas, scale, plot);
    canvas.end();
    auto width = [&](const QLabel* l) { return l->width() * scale; };

    // Frequency texts: 5 s below the plot, the start text at the left edge, the end text ending
    // at the right edge, each other text centred on its frequency and clear of the one before.
    ASSERT_GE(freq.size(), 7u);
    EXPECT_EQ(freq.front().text, "0.1Hz");
    EXPECT_EQ(freq.front().x, plot.L);
    EXPECT_EQ(freq.back().text, "100kHz");
    EXPECT_NEAR(freq.back().x + width(h.graph->FreqLabel(18)), plot.R, 1.0);
    double lastRight = plot.L + std::max(20 * scale, width(h.graph->FreqLabel(0)));
    for (std::size_t k = 1; k + 1 < freq.size(); ++k) {
        const PrintedText& t = freq[k];
        EXPECT_NEAR(t.top, plot.B + 5 * scale, 1.0) << t.text.toStdString();
        EXPECT_GT(t.x, lastRight - 1) << t.text.toStdString();
        int at = -1; // the label of this text whose frequency lies under the text's centre
        for (int i = 0; i < 19; ++i) {
            const double fx = plot.L + (std::log10(double(kFreqSeries[i])) + 1) / 6 * plot.Width();
            if (h.graph->FreqLabel(i)->text() == t.text &&
                std::fabs(t.x + width(h.graph->FreqLabel(i)) / 2 - fx) < 2) {
                at = i;
            }
        }
        ASSERT_GE(at, 0) << "not centred on its frequency: " << t.text.toStdString();
        lastRight = t.x + width(h.graph->FreqLabel(at));
    }

    // dB texts: left of the plot, centred on their levels 10 dB apart, the two ends with units.
    ASSERT_GE(db.size(), 2u);
    EXPECT_EQ(db.front().text, "0dBV");
    EXPECT_EQ(db.back().text, "-120dBV");
    for (const PrintedText& t : db) {
        const double level = QString(t.text).remove(QLatin1String("dBV")).toInt();
        const double centre = plot.T - level / 120 * plot.Height();
        EXPECT_NEAR(t.top + h.graph->DbLabel(2)->height() * scale / 2, centre, 2.0);
        EXPECT_LT(t.x, plot.L);
    }

    // Waveform: unit at the top, maximum, middle and minimum centred at 1/6, 1/2 and 5/6, all
    // left of the plot; "0" and the duration 2 s below it, inside its width.
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0].text, h.graph->VoltUnitLabel()->text());
    EXPECT_NEAR(texts[0].top, plot.T, 1.0);
    const double half = h.graph->VoltMaxLabel()->height() * scale / 2;
    for (int i = 1; i <= 3; ++i) {
        const int sixths[] = {0, 1, 3, 5};
        EXPECT_NEAR(texts[i].top + half, plot.T + plot.Height() * sixths[i] / 6, 1.0);
        EXPECT_LT(texts[i].x, plot.L);
    }
    EXPECT_EQ(texts[4].text, "0");
    EXPECT_EQ(texts[4].x, plot.L);
    EXPECT_NEAR(texts[5].top, plot.B + 2 * scale, 1.0);
    EXPECT_LT(texts[5].x + width(h.graph->TimeEndLabel()), plot.R);
}

TEST(PrintAxisTexts, EightDigitCodeTextsEndLeftOfTheWaveformFrame) {
    GraphHarness h;
    h.graphSetting.fSig_Volt = false; // codes: about 5033165 to 11744051
    SignalSpec s;
    s.count = 8192;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    h.Layout();
    QLabel* max = h.graph->VoltMaxLabel();
    ASSERT_EQ(max->text().size(), 8);
    // Where the screen's margin is too narrow, the label's font was made smaller.
    EXPECT_TRUE(max->testAttribute(Qt::WA_SetFont)) << "the screen label fits: nothing to test";

    const PlotRect plot{472, 118, 4606, 1565};
    RecordingPage page;
    QPainter canvas(&page);
    h.graph->PrintVoltLabels(canvas, TextScale(RecordingPage::kDpi), plot);
    canvas.end();
    ASSERT_EQ(page.engine.texts.size(), 4u);
    for (const PrintedText& t : page.engine.texts) {
        // The frame runs one pixel left of the plot.
        EXPECT_LT(t.right, plot.L - 1) << t.text.toStdString();
        EXPECT_GT(t.right, plot.L - 1 - 2 * TextScale(RecordingPage::kDpi) - 2)
            << "right-aligned against the frame: " << t.text.toStdString();
    }
}

TEST(PrintSpectrum, NoLineGivesTheEmptyGridAndAGivenUpReferenceIsNotDrawn) {
    GraphHarness h;
    h.graphSetting.PenColorRefGraph = 0x00FF00; // a colour of its own: green
    h.graph->SetDataPresence([&] { return h.fDataExist; }, [&] { return h.fRefExist; });
    SignalSpec s;
    s.count = 8192;
    h.Fill(h.curBlock, s);
    s.freqHz = 5000;
    h.Fill(h.refBlock, s);
    h.fDataExist = true;
    h.fRefExist = true;
    h.Layout();
    const GraphBitmap& screen = h.graph->SpectrumBitmap();
    auto print = [&] {
        GraphBitmap b;
        b.SetSize(screen.Width(), screen.Height());
        b.image.fill(Qt::black); // what the bitmap held before, e.g. the waveform
        h.graph->PrintSpectrum(b);
        return b.image;
    };
    const QRgb refColour = PixelFromColorRef(h.graphSetting.PenColorRefGraph);
    auto refPixels = [&](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixel(x, y) == refColour;
            }
        }
        return n;
    };
    EXPECT_GT(refPixels(print()), 50) << "the reference overlay, while there is one";
    // A loaded settings file gives the reference up but leaves its count.
    h.fRefExist = false;
    const QImage alone = print();
    EXPECT_EQ(refPixels(alone), 0);
    h.refBlock.count = 0;
    EXPECT_EQ(print(), alone);

    // No positive line: the printed box is the screen's empty grid.
    std::fill_n(h.curBlock.spectrum, h.curBlock.count / 2, 0.0f);
    h.graph->ClearGraphs();
    EXPECT_EQ(print(), screen.image);
}

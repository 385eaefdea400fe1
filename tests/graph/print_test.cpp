// The printed report: page geometry, summary texts, and where the axis texts land on paper.
#include <gtest/gtest.h>

#include "graph/Myprint.h"
#include "graph/graph_harness.h"

#include <QPaintEngine>
#include <QPainter>
#include <cmath>
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

    g.fAbsoGraph = false;
    g.fWinFuncAdjust = false;
    g.fDCCut_FFT = true;
    g.fDCCut_SigGraph = false;
    const QStringList relative = SummaryLines(info);
    EXPECT_EQ(relative[4], "dB表示：相対値表示");
    EXPECT_EQ(relative[5], "窓関数による減衰の補正計算：なし");
    EXPECT_EQ(relative[7], "FFT計算 DCカット：有り");
    EXPECT_EQ(relative[8], "信号波形 DCカット：なし");
    EXPECT_EQ(relative[10], "ピーク値[dB]：-3.01");

    const std::pair<int32_t, const char*> windows[] = {{WinRectangular, "窓関数：矩形波窓"},
                                                       {WinHanning, "窓関数：ハニング窓"},
                                                       {WinHamming, "窓関数：ハミング窓"},
                                                       {WinFlatTop, "窓関数：フラットトップ"},
                                                       {7, "窓関数：矩形波窓"}};
    for (const auto& [w, text] : windows) {
        g.whichWindowFunc = w;
        EXPECT_EQ(SummaryLines(info)[6], QString::fromUtf8(text)) << w;
    }
}

namespace {

// A 600-dpi page that records every text drawn on it: position of the text's top-left corner
// (baseline less the font's ascent) and the text.
struct PrintedText {
    double x, top;
    QString text;
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
        texts.push_back({p.x(), p.y() - item.ascent(), item.text()});
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
        switch (m) {
        case PdmWidth:
            return 4800;
        case PdmHeight:
            return 6800;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kDpi;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return 1 * QPaintDevice::devicePixelRatioFScale();
        default:
            return QPaintDevice::metric(m);
        }
    }
};

} // namespace

TEST(PrintAxisTexts, TextsSitAroundThePlotAsTheLabelsDoOnScreen) {
    GraphHarness h;
    h.graphSetting.fLogGraph = true;
    h.graphSetting.index_FreqS = 0;  // 0.1 Hz
    h.graphSetting.index_FreqE = 18; // 100 kHz
    h.graphSetting.index_dB_max = 2;
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
    QPainter canvas(&page);
    h.graph->PrintFreqLabels(canvas, scale, plot);
    const std::vector<PrintedText> freq = page.engine.texts;
    page.engine.texts.clear();
    h.graph->PrintDbLabels(canvas, scale, plot);
    const std::vector<PrintedText> db = page.engine.texts;
    page.engine.texts.clear();
    h.graph->PrintVoltLabels(canvas, scale, plot);
    h.graph->PrintTimeLabels(canvas, scale, plot);
    const std::vector<PrintedText> wave = page.engine.texts;
    canvas.end();

    // Frequency texts: 5 s below the plot, the start text at the left edge, the end text ending
    // at the right edge, each other text centred on its frequency and clear of the one before.
    ASSERT_GE(freq.size(), 7u);
    EXPECT_EQ(freq.front().text, "0.1Hz");
    EXPECT_EQ(freq.front().x, plot.L);
    EXPECT_EQ(freq.back().text, "100kHz");
    const double endWidth = h.graph->FreqLabel(18)->width() * scale;
    EXPECT_NEAR(freq.back().x + endWidth, plot.R, 1.0);
    double lastRight = plot.L + std::max(20.0, double(h.graph->FreqLabel(0)->width())) * scale;
    const double decades = 6.0; // 0.1 Hz .. 100 kHz
    for (std::size_t k = 1; k + 1 < freq.size(); ++k) {
        const PrintedText& t = freq[k];
        EXPECT_NEAR(t.top, plot.B + 5 * scale, 1.0) << t.text.toStdString();
        EXPECT_GT(t.x, lastRight - 1) << t.text.toStdString();
        int index = -1;
        for (int i = 0; i < 19; ++i) {
            if (h.graph->FreqLabel(i)->text() == t.text &&
                std::fabs(t.x + h.graph->FreqLabel(i)->width() * scale / 2 -
                          (plot.L + (std::log10(double(kFreqSeries[i])) + 1) / decades *
                                        plot.Width())) < 2) {
                index = i;
            }
        }
        EXPECT_GE(index, 0) << "not centred on its frequency: " << t.text.toStdString();
        lastRight = t.x + h.graph->FreqLabel(std::max(index, 0))->width() * scale;
    }

    // dB texts: right-aligned 2 s left of the plot, centred on their levels 10 dB apart; the
    // thinning keeps the top and bottom texts with their units.
    ASSERT_GE(db.size(), 2u);
    EXPECT_EQ(db.front().text, "0dBV");
    EXPECT_EQ(db.back().text, "-120dBV");
    const double pitch = double(plot.Height()) / 12;
    for (const PrintedText& t : db) {
        const int level =
            t.text
                .left(t.text.indexOf(QLatin1String("dB")) < 0 ? t.text.size()
                                                              : t.text.indexOf(QLatin1String("dB")))
                .toInt();
        const double centre = plot.T + (0 - level) / 10.0 * pitch;
        const double half = h.graph->DbLabel(2)->height() * scale / 2;
        EXPECT_NEAR(t.top + half, centre, 2.0) << t.text.toStdString();
        EXPECT_LT(t.x, plot.L);
    }

    // Waveform texts: unit, maximum, middle, minimum on the left, then the two time texts.
    ASSERT_EQ(wave.size(), 6u);
    EXPECT_EQ(wave[0].text, h.graph->VoltUnitLabel()->text());
    EXPECT_NEAR(wave[0].top, plot.T, 1.0);
    const double half = h.graph->VoltMaxLabel()->height() * scale / 2;
    EXPECT_NEAR(wave[1].top + half, plot.T + plot.Height() / 6, 1.0);
    EXPECT_NEAR(wave[2].top + half, plot.T + plot.Height() / 2, 1.0);
    EXPECT_NEAR(wave[3].top + half, plot.T + plot.Height() * 5 / 6, 1.0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_LT(wave[i].x, plot.L) << wave[i].text.toStdString();
    }
    EXPECT_EQ(wave[4].text, "0");
    EXPECT_EQ(wave[4].x, plot.L);
    EXPECT_NEAR(wave[5].top, plot.B + 2 * scale, 1.0);
    EXPECT_EQ(wave[5].text, h.graph->TimeEndLabel()->text());
    EXPECT_LT(wave[5].x + h.graph->TimeEndLabel()->width() * scale, plot.R);
}

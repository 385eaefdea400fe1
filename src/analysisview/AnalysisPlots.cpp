#include "analysisview/AnalysisPlots.h"

#include <QPainter>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "analysisview/PlotFrame.h"

namespace {

using namespace AnalysisPlotColours;

constexpr double kFloorDb = -300.0; // a bin of no power at all
constexpr double kTopMarginDb = 10.0;
constexpr double kBelowNoiseDb = 30.0;
constexpr int kLeastGridSpacing = 16; // pixels between two labelled level lines
const QPen kNoiseLinePen{kNoiseLine};
const char16_t kFrequencyTitle[] = u"周波数 [Hz]";

double Dbv(double power) {
    return power > 1e-30 ? 10.0 * std::log10(power) : kFloorDb;
}

// Which band wins a column that shows bins of several: the fundamental, then the harmonics
// (the lowest counted first), then DC; noise never wins.
constexpr std::array<uint8_t, 256> MakeBandRanks() {
    std::array<uint8_t, 256> rank{};
    rank[ConverterAnalyzer::kBandDc] = 1;
    for (int b = ConverterAnalyzer::kBandHarmonic; b < 255; ++b) {
        rank[b] = static_cast<uint8_t>(254 - (b - ConverterAnalyzer::kBandHarmonic));
    }
    rank[ConverterAnalyzer::kBandFundamental] = 255;
    return rank;
}
constexpr std::array<uint8_t, 256> kBandRank = MakeBandRanks();

struct ColumnStats {
    double lowest;
    double highest;
    uint8_t band;
};

struct LevelAxis {
    double topDb = 0.0;
    double bottomDb = -100.0;
    double stepDb = 20.0;

    int Row(const QRect& plot, double db) const {
        db = std::clamp(db, bottomDb, topDb);
        return plot.top() + static_cast<int>((topDb - db) / (topDb - bottomDb) *
                                             static_cast<double>(plot.height() - 1));
    }
};

// The lowest 1 % of the bins, for the bottom of the axis when there is no noise level.
double LowPercentileDb(const double* power, int32_t bins) {
    thread_local std::vector<double> scratch;
    scratch.assign(power + 1, power + bins);
    const auto at = scratch.begin() + static_cast<std::ptrdiff_t>((scratch.size() - 1) / 100);
    std::nth_element(scratch.begin(), at, scratch.end());
    return Dbv(*at);
}

LevelAxis MakeLevelAxis(const ConverterAnalyzer& analyzer, const ConverterFigures& figures,
                        double highestPower, int plotHeight) {
    LevelAxis axis;
    axis.topDb = std::ceil(Dbv(highestPower) / 10.0) * 10.0 + kTopMarginDb;
    const double low = figures.dynamicApplies
                           ? Dbv(figures.noiseBinPower) - kBelowNoiseDb
                           : LowPercentileDb(analyzer.BinPower(), analyzer.SpectrumBins()) - 10.0;
    axis.bottomDb = std::min(std::floor(low / 10.0) * 10.0, axis.topDb - 20.0);
    const double range = axis.topDb - axis.bottomDb;
    axis.stepDb = range <= 80.0 ? 10.0 : 20.0;
    while (axis.stepDb * plotHeight / range < kLeastGridSpacing && axis.stepDb < range) {
        axis.stepDb = PlotFrame::NiceStep(axis.stepDb * 1.5, 10.0);
    }
    return axis;
}

// Pixel offset of frequency `bin` (in bins, 1 .. top) across a frame `width` wide.
double LogOffset(double bin, int32_t top, int width) {
    return top > 1 ? std::log(bin) / std::log(static_cast<double>(top)) * width : 0.0;
}

QRgb BandColour(uint8_t band) {
    if (band == ConverterAnalyzer::kBandFundamental) {
        return kFundamentalBand.rgb();
    }
    if (band == ConverterAnalyzer::kBandDc) {
        return kDcBand.rgb();
    }
    return kHarmonicBands[(band - ConverterAnalyzer::kBandHarmonic) % 6].rgb();
}

// Column c of a frame `width` wide spans frequencies top^(c / width) .. top^((c + 1) / width)
// in bins; it shows the bins whose centres lie there, the first column from bin 1 and the last
// up to the top.
bool BinsOfColumn(int width, int32_t bins, int c, int32_t& first, int32_t& last) {
    if (bins < 2 || c < 0 || c >= width) {
        return false;
    }
    const int32_t top = bins - 1;
    if (top == 1) {
        first = last = 1;
        return true;
    }
    const double span = std::log(static_cast<double>(top));
    auto edge = [&](double offset) { return std::exp(span * offset / width); };
    first = c == 0 ? 1 : static_cast<int32_t>(std::ceil(edge(c)));
    last = c == width - 1 ? top : static_cast<int32_t>(std::ceil(edge(c + 1))) - 1;
    if (first > last) {
        // A bin wider than the column: the one whose interval holds the column's middle.
        first = last = static_cast<int32_t>(std::floor(edge(c + 0.5) + 0.5));
    }
    first = std::clamp(first, 1, top);
    last = std::clamp(last, first, top);
    return true;
}

// One pass over the bins: every column's lowest and highest bin power and winning band.
double ColumnPass(const QRect& plot, const ConverterAnalyzer& analyzer,
                  std::vector<ColumnStats>& columns) {
    const int32_t bins = analyzer.SpectrumBins();
    const double* power = analyzer.BinPower();
    const uint8_t* band = analyzer.BinBand();
    columns.resize(static_cast<std::size_t>(plot.width()));
    double highest = 0.0;
    for (int c = 0; c < plot.width(); ++c) {
        int32_t first = 1;
        int32_t last = 1;
        BinsOfColumn(plot.width(), bins, c, first, last);
        ColumnStats s{power[first], power[first], band[first]};
        for (int32_t k = first + 1; k <= last; ++k) {
            s.lowest = std::min(s.lowest, power[k]);
            s.highest = std::max(s.highest, power[k]);
            if (kBandRank[band[k]] > kBandRank[s.band]) {
                s.band = band[k];
            }
        }
        columns[static_cast<std::size_t>(c)] = s;
        highest = std::max(highest, s.highest);
    }
    return highest;
}

QString FrequencyText(double hz) {
    if (hz >= 1000.0) {
        return QString::number(hz / 1000.0, 'g', 6) + QLatin1Char('k');
    }
    return QString::number(hz, 'g', 6);
}

void DrawFrequencyGrid(QPainter& p, const QRect& plot, int32_t top, double deltaF, bool labels) {
    if (!(deltaF > 0.0)) {
        return;
    }
    const double lowHz = deltaF;
    const double highHz = deltaF * top;
    int rightOfLast = -1000;
    // Less than two decades' labels leave the axis unreadable: 2 and 5 are labelled then too.
    const int firstDecade = static_cast<int>(std::ceil(std::log10(lowHz) - 1e-9));
    const bool fewDecades = std::pow(10.0, firstDecade + 1) > highHz;
    for (int d = static_cast<int>(std::floor(std::log10(lowHz))); d <= std::log10(highHz); ++d) {
        const double decade = std::pow(10.0, d);
        for (int m = 1; m <= 9; ++m) {
            const double hz = m * decade;
            const double offset = LogOffset(hz / deltaF, top, plot.width());
            if (hz < lowHz * (1.0 - 1e-9) || offset >= plot.width()) {
                continue;
            }
            const int x = plot.left() + static_cast<int>(std::max(0.0, offset));
            if (labels) {
                if (m == 1 || (fewDecades && (m == 2 || m == 5))) {
                    PlotFrame::DrawTickLabel(p, plot, x, FrequencyText(hz), rightOfLast);
                }
            } else {
                p.setPen(m == 1 ? PlotFrame::kGridMajorPen : PlotFrame::kGridMinorPen);
                p.drawLine(x, plot.top(), x, plot.bottom());
            }
        }
    }
}

void DrawLevelGrid(QPainter& p, const QRect& plot, const LevelAxis& axis, bool labels) {
    for (double db = std::ceil(axis.bottomDb / axis.stepDb) * axis.stepDb; db <= axis.topDb;
         db += axis.stepDb) {
        const int y = axis.Row(plot, db);
        if (labels) {
            PlotFrame::DrawLevelLabel(p, plot, y, QString::number(db, 'f', 0));
        } else {
            p.setPen(PlotFrame::kGridMajorPen);
            p.drawLine(plot.left(), y, plot.right(), y);
        }
    }
}

// Shading of the counted bands under the trace, one column at a time; each column's span is
// stretched to meet its left neighbour's so that the trace stays one connected line.
void DrawColumns(QImage& image, const QRect& plot, const LevelAxis& axis,
                 const std::vector<ColumnStats>& columns, bool shade) {
    const QRgb trace = kTrace.rgb();
    int prevTop = 0;
    int prevBottom = -1;
    for (int c = 0; c < plot.width(); ++c) {
        const ColumnStats& s = columns[static_cast<std::size_t>(c)];
        const int x = plot.left() + c;
        if (shade && s.band != ConverterAnalyzer::kBandNoise) {
            PlotFrame::FillColumn(image, x, plot.top(), plot.bottom(), BandColour(s.band));
        }
        const int top = axis.Row(plot, Dbv(s.highest));
        const int bottom = axis.Row(plot, Dbv(s.lowest));
        if (prevBottom >= prevTop) {
            PlotFrame::FillColumn(image, x, std::min(top, prevBottom), std::max(bottom, prevTop),
                                  trace);
        } else {
            PlotFrame::FillColumn(image, x, top, bottom, trace);
        }
        prevTop = top;
        prevBottom = bottom;
    }
}

// The legend on the bottom row, left of the axis title.
void DrawLegend(QPainter& p, const QRect& plot) {
    const QFontMetrics fm = p.fontMetrics();
    const QString texts[4] = {QStringLiteral("基本波"), QStringLiteral("高調波"),
                              QStringLiteral("DC"), QStringLiteral("ノイズレベル")};
    constexpr int kSwatch = 10;
    constexpr int kGap = 12;
    int width = 0;
    for (const QString& t : texts) {
        width += kSwatch + 4 + fm.horizontalAdvance(t) + kGap;
    }
    const int titleWidth = fm.horizontalAdvance(QString::fromUtf16(kFrequencyTitle));
    if (plot.left() + width + titleWidth > plot.right()) {
        return; // no room beside the axis title
    }
    int x = plot.left();
    const int baseline = PlotFrame::BottomRowBaseline(p, plot);
    const int swatchTop = baseline - fm.ascent() / 2 - kSwatch / 2 + 1;
    for (int i = 0; i < 4; ++i) {
        if (i == 3) {
            p.setPen(kNoiseLinePen);
            p.drawLine(x, swatchTop + kSwatch / 2, x + kSwatch - 1, swatchTop + kSwatch / 2);
        } else if (i == 1) {
            for (int s = 0; s < 3; ++s) { // the harmonics' colours take turns
                p.fillRect(x + s * kSwatch / 3, swatchTop, kSwatch / 3 + 1, kSwatch,
                           kHarmonicBands[s]);
            }
        } else {
            p.fillRect(x, swatchTop, kSwatch, kSwatch, i == 0 ? kFundamentalBand : kDcBand);
        }
        p.setPen(PlotFrame::kTextPen);
        p.drawText(x + kSwatch + 4, baseline, texts[i]);
        x += kSwatch + 4 + fm.horizontalAdvance(texts[i]) + kGap;
    }
}

// A high tone's band is often a single pale column, or lies within the fundamental's column: a
// marker above the frame at every counted tone's centre, with its order, finds it at a glance.
void DrawToneMarkers(QPainter& p, const QRect& plot, int32_t top, double deltaF,
                     const ConverterFigures& figures) {
    struct Marker {
        int x;
        int order;
        uint8_t band;
    };
    std::array<Marker, ConverterFigures::kMaxHarmonicOrder> markers;
    int count = 0;
    auto add = [&](double hz, int order, uint8_t band) {
        const double offset = LogOffset(hz / deltaF, top, plot.width());
        const int x = plot.left() + std::clamp(static_cast<int>(offset), 0, plot.width() - 1);
        markers[static_cast<std::size_t>(count++)] = {x, order, band};
    };
    add(figures.fundamentalHz, 1, ConverterAnalyzer::kBandFundamental);
    for (int i = 0; i < figures.harmonicCount; ++i) {
        add(figures.harmonics[i].hz, figures.harmonics[i].order,
            static_cast<uint8_t>(ConverterAnalyzer::kBandHarmonic + i));
    }
    std::sort(markers.begin(), markers.begin() + count,
              [](const Marker& a, const Marker& b) { return a.x < b.x; });
    const QFontMetrics fm = p.fontMetrics();
    int rightOfLast = -1000;
    for (int i = 0; i < count; ++i) {
        const int x = markers[static_cast<std::size_t>(i)].x;
        const QPoint tip[3] = {
            {x - 3, plot.top() - 7}, {x + 3, plot.top() - 7}, {x, plot.top() - 2}};
        p.setPen(PlotFrame::kMarkerPen);
        p.setBrush(QColor(BandColour(markers[static_cast<std::size_t>(i)].band)));
        p.drawPolygon(tip, 3);
        const QString text = QString::number(markers[static_cast<std::size_t>(i)].order);
        const int width = fm.horizontalAdvance(text);
        if (x - width / 2 > rightOfLast + 2) {
            p.setPen(PlotFrame::kTextPen);
            p.drawText(x - width / 2, plot.top() - 9, text);
            rightOfLast = x - width / 2 + width;
        }
    }
    p.setBrush(Qt::NoBrush);
}

} // namespace

QRect SpectrumPlot::PlotRect(QSize size) {
    return PlotFrame::PlotRect(size);
}

bool SpectrumPlot::ColumnBins(QSize size, int32_t bins, int x, int32_t& first, int32_t& last) {
    const QRect plot = PlotRect(size);
    return BinsOfColumn(plot.width(), bins, x - plot.left(), first, last);
}

void SpectrumPlot::Draw(QImage& image, const ConverterAnalyzer& analyzer,
                        const ConverterFigures& figures, double deltaF) {
    PlotFrame::PrepareImage(image);
    const QRect plot = PlotRect(image.size());
    const int32_t bins = analyzer.SpectrumBins();
    const bool data = bins >= 2 && plot.width() > 0 && plot.height() > 1;
    thread_local std::vector<ColumnStats> columns;
    LevelAxis axis;
    {
        QPainter p(&image);
        p.fillRect(image.rect(), kBackground);
        if (data) {
            axis = MakeLevelAxis(analyzer, figures, ColumnPass(plot, analyzer, columns),
                                 plot.height());
            DrawLevelGrid(p, plot, axis, false);
            DrawFrequencyGrid(p, plot, bins - 1, deltaF, false);
        }
    }
    if (data) {
        DrawColumns(image, plot, axis, columns, figures.dynamicApplies);
    }
    QPainter p(&image);
    p.setFont(PlotFrame::Font());
    if (data && figures.dynamicApplies) {
        const int y = axis.Row(plot, Dbv(figures.noiseBinPower));
        p.setPen(kNoiseLinePen);
        p.drawLine(plot.left(), y, plot.right(), y);
    }
    PlotFrame::DrawBorder(p, plot);
    if (data && figures.dynamicApplies) {
        DrawToneMarkers(p, plot, bins - 1, deltaF, figures);
    }
    if (data) {
        DrawLevelGrid(p, plot, axis, true);
        DrawFrequencyGrid(p, plot, bins - 1, deltaF, true);
    }
    PlotFrame::DrawAxisTitles(p, plot, QStringLiteral("[dBV]"),
                              QString::fromUtf16(kFrequencyTitle));
    DrawLegend(p, plot);
}

#include <QPainter>
#include <QPointF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

#include "analysisview/AnalysisPlots.h"
#include "analysisview/PlotFrame.h"

namespace {

using namespace AnalysisPlotColours;

constexpr double kLogBottom = 0.5; // a single count stands clearly above the axis
constexpr int kLinearTicks = 5;
constexpr int kWideBar = 4; // bars at least this wide keep a pixel of space between them
const QPen kNormalCurvePen{kNormalCurve};

struct CountAxis {
    double top = 1.0;
    bool log = false;

    // Bar height in pixels of a count; 0 for counts at or below the axis bottom.
    double Height(double count, int plotHeight) const {
        if (log) {
            return count >= kLogBottom
                       ? std::log(count / kLogBottom) / std::log(top / kLogBottom) * plotHeight
                       : -1.0;
        }
        return count / top * plotHeight;
    }
};

// The histogram columns pixel column px of a frame `width` wide shows: one each when there are
// no more columns than pixels, otherwise a run of them.
void ColumnsOfPixel(int px, int width, int32_t columns, int32_t& first, int32_t& last) {
    first = static_cast<int32_t>(int64_t{px} * columns / width);
    last = std::max(first, static_cast<int32_t>((int64_t{px} + 1) * columns / width) - 1);
}

void DrawBars(QImage& image, const QRect& plot, const CodeHistogram& histogram,
              const CountAxis& axis) {
    const int32_t columns = histogram.Columns();
    const bool gaps = plot.width() / columns >= kWideBar;
    for (int px = 0; px < plot.width(); ++px) {
        int32_t first = 0;
        int32_t last = 0;
        ColumnsOfPixel(px, plot.width(), columns, first, last);
        if (gaps && static_cast<int32_t>((int64_t{px} + 1) * columns / plot.width()) != first) {
            continue; // the column's last pixel, left open between two bars
        }
        int32_t count = 0;
        for (int32_t c = first; c <= last; ++c) {
            count = std::max(count, histogram.ColumnCount(c));
        }
        const long height = std::lround(axis.Height(count, plot.height()));
        if (height > 0) {
            PlotFrame::FillColumn(image, plot.left() + px,
                                  plot.bottom() + 1 - static_cast<int>(height), plot.bottom(),
                                  kBars.rgb());
        }
    }
}

void DrawCountGrid(QPainter& p, const QRect& plot, const CountAxis& axis, bool labels) {
    auto line = [&](double count) {
        const int y =
            plot.bottom() + 1 - static_cast<int>(std::lround(axis.Height(count, plot.height())));
        if (labels) {
            PlotFrame::DrawLevelLabel(p, plot, y, QString::number(count, 'f', 0));
        } else {
            p.setPen(PlotFrame::kGridMinorPen);
            p.drawLine(plot.left(), y, plot.right(), y);
        }
    };
    if (axis.log) {
        for (double count = 1.0; count <= axis.top * 1.000001; count *= 10.0) {
            line(count);
        }
        return;
    }
    const double step = PlotFrame::NiceStep(axis.top / kLinearTicks, 1.0);
    for (double count = 0.0; count <= axis.top * 1.000001; count += step) {
        line(count);
    }
}

void DrawCodeTicks(QPainter& p, const QRect& plot, const CodeHistogram& histogram) {
    const int64_t lowest = histogram.Lowest();
    const double span = static_cast<double>(histogram.Columns() * histogram.CodesPerColumn());
    const int labelWidth =
        p.fontMetrics().horizontalAdvance(QString::number(lowest + static_cast<int64_t>(span)));
    const double step = PlotFrame::NiceStep((labelWidth + 24.0) * span / plot.width(), 1.0);
    const auto istep = static_cast<int64_t>(step);
    int64_t code = lowest / istep * istep; // the first multiple of the step in the range
    if (code < lowest) {
        code += istep;
    }
    int rightOfLast = -1000;
    for (; static_cast<double>(code - lowest) < span; code += istep) {
        const double offset = (static_cast<double>(code - lowest) + 0.5) / span * plot.width();
        PlotFrame::DrawTickLabel(p, plot, plot.left() + static_cast<int>(offset),
                                 QString::number(code), rightOfLast);
    }
}

// The normal curve through the columns' centres; on the log axis the points below its bottom
// break it into pieces.
void DrawNormalCurve(QPainter& p, const QRect& plot, const CodeHistogram& histogram,
                     const ConverterFigures& figures, const CountAxis& axis) {
    thread_local std::vector<QPointF> points;
    points.clear();
    const int32_t columns = histogram.Columns();
    p.setPen(kNormalCurvePen);
    auto flush = [&] {
        if (points.size() == 1) { // a single column: a short dash across its centre
            p.drawLine(points[0] - QPointF(3, 0), points[0] + QPointF(3, 0));
        } else if (points.size() > 1) {
            p.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
        points.clear();
    };
    for (int32_t c = 0; c < columns; ++c) {
        const double count = histogram.NormalCount(c, figures.meanCode, figures.rmsNoiseCodes);
        const double height = axis.Height(count, plot.height());
        if (height < 0.0) {
            flush();
            continue;
        }
        const double x = plot.left() + (c + 0.5) * plot.width() / columns;
        points.emplace_back(x, plot.bottom() + 1 - std::min(height, double(plot.height())));
    }
    flush();
}

} // namespace

QRect HistogramPlot::PlotRect(QSize size) {
    return PlotFrame::PlotRect(size);
}

double HistogramPlot::CountAxisTop(int32_t largest, bool logCounts) {
    const double most = std::max(1, largest);
    if (logCounts) {
        return std::pow(10.0, std::floor(std::log10(most)) + 1.0);
    }
    const double step = PlotFrame::NiceStep(most / kLinearTicks, 1.0);
    return std::ceil(most / step) * step;
}

void HistogramPlot::Draw(QImage& image, const CodeHistogram& histogram,
                         const ConverterFigures& figures, bool logCounts) {
    PlotFrame::PrepareImage(image);
    const QRect plot = PlotRect(image.size());
    const bool data = histogram.Columns() > 0 && plot.width() > 0 && plot.height() > 1;
    const CountAxis axis{CountAxisTop(histogram.LargestCount(), logCounts), logCounts};
    {
        QPainter p(&image);
        p.fillRect(image.rect(), kBackground);
        if (data) {
            DrawCountGrid(p, plot, axis, false);
        }
    }
    if (data) {
        DrawBars(image, plot, histogram, axis);
    }
    QPainter p(&image);
    p.setFont(PlotFrame::Font());
    if (data) {
        p.setClipRect(plot);
        DrawNormalCurve(p, plot, histogram, figures, axis);
        p.setClipping(false);
    }
    PlotFrame::DrawBorder(p, plot);
    if (data) {
        DrawCountGrid(p, plot, axis, true);
        DrawCodeTicks(p, plot, histogram);
    }
    PlotFrame::DrawAxisTitles(p, plot, QStringLiteral("度数"), QStringLiteral("コード"));
}

// The two pictures of the analysis window, drawn into a QImage of any size: the analysis's own
// spectrum with the bins it counted as fundamental, harmonics and DC shaded and the noise level
// as a line, and the code histogram with the normal curve of the same mean and sigma.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>

#include "analysis/CodeHistogram.h"
#include "analysis/ConverterFigures.h"

namespace AnalysisPlotColours {
inline const QColor kBackground{255, 255, 255};
inline const QColor kTrace{0, 0, 160};
inline const QColor kNoiseLine{0, 150, 0};
inline const QColor kDcBand{210, 210, 210};
inline const QColor kFundamentalBand{255, 200, 200};
// Harmonic i of the figures (order i + 2 when none was left out) takes colour i modulo 6.
inline const QColor kHarmonicBands[6] = {{255, 225, 160}, {200, 235, 255}, {215, 255, 200},
                                         {240, 210, 255}, {255, 240, 200}, {200, 255, 245}};
inline const QColor kBars{90, 110, 200};
inline const QColor kNormalCurve{220, 0, 0};
} // namespace AnalysisPlotColours

// The last analysis's spectrum (ConverterAnalyzer::SpectrumBins, BinPower, BinBand) on a
// logarithmic frequency axis from bin 1 to the top of the band, in dBV (10 log10 of a bin's
// V^2). Bands are shaded and the noise line drawn only when the figures' dynamic figures apply.
class SpectrumPlot {
public:
    // The plot's frame inside an image of `size` (the axis texts lie outside it).
    static QRect PlotRect(QSize size);
    // The first and last bin (1 .. bins - 1) a pixel column of the plot frame shows; false for a
    // column outside it.
    static bool ColumnBins(QSize size, int32_t bins, int x, int32_t& first, int32_t& last);
    static void Draw(QImage& image, const ConverterAnalyzer& analyzer,
                     const ConverterFigures& figures, double deltaF);
};

// The histogram's columns as bars, count axis linear or logarithmic, codes along the bottom,
// and the normal curve of figures.meanCode and figures.rmsNoiseCodes over it.
class HistogramPlot {
public:
    static QRect PlotRect(QSize size);
    // The columns to count into for an image of `size`: one per pixel of the plot's width.
    static int32_t MaxColumns(QSize size) { return PlotRect(size).width(); }
    // The count at the top of the axis for a largest column count: a round number of 1, 2 or 5
    // steps on the linear axis, the next decade above it on the logarithmic one (whose bottom is
    // half a count).
    static double CountAxisTop(int32_t largest, bool logCounts);
    static void Draw(QImage& image, const CodeHistogram& histogram, const ConverterFigures& figures,
                     bool logCounts);
};

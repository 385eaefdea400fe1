// The analysis window's plots against what the analysis core counted: the shaded columns are
// the bands of the bins they show, the columns cover the spectrum's bins once along a
// logarithmic axis, the noise line and the trace lie at the levels of the bins, and the bars
// of the histogram are the codes counted independently.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/CodeHistogram.h"
#include "analysis/ConverterFigures.h"
#include "analysis/SampleConversion.h"
#include "analysisview/AnalysisPlots.h"

namespace {

using namespace AnalysisPlotColours;
using Analyzer = ConverterAnalyzer;

const QSize kSize(560, 300);

QGuiApplication& App() {
    static int argc = 1;
    static char name[] = "analysis_plots_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

// A tone with harmonics 2 .. 6 and Gaussian noise. The tone at bin 2727.4 of 16384 puts its
// folded 5th harmonic 22 bins above it, counted apart but shown in the same column.
class ToneBlock {
public:
    explicit ToneBlock(int32_t n = 16384, double toneBin = 2727.4) : codes_(n), volts_(n) {
        std::mt19937_64 rng(7);
        auto uniform = [&] {
            return (static_cast<double>(rng() >> 11) + 0.5) / 9007199254740992.0;
        };
        const double dbc[7] = {0, 0, -70, -80, -90, -95, -100};
        for (int32_t i = 0; i < n; ++i) {
            const double t = 2.0 * std::numbers::pi * std::fmod(toneBin / n * i, 1.0);
            double v = 1.2 * std::sin(t);
            for (int h = 2; h <= 6; ++h) {
                v += 1.2 * std::pow(10.0, dbc[h] / 20.0) * std::sin(h * t + h);
            }
            // Box-Muller: 20 uV of noise.
            v += 20e-6 * std::sqrt(-2.0 * std::log(uniform())) *
                 std::cos(2.0 * std::numbers::pi * uniform());
            codes_[i] = kCodeZeroVolt + static_cast<int32_t>(std::lrint(v / double(kVoltsPerCode)));
        }
        block_.codes = codes_.data();
        block_.volts = volts_.data();
        block_.count = n;
        EXPECT_TRUE(ConvertBlock(block_, 0.008f));
    }
    const SampleBlock& Block() const { return block_; }

private:
    std::vector<int32_t> codes_;
    std::vector<float> volts_;
    SampleBlock block_;
};

int PrecedenceRank(uint8_t band) {
    if (band == Analyzer::kBandFundamental) {
        return 1000;
    }
    if (band >= Analyzer::kBandHarmonic) {
        return 500 - band; // the lower harmonic first
    }
    return band == Analyzer::kBandDc ? 1 : 0;
}

QRgb ColourOfBand(uint8_t band) {
    if (band == Analyzer::kBandFundamental) {
        return kFundamentalBand.rgb();
    }
    if (band == Analyzer::kBandDc) {
        return kDcBand.rgb();
    }
    return kHarmonicBands[(band - Analyzer::kBandHarmonic) % 6].rgb();
}

bool IsBandColour(QRgb c) {
    bool band = c == kFundamentalBand.rgb() || c == kDcBand.rgb();
    for (const QColor& h : kHarmonicBands) {
        band = band || c == h.rgb();
    }
    return band;
}

double Dbv(double power) {
    return 10.0 * std::log10(power);
}

class SpectrumPlotTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(analyzer_.Analyze(tone_.Block(), 6, figures_));
        ASSERT_TRUE(figures_.dynamicApplies);
        ASSERT_EQ(figures_.harmonicCount, 5);
        image_ = QImage(kSize, QImage::Format_RGB32);
        SpectrumPlot::Draw(image_, analyzer_, figures_, tone_.Block().deltaF);
    }

    // The row of a level on the axis the plot chose: from the largest bin rounded up to 10 dB
    // plus 10 dB, down to 30 dB below the noise level rounded down to 10 dB.
    int RowOf(double db) const {
        const QRect plot = SpectrumPlot::PlotRect(kSize);
        double highest = 0.0;
        for (int32_t k = 1; k < analyzer_.SpectrumBins(); ++k) {
            highest = std::max(highest, analyzer_.BinPower()[k]);
        }
        const double top = std::ceil(Dbv(highest) / 10.0) * 10.0 + 10.0;
        const double bottom = std::floor((Dbv(figures_.noiseBinPower) - 30.0) / 10.0) * 10.0;
        db = std::clamp(db, bottom, top);
        return plot.top() + static_cast<int>((top - db) / (top - bottom) * (plot.height() - 1));
    }

    ToneBlock tone_;
    Analyzer analyzer_;
    ConverterFigures figures_;
    QImage image_;
};

TEST_F(SpectrumPlotTest, ShadedColumnsAreTheBandsTheAnalysisCounted) {
    const QRect plot = SpectrumPlot::PlotRect(kSize);
    const int row = plot.top() + 2; // above the largest bin by the axis's margin
    ASSERT_GT(RowOf(Dbv(figures_.fundamentalVrms * figures_.fundamentalVrms)), row + 2);
    const int32_t bins = analyzer_.SpectrumBins();
    const uint8_t* band = analyzer_.BinBand();
    std::map<uint8_t, int> columnsOfBand;
    int fundamentalOverHarmonic = 0;
    int harmonicOverNoise = 0;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        int32_t first = 0;
        int32_t last = 0;
        ASSERT_TRUE(SpectrumPlot::ColumnBins(kSize, bins, x, first, last));
        uint8_t expected = band[first];
        bool noise = false;
        bool harmonic = false;
        for (int32_t k = first; k <= last; ++k) {
            noise = noise || band[k] == Analyzer::kBandNoise;
            harmonic = harmonic || band[k] >= Analyzer::kBandHarmonic;
            if (PrecedenceRank(band[k]) > PrecedenceRank(expected)) {
                expected = band[k];
            }
        }
        fundamentalOverHarmonic += expected == Analyzer::kBandFundamental && harmonic;
        harmonicOverNoise += expected >= Analyzer::kBandHarmonic && noise;
        ++columnsOfBand[expected];
        const QRgb pixel = image_.pixel(x, row);
        if (expected == Analyzer::kBandNoise) {
            EXPECT_FALSE(IsBandColour(pixel)) << "column " << x << " shows only noise bins";
        } else {
            EXPECT_EQ(pixel, ColourOfBand(expected))
                << "column " << x << ", bins " << first << ".." << last;
        }
    }
    // The block is made to exercise every rule: each band, and precedence within a column.
    EXPECT_GT(columnsOfBand[Analyzer::kBandDc], 0);
    EXPECT_GT(columnsOfBand[Analyzer::kBandFundamental], 0);
    int harmonicsShown = 0; // the 5th lies wholly in the fundamental's columns
    for (int i = 0; i < figures_.harmonicCount; ++i) {
        harmonicsShown += columnsOfBand[static_cast<uint8_t>(Analyzer::kBandHarmonic + i)] > 0;
    }
    EXPECT_EQ(harmonicsShown, figures_.harmonicCount - 1);
    EXPECT_GT(fundamentalOverHarmonic, 0);
    EXPECT_GT(harmonicOverNoise, 0);
}

TEST_F(SpectrumPlotTest, NoiseLineAndTraceLieAtTheLevelsOfTheBins) {
    const QRect plot = SpectrumPlot::PlotRect(kSize);
    const int noiseRow = RowOf(Dbv(figures_.noiseBinPower));
    auto lineAt = [&](int y) {
        int n = 0;
        for (int x = plot.left(); x <= plot.right(); ++x) {
            n += image_.pixel(x, y) == kNoiseLine.rgb();
        }
        return n;
    };
    EXPECT_EQ(lineAt(noiseRow), plot.width());
    EXPECT_LT(lineAt(noiseRow - 1), plot.width() / 2);
    EXPECT_LT(lineAt(noiseRow + 1), plot.width() / 2);
    // Every column's trace reaches the rows of its strongest and weakest bin.
    for (int x = plot.left(); x <= plot.right(); ++x) {
        int32_t first = 0;
        int32_t last = 0;
        ASSERT_TRUE(SpectrumPlot::ColumnBins(kSize, analyzer_.SpectrumBins(), x, first, last));
        const auto [lo, hi] =
            std::minmax_element(analyzer_.BinPower() + first, analyzer_.BinPower() + last + 1);
        for (int y : {RowOf(Dbv(*lo)), RowOf(Dbv(*hi))}) {
            if (y != noiseRow) {
                EXPECT_EQ(image_.pixel(x, y), kTrace.rgb()) << "column " << x << ", row " << y;
            }
        }
    }
    // Without the dynamic figures there is no noise level and no band to show.
    ConverterFigures noDynamic = figures_;
    noDynamic.dynamicApplies = false;
    SpectrumPlot::Draw(image_, analyzer_, noDynamic, tone_.Block().deltaF);
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.left(); x <= plot.right(); ++x) {
            const QRgb pixel = image_.pixel(x, y);
            ASSERT_TRUE(!IsBandColour(pixel) && pixel != kNoiseLine.rgb()) << x << "," << y;
        }
    }
}

// Bin k's column on the axis from bin 1 to the top bin, by its centre; the top bin lies on the
// frame's right edge and belongs to the last column.
TEST(SpectrumColumns, CoverEveryBinOnceInOrderOnALogAxis) {
    for (const QSize size : {kSize, QSize(300, 200), QSize(1200, 400)}) {
        const int width = SpectrumPlot::PlotRect(size).width();
        const int left = SpectrumPlot::PlotRect(size).left();
        for (const int32_t bins : {19, 512, 8192, 131072}) {
            SCOPED_TRACE(std::to_string(width) + " columns, " + std::to_string(bins) + " bins");
            const int32_t top = bins - 1;
            std::vector<int32_t> lowest(width, INT32_MAX);
            std::vector<int32_t> highest(width, 0);
            for (int32_t k = 1; k <= top; ++k) {
                const int c = std::min(
                    width - 1, static_cast<int>(std::floor(width * std::log(k) / std::log(top))));
                lowest[c] = std::min(lowest[c], k);
                highest[c] = std::max(highest[c], k);
            }
            int32_t first = 0;
            int32_t last = 0;
            EXPECT_FALSE(SpectrumPlot::ColumnBins(size, bins, left - 1, first, last));
            EXPECT_FALSE(SpectrumPlot::ColumnBins(size, bins, left + width, first, last));
            for (int c = 0; c < width; ++c) {
                ASSERT_TRUE(SpectrumPlot::ColumnBins(size, bins, left + c, first, last));
                if (highest[c] > 0) {
                    ASSERT_EQ(first, lowest[c]) << "column " << c;
                    ASSERT_EQ(last, highest[c]) << "column " << c;
                    continue;
                }
                // A column between two centres shows one bin whose interval reaches into it.
                ASSERT_EQ(first, last) << "column " << c;
                const double from = std::pow(double(top), double(c) / width);
                const double to = std::pow(double(top), double(c + 1) / width);
                EXPECT_TRUE(first - 0.5 < to && first + 0.5 > from) << "column " << c;
            }
        }
    }
}

// The bars' heights in pixels, read at the middle pixel of each histogram column.
std::vector<int> BarHeights(const QImage& image, int32_t columns) {
    const QRect plot = HistogramPlot::PlotRect(image.size());
    std::vector<int> heights;
    for (int32_t c = 0; c < columns; ++c) {
        // The columns share the frame's width evenly.
        const int from = static_cast<int>((int64_t{c} * plot.width() + columns - 1) / columns);
        const int to = static_cast<int>((int64_t{c + 1} * plot.width() + columns - 1) / columns);
        const int x = plot.left() + (from + to - 1) / 2;
        int h = 0;
        while (h < plot.height() && image.pixel(x, plot.bottom() - h) == kBars.rgb()) {
            ++h;
        }
        heights.push_back(h);
    }
    return heights;
}

struct CodeTable {
    std::vector<int32_t> codes;
    std::map<int32_t, int32_t> counts;
};

// `span` codes from `lowest`, code j taking count(j) samples.
template <class Count> CodeTable MakeCodes(int32_t lowest, int32_t span, Count count) {
    CodeTable t;
    for (int32_t j = 0; j < span; ++j) {
        const int32_t n = count(j);
        t.counts[lowest + j] = n;
        t.codes.insert(t.codes.end(), n, lowest + j);
    }
    std::shuffle(t.codes.begin(), t.codes.end(), std::mt19937(3));
    return t;
}

void ExpectBars(const CodeTable& table, int64_t codesPerColumn, bool logCounts) {
    App();
    CodeHistogram histogram;
    QImage image(kSize, QImage::Format_RGB32);
    ASSERT_TRUE(histogram.Count(table.codes.data(), static_cast<int32_t>(table.codes.size()),
                                HistogramPlot::MaxColumns(kSize)));
    ASSERT_EQ(histogram.CodesPerColumn(), codesPerColumn);
    std::vector<int32_t> expected;
    for (const auto& [code, n] : table.counts) {
        const auto column =
            static_cast<std::size_t>((code - table.counts.begin()->first) / codesPerColumn);
        expected.resize(std::max(expected.size(), column + 1), 0);
        expected[column] += n;
    }
    ASSERT_EQ(histogram.Columns(), static_cast<int32_t>(expected.size()));
    const int32_t largest = *std::max_element(expected.begin(), expected.end());
    const double top = HistogramPlot::CountAxisTop(largest, logCounts);
    const double scale = logCounts ? std::pow(10.0, std::ceil(std::log10(largest + 0.5))) : top;
    ASSERT_DOUBLE_EQ(top, scale) << "axis top for " << largest;
    EXPECT_GE(top, largest);
    EXPECT_LE(top, logCounts ? 10.0 * largest : 2.0 * largest);
    // The normal curve of a mean far outside the range stays at zero, off the bars.
    ConverterFigures figures;
    figures.meanCode = -1e9;
    figures.rmsNoiseCodes = 1.0;
    HistogramPlot::Draw(image, histogram, figures, logCounts);
    const int height = HistogramPlot::PlotRect(kSize).height();
    const std::vector<int> bars = BarHeights(image, histogram.Columns());
    for (std::size_t c = 0; c < expected.size(); ++c) {
        const double n = expected[c];
        const double share =
            logCounts ? (n > 0 ? std::log(n / 0.5) / std::log(top / 0.5) : 0.0) : n / top;
        EXPECT_EQ(bars[c], std::lround(share * height)) << "column " << c << ", count " << n;
    }
}

TEST(HistogramPlot, BarsAreTheCountsOfOneCodeEach) {
    // A bell of 21 codes with two missing ones.
    const CodeTable table = MakeCodes(8388600, 21, [](int32_t j) {
        return j == 4 || j == 15
                   ? 0
                   : static_cast<int32_t>(3000 * std::exp(-(j - 10) * (j - 10) / 18.0)) + 1;
    });
    ExpectBars(table, 1, false);
    ExpectBars(table, 1, true);
}

TEST(HistogramPlot, BarsAreTheCountsOfGroupedCodes) {
    // 10001 codes of 0 .. 6 samples each: 21 codes a column over the frame's 492 pixels.
    uint32_t lcg = 1;
    const CodeTable table = MakeCodes(8383000, 10001, [&](int32_t) {
        lcg = lcg * 1664525u + 1013904223u;
        return static_cast<int32_t>((lcg >> 16) % 7);
    });
    const int64_t width = HistogramPlot::MaxColumns(kSize);
    ExpectBars(table, (10001 + width - 1) / width, false);
}

TEST(HistogramPlot, NormalCurvePassesTheColumnsCentres) {
    App();
    const CodeTable table = MakeCodes(100, 41, [](int32_t j) {
        return static_cast<int32_t>(5000 * std::exp(-(j - 20) * (j - 20) / 50.0));
    });
    CodeHistogram histogram;
    ASSERT_TRUE(histogram.Count(table.codes.data(), static_cast<int32_t>(table.codes.size()), 400));
    ConverterFigures figures;
    figures.meanCode = 120.0;
    figures.rmsNoiseCodes = 5.0;
    QImage image(kSize, QImage::Format_RGB32);
    HistogramPlot::Draw(image, histogram, figures, false);
    const QRect plot = HistogramPlot::PlotRect(kSize);
    const double top = HistogramPlot::CountAxisTop(histogram.LargestCount(), false);
    for (int32_t c = 0; c < histogram.Columns(); ++c) {
        const double x = plot.left() + (c + 0.5) * plot.width() / histogram.Columns();
        const double y =
            plot.bottom() + 1 - histogram.NormalCount(c, 120.0, 5.0) / top * plot.height();
        if (y > plot.bottom()) {
            continue; // on the frame's bottom line
        }
        bool found = false;
        for (int dy = -1; dy <= 1; ++dy) {
            found = found || image.pixel(static_cast<int>(x), static_cast<int>(std::lround(y)) +
                                                                  dy) == kNormalCurve.rgb();
        }
        EXPECT_TRUE(found) << "column " << c;
    }
}

} // namespace

// The printed report: both graphs (or the spectrum alone) rendered anew at printer resolution
// with their axis texts, and the summary of the measurement conditions and the peak read-outs.
// One TZF_Print serves one print.
#pragma once

#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "graph/PrintLayout.h"

#include <QString>
#include <QStringList>

class FFTGraph;
class QPainter;
class QPagedPaintDevice;
struct PeakReadouts;

// Printer pixels per inch of a report drawn into a PDF: fine enough for print, while the
// printer's own resolution (1200) would make a graph bitmap of a hundred megabytes for no
// visible gain.
inline constexpr int kPdfResolution = 600;

// What the report states besides the graphs, filled by the caller before printing.
struct PrintInfo {
    int32_t count = 0;
    QString rateText;   // RateText of the block's rate and filter
    QString deltaFText; // bin spacing, "0.000" then "Hz"
    const GraphSetting* graphSetting = nullptr;
    const MeasureSetting* measureSetting = nullptr;
    QString peakVolt; // the texts of the three read-outs and the amplitude unit shown
    QString peakdB;
    QString peakHz;
    QString unit;
    QString averagingLine; // empty unless the spectrum is averaged
};

// The report information of the measured block and the read-outs as they stand.
PrintInfo MakePrintInfo(const SampleBlock& block, const GraphSetting& graphSetting,
                        const MeasureSetting& measureSetting, const PeakReadouts& readouts);

// The 14 summary lines, in print order, and the averaging line when there is one.
QStringList SummaryLines(const PrintInfo& info);

class TZF_Print {
public:
    TZF_Print(FFTGraph& graph, QPagedPaintDevice& printer, const GraphSetting& graphSetting);
    TZF_Print(const TZF_Print&) = delete;
    TZF_Print& operator=(const TZF_Print&) = delete;

    // Prints the one-page report. False when the print job could not be started or finished
    // (the platform's print job then reports nothing more), or the page is too small to hold
    // the graphs.
    bool PrintReport(const PrintInfo& info);

    // The layout of the last PrintReport, for tests.
    const PageGeometry& Geometry() const { return geometry_; }

private:
    void PrintSummary(QPainter& canvas, const PrintInfo& info) const;

    FFTGraph& graph_;
    QPagedPaintDevice& printer_;
    const GraphSetting& graphSetting_;
    int dpiX_ = 0;
    int dpiY_ = 0;
    int pageWmm_ = 0;
    int pageHmm_ = 0;
    PageGeometry geometry_;
};

// One-pixel black frame drawn one pixel outside the rectangle.
void DrawPlotFrame(QPainter& canvas, const PlotRect& r);

#include "graph/Myprint.h"

#include "common/DecimalPicture.h"
#include "common/RateTables.h"
#include "common/SjisText.h"
#include "common/SpectrumAveraging.h"
#include "graph/FFTGraph.h"
#include "graph/GraphBitmap.h"

#include <QPagedPaintDevice>
#include <QPainter>

PrintInfo MakePrintInfo(const SampleBlock& block, const GraphSetting& graphSetting,
                        const MeasureSetting& measureSetting, const PeakReadouts& readouts) {
    PrintInfo info;
    info.count = block.count;
    info.rateText = QString::fromUtf8(RateText(block.spsSel, block.sinc3));
    info.deltaFText = QString::fromStdString(FormatDecimal(block.deltaF, 3)) + QStringLiteral("Hz");
    info.graphSetting = &graphSetting;
    info.measureSetting = &measureSetting;
    info.peakVolt = readouts.EditPeakVolt ? readouts.EditPeakVolt->text() : QString();
    info.peakdB = readouts.EditPeakdB ? readouts.EditPeakdB->text() : QString();
    info.peakHz = readouts.EditPeakHz ? readouts.EditPeakHz->text() : QString();
    info.unit = readouts.unit;
    info.averagingLine = QString::fromStdString(AveragingSummary(block.averaging));
    return info;
}

QStringList SummaryLines(const PrintInfo& info) {
    static const GraphSetting kNoGraph{};
    static const MeasureSetting kNoMeasure{};
    const GraphSetting& g = info.graphSetting ? *info.graphSetting : kNoGraph;
    const MeasureSetting& m = info.measureSetting ? *info.measureSetting : kNoMeasure;
    QString window;
    switch (g.whichWindowFunc) {
    case WinHanning:
        window = QStringLiteral("窓関数：ハニング窓");
        break;
    case WinHamming:
        window = QStringLiteral("窓関数：ハミング窓");
        break;
    case WinFlatTop:
        window = QStringLiteral("窓関数：フラットトップ");
        break;
    default:
        window = QStringLiteral("窓関数：矩形波窓");
        break;
    }
    // The file name as the user named it: the native path, never its Shift-JIS stand-in with
    // "?" for characters Shift-JIS lacks.
    const QString fileName = !m.DataFilePath.empty()
                                 ? QString::fromStdString(m.DataFilePath)
                                 : QString::fromStdString(SjisToUtf8(m.DataFileName));
    QStringList lines{
        QStringLiteral("< Lumeno >"),
        QStringLiteral("データ数：") + QString::number(info.count),
        QStringLiteral("サンプリング：") + info.rateText,
        QStringLiteral("周波数分解能：") + info.deltaFText,
        g.fAbsoGraph ? QStringLiteral("dB表示：絶対値表示[dBV]")
                     : QStringLiteral("dB表示：相対値表示"),
        g.fWinFuncAdjust ? QStringLiteral("窓関数による減衰の補正計算：有り")
                         : QStringLiteral("窓関数による減衰の補正計算：なし"),
        window,
        g.fDCCut_FFT ? QStringLiteral("FFT計算 DCカット：有り")
                     : QStringLiteral("FFT計算 DCカット：なし"),
        g.fDCCut_SigGraph ? QStringLiteral("信号波形 DCカット：有り")
                          : QStringLiteral("信号波形 DCカット：なし"),
        QStringLiteral("ピーク値[") + info.unit + QStringLiteral("]：") + info.peakVolt,
        (g.fAbsoGraph ? QStringLiteral("ピーク値[dBV]：") : QStringLiteral("ピーク値[dB]：")) +
            info.peakdB,
        QStringLiteral("ピーク値[Hz]：") + info.peakHz,
        QStringLiteral("測定：") + QString::fromStdString(SjisToUtf8(m.StartDateTime)),
        QStringLiteral("ファイル名：") + fileName,
    };
    // Only an averaged spectrum adds a line; a single block's report is the designed one.
    if (!info.averagingLine.isEmpty()) {
        lines.append(info.averagingLine);
    }
    return lines;
}

void DrawPlotFrame(QPainter& canvas, const PlotRect& r) {
    const QColor black(Qt::black);
    const int w = r.Width() + 2;
    const int h = r.Height() + 2;
    canvas.fillRect(r.L - 1, r.T - 1, w, 1, black);
    canvas.fillRect(r.L - 1, r.B, w, 1, black);
    canvas.fillRect(r.L - 1, r.T - 1, 1, h, black);
    canvas.fillRect(r.R, r.T - 1, 1, h, black);
}

TZF_Print::TZF_Print(FFTGraph& graph, QPagedPaintDevice& printer, const GraphSetting& graphSetting)
    : graph_(graph), printer_(printer), graphSetting_(graphSetting) {}

bool TZF_Print::PrintReport(const PrintInfo& info) {
    dpiX_ = printer_.logicalDpiX();
    dpiY_ = printer_.logicalDpiY();
    pageWmm_ = printer_.widthMM();
    pageHmm_ = printer_.heightMM();
    const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
    const bool wave = graphSetting_.fWaveGraph;
    GraphBitmap bitmap; // a fresh bitmap: pen width 1 until the waveform sets 5
    bitmap.SetSize(160, 100);
    geometry_ = ComputePageGeometry(dpiX_, dpiY_, pageWmm_, pageHmm_, landscape, wave);
    if (geometry_.plotWidth <= 0 || geometry_.plotHeight <= 0) {
        return false;
    }
    bitmap.SetSize(geometry_.plotWidth, geometry_.plotHeight);
    const double s = TextScale(dpiY_);

    if (wave) {
        graph_.PrintWaveform(bitmap);
    }
    QPainter canvas;
    if (!canvas.begin(&printer_)) {
        return false;
    }
    if (wave) {
        canvas.drawImage(geometry_.wave.ToQRect(), bitmap.image);
        DrawPlotFrame(canvas, geometry_.wave);
        graph_.PrintVoltLabels(canvas, s, geometry_.wave);
        graph_.PrintTimeLabels(canvas, s, geometry_.wave);
    }
    graph_.PrintSpectrum(bitmap);
    canvas.drawImage(geometry_.spectrum.ToQRect(), bitmap.image);
    DrawPlotFrame(canvas, geometry_.spectrum);
    graph_.PrintFreqLabels(canvas, s, geometry_.spectrum);
    graph_.PrintDbLabels(canvas, s, geometry_.spectrum);
    PrintSummary(canvas, info);
    return canvas.end();
}

void TZF_Print::PrintSummary(QPainter& canvas, const PrintInfo& info) const {
    canvas.setBackground(Qt::white);
    canvas.setBackgroundMode(Qt::OpaqueMode);
    canvas.setPen(Qt::black);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.setFont(PrintFont(graph_.FreqLabel(0)->font(), kSummaryFontPoints, dpiY_));
    const int step = SummaryLineStep(dpiY_);
    const int ascent = canvas.fontMetrics().ascent();
    int y = geometry_.textY;
    for (const QString& line : SummaryLines(info)) {
        canvas.drawText(geometry_.textX, y + ascent, line);
        y += step;
    }
}

// The axis texts of the printed report. The screen labels are given their screen texts again,
// and their screen sizes, scaled by s, place the texts on paper as the labels sit on screen.
#include "graph/FFTGraph.h"
#include "graph/LineRaster.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

void PrepareCanvas(QPainter& canvas, const QFont& windowFont) {
    canvas.setBackground(Qt::white);
    canvas.setBackgroundMode(Qt::OpaqueMode);
    canvas.setPen(Qt::black);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.setFont(PrintFont(windowFont, kAxisFontPoints, canvas.device()->logicalDpiY()));
}

// Text with its top-left corner at (x, y).
void TextOut(QPainter& canvas, int x, int y, const QString& text) {
    canvas.drawText(x, y + canvas.fontMetrics().ascent(), text);
}

int Scaled(double v, double s) {
    return TruncToPixel(v * s);
}

} // namespace

void FFTGraph::PrintFreqLabels(QPainter& canvas, double s, const PlotRect& p) {
    PrepareCanvas(canvas, freqLabels_[0]->font());
    SetFreqLabelTexts();
    const int y = p.B + Scaled(5, s);
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    auto width = [&](int i) { return Scaled(freqLabels_[i]->width(), s); };
    auto print = [&](int i, int x) { TextOut(canvas, x, y, freqLabels_[i]->text()); };
    if (graphSetting_.fLogGraph) {
        const double ls = std::log10(double(StartFreq()));
        const double le = std::log10(double(EndFreq()));
        if (le == ls) {
            return;
        }
        // As on screen, a start text wider than the 20 pixels the layout assumes still keeps
        // its neighbour from overlapping it.
        int lastRight = p.L + std::max(Scaled(20, s), width(ix.freqS));
        print(ix.freqS, p.L);
        for (int i = ix.freqS + 1; i < ix.freqE; ++i) {
            const int x =
                TruncToPixel((std::log10(double(kFreqSeries[i])) - ls) * p.Width() / (le - ls) +
                             p.L - width(i) * 0.5);
            if (x > lastRight) {
                print(i, x);
                lastRight = x + width(i);
            }
        }
        print(ix.freqE, p.R - width(ix.freqE));
    } else {
        const LinearAxisRow& row = LinearRow(ix.freqE);
        const int n = row.count;
        const int pitch = p.Width() / (n - 1);
        print(0, p.L);
        for (int i = 1; i <= n - 2; ++i) {
            print(i, TruncToPixel(p.L + i * pitch - width(i) * 0.5));
        }
        print(n - 1, p.R - width(n - 1));
    }
}

void FFTGraph::PrintDbLabels(QPainter& canvas, double s, const PlotRect& p) {
    PrepareCanvas(canvas, dbLabels_[0]->font());
    SetDbLabelTexts();
    // The limited indexes, as the printed scale and the screen's labels use them.
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    const int d = ix.dbMin - ix.dbMax;
    const double pitch = double(p.Height()) / d;
    const double h = dbLabels_[ix.dbMax]->height() * s;
    auto x = [&](QLabel* l) { return p.L - Scaled(l->width() + 2, s); };
    auto halfHeight = [&](QLabel* l) { return std::fabs(l->height() * s * 0.5); };
    const int step = DbLabelStep(h, pitch);
    if (step == 0) {
        QLabel* top = dbLabels_[ix.dbMax];
        QLabel* bottom = dbLabels_[ix.dbMin];
        TextOut(canvas, x(top), TruncToPixel(p.T - halfHeight(top)), top->text());
        TextOut(canvas, x(bottom), TruncToPixel(p.B - halfHeight(bottom)), bottom->text());
        return;
    }
    for (int j = 0; j <= d; j += step) {
        QLabel* l = dbLabels_[ix.dbMax + j];
        TextOut(canvas, x(l), TruncToPixel(p.T + j * pitch - halfHeight(l)), l->text());
    }
}

void FFTGraph::PrintVoltLabels(QPainter& canvas, double s, const PlotRect& p) {
    PrepareCanvas(canvas, labelVoltUnit_->font());
    SetVoltLabelTexts();
    const int span = p.Height();
    // A screen label may have been given a smaller font to fit (eight-digit codes); on paper
    // the text keeps the printing font, so its own width there keeps it off the frame.
    auto print = [&](QLabel* l, double y) {
        const int width = canvas.fontMetrics().horizontalAdvance(l->text());
        TextOut(canvas, p.L - width - Scaled(2, s), TruncToPixel(y), l->text());
    };
    auto half = [&](QLabel* l) { return l->height() * s * 0.5; };
    print(labelVoltUnit_, p.T);
    print(labelVoltMax_, p.T + span / 6 - half(labelVoltMax_));
    print(labelVoltZero_, p.T + span / 2 - half(labelVoltZero_));
    print(labelVoltMin_, p.T + span * 5 / 6 - half(labelVoltMin_));
}

void FFTGraph::PrintTimeLabels(QPainter& canvas, double s, const PlotRect& p) {
    PrepareCanvas(canvas, labelTimeS_->font());
    SetTimeLabelTexts();
    const int y = p.B + Scaled(2, s);
    TextOut(canvas, p.L, y, labelTimeS_->text());
    TextOut(canvas, p.R - Scaled(labelTimeE_->width() + 2, s), y, labelTimeE_->text());
}

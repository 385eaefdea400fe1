// Layout, scales, grids and axis labels of the two graphs.
#include "graph/FFTGraph.h"

#include "common/DecimalPicture.h"
#include "common/RateTables.h"
#include "graph/BlockRanges.h"
#include "graph/GraphArea.h"
#include "graph/LineRaster.h"
#include "graph/TPaintBox.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>
#include <cmath>
#include <cstdlib>

void SetAutoSizedText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
    label->adjustSize();
}

namespace {

QRect BoxRect(const QWidget* box) {
    return QRect(box->x(), box->y(), box->width(), box->height());
}

// Eight-digit code labels are wider than the margin left of the waveform in fonts with wider
// digits than the original's. Such a label alone gets a smaller pixel size until it fits, so it
// neither covers the frame nor leaves the window; every label that fits keeps the window's font.
void FitLabelWidth(QLabel* l, int room) {
    if (l->testAttribute(Qt::WA_SetFont)) {
        l->setFont(QFont()); // back to the inherited font: the text may have become shorter
        l->adjustSize();
    }
    if (l->width() <= room) {
        return;
    }
    QFont f = l->font();
    for (int px = QFontInfo(f).pixelSize() - 1; px >= 6 && l->width() > room; --px) {
        f.setPixelSize(px);
        l->setFont(f);
        l->adjustSize();
    }
}

} // namespace

FFTGraph::FFTGraph(QWidget* mainWindow, TPaintBox* spectrumBox, TPaintBox* waveBox,
                   const std::array<QLabel*, kAxisLabelCount>& labels, GraphSetting& graphSetting,
                   ADUnitSetting& acqSetting, SampleBlock& curBlock, SampleBlock& refBlock)
    : mainWindow_(mainWindow), spectrumBox_(spectrumBox), waveBox_(waveBox),
      labelTimeS_(labels[44]), labelTimeE_(labels[45]), labelVoltMax_(labels[40]),
      labelVoltZero_(labels[41]), labelVoltMin_(labels[42]), labelVoltUnit_(labels[43]),
      graphSetting_(graphSetting), acqSetting_(acqSetting), curBlock_(curBlock),
      refBlock_(refBlock), dbCurve_(MaxSpectrum, 0.0f), refDbCurve_(MaxSpectrum, 0.0f) {
    std::copy_n(labels.begin(), kFreqLabelCount, freqLabels_.begin());
    std::copy_n(labels.begin() + kFreqLabelCount, kDbLabelCount, dbLabels_.begin());
    for (QLabel* l : labels) {
        if (l != nullptr) {
            l->adjustSize();
        }
    }
    if (curBlock_.count == 0) {
        rangeCodeMax_ = kEmptyCodeMax;
        rangeCodeMin_ = kEmptyCodeMin;
    }
    if (spectrumBox_) {
        spectrumBox_->SetBitmap(&spectrumBitmap_.image);
    }
    if (waveBox_) {
        waveBox_->SetBitmap(&waveBitmap_.image);
    }
    ResizeBitmaps();
}

// ---- placement ----------------------------------------------------------------------------

void FFTGraph::PlaceControls() {
    // The outer window size (FormW, FormH) of the client area the graph lies in.
    const QSize form = mainWindow_ ? FormSizeOfClient(mainWindow_->size()) : QSize(0, 0);
    const int formW = form.width();
    const int formH = form.height();
    if (graphSetting_.fWaveGraph) {
        const int h = (formH - 145) / 2;
        waveBox_->setGeometry(56, 16, formW - 196, h);
        spectrumBox_->setGeometry(56, h + 41, formW - 196, h);
        PlaceVoltLabels();
        PlaceTimeLabels();
        PlaceDbLabels();
        PlaceFreqLabels();
        spectrumBox_->show();
        waveBox_->show();
        for (QLabel* l : {labelVoltMax_, labelVoltZero_, labelVoltMin_, labelVoltUnit_, labelTimeS_,
                          labelTimeE_}) {
            l->show();
        }
    } else {
        spectrumBox_->setGeometry(56, 16, formW - 196, formH - 120);
        PlaceFreqLabels();
        PlaceDbLabels();
        spectrumBox_->show();
        waveBox_->hide();
        for (QLabel* l : {labelVoltMax_, labelVoltZero_, labelVoltMin_, labelVoltUnit_, labelTimeS_,
                          labelTimeE_}) {
            l->hide();
        }
    }
}

float FFTGraph::StartFreq() const {
    return kFreqSeries[ClampedIndexes(graphSetting_).freqS];
}

float FFTGraph::EndFreq() const {
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    return graphSetting_.fLogGraph ? kFreqSeries[ix.freqE] : LinearRow(ix.freqE).endFreq;
}

void FFTGraph::PlaceFreqLabels() {
    const QRect box = BoxRect(spectrumBox_);
    const int top = box.top() + box.height() + 5;
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    if (graphSetting_.fLogGraph) {
        const double ls = std::log10(StartFreq());
        const double le = std::log10(EndFreq());
        if (le == ls) {
            return;
        }
        int lastRight = box.left() + 20;
        for (int i = 0; i < kFreqLabelCount; ++i) {
            QLabel* l = freqLabels_[i];
            if (i < ix.freqS || i > ix.freqE) {
                l->hide();
            } else if (i == ix.freqS) {
                l->move(box.left(), top);
                l->show();
                // The start label is assumed 20 pixels wide; a wider one (fonts with wider
                // digits than the original's) must still keep its neighbour from overlapping.
                lastRight = box.left() + std::max(20, l->width());
            } else if (i == ix.freqE) {
                l->move(box.left() + box.width() - l->width() / 2, top);
                l->show();
            } else {
                const int left = TruncToPixel((std::log10(double(kFreqSeries[i])) - ls) *
                                                  box.width() / (le - ls) +
                                              box.left() - (l->width() / 2) + 1);
                l->move(left, top);
                if (left > lastRight) {
                    l->show();
                    lastRight = left + l->width();
                } else {
                    l->hide();
                }
            }
        }
    } else {
        for (QLabel* l : freqLabels_) {
            l->hide();
        }
        const LinearAxisRow& row = LinearRow(ix.freqE);
        const int n = row.count;
        const int pitch = box.width() / (n - 1);
        for (int i = 0; i < n; ++i) {
            QLabel* l = freqLabels_[i];
            int left;
            if (i == 0) {
                left = box.left();
            } else if (i == n - 1) {
                left = box.left() + box.width() - l->width();
            } else {
                left = box.left() + i * pitch - l->width() / 2;
            }
            l->move(left, top);
            l->show();
        }
    }
}

void FFTGraph::PlaceDbLabels() {
    // The limited indexes, as the scale uses them: their bottom is always at least index 3 and
    // below the top, so the labels are always placed and always match the plot.
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    const QRect box = BoxRect(spectrumBox_);
    const int d = ix.dbMin - ix.dbMax;
    const double pitch = double(box.height()) / d;
    for (int i = 0; i < kDbLabelCount; ++i) {
        QLabel* l = dbLabels_[i];
        l->hide();
        const int top =
            TruncToPixel(box.top() + 1 + ((i - ix.dbMax) * pitch - std::abs(l->height() / 2)));
        l->move(box.left() - l->width() - 2, top);
    }
    const int step = DbLabelStep(dbLabels_[ix.dbMax]->height(), pitch);
    for (int j = 0; j <= d; ++j) {
        const bool shown = step == 0 ? (j == 0 || j == d) : (j % step == 0);
        if (shown) {
            dbLabels_[ix.dbMax + j]->show();
        }
    }
}

void FFTGraph::PlaceVoltLabels() {
    const QRect box = BoxRect(waveBox_);
    auto place = [&](QLabel* l, int centre, int extra) {
        FitLabelWidth(l, box.left() - 2);
        l->move(std::max(0, box.left() - l->width() - 2), centre - l->height() / 2 + extra);
    };
    place(labelVoltUnit_, box.top(), 0);
    place(labelVoltMax_, box.top() + box.height() / 6, 1);
    place(labelVoltZero_, box.top() + box.height() / 2, 0);
    place(labelVoltMin_, box.top() + (box.height() * 5) / 6, 0);
}

void FFTGraph::PlaceTimeLabels() {
    const QRect box = BoxRect(waveBox_);
    const int top = box.top() + box.height() + 2;
    labelTimeS_->move(box.left(), top);
    labelTimeE_->move(box.left() + box.width() - labelTimeE_->width(), top);
}

// ---- bitmaps ------------------------------------------------------------------------------

void FFTGraph::ResizeBitmaps() {
    if (!spectrumBox_ || !waveBox_) {
        return;
    }
    // Each bitmap fills its box inside the box's one-pixel frame.
    spectrumBitmap_.SetSize(spectrumBox_->width() - 2, spectrumBox_->height() - 2);
    if (graphSetting_.fWaveGraph) {
        waveBitmap_.SetSize(waveBox_->width() - 2, waveBox_->height() - 2);
    }
}

void FFTGraph::ClearGraphs() {
    spectrumBox_->ShowBlank();
    if (graphSetting_.fWaveGraph) {
        waveBox_->ShowBlank();
    }
    spectrumBitmap_.FillWhite();
    waveBitmap_.FillWhite();
    DrawSpectrumGrid(spectrumBitmap_);
    if (graphSetting_.fWaveGraph) {
        timeSpan_ = SamplePeriod(acqSetting_.spsSel, acqSetting_.sinc3) *
                    static_cast<float>(graphSetting_.DataCountMax);
        DrawWaveGrid(waveBitmap_, timeSpan_, 1);
    }
}

void FFTGraph::PaintGraphs() {
    spectrumBox_->ShowBitmap();
    if (graphSetting_.fWaveGraph) {
        waveBox_->ShowBitmap();
    }
}

// ---- grids --------------------------------------------------------------------------------

void FFTGraph::DrawSpectrumGrid(GraphBitmap& bmp) const {
    if (graphSetting_.fLogGraph) {
        DrawLogGrid(bmp);
    } else {
        DrawLinearGrid(bmp);
    }
    DrawDbGrid(bmp);
}

void FFTGraph::DrawLogGrid(GraphBitmap& bmp) const {
    const float fS = StartFreq();
    const float fE = EndFreq();
    const double ls = std::log10(double(fS));
    const double le = std::log10(double(fE));
    if (le == ls) {
        return;
    }
    const int w = bmp.Width();
    const int h = bmp.Height();
    LinePen pen(bmp, graphSetting_.PenColorSubAxis, RasterMode::Copy);
    float f = fS;
    for (int guard = 0; guard < 1000; ++guard) {
        f = NextLogGridFreq(f);
        if (!(f < fE)) {
            break;
        }
        const int x = TruncToPixel(w * (std::log10(double(f)) - ls) / (le - ls));
        pen.SetColor(IsDecadeLine(f) ? graphSetting_.PenColorMainAxis
                                     : graphSetting_.PenColorSubAxis);
        pen.Line(x, 0, x, h);
    }
}

void FFTGraph::DrawLinearGrid(GraphBitmap& bmp) const {
    const float fE = EndFreq();
    const float s = LinearGridStep(fE);
    const int w = bmp.Width();
    const int h = bmp.Height();
    LinePen pen(bmp, graphSetting_.PenColorSubAxis, RasterMode::Copy);
    for (int i = 1;; ++i) {
        const float f = s * static_cast<float>(i);
        if (!(f < fE)) {
            break;
        }
        const int x = TruncToPixel(double(w) * f / fE);
        pen.Line(x, 0, x, h);
    }
}

void FFTGraph::DrawDbGrid(GraphBitmap& bmp) const {
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    const int n = DbGridDivisions(ix.dbMin - ix.dbMax, graphSetting_.fLogGraph);
    const int w = bmp.Width();
    const int h = bmp.Height();
    LinePen pen(bmp, graphSetting_.PenColorSubAxis, RasterMode::Copy);
    for (int i = 1; i < n; ++i) {
        const int y = h * i / n;
        pen.Line(0, y, w, y);
    }
}

void FFTGraph::DrawWaveGrid(GraphBitmap& bmp, float timeSpan, int penWidth) const {
    const int w = bmp.Width();
    const int h = bmp.Height();
    {
        LinePen centre(bmp, graphSetting_.PenColorMainAxis, RasterMode::Copy);
        centre.Line(0, h / 2, w, h / 2);
    }
    bmp.penWidth = penWidth;
    {
        LinePen pen(bmp, graphSetting_.PenColorSubAxis, RasterMode::Copy);
        const float step = float(h) / 5 / 3;
        const int last = static_cast<int>(5 * 1.5);
        for (int i = 1; i <= last; ++i) {
            pen.SetColor(i == 5 ? graphSetting_.PenColorMainAxis : graphSetting_.PenColorSubAxis);
            const int yUp = TruncToPixel(h * 0.5 - i * double(step));
            const int yDown = TruncToPixel(h * 0.5 + i * double(step));
            pen.Line(0, yUp, w, yUp);
            pen.Line(0, yDown, w, yDown);
        }
    }
    LinePen silver(bmp, kColorSilver, RasterMode::Copy);
    for (int i = 1; i <= 19; ++i) {
        // A zero span (no rate yet) still gives the twenty equal divisions.
        const double x = timeSpan > 0 ? w * (i * double(timeSpan) / 20) / timeSpan : w * i / 20.0;
        const int xi = TruncToPixel(x);
        silver.Line(xi, 0, xi, h);
    }
}

// ---- axis label texts ---------------------------------------------------------------------

void FFTGraph::UpdateAxisLabels() {
    UpdateRanges();
    SetFreqLabelTexts();
    SetDbLabelTexts();
    if (graphSetting_.fWaveGraph) {
        SetVoltLabelTexts();
        SetTimeLabelTexts();
    }
}

bool FFTGraph::MeasuredHoldsData() const {
    return measuredPresent_ ? measuredPresent_() && curBlock_.count > 0 : curBlock_.count > 0;
}

bool FFTGraph::ReferenceHoldsData() const {
    return referencePresent_ ? referencePresent_() && refBlock_.count > 0 : refBlock_.count > 0;
}

void FFTGraph::UpdateRanges() {
    const bool cur = MeasuredHoldsData();
    const bool ref = ReferenceHoldsData();
    const bool dcCut = graphSetting_.fDCCut_SigGraph;
    if (cur && ref) {
        int32_t cMax, cMin, rMax, rMin;
        BlockCodeRange(curBlock_, cMax, cMin);
        BlockCodeRange(refBlock_, rMax, rMin);
        rangeCodeMax_ = std::max(cMax, rMax);
        rangeCodeMin_ = std::min(cMin, rMin);
        float vcMax, vcMin, vrMax, vrMin;
        BlockVoltRange(curBlock_, dcCut, vcMax, vcMin);
        BlockVoltRange(refBlock_, dcCut, vrMax, vrMin);
        rangeVoltMax_ = std::max(vcMax, vrMax);
        rangeVoltMin_ = std::min(vcMin, vrMin);
    } else if (cur || ref) {
        const SampleBlock& b = cur ? curBlock_ : refBlock_;
        BlockCodeRange(b, rangeCodeMax_, rangeCodeMin_);
        BlockVoltRange(b, dcCut, rangeVoltMax_, rangeVoltMin_);
    }
}

void FFTGraph::SetFreqLabelTexts() {
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    if (graphSetting_.fLogGraph) {
        const bool wide = ix.freqE - ix.freqS > 3;
        for (int i = 0; i < kFreqLabelCount; ++i) {
            SetAutoSizedText(freqLabels_[i],
                             QString::fromUtf8(wide ? kLogLabelsWide[i] : kLogLabelsNarrow[i]));
        }
    } else {
        const LinearAxisRow& row = LinearRow(ix.freqE);
        for (int i = 0; i < row.count; ++i) {
            SetAutoSizedText(freqLabels_[i], QString::fromUtf8(row.labels[i]));
        }
    }
}

void FFTGraph::SetDbLabelTexts() {
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    const QString unit = graphSetting_.fAbsoGraph ? QStringLiteral("dBV") : QStringLiteral("dB");
    for (int i = 0; i < kDbLabelCount; ++i) {
        QString text = QString::number(20 - 10 * i);
        if (i == ix.dbMax || i == ix.dbMin) {
            text += unit;
        }
        SetAutoSizedText(dbLabels_[i], text);
    }
}

void FFTGraph::SetVoltLabelTexts() {
    if (!graphSetting_.fSig_Volt) {
        SetAutoSizedText(labelVoltMax_, QString::number(rangeCodeMax_));
        SetAutoSizedText(labelVoltZero_,
                         QString::number((int64_t(rangeCodeMax_) + rangeCodeMin_) / 2));
        SetAutoSizedText(labelVoltMin_, QString::number(rangeCodeMin_));
        SetAutoSizedText(labelVoltUnit_, QStringLiteral("[digit]"));
        return;
    }
    const float m = std::max(std::fabs(rangeVoltMax_), std::fabs(rangeVoltMin_));
    const VoltLabelFormat fmt = VoltFormatFor(m);
    auto text = [&](float v) {
        return QString::fromStdString(FormatDecimal(double(v) * fmt.factor, fmt.decimals));
    };
    SetAutoSizedText(labelVoltMax_, text(rangeVoltMax_));
    SetAutoSizedText(labelVoltZero_, text((rangeVoltMax_ + rangeVoltMin_) * 0.5f));
    SetAutoSizedText(labelVoltMin_, text(rangeVoltMin_));
    SetAutoSizedText(labelVoltUnit_, QString::fromUtf8(fmt.unit));
}

float FFTGraph::BlockDuration(const SampleBlock& b) const {
    return SamplePeriod(b.spsSel, b.sinc3) * static_cast<float>(b.count);
}

void FFTGraph::SetTimeLabelTexts() {
    SetAutoSizedText(labelTimeS_, QStringLiteral("0"));
    const bool cur = MeasuredHoldsData();
    const bool ref = ReferenceHoldsData();
    float t;
    if (cur && ref) {
        t = std::max(BlockDuration(curBlock_), BlockDuration(refBlock_));
    } else if (cur || ref) {
        t = BlockDuration(cur ? curBlock_ : refBlock_);
    } else {
        t = SamplePeriod(acqSetting_.spsSel, acqSetting_.sinc3) *
            static_cast<float>(graphSetting_.DataCountMax);
    }
    SetAutoSizedText(labelTimeE_, QString::fromStdString(TimeLabelText(t)));
}

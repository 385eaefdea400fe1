// Curves of the two graphs: spectrum levels and segments, the reference overlay, waveforms.
// One set of routines draws into any GraphBitmap, on screen and for printing.
#include "common/RateTables.h"
#include "common/VectorState.h"
#include "graph/FFTGraph.h"
#include "graph/LineRaster.h"
#include "graph/TPaintBox.h"

#include <algorithm>
#include <cmath>

namespace {

int SpectrumBins(const SampleBlock& b) {
    if (b.count <= 0 || b.spectrum == nullptr) {
        return 0;
    }
    return std::min(b.count / 2, MaxSpectrum);
}

// The vertical scale of a waveform: y(v) = h * (1 - (v - offset) / span).
struct WaveRows {
    double h;
    double offset;
    double span;
    int Of(double v) const { return TruncToPixel(h * (1.0 - (v - offset) / span)); }
};

void CodeRows(const int32_t* codes, int n, const WaveRows& rows, int* out) {
    for (int i = 0; i < n; ++i) {
        out[i] = rows.Of(double(codes[i]));
    }
}

void VoltRows(const float* volts, float dc, int n, const WaveRows& rows, int* out) {
    for (int i = 0; i < n; ++i) {
        out[i] = rows.Of(double(volts[i] - dc));
    }
}

// Columns of samples first .. first+n-1 on a time axis of timeSpan ms, period ms apart.
void TimeColumns(int first, int n, int w, double period, double timeSpan, int* out) {
    for (int i = 0; i < n; ++i) {
        out[i] = TruncToPixel(w * ((first + i) * period) / timeSpan);
    }
}

} // namespace

void FFTGraph::DrawSpectrum(Which which) {
    const bool ref = which == Which::Reference;
    SpectrumFirstCurve(spectrumBitmap_, ref ? refBlock_ : curBlock_,
                       ref ? graphSetting_.PenColorRefGraph : graphSetting_.PenColorGraph);
    spectrumBox_->ShowBitmap();
}

void FFTGraph::DrawSpectrumWithRef() {
    // With no measured curve there is no peak to relate the overlay to, and no fresh grid to
    // draw it on, so the overlay is left out too.
    if (SpectrumFirstCurve(spectrumBitmap_, curBlock_, graphSetting_.PenColorGraph)) {
        SpectrumOverlay(spectrumBitmap_, 1);
    }
    spectrumBox_->ShowBitmap();
}

void FFTGraph::PrintSpectrum(GraphBitmap& bitmap) {
    if (SpectrumFirstCurve(bitmap, curBlock_, graphSetting_.PenColorGraph)) {
        SpectrumOverlay(bitmap, 5);
        return;
    }
    // No curve: the empty grid the screen shows, not what the bitmap held (the waveform).
    bitmap.FillWhite();
    DrawSpectrumGrid(bitmap);
}

bool FFTGraph::SpectrumFirstCurve(GraphBitmap& bmp, const SampleBlock& block, int32_t color) {
    const int n = SpectrumBins(block);
    drawnDeltaF_ = block.deltaF;
    drawnBinCount_ = n;
    if (n == 0 || !(block.deltaF > 0)) {
        return false;
    }
    ClearUpperVectorState();
    float peak = 0;
    for (int i = 1; i < n; ++i) {
        if (block.spectrum[i] > peak) {
            peak = block.spectrum[i];
        }
    }
    spectrumPeak_ = peak;
    // Levels first, even when nothing is drawn: the read-outs take theirs from here, and a
    // spectrum with no positive line reads the bottom of the scale, not a stale level.
    ComputeLevels(block, n, dbCurve_.data());
    if (peak == 0) {
        return false;
    }
    bmp.FillWhite();
    DrawSpectrumGrid(bmp);
    SpectrumSegments(bmp, dbCurve_.data(), block.deltaF, n, color, RasterMode::Copy, columns_);
    return true;
}

void FFTGraph::SpectrumOverlay(GraphBitmap& bmp, int penWidth) {
    // A reference given up (a settings file loaded) keeps its count: the flag decides.
    const int n = ReferenceHoldsData() ? SpectrumBins(refBlock_) : 0;
    if (n == 0) {
        return;
    }
    drawnDeltaF_ = refBlock_.deltaF;
    drawnBinCount_ = n;
    if (!(refBlock_.deltaF > 0)) {
        return;
    }
    ClearUpperVectorState();
    ComputeLevels(refBlock_, n, refDbCurve_.data());
    bmp.penWidth = penWidth;
    SpectrumSegments(bmp, refDbCurve_.data(), refBlock_.deltaF, n, graphSetting_.PenColorRefGraph,
                     graphSetting_.fLogGraph ? RasterMode::Mask : RasterMode::Xor, refColumns_);
}

void FFTGraph::ComputeLevels(const SampleBlock& block, int n, float* levels) const {
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    const float bottom = static_cast<float>(20 - 10 * ix.dbMin);
    const float threshold = std::pow(10.0f, bottom / 20);
    const bool abso = graphSetting_.fAbsoGraph;
    const float peak = spectrumPeak_;
    levels[0] = bottom;
    for (int i = 1; i < n; ++i) {
        const float a = block.spectrum[i];
        if (!(a > 0)) {
            levels[i] = bottom;
            continue;
        }
        const float r = abso ? a : a / peak;
        levels[i] = r > threshold ? 20 * std::log10(r) : bottom;
    }
}

void FFTGraph::SpectrumSegments(GraphBitmap& bmp, const float* levels, float deltaF, int n,
                                int32_t color, RasterMode mode, BinColumns& columns) const {
    const AxisIndexes ix = ClampedIndexes(graphSetting_);
    const int d = ix.dbMin - ix.dbMax;
    const double top = graphSetting_.fAbsoGraph ? 20.0 - 10.0 * ix.dbMax : 0.0;
    const BinAxis axis{graphSetting_.fLogGraph, deltaF, n, bmp.Width(), StartFreq(), EndFreq()};
    if (!columns.Prepare(axis)) {
        return;
    }
    const int* x = columns.Columns();
    const int first = columns.First();
    const int last = columns.Last();
    // Height times level difference, then divided by the span (and likewise for x): a scale
    // factor taken first would put points exactly on the bottom or right edge one pixel inside.
    const double h = bmp.Height();
    const double span = 10.0 * d;
    PolylinePen pen(bmp, color, mode);
    // Rows a slice at a time, in a loop free of the drawing.
    constexpr int kSlice = 512;
    int ys[kSlice];
    for (int from = first; from <= last; from += kSlice) {
        const int count = std::min(kSlice, last + 1 - from);
        for (int i = 0; i < count; ++i) {
            ys[i] = TruncToPixel(h * (top - levels[from + i]) / span);
        }
        int i = 0;
        if (from == first) {
            pen.MoveTo(x[first], ys[0]);
            i = 1;
        }
        pen.LinesTo(x + from + i, ys + i, count - i);
    }
}

// ---- waveform -----------------------------------------------------------------------------

void FFTGraph::SetWaveScale(float max, float min, bool volts) {
    float span = (max - min) * 1.5f;
    if (!(span > 0) || !std::isfinite(span)) {
        // All samples equal: use the span of an empty block around the value.
        span = volts ? 0.003f : 30.0f;
    }
    waveSpan_ = span;
    waveOffset_ = (max + min) * 0.5f - span * 0.5f;
}

void FFTGraph::DrawWaveform(Which which) {
    const bool ref = which == Which::Reference;
    const SampleBlock& b = ref ? refBlock_ : curBlock_;
    GraphBitmap& bmp = waveBitmap_;
    bmp.FillWhite();
    timeSpan_ = BlockDuration(b);
    DrawWaveGrid(bmp, timeSpan_, 1);
    if (graphSetting_.fSig_Volt) {
        BlockVoltRange(b, graphSetting_.fDCCut_SigGraph, rangeVoltMax_, rangeVoltMin_);
        SetWaveScale(rangeVoltMax_, rangeVoltMin_, true);
    } else {
        CodeMaxMinOf(b);
        SetWaveScale(static_cast<float>(rangeCodeMax_), static_cast<float>(rangeCodeMin_), false);
    }
    WaveSegments(bmp, b, ref ? graphSetting_.PenColorRefGraph : graphSetting_.PenColorGraph,
                 RasterMode::Copy, false);
    waveBox_->ShowBitmap();
}

void FFTGraph::DrawWaveformWithRef() {
    WaveformBoth(waveBitmap_, 1);
    waveBox_->ShowBitmap();
}

void FFTGraph::PrintWaveform(GraphBitmap& bitmap) {
    WaveformBoth(bitmap, 5);
}

void FFTGraph::WaveformBoth(GraphBitmap& bmp, int penWidth) {
    const bool refShown = ReferenceHoldsData();
    const bool curShown = MeasuredHoldsData();
    bmp.FillWhite();
    timeSpan_ = BlockDuration(curBlock_);
    if (refShown) {
        timeSpan_ = std::max(timeSpan_, BlockDuration(refBlock_));
    }
    DrawWaveGrid(bmp, timeSpan_, penWidth);
    if (graphSetting_.fSig_Volt) {
        const bool dcCut = graphSetting_.fDCCut_SigGraph;
        float max = kEmptyVoltMax, min = kEmptyVoltMin;
        if (curShown) {
            BlockVoltRange(curBlock_, dcCut, max, min);
        }
        if (refShown) {
            float rMax, rMin;
            BlockVoltRange(refBlock_, dcCut, rMax, rMin);
            if (curShown) {
                max = std::max(max, rMax);
                min = std::min(min, rMin);
            } else {
                max = rMax;
                min = rMin;
            }
        }
        rangeVoltMax_ = max;
        rangeVoltMin_ = min;
        SetWaveScale(max, min, true);
    } else {
        CodeMaxMinOf(curBlock_);
        if (refShown) {
            const int32_t curMax = rangeCodeMax_, curMin = rangeCodeMin_;
            CodeMaxMinOf(refBlock_);
            if (curShown) {
                rangeCodeMax_ = std::max(rangeCodeMax_, curMax);
                rangeCodeMin_ = std::min(rangeCodeMin_, curMin);
            }
        }
        SetWaveScale(static_cast<float>(rangeCodeMax_), static_cast<float>(rangeCodeMin_), false);
    }
    WaveSegments(bmp, curBlock_, graphSetting_.PenColorGraph, RasterMode::Copy, true);
    if (refShown) {
        WaveSegments(bmp, refBlock_, graphSetting_.PenColorRefGraph, RasterMode::Mask, true);
    }
}

void FFTGraph::WaveSegments(GraphBitmap& bmp, const SampleBlock& b, int32_t color, RasterMode mode,
                            bool commonTimeAxis) const {
    const int count = std::min(b.count, MaxSamples);
    if (count < 2) {
        return;
    }
    const bool volts = graphSetting_.fSig_Volt;
    if ((volts && b.volts == nullptr) || (!volts && b.codes == nullptr)) {
        return;
    }
    if (commonTimeAxis && !(timeSpan_ > 0)) {
        return;
    }
    ClearUpperVectorState();
    const int w = bmp.Width();
    const WaveRows rows{double(bmp.Height()), double(waveOffset_), double(waveSpan_)};
    const float dc = volts && graphSetting_.fDCCut_SigGraph ? b.voltMean : 0.0f;
    const double period = SamplePeriod(b.spsSel, b.sinc3);
    const double timeSpan = timeSpan_;
    // x(i) = w * i / count in integers, carried from one sample to the next: quotient and
    // remainder grow by those of w / count.
    const int32_t wholeStep = w / count;
    const int32_t partStep = w % count;
    int32_t x = 0;
    int32_t part = 0;
    PolylinePen pen(bmp, color, mode);
    // The samples' rows and columns are worked out a slice at a time, in loops free of the
    // drawing, then joined up.
    constexpr int kSlice = 512;
    int ys[kSlice];
    int xs[kSlice];
    for (int first = 0; first < count; first += kSlice) {
        const int n = std::min(kSlice, count - first);
        if (volts) {
            VoltRows(b.volts + first, dc, n, rows, ys);
        } else {
            CodeRows(b.codes + first, n, rows, ys);
        }
        if (commonTimeAxis) {
            TimeColumns(first, n, w, period, timeSpan, xs);
        } else {
            for (int i = 0; i < n; ++i) {
                xs[i] = x;
                x += wholeStep;
                part += partStep;
                if (part >= count) {
                    part -= count;
                    ++x;
                }
            }
        }
        int i = 0;
        if (first == 0) {
            pen.MoveTo(xs[0], ys[0]);
            i = 1;
        }
        pen.LinesTo(xs + i, ys + i, n - i);
    }
}

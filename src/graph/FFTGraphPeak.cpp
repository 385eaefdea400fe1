// The spectrum read-out cursor and the AD-code statistics of the measured block.
#include "common/DecimalPicture.h"
#include "common/VectorState.h"
#include "graph/BlockRanges.h"
#include "graph/FFTGraph.h"

#include <algorithm>
#include <cmath>

void FFTGraph::CodeMaxMinOf(const SampleBlock& b) {
    BlockCodeRange(b, rangeCodeMax_, rangeCodeMin_);
}

int32_t FFTGraph::CodeMax() {
    CodeMaxMinOf(curBlock_);
    return rangeCodeMax_;
}

int32_t FFTGraph::CodeMin() {
    CodeMaxMinOf(curBlock_);
    return rangeCodeMin_;
}

double FFTGraph::CodeToMicrovolts(int32_t code) {
    return (double(code) - 8388608.0) * 2500000.0 / 8388607.0;
}

double FFTGraph::CodesToMicrovolts(double difference) {
    return std::trunc(difference) * 2500000.0 / 8388607.0;
}

void FFTGraph::ShowLargestPeak(const SampleBlock& block, PeakReadouts& readouts,
                               QLabel* unitLabel) {
    const int n = block.spectrum ? std::min(block.count / 2, MaxSpectrum) : 0;
    ClearUpperVectorState();
    float best = 0;
    peakBin_ = 1;
    for (int i = 1; i < n; ++i) {
        if (block.spectrum[i] > best) {
            best = block.spectrum[i];
            peakBin_ = i;
        }
    }
    cursorBin_ = peakBin_;
    ShowBinOf(block, cursorBin_, readouts, unitLabel);
}

void FFTGraph::PeakForward(const SampleBlock& block, PeakReadouts& readouts, QLabel* unitLabel) {
    const int n = std::min(block.count / 2, MaxSpectrum);
    if (cursorBin_ < n - 1) {
        ++cursorBin_;
        ShowBinOf(block, cursorBin_, readouts, unitLabel);
    }
}

void FFTGraph::PeakBack(const SampleBlock& block, PeakReadouts& readouts, QLabel* unitLabel) {
    if (cursorBin_ > 1) {
        --cursorBin_;
        ShowBinOf(block, cursorBin_, readouts, unitLabel);
    }
}

void FFTGraph::ShowBin(int bin, PeakReadouts& readouts, QLabel* unitLabel) {
    cursorBin_ = bin;
    ShowBinOf(curBlock_, bin, readouts, unitLabel);
}

void FFTGraph::ShowBinOf(const SampleBlock& block, int bin, PeakReadouts& readouts,
                         QLabel* unitLabel) {
    const int n = block.spectrum ? std::min(block.count / 2, MaxSpectrum) : 0;
    if (bin < 0 || bin >= n) {
        return; // no such line in this block: the read-outs keep what they show
    }
    const float a = block.spectrum[bin];
    // Thresholds and scaling work on the exact value: the unit thresholds are the decimal
    // values, not their nearest floats (0.000001f lies just below one microvolt and is shown in
    // nanovolts), and the scaled value is not rounded to single precision before the picture
    // rounds it (a float times 1000 or 10^9 is exact in double).
    const double exact = a;
    double value;
    const char* unit;
    if (exact >= 1.0) {
        value = exact;
        unit = "Vrms";
    } else if (exact >= 0.001) {
        value = exact * 1000.0;
        unit = "mVrms";
    } else if (exact >= 0.000001) {
        value = exact * 1000000.0;
        unit = "uVrms";
    } else {
        value = exact * 1000000000.0;
        unit = "nVrms";
    }
    readouts.unit = QString::fromLatin1(unit);
    if (unitLabel) {
        unitLabel->setText(readouts.unit);
    }
    if (readouts.EditPeakVolt) {
        readouts.EditPeakVolt->setText(QString::fromStdString(FormatDecimal(value, 3)));
    }
    if (readouts.EditPeakdB) {
        readouts.EditPeakdB->setText(QString::fromStdString(FormatDecimal(dbCurve_[bin], 2)));
    }
    if (readouts.EditPeakHz) {
        // bin (< 2^17) times a float is exact in double.
        const double hz = static_cast<double>(bin) * static_cast<double>(block.deltaF);
        readouts.EditPeakHz->setText(QString::fromStdString(FormatDecimal(hz, 3)));
    }
}

int FFTGraph::BinAtX(int w, int x) const {
    const double spacing = curBlock_.deltaF;
    if (w <= 0 || !(spacing > 0)) {
        return -1;
    }
    const double fE = EndFreq();
    if (graphSetting_.fLogGraph) {
        const double ls = std::log10(double(StartFreq()));
        const double le = std::log10(fE);
        if (le == ls) {
            return -1;
        }
        const double f = std::pow(10.0, ls + x * (le - ls) / w);
        return static_cast<int>(std::clamp(f / spacing, -1e9, 1e9));
    }
    return static_cast<int>(std::clamp((fE / spacing) * x / w, -1e9, 1e9));
}

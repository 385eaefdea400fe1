#include "graph/AxisTables.h"

#include "common/DecimalPicture.h"

#include <algorithm>
#include <cmath>

const float kFreqSeries[kFreqLabelCount] = {0.1f, 0.2f,  0.5f,  1,     2,     5,    10,
                                            20,   50,    100,   200,   500,   1000, 2000,
                                            5000, 10000, 20000, 50000, 100000};

const char* const kLogLabelsWide[kFreqLabelCount] = {
    "0.1Hz", "2", "5",    "1Hz", "2", "5",     "10Hz", "2", "5",     "100Hz",
    "2",     "5", "1kHz", "2",   "5", "10kHz", "2",    "5", "100kHz"};

const char* const kLogLabelsNarrow[kFreqLabelCount] = {
    "0.1Hz", "0.2Hz", "0.5Hz", "1Hz",  "2Hz",  "5Hz",   "10Hz",  "20Hz",  "50Hz",  "100Hz",
    "200Hz", "500Hz", "1kHz",  "2kHz", "5kHz", "10kHz", "20kHz", "50kHz", "100kHz"};

namespace {

const LinearAxisRow kLinearRows[kLinearLastIndex - kLinearFirstIndex + 1] = {
    {10, 6, {"0", "2", "4", "6", "8", "10Hz"}},
    {20, 6, {"0", "4", "8", "12", "16", "20Hz"}},
    {50, 6, {"0", "10", "20", "30", "40", "50Hz"}},
    {100, 6, {"0", "20", "40", "60", "80", "100Hz"}},
    {200, 6, {"0", "40", "80", "120", "160", "200Hz"}},
    {500, 6, {"0", "100", "200", "300", "400", "500Hz"}},
    {1000, 6, {"0", "200", "400", "600", "800", "1000Hz"}},
    {2000, 6, {"0", "0.4", "0.8", "1.2", "1.6", "2kHz"}},
    {5000, 6, {"0", "1", "2", "3", "4", "5kHz"}},
    {10000, 6, {"0", "2", "4", "6", "8", "10kHz"}},
    {16000, 5, {"0", "4", "8", "12", "16kHz"}},
    {25000, 6, {"0", "5", "10", "15", "20", "25kHz"}},
    {32000, 9, {"0", "4", "8", "12", "16", "20", "24", "28", "32kHz"}},
    {64000, 9, {"0", "8", "16", "24", "32", "40", "48", "56", "64kHz"}},
};

} // namespace

const LinearAxisRow& LinearRow(int indexFreqE) {
    indexFreqE = std::clamp(indexFreqE, kLinearFirstIndex, kLinearLastIndex);
    return kLinearRows[indexFreqE - kLinearFirstIndex];
}

AxisIndexes ClampedIndexes(const GraphSetting& g) {
    AxisIndexes a{};
    a.freqS = std::clamp(g.index_FreqS, 0, kFreqLabelCount - 1);
    if (g.fLogGraph) {
        a.freqE = std::clamp(g.index_FreqE, 0, kFreqLabelCount - 1);
    } else {
        a.freqE = std::clamp(g.index_FreqE, kLinearFirstIndex, kLinearLastIndex);
    }
    // The relative axis has its top fixed at 0 dB (index 2) whatever the file says, and the
    // bottom is at least -10 dB (index 3), as the settings dialog keeps them.
    a.dbMax = g.fAbsoGraph ? std::clamp(g.index_dB_max, 0, kDbLabelCount - 2) : 2;
    a.dbMin = std::clamp(g.index_dB_min, std::max(a.dbMax + 1, 3), kDbLabelCount - 1);
    return a;
}

float NextLogGridFreq(float f) {
    if (!(f > 0)) {
        return 1.0f; // never reached with the tables' frequencies; keeps callers finite
    }
    if (f < 1) {
        return NextLogGridFreq(10 * f) / 10;
    }
    const int e = static_cast<int>(std::log10(f));
    const float p = std::pow(10.0f, static_cast<float>(e));
    const float m = f / p;
    float k;
    if (m < 1.5f) {
        k = 1.5f;
    } else if (m < 2) {
        k = 2;
    } else if (m < 3) {
        k = 3;
    } else if (m < 4) {
        k = 4;
    } else if (m < 5) {
        k = 5;
    } else if (m < 6) {
        k = 6;
    } else if (m < 7) {
        k = 7;
    } else if (m < 8) {
        k = 8;
    } else if (m < 9) {
        k = 9;
    } else {
        k = 10;
    }
    return p * k;
}

bool IsDecadeLine(float f) {
    const float tenF = 10 * f;
    const int n = static_cast<int>(std::log10(tenF));
    return std::pow(10.0f, static_cast<float>(n)) == tenF;
}

float LinearGridStep(float fE) {
    if (fE >= 64000)
        return 8000;
    if (fE >= 32000)
        return 4000;
    if (fE >= 25000)
        return 2500;
    if (fE >= 16000)
        return 2000;
    if (fE >= 10000)
        return 1000;
    if (fE >= 5000)
        return 500;
    if (fE >= 2000)
        return 200;
    if (fE >= 1000)
        return 100;
    if (fE >= 500)
        return 50;
    if (fE >= 200)
        return 20;
    if (fE >= 100)
        return 10;
    if (fE >= 50)
        return 5;
    if (fE >= 20)
        return 2;
    return 1;
}

int DbGridDivisions(int d, bool logAxis) {
    if (!logAxis || d > 3) {
        return d;
    }
    if (d == 3) {
        return 6;
    }
    if (d == 2) {
        return 8;
    }
    return 10 * d;
}

int DbLabelStep(double h, double pitch) {
    if (h * 1.5 < pitch)
        return 1;
    if (h * 0.7 < pitch)
        return 2;
    if (h < 2 * pitch)
        return 3;
    if (h < 3 * pitch)
        return 4;
    return 0;
}

VoltLabelFormat VoltFormatFor(float m) {
    // Compared with the decimal thresholds themselves, not their nearest floats: 0.1f and
    // 0.001f lie just above 0.1 and 0.001 and belong to the coarser row.
    const double v = m;
    if (v > 0.1)
        return {1, 2, "[V]"};
    if (v > 0.01)
        return {1000, 1, "[mV]"};
    if (v > 0.001)
        return {1000, 2, "[mV]"};
    if (v > 0.0001)
        return {1000, 3, "[mV]"};
    if (v > 0.00001)
        return {1000000, 1, "[uV]"};
    if (v > 0.000001)
        return {1000000, 2, "[uV]"};
    return {1000000000, 1, "[nV]"};
}

std::string TimeLabelText(float ms) {
    if (ms < 1) {
        return FormatDecimal(ms * 1000.0f, 0) + "us";
    }
    if (ms < 1000) {
        return FormatDecimal(ms, 2) + "ms";
    }
    return FormatDecimal(ms * 0.001f, 3) + "s";
}

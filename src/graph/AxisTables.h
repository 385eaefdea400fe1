// Fixed scales of the graphs and the small rules built on them: frequency series and label
// texts, grid steps, dB divisions, label thinning, and the voltage and time label formats.
// No Qt and no state: everything here is a table or a pure function.
#pragma once

#include "common/Settings.h"

#include <cstdint>
#include <string>

inline constexpr int kFreqLabelCount = 19;
inline constexpr int kDbLabelCount = 21;

extern const float kFreqSeries[kFreqLabelCount];
extern const char* const kLogLabelsWide[kFreqLabelCount];
extern const char* const kLogLabelsNarrow[kFreqLabelCount];

// One row of the linear frequency axis, by index_FreqE 6..19.
struct LinearAxisRow {
    float endFreq;
    int count;
    const char* labels[9];
};
inline constexpr int kLinearFirstIndex = 6;
inline constexpr int kLinearLastIndex = 19;
const LinearAxisRow& LinearRow(int indexFreqE); // clamped to 6..19

// The settings' range indexes held inside their tables. A hand-edited start-up file may carry
// anything; the graph must never read a label, level or frequency outside its scale, and the
// dB span must stay at least one division. Scale, grid, curves and labels all use these.
struct AxisIndexes {
    int freqS;
    int freqE;
    int dbMax;
    int dbMin;
};
AxisIndexes ClampedIndexes(const GraphSetting& g);

// Next line of the logarithmic grid after f: 1, 1.5, 2, 3, ... 9 times each power of ten.
float NextLogGridFreq(float f);
// True for a grid frequency that is an exact power of ten (drawn in the main-axis colour).
bool IsDecadeLine(float f);
// Spacing of the linear grid for the end frequency fE.
float LinearGridStep(float fE);
// Horizontal divisions of the spectrum for D 10-dB divisions.
int DbGridDivisions(int d, bool logAxis);
// Every how many dB labels one is shown for label height h and pitch (pixels per 10 dB);
// 0 means only the two end labels.
int DbLabelStep(double h, double pitch);

// Factor, decimals and unit text of the voltage labels for the largest magnitude m (volts).
struct VoltLabelFormat {
    double factor;
    int decimals;
    const char* unit;
};
VoltLabelFormat VoltFormatFor(float m);

// "500us", "204.80ms", "52.429s" from a duration in milliseconds.
std::string TimeLabelText(float ms);

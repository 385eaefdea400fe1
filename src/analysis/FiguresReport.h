// The converter figures as text: the table tavrin-cli analyze prints, its JSON object and a CSV
// of one figure a row. The command line and the analysis window share these, so that a figure
// copied from the window reads exactly as the command prints it. Figures of several blocks
// averaged (averagedBlocks > 1) say how many; those of one block read as they always have.
#pragma once

#include <string>
#include <string_view>

#include "analysis/ConverterFigures.h"

// How each figure is written wherever it is shown (printf formats): the table, the window.
namespace FigureFormat {
inline constexpr const char* kHz = "%.4f";
inline constexpr const char* kVrms = "%.7g";
inline constexpr const char* kDb = "%.2f"; // dB, dBc, dBV
inline constexpr const char* kBits = "%.2f";
inline constexpr const char* kNoiseUvrms = "%.3f";
inline constexpr const char* kDensity = "%.2f";
inline constexpr const char* kCodes = "%.3f";
inline constexpr const char* kWholeCodes = "%.0f";
inline constexpr const char* kCodeUv = "%.4f";
} // namespace FigureFormat

// A figure in `format`; "n/a" when it is not finite (THD without any harmonic band).
std::string FigureNumber(double v, const char* format);
// The fundamental's level in dBV.
double FundamentalDbv(const ConverterFigures& f);

// The table of one block, named `name`, each line ending in "\n".
std::string FiguresTable(std::string_view name, const ConverterFigures& f);

// The JSON object of one block (no line end), each figure that does not apply null.
std::string FiguresJson(std::string_view name, const ConverterFigures& f);

// "name,value,unit" and then one row a figure, lines ending in CR LF; a figure that does not
// apply has an empty value. The harmonics are harmonic_K_hz and harmonic_K_dbc.
std::string FiguresCsv(std::string_view name, const ConverterFigures& f);

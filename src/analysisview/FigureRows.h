// The analysis window's table: each converter figure with its Japanese label and its value
// written as tavrin-cli analyze writes it, "該当なし" where the figure does not apply.
#pragma once

#include <QString>
#include <vector>

#include "analysis/ConverterFigures.h"

struct FigureRow {
    QString label;
    QString value;
    bool heading = false; // a group's title over the rows that follow
};

inline const QString kNotApplicable = QStringLiteral("該当なし");

std::vector<FigureRow> FigureRows(const ConverterFigures& f);

// The line under the histogram: mean, sigma, peak-to-peak and the missing codes.
QString HistogramSummary(const ConverterFigures& f, long long missingCodes);

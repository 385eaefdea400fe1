#include "analysisview/FigureRows.h"

#include <cmath>

#include "analysis/FiguresReport.h"

namespace {

using namespace FigureFormat;

// A value in the table's format; a figure that is not finite does not apply.
QString Value(double v, const char* format, const QString& unit) {
    if (!std::isfinite(v)) {
        return kNotApplicable;
    }
    return QString::fromStdString(FigureNumber(v, format)) + QLatin1Char(' ') + unit;
}

void DynamicRows(const ConverterFigures& f, std::vector<FigureRow>& rows) {
    const bool d = f.dynamicApplies;
    auto add = [&](const char* label, double v, const char* format, const char* unit) {
        rows.push_back({QString::fromUtf8(label),
                        d ? Value(v, format, QString::fromUtf8(unit)) : kNotApplicable});
    };
    rows.push_back({QStringLiteral("正弦波入力の特性"), {}, true});
    add("基本波 周波数", f.fundamentalHz, kHz, "Hz");
    if (d) {
        rows.push_back(
            {QStringLiteral("基本波 レベル"),
             Value(f.fundamentalVrms, kVrms, QStringLiteral("Vrms")) + QStringLiteral(" (") +
                 Value(FundamentalDbv(f), kDb, QStringLiteral("dBV")) + QLatin1Char(')')});
    } else {
        rows.push_back({QStringLiteral("基本波 レベル"), kNotApplicable});
    }
    add("SNR", f.snrDb, kDb, "dB");
    add("THD", f.thdDb, kDb, "dBc");
    add("SINAD", f.sinadDb, kDb, "dB");
    add("SFDR", f.sfdrDb, kDb, "dB");
    add("ENOB", f.enobBits, kBits, "ビット");
    add("ENOB（フルスケール換算）", f.enobFsBits, kBits, "ビット");
    add("ノイズ", f.noiseUvrms, kNoiseUvrms, "µVrms");
    add("ノイズ密度", f.noiseDensityNvRtHz, kDensity, "nV/√Hz");
    for (int32_t i = 0; d && i < f.harmonicCount; ++i) {
        const HarmonicFigure& h = f.harmonics[i];
        rows.push_back({QStringLiteral("第%1高調波").arg(h.order),
                        Value(h.hz, kHz, QStringLiteral("Hz")) + QStringLiteral(", ") +
                            Value(h.dbc, kDb, QStringLiteral("dBc"))});
    }
}

} // namespace

std::vector<FigureRow> FigureRows(const ConverterFigures& f) {
    std::vector<FigureRow> rows;
    if (f.averagedBlocks > 1) {
        // The sine figures are of the series' mean power spectrum; the codes are the last block's.
        rows.push_back({QStringLiteral("平均"),
                        QStringLiteral("%1 ブロックのパワー平均").arg(f.averagedBlocks)});
    }
    DynamicRows(f, rows);
    rows.push_back({QStringLiteral("コードのノイズ（入力短絡時）"), {}, true});
    rows.push_back({QStringLiteral("RMS ノイズ"),
                    Value(f.rmsNoiseCodes, kCodes, QStringLiteral("コード")) +
                        QStringLiteral(", ") + Value(f.rmsNoiseUv, kCodeUv, QStringLiteral("µV"))});
    rows.push_back({QStringLiteral("ピークツーピーク ノイズ"),
                    Value(f.ppCodes, kWholeCodes, QStringLiteral("コード")) + QStringLiteral(", ") +
                        Value(f.ppUv, kCodeUv, QStringLiteral("µV"))});
    rows.push_back({QStringLiteral("実効分解能"),
                    Value(f.effectiveResolutionBits, kBits, QStringLiteral("ビット"))});
    rows.push_back({QStringLiteral("ノイズフリー分解能"),
                    Value(f.noiseFreeResolutionBits, kBits, QStringLiteral("ビット"))});
    return rows;
}

QString HistogramSummary(const ConverterFigures& f, long long missingCodes) {
    return QStringLiteral("平均 %1 コード　σ %2 コード　ピークツーピーク %3 コード　欠落コード %4")
        .arg(QString::fromStdString(FigureNumber(f.meanCode, "%.1f")),
             QString::fromStdString(FigureNumber(f.rmsNoiseCodes, kCodes)),
             QString::fromStdString(FigureNumber(f.ppCodes, kWholeCodes)),
             QString::number(missingCodes));
}

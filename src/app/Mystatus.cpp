#include "app/Mystatus.h"

#include <cmath>

#include "app/StatusPanels.h"
#include "common/DecimalPicture.h"

namespace {
constexpr int kUnitPanel = 0;
constexpr int kStatePanel = 1;
constexpr int kResultPanel = 2;
} // namespace

namespace {
QString Fixed(double value, int decimals) {
    return QString::fromStdString(FormatDecimal(value, decimals));
}
} // namespace

QString FormatMicrovolts(float microvolts) {
    const double v = microvolts;
    const double a = std::trunc(std::fabs(v));
    if (a >= 1000000.0) {
        return Fixed(v * 0.000001, 3) + QStringLiteral(" V");
    }
    if (a >= 1000.0) {
        return Fixed(v * 0.001, 3) + QStringLiteral(" mV");
    }
    if (a >= 1.0) {
        return Fixed(v, 3) + QStringLiteral(" uV");
    }
    return Fixed(v * 1000.0, 3) + QStringLiteral(" nV");
}

QString CodeStatisticsText(int32_t maxCode, int32_t minCode, float deviation) {
    const QString dev = Fixed(deviation, deviation >= 100.0f ? 0 : 1);
    return QStringLiteral("最大値：") + QString::number(maxCode) + QStringLiteral(" / 最小値：") +
           QString::number(minCode) + QStringLiteral(" / pp値：") +
           QString::number(static_cast<int64_t>(maxCode) - minCode) + QStringLiteral(" digit") +
           QStringLiteral(" / 標準偏差：") + dev + QStringLiteral(" digit");
}

QString VoltStatisticsText(float maxUv, float minUv, float deviationUv) {
    const float pp = maxUv - minUv; // single precision, as the values shown elsewhere
    return QStringLiteral("最大値：") + FormatMicrovolts(maxUv) +
           QStringLiteral("\u3000/最小値：") + FormatMicrovolts(minUv) +
           QStringLiteral("\u3000/p-p値：") + FormatMicrovolts(pp) +
           QStringLiteral(" / 標準偏差：") + FormatMicrovolts(deviationUv);
}

TmyStatus::TmyStatus(TStatusPanels& bar, const QString& unitName, int maxPanel)
    : bar_(bar), unitName_(unitName), maxPanel_(maxPanel) {}

void TmyStatus::SetPanel(const QString& text, int index) {
    if (index < 0 || index > maxPanel_) {
        return;
    }
    bar_.SetPanelText(index, text);
    bar_.SetPanelWidth(index, StatusPanelWidth(bar_.TextWidth(text)));
}

void TmyStatus::ClearPanels() {
    // Widths stay as they are.
    for (int i = kStatePanel; i <= kResultPanel && i <= maxPanel_; ++i) {
        bar_.SetPanelText(i, QString());
    }
}

void TmyStatus::ShowUnitInfo(const QString& model, const QString& version, const QString& rate) {
    SetPanel(model + QStringLiteral("/ ") + version + QStringLiteral("/ ") + rate, kUnitPanel);
}
void TmyStatus::ShowNotFound() {
    SetPanel(unitName_ + QStringLiteral("が見つかりませんでした"), kUnitPanel);
}
void TmyStatus::ShowNoResponse() {
    SetPanel(unitName_ + QStringLiteral("応答しませんでした"), kUnitPanel);
}
void TmyStatus::ShowCommandError() {
    SetPanel(QStringLiteral("コマンド送信エラーです"), kUnitPanel);
}
namespace {
// A series adds how far it came: "計測終了しました (平均 16/16)".
QString WithSeries(const QString& text, const QString& series) {
    return series.isEmpty() ? text : text + QStringLiteral(" (") + series + QStringLiteral(")");
}
} // namespace

void TmyStatus::ShowMeasuring() {
    SetPanel(QStringLiteral("計測中です"), kStatePanel);
}
void TmyStatus::ShowMeasureEnd(const QString& series) {
    SetPanel(WithSeries(QStringLiteral("計測終了しました"), series), kStatePanel);
}
void TmyStatus::ShowMeasureStopped(const QString& series) {
    SetPanel(WithSeries(QStringLiteral("計測中止しました"), series), kStatePanel);
}
void TmyStatus::ShowSeriesBlock(const QString& series) {
    SetPanel(series, kStatePanel);
}
void TmyStatus::ShowDataLoaded() {
    SetPanel(QStringLiteral("データファイル読み込みました"), kStatePanel);
}
void TmyStatus::ShowRefLoaded() {
    SetPanel(QStringLiteral("参照データを読み込みました"), kStatePanel);
}
void TmyStatus::ShowStarting() {
    SetPanel(QStringLiteral("測定開始処理中です。。。"), kResultPanel);
}
void TmyStatus::ShowProgress(int32_t count, int32_t code) {
    SetPanel(QStringLiteral("データ番号：") + QString::number(count) +
                 QStringLiteral(" / AD変換値：") + QString::number(code),
             kResultPanel);
}
void TmyStatus::ShowMeasureError() {
    SetPanel(QStringLiteral("計測エラーで終了"), kResultPanel);
}
void TmyStatus::ShowLevelError() {
    SetPanel(QStringLiteral("入力信号レベルが適正範囲からはずれています"), kResultPanel);
}
void TmyStatus::ShowCodeStatistics(int32_t maxCode, int32_t minCode, float deviation) {
    SetPanel(CodeStatisticsText(maxCode, minCode, deviation), kResultPanel);
}
void TmyStatus::ShowVoltStatistics(float maxUv, float minUv, float deviationUv) {
    SetPanel(VoltStatisticsText(maxUv, minUv, deviationUv), kResultPanel);
}

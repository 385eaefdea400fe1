// The fixed texts of the main window's status bar: one operation per text, each writing the
// panel of its role (0 the AD unit, 1 the measurement state, 2 progress and results).
#pragma once

#include <QString>
#include <cstdint>

class TStatusPanels;

class TmyStatus {
public:
    // Panels above `maxPanel` are never written.
    TmyStatus(TStatusPanels& bar, const QString& unitName, int maxPanel);

    void ClearPanels();
    void ShowUnitInfo(const QString& model, const QString& version, const QString& rate);
    void ShowNotFound();
    void ShowNoResponse();
    void ShowCommandError();
    void ShowMeasuring();
    // `series`: how far a series came ("平均 16/16"), empty for a single block.
    void ShowMeasureEnd(const QString& series = {});
    void ShowMeasureStopped(const QString& series = {});
    // The block of a series being taken: "平均 3/16", "連続 42".
    void ShowSeriesBlock(const QString& series);
    void ShowDataLoaded();
    void ShowRefLoaded();
    void ShowStarting();
    void ShowProgress(int32_t count, int32_t code);
    void ShowMeasureError();
    void ShowLevelError();
    void ShowCodeStatistics(int32_t maxCode, int32_t minCode, float deviation);
    // Arguments in microvolts.
    void ShowVoltStatistics(float maxUv, float minUv, float deviationUv);

    // The panel's text becomes `text` and its width follows the text (StatusPanelWidth).
    void SetPanel(const QString& text, int index);

private:
    TStatusPanels& bar_;
    QString unitName_;
    int maxPanel_;
};

// The status texts themselves, for the operations above and for tests.
QString CodeStatisticsText(int32_t maxCode, int32_t minCode, float deviation);
QString VoltStatisticsText(float maxUv, float minUv, float deviationUv);
// A microvolt value with three decimals in V, mV, uV or nV by its magnitude, e.g. "-1.500 mV".
QString FormatMicrovolts(float microvolts);

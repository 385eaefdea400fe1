// The window "解析": the converter figures of the measured block beside the main window, with
// the analysis's own spectrum (what it counted as fundamental, harmonics, DC and noise) and the
// code histogram. It follows the block it is given and shows nothing else of the program; what
// the user is asked and told about saving is the main window's (saveRequested).
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "analysis/CodeHistogram.h"
#include "analysis/ConverterFigures.h"
#include "analysis/SpectrumAverage.h"
#include "common/SampleBlock.h"

class UserSettings;
namespace Ui {
class AnalysisWindow;
}

class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    explicit AnalysisWindow(QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    // The measured block (its codes and volts stay where they are until the next call) and the
    // name the copied figures give it; null or an empty block: "データがありません". The
    // analysis runs now when the window is shown, else when it is shown next.
    // A block of a series (`series` counts the series, `window` the blocks a continuous one
    // keeps, 0: all) joins the mean power spectrum of that series' blocks analysed here, which
    // the dynamic figures are then of; a block outside a series (series 0) stands alone.
    void ShowBlock(const SampleBlock* block, const std::string& name, int64_t series = 0,
                   int32_t window = 0);
    bool HasFigures() const { return analysed_; }
    const ConverterFigures& Figures() const { return figures_; }
    const ConverterAnalyzer& Analyzer() const { return analyzer_; }
    const CodeHistogram& Histogram() const { return histogram_; }

    // The figures as tavrin-cli analyze prints them for one file; empty without figures.
    std::string FiguresText() const;
    // Puts FiguresText on the clipboard (Ctrl+C, "コピー"); false without figures.
    bool CopyFigures() const;
    // The figures as JSON, or CSV when the name ends in ".csv" (any case), through the program's
    // file writer; false when there are none or the file was not written.
    bool SaveFigures(const std::string& path) const;

    int HarmonicOrder() const;
    void SetHarmonicOrder(int order);
    bool LogCounts() const;
    void SetLogCounts(bool logarithmic);
    // Place, size and choices from and to the user's settings file.
    void RestoreSettings(const UserSettings& settings);
    void StoreSettings(UserSettings& settings) const;
    // The place beside `mainFrame` (the main window's frame) when none was remembered.
    void PlaceBeside(const QRect& mainFrame);
    bool PlaceRemembered() const { return placeRemembered_; }

signals:
    // "保存…" was pressed while there are figures to save.
    void saveRequested();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Analyse();
    void ShowFigures();
    void DrawSpectrum(QImage& image) const;
    void DrawHistogram(QImage& image);

    std::unique_ptr<Ui::AnalysisWindow> ui_;
    ConverterAnalyzer analyzer_;
    SpectrumAverage average_;
    int64_t series_ = 0;        // the series average_ is of; 0: none
    bool blockAveraged_ = false; // block_ is in average_ already
    ConverterFigures figures_;
    CodeHistogram histogram_;
    SampleBlock block_;
    std::string name_;
    int32_t histogramColumns_ = 0; // the columns the histogram was counted for
    bool haveBlock_ = false;
    bool analysed_ = false;
    bool placeRemembered_ = false;
};

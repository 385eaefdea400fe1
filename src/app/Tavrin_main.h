// The main window: owns every object that lives for the whole run and the measurement document
// (data store, settings records, their flags; document/MeasurementDocument.h), and drives the
// idle work (measurement polling, start-up work, status bar layout).
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "adunit/MonotonicClock.h"
#include "app/FileDialogs.h"
#include "app/MeasurementController.h"
#include "app/MessagePresenter.h"
#include "app/QtUiServices.h"
#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "document/MeasurementDocument.h"
#include "document/MeasurementSeries.h"
#include "files/UserSettings.h"
#include "graph/GraphArea.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QMenu;
class QAction;
class TStatusPanels;
class TProgressThrottle;
class TmyMessage;
class TFormVersion;
class TmyStatus;
class FtDriver;
class IPrintDialogs;
class QPrinter;
class TFormAmpSetting;
class TFormFFTSetting;
class ISettingChooser;
class AnalysisWindow;
namespace Ui {
class FormMain;
}

// What the window needs from its surroundings; the defaults are those of the program.
struct FormMainOptions {
    // Directory of "Tavrinini.prf"; empty: the executable's directory.
    QString baseDir;
    // Where message boxes go; null: DefaultMessagePresenter().
    IMessagePresenter* presenter = nullptr;
    // Fault injection for tests: creating the owned object of this name runs out of memory.
    QString failCreationOf;
    // The USB driver backend of the AD unit; without one the window has no `ADUnit`.
    std::function<std::unique_ptr<FtDriver>()> driverFactory;
    // The clock the stall watch of an acquisition reads; null: the steady clock of the unit.
    IMonotonicClock* stallClock = nullptr;
    // The print and page set-up dialogs; null: the platform's (Tavrin_print_commands.cpp).
    IPrintDialogs* printDialogs = nullptr;
    // The colour choice of the settings dialog; null: the platform's. Its file choice goes to
    // `fileDialogs` below, as the file commands' do.
    ISettingChooser* settingChooser = nullptr;
    // Where the file commands ask for names; null: Qt's file dialogs (SaveDialog1, OpenDialog1).
    IFileDialogs* fileDialogs = nullptr;
    // The user's settings file beyond the start-up file; empty: UserSettingsPath().
    QString userSettingsFile;
};

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = kDesignClientWidth;
    static constexpr int kClientHeight = kDesignClientHeight;
    static constexpr int kLeft = 287;
    static constexpr int kTop = 167;
    static constexpr int kStatusBarHeight = 20;
    static inline const char* const kStartupFileName = "Tavrinini.prf";

    explicit TFormMain(const FormMainOptions& options = {}, QWidget* parent = nullptr);
    ~TFormMain() override; // FormDestroy

    // True when an owned object could not be created; the window is then closed and the
    // program ends without entering its event loop.
    bool ConstructionFailed() const { return constructionFailed_; }

    // Outer size of the window as the graph layout formulas expect it (client + frame of the
    // original platform).
    int FormW() const;
    int FormH() const;
    int ClientWidth() const;
    int ClientHeight() const;

    // One pass of the idle work, in order: measurement step, start-up work, status layout.
    void IdleHandler();
    bool HasIdleWork() const { return measurement_.Measuring() || fFirstIdle || fStatusLayout; }
    // The first idle pass (settings, layout, show) has not run yet.
    bool FirstIdlePending() const { return fFirstIdle; }
    // A status bar layout waits for the next idle pass.
    bool StatusLayoutPending() const { return fStatusLayout; }
    // The idle timer runs only while there is idle work (no busy core while nothing happens).
    bool IdleTimerActive() const { return idleTimer_.isActive(); }

    void LoadStartupSettings(const QString& fileName);
    void SaveStartupSettings();
    // The start-up file could not be written at the last attempt.
    bool SettingsSaveFailed() const { return settingsSaveFailed_; }
    // Close caused by a termination signal: as the close command, but nothing modal may open
    // (nobody may be there to answer it); a failure to save the settings goes to stderr.
    void CloseOnSignal(int signalNumber);
    bool ClosedBySignal() const { return closedBySignal_; }
    QString SettingsPath(const QString& fileName) const;
    static void SetDefaultADSetting(ADUnitSetting& setting) { ::SetDefaultADSetting(setting); }

    void UpdateCaption(bool keepIfUnnamed);
    void ShowFileNameInCaption();
    void LayoutStatusBar();
    void ClearPeakReadouts();
    void ClearRMS();
    void FormResize();
    void FormPaint();
    // The main window's font width rule for status panel 2 (information text).
    void SetInfoPanel(const QString& text, int index);

    // --- Measurement (Tavrin_measure.cpp; the measuring state is the controller's) -------------
    const TMeasurementController& Measurement() const { return measurement_; }
    // An acquisition is running (fMeasuring).
    bool Measuring() const { return measurement_.Measuring(); }
    // Start of one measurement: controls, unit preparation, clearing, the acquisition command.
    void StartMeasurement();
    // Ends a running acquisition (the samples received so far are dropped).
    void StopMeasurement();
    // Shows the progress text still held back, if any.
    void FlushProgress();
    // The block is complete: stop, check, convert, spectrum, graphs, read-outs, save, texts.
    void FinishMeasurement();
    // Prepares the unit for `setting` (open, check, filter, rate, identity); true when it is
    // ready.
    bool InitUnit(const ADUnitSetting& setting);
    // True while InitUnit waits for the unit (events are serviced meanwhile).
    bool InitializingUnit() const { return measurement_.Initializing(); }
    void RedrawGraphs();
    void ShowPeak();
    void ShowRMS();
    void AutoSaveData();
    void ShowMeasureInfo();
    void ShowStatistics();
    void SetMeasuringControls();
    void SetIdleControls();
    void LockControls();
    void UnlockControls();

    // What the window shows after the document saved the measured block (automatic save):
    // Saved: the file name in the caption; Failed: fDataSaved cleared and the error message;
    // Declined: nothing changes.
    void AdoptDataSaveResult(MeasurementDocument::SaveResult result);

    // --- File commands (Tavrin_commands.cpp) ---------------------------------------------------
    // Each returns false when the file was rejected or not written; `loaded` / `saved` tell
    // whether a file was taken or stored (false also after a cancelled dialog or a declined
    // overwrite question).
    bool LoadDataFile(bool asReference, bool& loaded);
    bool SaveDataFileAs(bool& saved);
    bool ExportSpectrum(bool& saved);
    // Folder the file dialogs open in: that of the current data file, else the home folder.
    QString DialogFolder() const;
    // A measured block is there that is neither stored in a file nor saved automatically.
    bool MeasuredDataUnsaved() const;
    // True when the measured block may be dropped: it is not unsaved, or the user agreed to
    // discard it when asked.
    bool MayDiscardMeasuredData();

    // Creates a window made at process start (the version box, the settings dialogs) with the
    // memory-error path of the owned objects: on failure the message names `name`, the main
    // window closes and false is returned.
    bool CreateStartupWindow(const char* name, const std::function<void()>& make);
    // The version box, made last at process start (FormVersion).
    bool CreateVersionBox();
    TFormVersion* VersionBox() const { return FormVersion; }
    TFormAmpSetting* AmpSettingDialog() const { return FormAmpSetting.get(); }
    TFormFFTSetting* FFTSettingDialog() const { return FormFFTSetting.get(); }
    // The message and status line services (null until made, or when their making failed).
    TmyMessage* Messages() const { return myMessage.get(); }
    TmyStatus* Status() const { return myStatus.get(); }
    const PeakReadouts& Readouts() const { return peakReadouts; }
    // The last settings dialog was cancelled.
    bool DialogCancelled() const { return dialogCancelled; }
    // The analysis window; null until first opened.
    AnalysisWindow* Analysis() const { return analysisWindow_.get(); }
    // Saving the analysis window's figures: asks for a name, writes, tells a failure.
    void SaveAnalysisFigures();
    // The user's own settings as last read or stored.
    const UserSettings& UserPreferences() const { return userSettings_; }
    // What the start button measures: one block, K blocks averaged, or continuously.
    const SeriesSetting& Series() const { return seriesSetting_; }
    void SetSeries(const SeriesSetting& setting);
    // The series running or last run.
    const MeasurementSeries& RunningSeries() const { return series_; }
    // The information text (Δｆ, display, window) is on status panel 2.
    bool InfoShown() const { return fInfoShown; }

    // --- Controls of the form (owned by the window) -------------------------------------------
private:
    std::unique_ptr<Ui::FormMain> ui;
    // The graph area: the boxes PaintBox1 (spectrum) and PaintBox3 (waveform), the axis labels
    // (TLabel_Freq, TLabel_dB, LabelVolt*, LabelTime*) and the graph object FFTGraph; made with
    // the form, its graph once the owned objects before it exist.
    std::unique_ptr<GraphArea> graphs_;
    // FFTGraph; null when it could not be made.
    ::FFTGraph* Graph() const { return graphs_ ? graphs_->Graph() : nullptr; }

public:
    GraphArea& Graphs() const { return *graphs_; }

private:
    QLabel* LabelRMS = nullptr;
    QLabel* LabelPeakVolt = nullptr;
    QLabel* LabelPeakdB = nullptr;
    QLineEdit* EditRMS = nullptr;
    QPushButton* MeasureStartBtn = nullptr;
    QPushButton* PeakBackBtn = nullptr;
    QPushButton* PeakFwdBtn = nullptr;
    TStatusPanels* StatusBar1 = nullptr;
    // Top menus (enabled and disabled as a whole by the controller) and the start item.
    QMenu* MenuFile = nullptr;
    QMenu* MenuMeasure = nullptr;
    QMenu* MenuData = nullptr;
    QMenu* MenuSetting = nullptr;
    QMenu* MenuRef = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* MenuMeasureStart = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    // The version box, made at process start (null until then: the command does nothing).
    TFormVersion* FormVersion = nullptr;
    PeakReadouts peakReadouts;

    // --- Owned objects, created in this order -------------------------------------------------
    std::unique_ptr<TmyMessage> myMessage;
    std::unique_ptr<TmyStatus> myStatus;
    // The measuring progress goes through here, at most 20 times a second.
    std::unique_ptr<TProgressThrottle> progress_;
    // ZF_File and myFFT are the document's (Document().FileHandler(), Document().FFT()); ADUnit
    // and its acquisition are in measurement_ below.

    // The two settings dialogs, made once after the owned objects and shown modally on demand.
    std::unique_ptr<TFormAmpSetting> FormAmpSetting;
    std::unique_ptr<TFormFFTSetting> FormFFTSetting;

public:
    // --- The measurement document: blocks, data store, settings records, their flags and
    // results, ZF_File and myFFT -----------------------------------------------------------------
    MeasurementDocument& Document() { return document_; }
    const MeasurementDocument& Document() const { return document_; }

private:
    bool dialogCancelled = false;

    // --- Flags (fMeasuring: the controller's) ------------------------------------------------
    bool fFirstIdle = false;
    bool fInfoShown = false;
    bool fStatusLayout = false;
    // The start-up file has been read (or replaced by defaults). Until then the records hold
    // plain defaults, and writing them at close would destroy the user's settings.
    bool fSettingsLoaded = false;
    // The start-up file exists but could not be read (permission, not a regular file): the
    // defaults are in use and the user's file is never replaced by them.
    bool fSettingsFileUnreadable = false;

public:
    IMessagePresenter& Presenter() const { return presenter_; }
    // The printer of the print commands, made at first use; its settings last for the run.
    QPrinter& Printer();

signals:
    // The window has been closed (close command, close box, termination signal).
    void closed();

public slots:
    void MeasureStartBtnClick();
    void MenuMeasureStartClick();
    void MenuFileNewClick();
    void MenuFilePrintSettingClick();
    void MenuFilePrintClick();
    void MenuFileExitClick();
    void MenuDataLoadClick();
    void MenuDataSaveClick();
    void MenuTextSaveClick();
    void MenuDispSettingClick();
    void MenuADUnitSettingClick();
    void MenuOpenSettingFileClick();
    void MenuSaveSettingFileClick();
    void MenuRefLoadFileClick();
    void MenuRefClearClick();
    void MenuHelpVersionClick();
    // Opens the analysis window beside the main window, or brings it to the front.
    void MenuAnalysisClick();
    // 連続計測 (checkable) and 平均化…: what the next start measures.
    void MenuContinuousClick(bool checked);
    void MenuAverageClick();
    void PeakFwdBtnClick();
    void PeakBackBtnClick();
    void StatusBar1Click();
    void PaintBox1MouseDown(int x);
    // Shows the window normally and brings it to the front (second start of the program).
    void BringToFront();

protected:
    void closeEvent(QCloseEvent* event) override;   // FormCloseQuery
    void resizeEvent(QResizeEvent* event) override; // FormResize
    void paintEvent(QPaintEvent* event) override;   // FormPaint

private:
    // The owned objects in their order; each step is false once a creation has failed.
    void BuildObjects();
    bool CreateAxisLabels();
    void PrepareReadouts();
    bool CreateServices(); // myStatus, ZF_File, myFFT, ADUnit
    void CreateSettingDialogs();
    void ConnectHandlers();
    template <class Make> bool CreateOwned(const char* name, Make&& make);
    void FirstIdle();
    void SetCaptionName(const QString& name);
    void ArmIdleTimer();
    void OnIdleTimer();
    bool IdleAllowed() const;
    // What the controller tells: a read group arrived, the acquisition failed or was stopped.
    void MeasurementProgress(int32_t received, int32_t lastCode);
    void MeasurementFailed();
    void MeasurementStopped();
    // A series (Tavrin_series.cpp): the unit is prepared once, then block after block is taken
    // with the acquisition command alone.
    void StartSeries(const ADUnitSetting& setting);
    bool StartSeriesBlock();
    void FinishSeriesBlock();
    // The series is over; the last complete block stays the measured one.
    void EndSeries();
    void AutoSaveSeriesBlock();
    // How far the series came ("平均 16/16"); it stays readable once the series has ended.
    QString SeriesDoneText() const;
    void LoadUserSettings();
    void SetCommandsEnabled(bool enabled);
    QString AskFileName(FileDialogRequest::Mode mode, const QString& filter, const QString& name);
    void ClearResultPanels();
    // The close itself: stops an acquisition, writes the start-up file (once).
    void FinishClose();
    // The measured block came, changed or went: the analysis window follows once the main
    // window's display is complete (the next pass of the event loop).
    void MeasuredBlockChanged();
    void RefreshAnalysis();
    // The refresh still waiting runs now: a block of a series is about to replace the one it
    // is for, and every block of a series counts in the window's average.
    void FlushAnalysisRefresh();
    std::string MeasuredBlockName() const;
    QString UserSettingsFile() const;
    void SaveUserSettings();

    FormMainOptions options_;
    IMessagePresenter& presenter_;
    // Reserved before any owned object is made; its ZF_File and myFFT are made in their turn.
    MeasurementDocument document_;
    bool constructionFailed_ = false;
    bool inIdle_ = false;
    bool closing_ = false;
    bool closedBySignal_ = false;
    // A close that asks nothing (after a fatal error).
    bool closeUnasked_ = false;
    // The discard question of a close is open.
    bool askingToClose_ = false;
    // A close that has to ask came while InitUnit waited; it is made once the start has ended.
    bool closePending_ = false;
    bool settingsSaveFailed_ = false;
    QTimer idleTimer_;
    // Services of the owned objects; they outlive the objects that use them.
    QtWarning fftWarning_;
    QtConfirmation fileConfirmation_;
    // The unit, the acquisition and the measuring state; polled by the idle timer.
    TMeasurementController measurement_;
    IPrintDialogs& PrintDialogs() const;
    std::shared_ptr<QPrinter> printer_;
    std::unique_ptr<ISettingChooser> settingChooser_;
    std::unique_ptr<QtFileDialogs> qtFileDialogs_;
    IFileDialogs* fileDialogs_ = nullptr;
    std::unique_ptr<AnalysisWindow> analysisWindow_;
    bool analysisRefreshPending_ = false;
    UserSettings userSettings_;
    bool userSettingsRead_ = false;
    bool userSettingsChanged_ = false;
    SeriesSetting seriesSetting_;
    MeasurementSeries series_;
    // The automatic saves of a series are numbered under the name the user gave; the measured
    // block then names its own file, and the next series numbers under the same name again.
    std::string seriesSaveBase_;
    std::string lastSeriesSave_;
};

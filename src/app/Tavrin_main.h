// The main window: owns every object that lives for the whole run, the measurement data store,
// the settings records and the state flags, and drives the idle work (measurement polling,
// start-up work, status bar layout).
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
#include "app/MessagePresenter.h"
#include "app/QtUiServices.h"
#include "common/SampleBlock.h"
#include "common/Settings.h"
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
class ZF_File;
class TmyFFT;
class TADC;
class TAcquisition;
class FtDriver;
class IPrintDialogs;
class QPrinter;
class TFormAmpSetting;
class TFormFFTSetting;
class ISettingChooser;
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
};

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 812;
    static constexpr int kClientHeight = 466;
    static constexpr int kLeft = 287;
    static constexpr int kTop = 167;
    static constexpr int kStatusBarHeight = 20;
    static inline const char* const kStartupFileName = "Tavrinini.prf";
    static inline const char* const kSettingHeader = "Tavrinini";

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
    bool HasIdleWork() const { return fMeasuring || fFirstIdle || fStatusLayout; }
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

    // --- Measurement controller (Tavrin_measure.cpp) --------------------------------------------
    // Start of one measurement: controls, unit preparation, clearing, the acquisition command.
    void StartMeasurement();
    // Ends a running acquisition (the samples received so far are dropped).
    void StopMeasurement();
    // One non-blocking idle step: takes each read group (or the rest of the block, when less is
    // missing) that has wholly arrived, a few at most.
    void PollAcquisition();
    // Shows the progress text still held back, if any.
    void FlushProgress();
    // The block is complete: stop, check, convert, spectrum, graphs, read-outs, save, texts.
    void FinishMeasurement();
    // Prepares the unit for `setting` (open, check, filter, rate, identity); true when it is
    // ready.
    bool InitUnit(const ADUnitSetting& setting);
    // True while InitUnit waits for the unit (events are serviced meanwhile).
    bool InitializingUnit() const { return initializing_; }
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

    // Writing the measured block to measureSetting.DataFileName, shared by the automatic save
    // and the save command. A declined overwrite question writes nothing: it is neither a
    // success (the block is not stored) nor a failure (the user chose it; no message).
    enum class DataSaveResult { Saved, Declined, Failed };
    DataSaveResult WriteMeasuredData();
    // Saved: fDataSaved and the file name in the caption; Failed: fDataSaved cleared and the
    // error message; Declined: nothing changes.
    void AdoptDataSaveResult(DataSaveResult result);

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

    // --- Controls of the form (owned by the window) -------------------------------------------
    std::unique_ptr<Ui::FormMain> ui;

private:
    // The graph area: the boxes PaintBox1 (spectrum) and PaintBox3 (waveform), the axis labels
    // (TLabel_Freq, TLabel_dB, LabelVolt*, LabelTime*) and the graph object FFTGraph; made with
    // the form, its graph once the owned objects before it exist.
    std::unique_ptr<GraphArea> graphs_;
    // FFTGraph; null when it could not be made.
    ::FFTGraph* Graph() const { return graphs_ ? graphs_->Graph() : nullptr; }

public:
    GraphArea& Graphs() const { return *graphs_; }
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
    std::unique_ptr<::ZF_File> ZF_File;
    std::unique_ptr<TmyFFT> myFFT;
    std::unique_ptr<TADC> ADUnit;
    // The steps of one acquisition on ADUnit; exists with it.
    std::unique_ptr<TAcquisition> acquisition_;
    // The two settings dialogs, made once after the owned objects and shown modally on demand.
    std::unique_ptr<TFormAmpSetting> FormAmpSetting;
    std::unique_ptr<TFormFFTSetting> FormFFTSetting;

    // --- Settings records ----------------------------------------------------------------------
    // The AD settings of the measured block: those of the acquisition under way or last
    // started, of the data file loaded or of the settings file loaded. Whenever fDataExist is
    // set they are the block's own, so saving, exporting, recomputing and the "Δｆ=" text take
    // them; unitSetting becomes acqSetting only once an acquisition has started.
    ADUnitSetting acqSetting;
    ADUnitSetting unitSetting;
    ADUnitSetting refADSetting;
    MeasureSetting measureSetting;
    GraphSetting graphSetting;
    bool dialogCancelled = false;

    // --- Flags ---------------------------------------------------------------------------------
    bool fFirstIdle = false;
    bool fMeasuring = false;
    bool fDataExist = false;
    bool fRefExist = false;
    bool fDataSaved = false;
    bool fInfoShown = false;
    bool fStatusLayout = false;
    // The start-up file has been read (or replaced by defaults). Until then the records hold
    // plain defaults, and writing them at close would destroy the user's settings.
    bool fSettingsLoaded = false;
    // The start-up file exists but could not be read (permission, not a regular file): the
    // defaults are in use and the user's file is never replaced by them.
    bool fSettingsFileUnreadable = false;

    // --- Counters and results ------------------------------------------------------------------
    int32_t receivedCount = 0;
    int32_t chunkSize = 0;
    int32_t meanCode = 0;
    float stdDevCode = 0.0f;
    float rmsVolt = 0.0f;

    // --- Measurement data store, reserved once ------------------------------------------------
    std::vector<int32_t> curCodes;
    std::vector<float> curVolts;
    std::vector<int32_t> refCodes;
    std::vector<float> refVolts;
    // The FFT work areas (input, buffer, tables) belong to myFFT, reserved once when it is made.
    std::vector<float> curSpectrum;
    std::vector<float> refSpectrum;
    SampleBlock curBlock;
    SampleBlock refBlock;

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
    void BuildObjects();
    void CreateSettingDialogs();
    void AllocateDataStore();
    void ConnectHandlers();
    template <class Make> bool CreateOwned(const char* name, Make&& make);
    void FirstIdle();
    void SetCaptionName(const QString& name);
    void ArmIdleTimer();
    void OnIdleTimer();
    bool IdleAllowed() const;
    // Takes one read group when all of it has arrived; true when one was taken and the block
    // goes on.
    bool TakeReadGroup();
    void SetCommandsEnabled(bool enabled);
    // Ends InitUnit early when the stop button or the close box came in while it waited.
    bool InitAbandoned();
    QString AskFileName(FileDialogRequest::Mode mode, const QString& filter, const QString& name);
    void ClearResultPanels();
    // The close itself: stops an acquisition, writes the start-up file (once).
    void FinishClose();

    FormMainOptions options_;
    IMessagePresenter& presenter_;
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
    // Polling interval while measuring (StartMeasurement sets it from the read group's time).
    int measuringIdleMs_ = 1;
    bool settingsSaveFailed_ = false;
    // InitUnit services events while it waits for the unit; a stop or close arriving then is
    // noted here and acted on between the steps, never inside the transport's wait.
    bool initializing_ = false;
    bool stopRequested_ = false;
    QTimer idleTimer_;
    // Services of the owned objects; they outlive the objects that use them.
    QtEventPump eventPump_;
    QtWarning fftWarning_;
    QtConfirmation fileConfirmation_;
    SteadyClock unitClock_;
    std::unique_ptr<QtOneShotTimer> unitTimer_;
    IPrintDialogs& PrintDialogs() const;
    std::shared_ptr<QPrinter> printer_;
    std::unique_ptr<ISettingChooser> settingChooser_;
    std::unique_ptr<QtFileDialogs> qtFileDialogs_;
    IFileDialogs* fileDialogs_ = nullptr;
};

#include "app/Tavrin_main.h"
#include "analysisview/AnalysisWindow.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/MyFFT.h"
#include "app/Mymessage.h"
#include "app/Mystatus.h"
#include "app/Myversion.h"
#include "app/ProgressThrottle.h"
#include "app/StatusPanels.h"
#include "app/WindowSettingChooser.h"
#include "common/SjisText.h"
#include "common/TextUtil.h"
#include "dialogs/Amp_setting.h"
#include "dialogs/Fft_setting.h"
#include "files/ZF_File.h"
#include "graph/TPaintBox.h"
#include "ui_Tavrin_main.h"

namespace {
const QString kUnitName = QStringLiteral("TORVEX24");
constexpr int kHighestPanel = 2;
} // namespace

TFormMain::TFormMain(const FormMainOptions& options, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::FormMain>()), options_(options),
      presenter_(options.presenter ? *options.presenter : DefaultMessagePresenter()),
      fftWarning_(presenter_), fileConfirmation_(presenter_) {
    InstallFontSubstitutions();
    ui->setupUi(this);
    setFont(WindowFont());

    // Border "single" with the system menu only: a fixed-size window with a close box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    centralWidget()->setFixedSize(kClientWidth, kClientHeight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(kLeft, kTop);

    // The form's graph widgets lie beneath its buttons and panels.
    graphs_ = std::make_unique<GraphArea>(centralWidget());
    graphs_->StackUnder(ui->MeasureStartBtn);
    LabelRMS = ui->LabelRMS;
    LabelPeakVolt = ui->LabelPeakVolt;
    LabelPeakdB = ui->LabelPeakdB;
    EditRMS = ui->EditRMS;
    MeasureStartBtn = ui->MeasureStartBtn;
    PeakBackBtn = ui->PeakBackBtn;
    PeakFwdBtn = ui->PeakFwdBtn;
    StatusBar1 = ui->StatusBar1;
    MenuFile = ui->MenuFile;
    MenuMeasure = ui->MenuMeasure;
    MenuData = ui->MenuData;
    MenuSetting = ui->MenuSetting;
    MenuRef = ui->MenuRef;
    MenuHelp = ui->MenuHelp;
    MenuMeasureStart = ui->MenuMeasureStart;
    SaveDialog1 = new TSaveFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    qtFileDialogs_ = std::make_unique<QtFileDialogs>(OpenDialog1, SaveDialog1);
    fileDialogs_ = options.fileDialogs ? options.fileDialogs : qtFileDialogs_.get();
    ui->StatusBar1->setFixedHeight(kStatusBarHeight);

    // Built invisibly; the first idle pass loads the settings, lays the window out and shows it.
    SetDataFilePath(document_.measureSetting, "");
    document_.measureSetting.StartDateTime.clear();
    peakReadouts.unit.clear();
    hide();
    fFirstIdle = true;

    BuildObjects();
    if (!constructionFailed_) {
        CreateSettingDialogs();
    }
    if (constructionFailed_) {
        fFirstIdle = false;
        close();
        return;
    }
    ConnectHandlers();

    // FormCreate: the idle work runs whenever the event loop is about to wait and there is work
    // to do; nothing runs (and no core is kept busy) while there is none.
    idleTimer_.setTimerType(Qt::PreciseTimer);
    connect(&idleTimer_, &QTimer::timeout, this, &TFormMain::OnIdleTimer);
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &TFormMain::ArmIdleTimer);
    }
    ArmIdleTimer();
}

template <class Make> bool TFormMain::CreateOwned(const char* name, Make&& make) {
    try {
        if (options_.failCreationOf == QLatin1String(name)) {
            throw std::bad_alloc();
        }
        make();
        return true;
    } catch (const std::bad_alloc&) {
        if (myMessage) {
            myMessage->MsgMemoryError(QString::fromLatin1(name));
        } else {
            ShowMessageServiceMemoryError(presenter_);
        }
        constructionFailed_ = true;
        return false;
    }
}

bool TFormMain::CreateStartupWindow(const char* name, const std::function<void()>& make) {
    if (constructionFailed_) {
        return false;
    }
    if (CreateOwned(name, make)) {
        return true;
    }
    fFirstIdle = false;
    close();
    return false;
}

bool TFormMain::CreateVersionBox() {
    // It belongs to the main window, which centres it and releases it.
    return CreateStartupWindow("FormVersion", [this] { FormVersion = new TFormVersion(this); });
}

void TFormMain::BuildObjects() {
    fInfoShown = fStatusLayout = false;
    fSettingsLoaded = false;

    if (!CreateOwned("TmyMessage", [&] {
            myMessage = std::make_unique<TmyMessage>(kUnitName, kMessageCaption, presenter_);
        })) {
        return;
    }
    if (!CreateOwned("TLabel_dB", [&] { graphs_->CreateDbLabels(); }) ||
        !CreateOwned("TLabel_Freq", [&] { graphs_->CreateFreqLabels(); })) {
        return;
    }
    PrepareReadouts();
    if (!CreateServices()) {
        return;
    }
    if (!CreateOwned("FFTGraph", [&] {
            graphs_->CreateGraph(document_.graphSetting, document_.acqSetting, document_.curBlock,
                                 document_.refBlock);
            // The flags say which block holds data: a stopped acquisition leaves curBlock's
            // count with partly overwritten codes, and a loaded settings file leaves
            // refBlock's.
            Graph()->SetDataPresence([this] { return document_.fDataExist; },
                                     [this] { return document_.fRefExist; });
        })) {
        return;
    }
    ui->MeasureStartBtn->setText(QStringLiteral("計測開始"));
}

void TFormMain::PrepareReadouts() {
    peakReadouts.EditPeakVolt = ui->EditPeakVolt;
    peakReadouts.EditPeakdB = ui->EditPeakdB;
    peakReadouts.EditPeakHz = ui->EditPeakHz;
    // Read-outs such as "23173.807" must show every digit in the design's narrow fields; the
    // fallback font's digits are wider than the original's, so the inner padding goes.
    for (QLineEdit* edit : {ui->EditRMS, ui->EditPeakVolt, ui->EditPeakdB, ui->EditPeakHz}) {
        edit->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    }
    ClearPeakReadouts();
    ClearRMS();
}

bool TFormMain::CreateServices() {
    if (!CreateOwned("myStatus", [&] {
            myStatus = std::make_unique<TmyStatus>(*ui->StatusBar1, kUnitName, kHighestPanel);
            progress_ = std::make_unique<TProgressThrottle>(
                [this](int32_t count, int32_t code) { myStatus->ShowProgress(count, code); });
        })) {
        return false;
    }
    if (!CreateOwned("ZF_File", [&] { document_.CreateFileHandler(&fileConfirmation_); })) {
        return false;
    }
    if (!CreateOwned("myFFT", [&] { document_.CreateFFT(&fftWarning_); })) {
        return false;
    }
    return CreateOwned("ADUnit", [&] {
        // Without a driver backend there is no unit and the start command does nothing.
        if (options_.driverFactory) {
            measurement_.CreateUnit(options_.driverFactory(), options_.stallClock);
        }
    });
}

void TFormMain::CreateSettingDialogs() {
    // The windows of the program after the main window, in this order; they keep their state
    // (the chosen automatic-save file) from one use to the next.
    if (!CreateOwned("FormAmpSetting", [&] {
            FormAmpSetting = std::make_unique<TFormAmpSetting>(this);
            FormAmpSetting->setObjectName(QStringLiteral("FormAmpSetting"));
        })) {
        return;
    }
    CreateOwned("FormFFTSetting", [&] {
        settingChooser_ = std::make_unique<TWindowSettingChooser>(options_.settingChooser,
                                                                  presenter_, fileDialogs_);
        FormFFTSetting = std::make_unique<TFormFFTSetting>(this, settingChooser_.get());
        FormFFTSetting->setObjectName(QStringLiteral("FormFFTSetting"));
    });
}

void TFormMain::ConnectHandlers() {
    connect(ui->MeasureStartBtn, &QPushButton::clicked, this, &TFormMain::MeasureStartBtnClick);
    connect(ui->PeakFwdBtn, &QPushButton::clicked, this, &TFormMain::PeakFwdBtnClick);
    connect(ui->PeakBackBtn, &QPushButton::clicked, this, &TFormMain::PeakBackBtnClick);
    connect(ui->StatusBar1, &TStatusPanels::clicked, this, &TFormMain::StatusBar1Click);
    const std::pair<QAction*, void (TFormMain::*)()> menu[] = {
        {ui->MenuMeasureStart, &TFormMain::MenuMeasureStartClick},
        {ui->MenuFileNew, &TFormMain::MenuFileNewClick},
        {ui->MenuFilePrintSetting, &TFormMain::MenuFilePrintSettingClick},
        {ui->MenuFilePrint, &TFormMain::MenuFilePrintClick},
        {ui->MenuFileExit, &TFormMain::MenuFileExitClick},
        {ui->MenuDataLoad, &TFormMain::MenuDataLoadClick},
        {ui->MenuDataSave, &TFormMain::MenuDataSaveClick},
        {ui->MenuTextSave, &TFormMain::MenuTextSaveClick},
        {ui->MenuDispSetting, &TFormMain::MenuDispSettingClick},
        {ui->MenuADUnitSetting, &TFormMain::MenuADUnitSettingClick},
        {ui->MenuOpenSettingFile, &TFormMain::MenuOpenSettingFileClick},
        {ui->MenuSaveSettingFile, &TFormMain::MenuSaveSettingFileClick},
        {ui->MenuRefLoadFile, &TFormMain::MenuRefLoadFileClick},
        {ui->MenuRefClear, &TFormMain::MenuRefClearClick},
        {ui->MenuHelpVersion, &TFormMain::MenuHelpVersionClick},
        {ui->MenuAnalysis, &TFormMain::MenuAnalysisClick},
        {ui->MenuAverage, &TFormMain::MenuAverageClick},
    };
    for (const auto& [action, handler] : menu) {
        connect(action, &QAction::triggered, this, handler);
    }
    connect(ui->MenuContinuous, &QAction::triggered, this, &TFormMain::MenuContinuousClick);
    connect(graphs_->SpectrumBox(), &TPaintBox::MouseDown, this,
            [this](Qt::MouseButton, int x, int) { PaintBox1MouseDown(x); });
    connect(&measurement_, &TMeasurementController::progress, this,
            &TFormMain::MeasurementProgress);
    connect(&measurement_, &TMeasurementController::finished, this, &TFormMain::FinishMeasurement);
    connect(&measurement_, &TMeasurementController::failed, this, &TFormMain::MeasurementFailed);
    connect(&measurement_, &TMeasurementController::stopped, this, &TFormMain::MeasurementStopped);
}

TFormMain::~TFormMain() {
    // FormDestroy: released in this order, each only if present.
    idleTimer_.stop();
    myMessage.reset();
    progress_.reset();
    myStatus.reset();
    document_.ReleaseFileHandler();
    measurement_.ReleaseUnit();
    document_.ReleaseFFT();
    graphs_.reset();
}

int TFormMain::ClientWidth() const {
    return centralWidget()->width();
}
int TFormMain::ClientHeight() const {
    return centralWidget()->height();
}
int TFormMain::FormW() const {
    return FormSizeOfClient(centralWidget()->size()).width();
}
int TFormMain::FormH() const {
    return FormSizeOfClient(centralWidget()->size()).height();
}

// --- Start-up settings -----------------------------------------------------------------------

QString TFormMain::SettingsPath(const QString& fileName) const {
    const QString dir =
        options_.baseDir.isEmpty() ? QCoreApplication::applicationDirPath() : options_.baseDir;
    return QDir(dir).filePath(fileName);
}

namespace {
enum class StartupFileState { Missing, Readable, Unreadable };

// Looks at the start-up file without reading it: a file that is there but cannot be read (no
// permission, a folder, a named pipe or device that would block or never end) is the user's and
// must not be taken for a missing or broken one and replaced by the defaults.
StartupFileState ProbeStartupFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? StartupFileState::Missing : StartupFileState::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        return StartupFileState::Unreadable;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return StartupFileState::Unreadable;
    }
    ::close(fd);
    return StartupFileState::Readable;
}
} // namespace

void TFormMain::LoadStartupSettings(const QString& fileName) {
    document_.SetDefaultSettings();
    fSettingsLoaded = true;
    fSettingsFileUnreadable = false;
    if (!document_.FileHandler()) {
        return;
    }
    const std::string fullName = QFile::encodeName(SettingsPath(fileName)).toStdString();
    const StartupFileState state = ProbeStartupFile(fullName);
    if (state == StartupFileState::Unreadable) {
        // The defaults are used; the close reports that the settings could not be saved.
        fSettingsFileUnreadable = true;
        return;
    }
    if (state == StartupFileState::Readable && document_.ReadStartupSettings(fullName)) {
        return;
    }
    document_.SetDefaultSettings();
    if (!document_.WriteSettingFile(fullName, document_.acqSetting)) {
        myMessage->MsgIniSaveError();
    }
}

// --- Caption ---------------------------------------------------------------------------------

void TFormMain::SetCaptionName(const QString& name) {
    // Qt takes "[*]" in a title for its modified-marker placeholder and drops it; doubled, it
    // is shown once, so a file name holding it appears as it is.
    QString shown = name;
    shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(kMessageCaption + QStringLiteral(" : ") + shown);
}

namespace {
// The file name part of the native path (never of its Shift-JIS text: a trail byte may be 0x5C,
// the byte of "\", and cutting there would split a character).
QString DisplayFileName(const std::string& nativePath) {
    return QString::fromStdString(FileNamePart(nativePath));
}
} // namespace

void TFormMain::UpdateCaption(bool keepIfUnnamed) {
    if (document_.measureSetting.fSaveDataFile && !document_.measureSetting.DataFilePath.empty()) {
        SetCaptionName(DisplayFileName(document_.measureSetting.DataFilePath));
    } else if (!keepIfUnnamed) {
        SetCaptionName(QStringLiteral("Untitled"));
    }
}

void TFormMain::ShowFileNameInCaption() {
    SetCaptionName(DisplayFileName(document_.measureSetting.DataFilePath));
}

// --- Layout ----------------------------------------------------------------------------------

void TFormMain::LayoutStatusBar() {
    // The window has no extra border inside its client area (border width 0).
    const int top = ClientHeight() - kStatusBarHeight;
    ui->StatusBar1->setGeometry(0, top, ClientWidth(), kStatusBarHeight);
}

void TFormMain::ClearPeakReadouts() {
    const QString dashes = QStringLiteral("---");
    peakReadouts.EditPeakVolt->setText(dashes);
    peakReadouts.EditPeakdB->setText(dashes);
    peakReadouts.EditPeakHz->setText(dashes);
}

void TFormMain::ClearRMS() {
    EditRMS->setText(QStringLiteral("---"));
    LabelRMS->setText(QStringLiteral("Vrms"));
}

void TFormMain::SetInfoPanel(const QString& text, int index) {
    TStatusPanels* bar = ui->StatusBar1;
    if (index < 0 || index >= TStatusPanels::kPanelCount) {
        return;
    }
    bar->SetPanelText(index, text);
    bar->SetPanelWidth(index, StatusPanelWidth(QFontMetrics(font()).horizontalAdvance(text)));
}

void TFormMain::FormResize() {
    if (Graph() && document_.FFT()) {
        graphs_->Relayout();
        if (document_.fDataExist || document_.fRefExist) {
            RedrawGraphs();
        }
        // A resize is followed by a paint that shows the graphs again; the boxes lie in the
        // central widget, whose repaint need not pass this window's paint handler, so without
        // this the empty grids of the first show (or of a resize without data) stayed white.
        FormPaint();
    }
    fStatusLayout = true;
    ArmIdleTimer();
}

void TFormMain::FormPaint() {
    if (Graph() && document_.FFT()) {
        Graph()->PaintGraphs();
    }
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!constructionFailed_ && myMessage) {
        FormResize();
    }
}

void TFormMain::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // Only a paint that reaches a graph box shows its bitmap again. The window is also painted
    // beneath every status text that changes (the panels are not opaque); showing the graphs
    // then would repaint both boxes with each progress text of a measurement.
    if (!graphs_) {
        return;
    }
    for (const TPaintBox* box : {graphs_->SpectrumBox(), graphs_->WaveBox()}) {
        if (event->region().intersects(QRect(box->mapTo(this, QPoint(0, 0)), box->size()))) {
            FormPaint();
            return;
        }
    }
}

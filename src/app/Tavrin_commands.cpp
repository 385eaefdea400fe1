// Commands of the main window: the file commands, the reference, the version box, the peak
// cursor and the status bar. The start/stop commands are in Tavrin_measure.cpp, the print and
// settings-dialog commands in Tavrin_print_commands.cpp and Tavrin_settings_commands.cpp.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <algorithm>

#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "app/Mymessage.h"
#include "app/Mystatus.h"
#include "app/Myversion.h"
#include "app/Tavrin_main.h"
#include "common/RateTables.h"
#include "common/TextUtil.h"
#include "dialogs/Fft_setting.h"
#include "files/ZF_File.h"
#include "graph/TPaintBox.h"

namespace {
const QString kNewDataFilter = QStringLiteral("Data files (*.DTA)|*.DTA");
const QString kFFTFilter = QStringLiteral("FFTファイル (*.FFT)|*.FFT");
const QString kSettingFilter = QStringLiteral("設定 ファイル (*.prf)|*.prf");
const QString kFFTPattern = QStringLiteral("*.FFT");
const QString kSettingPattern = QStringLiteral("*.prf");

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromNative(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// "Has no dot" looks at the file name only: dotted folders (~/.local, v1.2/) are common here,
// and a name saved into one must still get its extension.
QString WithExtensionIfDotless(const QString& path, const QString& extension) {
    return path.indexOf(QLatin1Char('.'), FileNameStart(path)) >= 0 ? path : path + extension;
}

QString ProposedName(const std::string& path, const QString& pattern) {
    return ProposedFileName(FromNative(path), pattern);
}

} // namespace

QString TFormMain::DialogFolder() const {
    return DialogFolderFor(FromNative(measureSetting.DataFilePath));
}

QString TFormMain::AskFileName(FileDialogRequest::Mode mode, const QString& filter,
                               const QString& name) {
    FileDialogRequest request;
    request.mode = mode;
    request.filter = filter;
    request.folder = DialogFolder();
    request.name = name;
    return fileDialogs_ ? fileDialogs_->Ask(request) : QString();
}

void TFormMain::ClearResultPanels() {
    // Emptied, not resized: the panels keep the widths their last texts gave them.
    if (myStatus) {
        myStatus->ClearPanels();
    }
}

bool TFormMain::MeasuredDataUnsaved() const {
    return fDataExist && !measureSetting.fSaveDataFile && !fDataSaved;
}

bool TFormMain::MayDiscardMeasuredData() {
    return !MeasuredDataUnsaved() || AskDiscardUnsavedData(presenter_);
}

// --- New data file name ------------------------------------------------------------------------

void TFormMain::MenuFileNewClick() {
    if (!MayDiscardMeasuredData()) {
        return;
    }
    QString name = AskFileName(FileDialogRequest::Mode::Save, kNewDataFilter,
                               ProposedName(measureSetting.DataFilePath, kDataFilePattern));
    if (name.isEmpty()) {
        return;
    }
    name = WithExtensionIfDotless(name, QStringLiteral(".DTA"));
    SetDataFilePath(measureSetting, Native(name));
    fDataExist = false;
    fDataSaved = false;
    Graph()->ClearGraphs();
    Graph()->PaintGraphs();
    ClearPeakReadouts();
    ClearRMS();
    ClearResultPanels();
    ShowFileNameInCaption();
}

// --- Data files ----------------------------------------------------------------------------------

void TFormMain::MenuDataLoadClick() {
    if (!MayDiscardMeasuredData()) {
        return;
    }
    LockControls();
    bool loaded = false;
    if (!LoadDataFile(false, loaded)) {
        myMessage->MsgDataFileError();
    } else if (loaded) {
        myStatus->ShowDataLoaded();
        ShowFileNameInCaption();
    }
    UnlockControls();
}

void TFormMain::MenuRefLoadFileClick() {
    LockControls();
    bool loaded = false;
    if (!LoadDataFile(true, loaded)) {
        myMessage->MsgDataFileError();
    } else if (loaded) {
        myStatus->ShowRefLoaded();
    }
    UnlockControls();
}

bool TFormMain::LoadDataFile(bool asReference, bool& loaded) {
    loaded = false;
    const QString name = AskFileName(FileDialogRequest::Mode::Open, kDataFileFilter,
                                     ProposedName(measureSetting.DataFilePath, kDataFilePattern));
    if (name.isEmpty()) {
        return true;
    }
    activateWindow();

    // The reader fills working copies (its samples go to scratch storage first); only a file
    // accepted as a whole reaches the live records and the block's arrays.
    SampleBlock block = asReference ? refBlock : curBlock;
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;
    SetDefaultGraphSetting(graph);
    SetDefaultMeasureSetting(measure);
    SetDefaultADSetting(ad);
    const std::string path = Native(name);
    if (!ZF_File || !ZF_File->ReadDataFile(path, ZF_File::kDataHeader, block, graph, measure, ad)) {
        return false;
    }
    block.spsSel = ad.spsSel;
    block.sinc3 = ad.sinc3;
    const float period = SamplePeriod(ad.spsSel, ad.sinc3);

    if (asReference) {
        fRefExist = true;
        refBlock = block;
        refADSetting = ad;
        ConvertBlock(refBlock, period);
        myFFT->ComputeSpectrum(refBlock);
    } else {
        fDataExist = true;
        fDataSaved = true;
        curBlock = block;
        graphSetting = graph;
        acqSetting = ad;
        unitSetting = acqSetting;
        measureSetting = measure;
        SetDataFilePath(measureSetting, path);
        ConvertBlock(curBlock, period);
        myFFT->ComputeSpectrum(curBlock);
        meanCode = CodeMean(curBlock);
        stdDevCode = CodeStdDev(curBlock);
        ShowMeasureInfo();
    }

    graphs_->Relayout();
    RedrawGraphs();
    if (!asReference) {
        ShowPeak();
        ShowRMS();
    }
    loaded = true;
    return true;
}

void TFormMain::MenuDataSaveClick() {
    if (!fDataExist) {
        myMessage->MsgNoData();
        return;
    }
    LockControls();
    bool saved = false;
    if (!SaveDataFileAs(saved)) {
        myMessage->MsgDataSaveError();
    }
    if (saved) {
        fDataSaved = true;
        ShowFileNameInCaption();
    }
    UnlockControls();
}

bool TFormMain::SaveDataFileAs(bool& saved) {
    saved = false;
    QString name = AskFileName(FileDialogRequest::Mode::Save, kDataFileFilter,
                               ProposedName(measureSetting.DataFilePath, kDataFilePattern));
    if (name.isEmpty()) {
        return true;
    }
    // Case-sensitive: "a.dta" becomes "a.dta.DTA", as the Windows program wrote it.
    if (!name.endsWith(QStringLiteral(".DTA"), Qt::CaseSensitive)) {
        name += QStringLiteral(".DTA");
    }
    SetDataFilePath(measureSetting, Native(name));
    acqSetting.sinc3 = curBlock.sinc3;
    const DataSaveResult result = WriteMeasuredData();
    // A declined overwrite question stores nothing but is no failure either.
    saved = result == DataSaveResult::Saved;
    return result != DataSaveResult::Failed;
}

// --- Spectrum export -----------------------------------------------------------------------------

void TFormMain::MenuTextSaveClick() {
    LockControls();
    bool saved = false;
    if (!ExportSpectrum(saved)) {
        myMessage->MsgFFTSaveError();
    }
    UnlockControls();
}

bool TFormMain::ExportSpectrum(bool& saved) {
    saved = false;
    if (!fDataExist) {
        myMessage->MsgNoData();
        return false;
    }
    const std::string& current = measureSetting.DataFilePath;
    const QString proposal = current.empty()
                                 ? kFFTPattern
                                 : ProposedName(TextBeforeFirstDot(current) + ".FFT", kFFTPattern);
    QString name = AskFileName(FileDialogRequest::Mode::Save, kFFTFilter, proposal);
    if (name.isEmpty()) {
        return true;
    }
    name = WithExtensionIfDotless(name, QStringLiteral(".FFT"));
    const std::string path = Native(name);
    // The next data save proposes the export's base name.
    SetDataFilePath(measureSetting, TextBeforeFirstDot(path) + ".DTA");
    MeasureSetting exportSetting = measureSetting;
    SetDataFilePath(exportSetting, path);
    FileError detail;
    if (!ZF_File || !ZF_File->WriteFFTFile(ZF_File::kFFTHeader, acqSetting, curBlock, graphSetting,
                                           exportSetting, &detail)) {
        return false;
    }
    saved = !detail.declined;
    return true;
}

// --- Settings files ------------------------------------------------------------------------------

void TFormMain::MenuOpenSettingFileClick() {
    if (!MayDiscardMeasuredData()) {
        return;
    }
    const QString name =
        AskFileName(FileDialogRequest::Mode::Open, kSettingFilter, kSettingPattern);
    if (name.isEmpty()) {
        return;
    }
    activateWindow();
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;
    SetDefaultGraphSetting(graph);
    SetDefaultMeasureSetting(measure);
    SetDefaultADSetting(ad);
    if (!ZF_File || !ZF_File->ReadSettingFileToOpen(Native(name), graph, measure, ad)) {
        myMessage->MsgSettingFileError();
        return;
    }
    acqSetting = ad;
    unitSetting = acqSetting;
    measureSetting = measure;
    graphSetting = graph;

    fRefExist = false;
    fDataExist = false;
    fDataSaved = false;
    graphs_->Relayout();
    Graph()->PaintGraphs();
    ClearPeakReadouts();
    ClearRMS();
    ClearResultPanels();
    UpdateCaption(true);
}

void TFormMain::MenuSaveSettingFileClick() {
    QString name = AskFileName(FileDialogRequest::Mode::Save, kSettingFilter, kSettingPattern);
    if (name.isEmpty()) {
        return;
    }
    name = WithExtensionIfDotless(name, QStringLiteral(".prf"));
    const QFileInfo info(name);
    if ((info.exists() || info.isSymLink()) &&
        !AskOverwriteSettingFile(presenter_, QDir::toNativeSeparators(info.absoluteFilePath()))) {
        return;
    }
    if (!ZF_File || !ZF_File->WriteSettingFile(Native(name), kSettingHeader, graphSetting,
                                               measureSetting, unitSetting)) {
        myMessage->MsgIniSaveError();
    }
}

// --- Reference and version box -------------------------------------------------------------------

void TFormMain::MenuRefClearClick() {
    if (!fRefExist) {
        return;
    }
    fRefExist = false;
    refBlock.count = 0;
    Graph()->ClearGraphs();
    Graph()->PaintGraphs();
    ClearResultPanels();
    if (fDataExist) {
        RedrawGraphs();
        ShowMeasureInfo();
    }
}

void TFormMain::MenuHelpVersionClick() {
    if (FormVersion) {
        FormVersion->exec();
    }
    activateWindow();
}

// --- Peak cursor and status bar ----------------------------------------------------------------

void TFormMain::PeakFwdBtnClick() {
    if (fDataExist && Graph()) {
        Graph()->PeakForward(curBlock, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::PeakBackBtnClick() {
    if (fDataExist && Graph()) {
        Graph()->PeakBack(curBlock, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::PaintBox1MouseDown(int x) {
    if (!fDataExist || curBlock.count == 0 || !Graph()) {
        return;
    }
    const int bin = Graph()->BinAtX(graphs_->SpectrumBox()->width(), x);
    if (bin >= 0 && bin < curBlock.count / 2) {
        Graph()->ShowBin(bin, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::StatusBar1Click() {
    // After a measurement panel 2 holds the statistics: clicks alternate information and
    // statistics.
    if (fInfoShown) {
        fInfoShown = false;
        ShowStatistics();
    } else {
        ShowMeasureInfo();
    }
}

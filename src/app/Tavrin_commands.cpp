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
#include "graph/TPaintBox.h"

namespace {
const QString kNewDataFilter = QStringLiteral("Data files (*.DTA)|*.DTA");
const QString kFFTFilter = QStringLiteral("FFTファイル (*.FFT)|*.FFT");
const QString kSettingFilter = QStringLiteral("設定 ファイル (*.prf)|*.prf");
const QString kFFTPattern = QStringLiteral("*.FFT");
const QString kSettingPattern = QStringLiteral("*.prf");

QString ProposedName(const std::string& path, const QString& pattern) {
    return ProposedFileName(FromNative(path), pattern);
}

} // namespace

QString TFormMain::DialogFolder() const {
    return DialogFolderFor(FromNative(document_.measureSetting.DataFilePath));
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
    return document_.MeasuredDataUnsaved();
}

bool TFormMain::MayDiscardMeasuredData() {
    return !MeasuredDataUnsaved() || AskDiscardUnsavedData(presenter_);
}

// --- New data file name ------------------------------------------------------------------------

void TFormMain::MenuFileNewClick() {
    if (!MayDiscardMeasuredData()) {
        return;
    }
    QString name =
        AskFileName(FileDialogRequest::Mode::Save, kNewDataFilter,
                    ProposedName(document_.measureSetting.DataFilePath, kDataFilePattern));
    if (name.isEmpty()) {
        return;
    }
    name = WithExtensionIfDotless(name, QStringLiteral(".DTA"));
    SetDataFilePath(document_.measureSetting, Native(name));
    document_.fDataExist = false;
    document_.fDataSaved = false;
    MeasuredBlockChanged();
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
    MeasuredBlockChanged();
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
    const QString name =
        AskFileName(FileDialogRequest::Mode::Open, kDataFileFilter,
                    ProposedName(document_.measureSetting.DataFilePath, kDataFilePattern));
    if (name.isEmpty()) {
        return true;
    }
    activateWindow();

    // The document takes only a file read as a whole whose samples convert and whose spectrum
    // can be computed.
    const BlockRole role = asReference ? BlockRole::Reference : BlockRole::Measured;
    if (!document_.LoadDataFile(Native(name), role) || !document_.ComputeSpectrum(role)) {
        return false;
    }
    if (!asReference) {
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
    if (!document_.fDataExist) {
        myMessage->MsgNoData();
        return;
    }
    LockControls();
    bool saved = false;
    if (!SaveDataFileAs(saved)) {
        myMessage->MsgDataSaveError();
    }
    if (saved) {
        document_.fDataSaved = true;
        ShowFileNameInCaption();
        MeasuredBlockChanged(); // the figures name the file now
    }
    UnlockControls();
}

bool TFormMain::SaveDataFileAs(bool& saved) {
    saved = false;
    QString name =
        AskFileName(FileDialogRequest::Mode::Save, kDataFileFilter,
                    ProposedName(document_.measureSetting.DataFilePath, kDataFilePattern));
    if (name.isEmpty()) {
        return true;
    }
    // Case-sensitive: "a.dta" becomes "a.dta.DTA", as the Windows program wrote it.
    if (!name.endsWith(QStringLiteral(".DTA"), Qt::CaseSensitive)) {
        name += QStringLiteral(".DTA");
    }
    SetDataFilePath(document_.measureSetting, Native(name));
    const MeasurementDocument::SaveResult result = document_.SaveMeasuredData();
    // A declined overwrite question stores nothing but is no failure either.
    saved = result == MeasurementDocument::SaveResult::Saved;
    return result != MeasurementDocument::SaveResult::Failed;
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
    if (!document_.fDataExist) {
        myMessage->MsgNoData();
        return false;
    }
    const std::string& current = document_.measureSetting.DataFilePath;
    const QString proposal = current.empty()
                                 ? kFFTPattern
                                 : ProposedName(TextBeforeFirstDot(current) + ".FFT", kFFTPattern);
    QString name = AskFileName(FileDialogRequest::Mode::Save, kFFTFilter, proposal);
    if (name.isEmpty()) {
        return true;
    }
    name = WithExtensionIfDotless(name, QStringLiteral(".FFT"));
    return document_.ExportSpectrum(Native(name), saved);
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
    if (!document_.OpenSettingFile(Native(name))) {
        myMessage->MsgSettingFileError();
        return;
    }
    MeasuredBlockChanged();
    // The boxes change size when the waveform graph is switched on or off; the bitmaps follow.
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
    if (!document_.WriteSettingFile(Native(name), document_.unitSetting)) {
        myMessage->MsgIniSaveError();
    }
}

// --- Reference and version box -------------------------------------------------------------------

void TFormMain::MenuRefClearClick() {
    if (!document_.fRefExist) {
        return;
    }
    document_.ClearBlock(BlockRole::Reference);
    Graph()->ClearGraphs();
    Graph()->PaintGraphs();
    ClearResultPanels();
    if (document_.fDataExist) {
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
    if (document_.fDataExist && Graph()) {
        Graph()->PeakForward(document_.curBlock, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::PeakBackBtnClick() {
    if (document_.fDataExist && Graph()) {
        Graph()->PeakBack(document_.curBlock, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::PaintBox1MouseDown(int x) {
    if (!document_.fDataExist || document_.curBlock.count == 0 || !Graph()) {
        return;
    }
    const int bin = Graph()->BinAtX(graphs_->SpectrumBox()->width(), x);
    if (bin >= 0 && bin < document_.curBlock.count / 2) {
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

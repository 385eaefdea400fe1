// The analysis window's part of the main window: opening it, keeping it on the measured block,
// saving its figures, and the user's settings file that remembers its place.
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "analysisview/AnalysisWindow.h"
#include "app/Mymessage.h"
#include "app/SettingsLocation.h"
#include "app/Tavrin_main.h"
#include "files/ZF_File.h"

namespace {
const QString kFiguresFilter = QStringLiteral("解析結果 (*.json *.csv)|*.json *.csv");
const QString kFiguresPattern = QStringLiteral("*.json");
// The name the figures give a measured block that is in no file yet.
constexpr const char* kUnsavedBlockName = "未保存の計測データ";
} // namespace

void TFormMain::MenuAnalysisClick() {
    if (!analysisWindow_) {
        analysisWindow_ = std::make_unique<AnalysisWindow>(this);
        analysisWindow_->setObjectName(QStringLiteral("FormAnalysis"));
        LoadUserSettings();
        analysisWindow_->RestoreSettings(userSettings_);
        connect(analysisWindow_.get(), &AnalysisWindow::saveRequested, this,
                &TFormMain::SaveAnalysisFigures);
        RefreshAnalysis();
        analysisWindow_->show();
        // Placed once shown: only then is the table as wide as its figures.
        if (!analysisWindow_->PlaceRemembered()) {
            analysisWindow_->PlaceBeside(frameGeometry());
        }
    }
    analysisWindow_->show();
    analysisWindow_->raise();
    analysisWindow_->activateWindow();
}

void TFormMain::MeasuredBlockChanged() {
    if (!analysisWindow_) {
        return;
    }
    // A block that went is let go at once: the window must not read arrays being refilled.
    if (!document_.fDataExist) {
        RefreshAnalysis();
    }
    if (analysisRefreshPending_) {
        return;
    }
    // Posted paints run before a zero timer: the main window is complete when this runs.
    analysisRefreshPending_ = true;
    QTimer::singleShot(0, this, [this] { FlushAnalysisRefresh(); });
}

void TFormMain::FlushAnalysisRefresh() {
    if (analysisRefreshPending_) {
        analysisRefreshPending_ = false;
        RefreshAnalysis();
    }
}

void TFormMain::RefreshAnalysis() {
    if (!analysisWindow_) {
        return;
    }
    const bool present = document_.fDataExist && document_.curBlock.count > 0;
    // The blocks of a series are averaged as the main window's spectrum is: the last K of a
    // continuous series, all of the others.
    const SeriesSetting& series = series_.Setting();
    analysisWindow_->ShowBlock(present ? &document_.curBlock : nullptr, MeasuredBlockName(),
                               present ? document_.curBlock.averaging.series : 0,
                               series.continuous ? series.count : 0);
}

std::string TFormMain::MeasuredBlockName() const {
    return document_.fDataSaved ? document_.measureSetting.DataFilePath
                                : std::string(kUnsavedBlockName);
}

void TFormMain::SaveAnalysisFigures() {
    if (!analysisWindow_ || !analysisWindow_->HasFigures()) {
        return;
    }
    QString name = AskFileName(FileDialogRequest::Mode::Save, kFiguresFilter, kFiguresPattern);
    if (name.isEmpty()) {
        return;
    }
    name = WithExtensionIfDotless(name, QStringLiteral(".json"));
    const QFileInfo info(name);
    if ((info.exists() || info.isSymLink()) &&
        !fileConfirmation_.AskYesNo(ZF_File::OverwriteQuestion(Native(info.absoluteFilePath())))) {
        return;
    }
    if (!analysisWindow_->SaveFigures(Native(name))) {
        myMessage->MsgAnalysisSaveError();
    }
}

QString TFormMain::UserSettingsFile() const {
    return options_.userSettingsFile.isEmpty() ? UserSettingsPath() : options_.userSettingsFile;
}

void TFormMain::SaveUserSettings() {
    // Only a user who opened the window or chose the averaging has anything to remember.
    if (!analysisWindow_ && !userSettingsChanged_) {
        return;
    }
    if (analysisWindow_) {
        analysisWindow_->StoreSettings(userSettings_);
    }
    // The folder is made only now: reading the settings leaves no trace in the user's home.
    QDir().mkpath(QFileInfo(UserSettingsFile()).absolutePath());
    if (!userSettings_.Save(Native(UserSettingsFile()))) {
        std::fprintf(stderr, "tavrin: cannot write %s\n", Native(UserSettingsFile()).c_str());
    }
}

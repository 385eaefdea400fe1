// Series of blocks from one start: 平均化 (K blocks, their spectra combined) and 連続計測 (block
// after block until stopped). The unit is prepared once; each block then costs only the
// acquisition command, and the finish work of one block is all that runs between the last
// sample of a block and the command of the next. The measured block is always the last complete
// one: the next block is received into a buffer of its own.
#include <QAction>
#include <algorithm>

#include "app/Mymessage.h"
#include "app/Mystatus.h"
#include "app/ProgressThrottle.h"
#include "app/Tavrin_main.h"
#include "dialogs/Average_setting.h"
#include "ui_Tavrin_main.h"

namespace {
const char* const kCountKey = "average.count";
const char* const kModeKey = "average.mode";
const char* const kPeakHoldValue = "peak-hold";
const char* const kPowerValue = "power";
} // namespace

// --- Settings ----------------------------------------------------------------------------------

void TFormMain::LoadUserSettings() {
    if (userSettingsRead_) {
        return;
    }
    userSettingsRead_ = true;
    userSettings_.Load(Native(UserSettingsFile()));
    seriesSetting_.count =
        userSettings_.Number(kCountKey, 1, SeriesSetting::kMaxCount, seriesSetting_.count);
    seriesSetting_.mode =
        userSettings_.Text(kModeKey) == kPeakHoldValue ? AverageMode::PeakHold : AverageMode::Power;
}

void TFormMain::SetSeries(const SeriesSetting& setting) {
    LoadUserSettings();
    seriesSetting_ = setting;
    seriesSetting_.count = std::clamp(setting.count, 1, SeriesSetting::kMaxCount);
    ui->MenuContinuous->setChecked(seriesSetting_.continuous);
    // Whether the next start runs continuously is a choice of the moment, not remembered.
    userSettings_.SetNumber(kCountKey, seriesSetting_.count);
    userSettings_.SetText(kModeKey, seriesSetting_.mode == AverageMode::PeakHold ? kPeakHoldValue
                                                                                 : kPowerValue);
    userSettingsChanged_ = true;
}

void TFormMain::MenuContinuousClick(bool checked) {
    SeriesSetting setting = seriesSetting_;
    setting.continuous = checked;
    SetSeries(setting);
}

void TFormMain::MenuAverageClick() {
    TFormAverageSetting dialog(this);
    dialog.setObjectName(QStringLiteral("FormAverageSetting"));
    dialog.Setup(seriesSetting_);
    if (dialog.exec() == QDialog::Accepted) {
        SetSeries(dialog.Edited(seriesSetting_));
    }
}

// --- Running a series --------------------------------------------------------------------------

void TFormMain::StartSeries(const ADUnitSetting& setting) {
    if (!series_.Begin(seriesSetting_, document_.graphSetting.DataCountMax)) {
        SetIdleControls();
        myMessage->MsgSeriesMemoryError();
        return;
    }
    const std::string& named = document_.measureSetting.DataFilePath;
    if (lastSeriesSave_.empty() || named != lastSeriesSave_) {
        seriesSaveBase_ = named;
    }
    document_.acqSetting = setting;
    document_.fDataExist = false;
    document_.fDataSaved = false;
    MeasuredBlockChanged();
    if (StartSeriesBlock()) {
        myStatus->ShowStarting();
        UpdateCaption(true);
    }
}

bool TFormMain::StartSeriesBlock() {
    const AcqStatus started = measurement_.Start(
        document_.acqSetting, document_.graphSetting.DataCountMax, document_.seriesCodes.data());
    if (started != AcqStatus::Ok) {
        // The sequence has stopped and closed the unit.
        EndSeries();
        myStatus->ShowCommandError();
        myMessage->MsgCommandError();
        SetIdleControls();
        return false;
    }
    document_.StampStartTime();
    myStatus->ShowSeriesBlock(QString::fromStdString(series_.RunningText()));
    ArmIdleTimer();
    return true;
}

void TFormMain::FinishSeriesBlock() {
    if (progress_) {
        progress_->Cancel();
    }
    measurement_.StopAcquisition();
    FlushAnalysisRefresh();
    if (document_.FinishSeriesBlock() != MeasurementDocument::FinishResult::Accepted) {
        // The blocks before it stay: the series ends on the block that clipped.
        EndSeries();
        SetIdleControls();
        myStatus->ShowLevelError();
        myMessage->MsgLevelError();
        return;
    }
    document_.ComputeSpectrum(BlockRole::Measured);
    series_.AddBlock(document_.curBlock);
    RedrawGraphs();
    ShowPeak();
    ShowRMS();
    AutoSaveSeriesBlock();
    ShowMeasureInfo();
    ShowStatistics();
    fInfoShown = false;
    MeasuredBlockChanged();
    if (!series_.Complete() && series_.Running()) {
        StartSeriesBlock();
        return;
    }
    EndSeries();
    myStatus->ShowMeasureEnd(SeriesDoneText());
    SetIdleControls();
}

QString TFormMain::SeriesDoneText() const {
    return QString::fromStdString(series_.DoneText());
}

void TFormMain::EndSeries() {
    series_.End();
}

void TFormMain::AutoSaveSeriesBlock() {
    if (!document_.AutoSaveWanted() || seriesSaveBase_.empty()) {
        return;
    }
    SetDataFilePath(document_.measureSetting, series_.SaveName(seriesSaveBase_));
    lastSeriesSave_ = document_.measureSetting.DataFilePath;
    AdoptDataSaveResult(document_.SaveMeasuredData());
}

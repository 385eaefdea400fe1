// The measurement sequences of the main window: one block from the start button to the
// finished display. The controller drives the unit from the idle work without ever waiting for
// the unit's samples; the window reacts to what it tells.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "adunit/Acquisition.h"
#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "app/Mymessage.h"
#include "app/Mystatus.h"
#include "app/ProgressThrottle.h"
#include "app/Tavrin_main.h"
#include "common/DecimalPicture.h"
#include "common/RateTables.h"

namespace {
const QString kStartCaption = QStringLiteral("計測開始");
const QString kStopCaption = QStringLiteral("計測中止");
constexpr int kInfoPanel = 2;

QString Decimal(double value, int decimals) {
    return QString::fromStdString(FormatDecimal(value, decimals));
}
} // namespace

// --- Start and stop --------------------------------------------------------------------------

void TFormMain::MeasureStartBtnClick() {
    if (measurement_.Initializing()) {
        // The click came through the event servicing inside InitUnit's wait for a reply. The
        // transport is in the middle of a command, so nothing is sent now; the start ends
        // after the current step.
        measurement_.RequestStop();
        return;
    }
    if (MeasureStartBtn->text() == kStartCaption) {
        StartMeasurement();
    } else {
        const bool series = series_.Running();
        StopMeasurement();
        myStatus->ShowMeasureStopped(series ? SeriesDoneText() : QString());
        // The blocks a series completed stay on screen: panel 2 tells of them, not of the
        // block that was dropped.
        if (series && document_.fDataExist) {
            ShowStatistics();
        }
    }
}

void TFormMain::MenuMeasureStartClick() {
    StartMeasurement();
}

void TFormMain::StartMeasurement() {
    if (!measurement_.HasUnit() || !myStatus || !Graph() || measurement_.Measuring() ||
        measurement_.Initializing()) {
        return;
    }
    SetMeasuringControls();
    myStatus->ClearPanels();
    // acqSetting describes the block on screen until a new acquisition is under way: a start
    // that fails leaves that block, and its rate, filter and channel, as they were.
    const ADUnitSetting setting = document_.unitSetting;

    const bool ready = InitUnit(setting);
    if (!ready) {
        SetIdleControls();
        if (measurement_.StopRequested()) {
            myStatus->ShowMeasureStopped();
        }
        if (closePending_) {
            closePending_ = false;
            close();
        }
        return;
    }

    Graph()->ClearGraphs();
    Graph()->PaintGraphs();
    ClearPeakReadouts();
    ClearRMS();
    if (seriesSetting_.IsSeries()) {
        StartSeries(setting);
        return;
    }

    // Measuring from here on when it succeeds; the received count starts again at 0.
    const AcqStatus started =
        measurement_.Start(setting, document_.graphSetting.DataCountMax, document_.curCodes.data());
    if (started == AcqStatus::Ok) {
        document_.acqSetting = setting;
        document_.fDataExist = false;
        document_.fDataSaved = false;
        document_.StampStartTime();
        MeasuredBlockChanged();
        myStatus->ShowMeasuring();
        myStatus->ShowStarting();
        UpdateCaption(true);
        ArmIdleTimer();
    } else {
        // The sequence has stopped and closed the unit.
        myStatus->ShowCommandError();
        myMessage->MsgCommandError();
        SetIdleControls();
    }
}

bool TFormMain::InitUnit(const ADUnitSetting& setting) {
    // A stop arriving while the controller waits for the unit ends it early (not ready).
    switch (measurement_.PrepareUnit(setting)) {
    case AcqStatus::Ok:
        myStatus->ShowUnitInfo(QString::fromLatin1(measurement_.ModelName()),
                               QString::fromLatin1(measurement_.Version()),
                               QString::fromLatin1(measurement_.RateText()));
        return true;
    case AcqStatus::NotFound:
        myMessage->MsgNotFound();
        myStatus->ShowNotFound();
        return false;
    case AcqStatus::NoResponse:
        myMessage->MsgNoResponse();
        myStatus->ShowNoResponse();
        return false;
    default:
        // The other steps end the start silently and leave the unit open (a stop closed it).
        return false;
    }
}

// --- What the controller's idle step tells -------------------------------------------------
// The block completing goes to FinishMeasurement.

void TFormMain::MeasurementProgress(int32_t received, int32_t lastCode) {
    progress_->Report(received, lastCode);
}

void TFormMain::MeasurementFailed() {
    // A read error or a unit that stopped sending: nothing is drawn.
    progress_->Cancel();
    myStatus->ShowMeasureError();
    if (series_.Running()) {
        // The blocks completed before stay; only the one under way is lost.
        EndSeries();
    } else {
        document_.curBlock.count = 0;
    }
    SetIdleControls();
}

void TFormMain::FinishMeasurement() {
    if (series_.Running()) {
        FinishSeriesBlock();
        return;
    }
    StopMeasurement();
    // Length, rate and filter, clipping check, conversion and code statistics: the document's
    // end of a block, the same for tavrin-cli acquire.
    if (document_.FinishBlock() != MeasurementDocument::FinishResult::Accepted) {
        measurement_.StopAcquisition();
        SetIdleControls();
        myStatus->ShowLevelError();
        myMessage->MsgLevelError();
        MeasuredBlockChanged();
        return;
    }
    document_.ComputeSpectrum(BlockRole::Measured);
    RedrawGraphs();
    ShowPeak();
    ShowRMS();
    AutoSaveData();
    ShowMeasureInfo();
    myStatus->ShowMeasureEnd();
    ShowStatistics();
    fInfoShown = false;
    SetIdleControls();
    MeasuredBlockChanged();
}

void TFormMain::FlushProgress() {
    if (progress_) {
        progress_->Flush();
    }
}

void TFormMain::StopMeasurement() {
    if (progress_) {
        progress_->Cancel();
    }
    // The controller stops the unit and clears the measuring state; MeasurementStopped follows.
    measurement_.Stop();
}

void TFormMain::MeasurementStopped() {
    EndSeries();
    SetIdleControls();
}

// --- Display of a block ----------------------------------------------------------------------

void TFormMain::RedrawGraphs() {
    graphs_->DrawBlocks(document_.fDataExist, document_.fRefExist);
}

void TFormMain::ShowPeak() {
    if (!document_.fDataExist || !Graph()) {
        return;
    }
    Graph()->ShowLargestPeak(document_.curBlock, peakReadouts, LabelPeakVolt);
    LabelPeakVolt->adjustSize();
    LabelPeakdB->setText(document_.graphSetting.fAbsoGraph ? QStringLiteral("dBV")
                                                           : QStringLiteral("dB"));
    LabelPeakdB->adjustSize();
}

void TFormMain::ShowRMS() {
    document_.rmsVolt = SpectrumRMS(document_.curBlock);
    // The single-precision value is compared with the double constants, as the thresholds are
    // written: the float nearest 0.1 lies above 0.1 and reads "0.100 Vrms".
    const double v = document_.rmsVolt;
    double shown = v * 1000000000.0;
    QString unit = QStringLiteral("nVrms");
    if (v > 0.1) {
        shown = v;
        unit = QStringLiteral("Vrms");
    } else if (v > 0.001) {
        shown = v * 1000.0;
        unit = QStringLiteral("mVrms");
    } else if (v > 0.000001) {
        shown = v * 1000000.0;
        unit = QStringLiteral("uVrms");
    }
    EditRMS->setText(Decimal(shown, 3));
    // The unit labels size themselves to their text ("mVrms" is wider than the initial "Vrms").
    LabelRMS->setText(unit);
    LabelRMS->adjustSize();
}

void TFormMain::ShowMeasureInfo() {
    QString text;
    if (document_.fDataExist) {
        const float df =
            DeltaF(SamplePeriod(document_.acqSetting.spsSel, document_.acqSetting.sinc3),
                   document_.curBlock.count);
        text = QStringLiteral("Δｆ= ") + Decimal(df, 3) + QStringLiteral("Hz");
        text += document_.graphSetting.fAbsoGraph ? QStringLiteral(" / 絶対値[dBV] 表示")
                                                  : QStringLiteral(" / 相対値[dB] 表示");
        switch (document_.graphSetting.whichWindowFunc) {
        case WinRectangular:
            text += QStringLiteral(" / 窓関数=矩形波窓(補正なし)");
            break;
        case WinHanning:
            text += QStringLiteral(" / 窓関数=ハニング窓");
            break;
        case WinHamming:
            text += QStringLiteral(" / 窓関数=ハミング窓");
            break;
        case WinFlatTop:
            text += QStringLiteral(" / 窓関数=フラットトップ窓");
            break;
        default:
            break;
        }
        if (document_.graphSetting.whichWindowFunc >= WinHanning &&
            document_.graphSetting.whichWindowFunc <= WinFlatTop &&
            document_.graphSetting.fWinFuncAdjust) {
            text += QStringLiteral("(補正あり)");
        }
    }
    SetInfoPanel(text, kInfoPanel);
    fInfoShown = true;
}

void TFormMain::ShowStatistics() {
    if (!Graph() || !myStatus) {
        return;
    }
    if (document_.graphSetting.fSig_Volt) {
        const auto maxUv = static_cast<float>(FFTGraph::CodeToMicrovolts(Graph()->CodeMax()));
        const auto minUv = static_cast<float>(FFTGraph::CodeToMicrovolts(Graph()->CodeMin()));
        const auto devUv = static_cast<float>(FFTGraph::CodesToMicrovolts(document_.stdDevCode));
        myStatus->ShowVoltStatistics(maxUv, minUv, devUv);
    } else {
        const int32_t maxCode = Graph()->CodeMax();
        const int32_t minCode = Graph()->CodeMin();
        myStatus->ShowCodeStatistics(maxCode, minCode, document_.stdDevCode);
    }
}

// --- Saving ------------------------------------------------------------------------------------

void TFormMain::AdoptDataSaveResult(MeasurementDocument::SaveResult result) {
    switch (result) {
    case MeasurementDocument::SaveResult::Saved:
        ShowFileNameInCaption();
        break;
    case MeasurementDocument::SaveResult::Failed:
        document_.fDataSaved = false;
        myMessage->MsgDataSaveError();
        break;
    case MeasurementDocument::SaveResult::Declined:
        break;
    }
}

void TFormMain::AutoSaveData() {
    if (document_.AutoSaveWanted()) {
        AdoptDataSaveResult(document_.SaveMeasuredData());
    }
}

// --- Control states ------------------------------------------------------------------------

void TFormMain::SetCommandsEnabled(bool enabled) {
    for (QMenu* menu : {MenuFile, MenuMeasure, MenuData, MenuSetting, MenuHelp, MenuRef}) {
        menu->menuAction()->setEnabled(enabled);
    }
    MenuMeasureStart->setEnabled(enabled);
    PeakBackBtn->setEnabled(enabled);
    PeakFwdBtn->setEnabled(enabled);
}

void TFormMain::SetMeasuringControls() {
    MeasureStartBtn->setText(kStopCaption);
    MeasureStartBtn->setEnabled(true);
    SetCommandsEnabled(false);
}

void TFormMain::SetIdleControls() {
    MeasureStartBtn->setText(kStartCaption);
    SetCommandsEnabled(true);
}

void TFormMain::LockControls() {
    MeasureStartBtn->setEnabled(false);
    SetCommandsEnabled(false);
}

void TFormMain::UnlockControls() {
    MeasureStartBtn->setEnabled(true);
    SetCommandsEnabled(true);
    MeasureStartBtn->setFocus();
}

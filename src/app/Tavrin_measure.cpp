// The measurement controller of the main window: one block from the start button to the
// finished display, advanced by the idle work without ever waiting for the unit's samples.
#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "adunit/Acquisition.h"
#include "adunit/Adc.h"
#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "app/Mymessage.h"
#include "app/Mystatus.h"
#include "app/ProgressThrottle.h"
#include "app/Tavrin_main.h"
#include "common/DecimalPicture.h"
#include "common/RateTables.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"

namespace {
const QString kStartCaption = QStringLiteral("計測開始");
const QString kStopCaption = QStringLiteral("計測中止");
constexpr int kInfoPanel = 2;
// Polling while measuring: once per read group's time (8.2 ms at 125 ksps; each wake-up of the
// event loop costs), at least every 16 ms at the slow rates. A pass takes every whole group that
// has arrived, up to kGroupsPerPass, so a poll that comes late is caught up.
constexpr int kMaxMeasuringIdleMs = 16;
constexpr int kGroupsPerPass = 4;

int MeasuringIdleMs(int32_t groupSamples, int32_t spsSel, bool sinc3) {
    const double groupMs = groupSamples * static_cast<double>(SamplePeriod(spsSel, sinc3));
    return std::clamp(static_cast<int>(groupMs), 1, kMaxMeasuringIdleMs);
}

QString Decimal(double value, int decimals) {
    return QString::fromStdString(FormatDecimal(value, decimals));
}
} // namespace

// --- Start and stop --------------------------------------------------------------------------

void TFormMain::MeasureStartBtnClick() {
    if (initializing_) {
        // The click came through the event servicing inside InitUnit's wait for a reply. The
        // transport is in the middle of a command, so nothing is sent now; the start ends
        // after the current step.
        stopRequested_ = true;
        return;
    }
    if (MeasureStartBtn->text() == kStartCaption) {
        StartMeasurement();
    } else {
        StopMeasurement();
        myStatus->ShowMeasureStopped();
    }
}

void TFormMain::MenuMeasureStartClick() {
    StartMeasurement();
}

void TFormMain::StartMeasurement() {
    if (!ADUnit || !acquisition_ || !myStatus || !Graph() || fMeasuring || initializing_) {
        return;
    }
    SetMeasuringControls();
    myStatus->ClearPanels();
    // acqSetting describes the block on screen until a new acquisition is under way: a start
    // that fails leaves that block, and its rate, filter and channel, as they were.
    const ADUnitSetting setting = unitSetting;

    stopRequested_ = false;
    initializing_ = true;
    const bool ready = InitUnit(setting);
    initializing_ = false;
    if (!ready) {
        SetIdleControls();
        if (stopRequested_) {
            myStatus->ShowMeasureStopped();
        }
        stopRequested_ = false;
        if (closePending_) {
            closePending_ = false;
            close();
        }
        return;
    }

    receivedCount = 0;
    Graph()->ClearGraphs();
    Graph()->PaintGraphs();
    ClearPeakReadouts();
    ClearRMS();

    const AcqStatus started =
        acquisition_->Start(setting, graphSetting.DataCountMax, curCodes.data());
    chunkSize = acquisition_->ChunkSize();
    measuringIdleMs_ = MeasuringIdleMs(chunkSize, setting.spsSel, setting.sinc3);
    if (started == AcqStatus::Ok) {
        acqSetting = setting;
        fMeasuring = true;
        fDataExist = false;
        fDataSaved = false;
        measureSetting.StartDateTime =
            Utf8ToSjis(QDateTime::currentDateTime()
                           .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
                           .toStdString());
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

bool TFormMain::InitAbandoned() {
    return stopRequested_;
}

bool TFormMain::InitUnit(const ADUnitSetting& setting) {
    switch (acquisition_->Prepare(setting, [this] { return InitAbandoned(); })) {
    case AcqStatus::Ok:
        myStatus->ShowUnitInfo(QString::fromLatin1(acquisition_->ModelName()),
                               QString::fromLatin1(acquisition_->Version()),
                               QString::fromLatin1(acquisition_->RateText()));
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

void TFormMain::PollAcquisition() {
    for (int i = 0; i < kGroupsPerPass && TakeReadGroup(); ++i) {
    }
}

bool TFormMain::TakeReadGroup() {
    if (!acquisition_ || receivedCount >= graphSetting.DataCountMax) {
        return false;
    }
    switch (acquisition_->Step()) {
    case AcqStep::Waiting:
        return false;
    case AcqStep::ReadError:
    case AcqStep::Stalled:
        progress_->Cancel();
        myStatus->ShowMeasureError();
        fMeasuring = false;
        curBlock.count = 0;
        SetIdleControls();
        return false;
    case AcqStep::Progress:
        receivedCount = acquisition_->Received();
        progress_->Report(receivedCount, acquisition_->LastCode());
        return true;
    case AcqStep::Complete:
        receivedCount = acquisition_->Received();
        FinishMeasurement();
        return false;
    }
    return false;
}

void TFormMain::FinishMeasurement() {
    StopMeasurement();
    fDataExist = true;
    fDataSaved = false;
    fMeasuring = false;
    curBlock.count = graphSetting.DataCountMax;
    curBlock.spsSel = acqSetting.spsSel;
    curBlock.sinc3 = acqSetting.sinc3;

    if (!TAcquisition::ClipFree(curBlock.codes, curBlock.count) ||
        !ConvertBlock(curBlock, SamplePeriod(acqSetting.spsSel, acqSetting.sinc3))) {
        if (ADUnit) {
            ADUnit->StopAcquisition();
        }
        fMeasuring = false;
        fDataExist = false;
        curBlock.count = 0;
        SetIdleControls();
        myStatus->ShowLevelError();
        myMessage->MsgLevelError();
        return;
    }
    myFFT->ComputeSpectrum(curBlock);
    RedrawGraphs();
    ShowPeak();
    ShowRMS();
    meanCode = CodeMean(curBlock);
    stdDevCode = CodeStdDev(curBlock);
    AutoSaveData();
    ShowMeasureInfo();
    myStatus->ShowMeasureEnd();
    ShowStatistics();
    fInfoShown = false;
    SetIdleControls();
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
    if (acquisition_) {
        acquisition_->Stop();
    }
    fMeasuring = false;
    SetIdleControls();
}

// --- Display of a block ----------------------------------------------------------------------

void TFormMain::RedrawGraphs() {
    graphs_->DrawBlocks(fDataExist, fRefExist);
}

void TFormMain::ShowPeak() {
    if (!fDataExist || !Graph()) {
        return;
    }
    Graph()->ShowLargestPeak(curBlock, peakReadouts, LabelPeakVolt);
    LabelPeakVolt->adjustSize();
    LabelPeakdB->setText(graphSetting.fAbsoGraph ? QStringLiteral("dBV") : QStringLiteral("dB"));
    LabelPeakdB->adjustSize();
}

void TFormMain::ShowRMS() {
    rmsVolt = SpectrumRMS(curBlock);
    // The single-precision value is compared with the double constants, as the thresholds are
    // written: the float nearest 0.1 lies above 0.1 and reads "0.100 Vrms".
    const double v = rmsVolt;
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
    if (fDataExist) {
        const float df = DeltaF(SamplePeriod(acqSetting.spsSel, acqSetting.sinc3), curBlock.count);
        text = QStringLiteral("Δｆ= ") + Decimal(df, 3) + QStringLiteral("Hz");
        text += graphSetting.fAbsoGraph ? QStringLiteral(" / 絶対値[dBV] 表示")
                                        : QStringLiteral(" / 相対値[dB] 表示");
        switch (graphSetting.whichWindowFunc) {
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
        if (graphSetting.whichWindowFunc >= WinHanning &&
            graphSetting.whichWindowFunc <= WinFlatTop && graphSetting.fWinFuncAdjust) {
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
    if (graphSetting.fSig_Volt) {
        const auto maxUv = static_cast<float>(FFTGraph::CodeToMicrovolts(Graph()->CodeMax()));
        const auto minUv = static_cast<float>(FFTGraph::CodeToMicrovolts(Graph()->CodeMin()));
        const auto devUv = static_cast<float>(FFTGraph::CodesToMicrovolts(stdDevCode));
        myStatus->ShowVoltStatistics(maxUv, minUv, devUv);
    } else {
        const int32_t maxCode = Graph()->CodeMax();
        const int32_t minCode = Graph()->CodeMin();
        myStatus->ShowCodeStatistics(maxCode, minCode, stdDevCode);
    }
}

// --- Saving ------------------------------------------------------------------------------------

TFormMain::DataSaveResult TFormMain::WriteMeasuredData() {
    if (!ZF_File) {
        return DataSaveResult::Failed;
    }
    FileError detail;
    if (!ZF_File->WriteDataFile(ZF_File::kDataHeader, acqSetting, curBlock, graphSetting,
                                measureSetting, &detail)) {
        return DataSaveResult::Failed;
    }
    return detail.declined ? DataSaveResult::Declined : DataSaveResult::Saved;
}

void TFormMain::AdoptDataSaveResult(DataSaveResult result) {
    switch (result) {
    case DataSaveResult::Saved:
        fDataSaved = true;
        ShowFileNameInCaption();
        break;
    case DataSaveResult::Failed:
        fDataSaved = false;
        myMessage->MsgDataSaveError();
        break;
    case DataSaveResult::Declined:
        break;
    }
}

void TFormMain::AutoSaveData() {
    if (!measureSetting.fSaveDataFile || measureSetting.DataFilePath.empty()) {
        return;
    }
    acqSetting.sinc3 = curBlock.sinc3;
    AdoptDataSaveResult(WriteMeasuredData());
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

// The two settings commands of the main window: measurement/display settings and AD unit
// settings.
#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "app/Mystatus.h"
#include "app/Tavrin_main.h"
#include "common/RateTables.h"
#include "dialogs/Amp_setting.h"
#include "dialogs/Fft_setting.h"

void TFormMain::MenuDispSettingClick() {
    if (!FormFFTSetting) {
        return;
    }
    GraphSetting work = graphSetting;
    MeasureSetting measureWork = measureSetting;
    FormFFTSetting->Setup(work, measureWork, dialogCancelled);
    FormFFTSetting->exec();
    if (dialogCancelled) {
        return;
    }
    // Unsaved data of the old length is dropped (the next start takes the new count); saved
    // data stays, since it can be loaded again. Keeping the data keeps the old settings too.
    const bool dropData =
        work.DataCountSel != graphSetting.DataCountSel && fDataExist && !fDataSaved;
    if (dropData && !MayDiscardMeasuredData()) {
        return;
    }
    measureSetting = measureWork;
    if (dropData) {
        fDataExist = false;
        fDataSaved = false;
        curBlock.count = 0;
        // Read-outs and statistics of a block that is gone would describe nothing on screen
        // (as when a new data file is begun).
        ClearPeakReadouts();
        ClearRMS();
        ClearResultPanels();
    }
    const bool fftChanged = work.fWinFuncAdjust != graphSetting.fWinFuncAdjust ||
                            work.fDCCut_FFT != graphSetting.fDCCut_FFT ||
                            work.whichWindowFunc != graphSetting.whichWindowFunc;
    graphSetting = work;
    UpdateCaption(true);
    graphs_->Relayout();
    if (!fDataExist && !fRefExist) {
        if (Graph()) {
            Graph()->PaintGraphs();
        }
        return;
    }
    if (fftChanged && myFFT) {
        if (fDataExist) {
            ConvertBlock(curBlock, SamplePeriod(acqSetting.spsSel, acqSetting.sinc3));
            myFFT->ComputeSpectrum(curBlock);
        }
        if (fRefExist) {
            ConvertBlock(refBlock, SamplePeriod(refADSetting.spsSel, refADSetting.sinc3));
            myFFT->ComputeSpectrum(refBlock);
        }
    }
    RedrawGraphs();
    if (fftChanged && fDataExist) {
        ShowPeak();
        ShowRMS();
    }
    ShowMeasureInfo();
}

void TFormMain::MenuADUnitSettingClick() {
    if (!FormAmpSetting) {
        return;
    }
    // The dialog edits unitSetting in place; the next start takes it over.
    FormAmpSetting->Setup(unitSetting, dialogCancelled);
    FormAmpSetting->exec();
    activateWindow();
}

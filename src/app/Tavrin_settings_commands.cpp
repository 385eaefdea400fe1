// The two settings commands of the main window: measurement/display settings and AD unit
// settings.
#include "app/Mystatus.h"
#include "app/Tavrin_main.h"
#include "common/RateTables.h"
#include "dialogs/Amp_setting.h"
#include "dialogs/Fft_setting.h"

void TFormMain::MenuDispSettingClick() {
    if (!FormFFTSetting) {
        return;
    }
    GraphSetting work = document_.graphSetting;
    MeasureSetting measureWork = document_.measureSetting;
    FormFFTSetting->Setup(work, measureWork, dialogCancelled);
    FormFFTSetting->exec();
    if (dialogCancelled) {
        return;
    }
    // Unsaved data of the old length is dropped (the next start takes the new count); saved
    // data stays, since it can be loaded again. Keeping the data keeps the old settings too.
    const bool dropData = work.DataCountSel != document_.graphSetting.DataCountSel &&
                          document_.fDataExist && !document_.fDataSaved;
    if (dropData && !MayDiscardMeasuredData()) {
        return;
    }
    document_.measureSetting = measureWork;
    if (dropData) {
        document_.ClearBlock(BlockRole::Measured);
        document_.fDataSaved = false;
        MeasuredBlockChanged();
        // Read-outs and statistics of a block that is gone would describe nothing on screen
        // (as when a new data file is begun).
        ClearPeakReadouts();
        ClearRMS();
        ClearResultPanels();
    }
    const bool fftChanged = work.fWinFuncAdjust != document_.graphSetting.fWinFuncAdjust ||
                            work.fDCCut_FFT != document_.graphSetting.fDCCut_FFT ||
                            work.whichWindowFunc != document_.graphSetting.whichWindowFunc;
    document_.graphSetting = work;
    UpdateCaption(true);
    if (Graph()) {
        graphs_->Relayout();
    }
    if (!document_.fDataExist && !document_.fRefExist) {
        if (Graph()) {
            Graph()->PaintGraphs();
        }
        return;
    }
    if (fftChanged && document_.FFT()) {
        if (document_.fDataExist) {
            document_.Recompute(BlockRole::Measured);
        }
        if (document_.fRefExist) {
            document_.Recompute(BlockRole::Reference);
        }
    }
    RedrawGraphs();
    if (fftChanged && document_.fDataExist) {
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
    FormAmpSetting->Setup(document_.unitSetting, dialogCancelled);
    FormAmpSetting->exec();
    activateWindow();
}

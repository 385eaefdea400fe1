#include "common/Settings.h"

#include "common/SjisText.h"

void SetDataFilePath(MeasureSetting& measure, std::string_view nativePath) {
    measure.DataFilePath.assign(nativePath);
    measure.DataFileName = Utf8ToSjis(nativePath);
}

bool operator==(const GraphSetting& a, const GraphSetting& b) {
    return a.fWaveGraph == b.fWaveGraph && a.fSig_Volt == b.fSig_Volt &&
           a.fWinFuncAdjust == b.fWinFuncAdjust && a.fDCCut_FFT == b.fDCCut_FFT &&
           a.fDCCut_SigGraph == b.fDCCut_SigGraph && a.fLogGraph == b.fLogGraph &&
           a.fAbsoGraph == b.fAbsoGraph && a.index_FreqS == b.index_FreqS &&
           a.index_FreqE == b.index_FreqE && a.index_dB_max == b.index_dB_max &&
           a.index_dB_min == b.index_dB_min && a.whichWindowFunc == b.whichWindowFunc &&
           a.PenColorGraph == b.PenColorGraph && a.PenColorMainAxis == b.PenColorMainAxis &&
           a.PenColorSubAxis == b.PenColorSubAxis && a.PenColorRefGraph == b.PenColorRefGraph &&
           a.DataCountSel == b.DataCountSel && a.DataCountMax == b.DataCountMax;
}

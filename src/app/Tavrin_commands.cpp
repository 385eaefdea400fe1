// Commands of the main window. The file, print and dialog commands are filled in as those parts
// are wired; until then each does nothing. The start/stop commands are in Tavrin_measure.cpp.
#include "app/Tavrin_main.h"
#include "graph/TPaintBox.h"

void TFormMain::MenuFileNewClick() {}
void TFormMain::MenuDataLoadClick() {}
void TFormMain::MenuDataSaveClick() {}
void TFormMain::MenuTextSaveClick() {}
void TFormMain::MenuOpenSettingFileClick() {}
void TFormMain::MenuSaveSettingFileClick() {}
void TFormMain::MenuRefLoadFileClick() {}
void TFormMain::MenuRefClearClick() {}
void TFormMain::MenuHelpVersionClick() {}

// --- Peak cursor and status bar ----------------------------------------------------------------

void TFormMain::PeakFwdBtnClick() {
    if (fDataExist && FFTGraph) {
        FFTGraph->PeakForward(curBlock, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::PeakBackBtnClick() {
    if (fDataExist && FFTGraph) {
        FFTGraph->PeakBack(curBlock, peakReadouts, LabelPeakVolt);
        LabelPeakVolt->adjustSize();
    }
}

void TFormMain::PaintBox1MouseDown(int x) {
    if (!fDataExist || curBlock.count == 0 || !FFTGraph) {
        return;
    }
    const int bin = FFTGraph->BinAtX(PaintBox1->width(), x);
    if (bin >= 0 && bin < curBlock.count / 2) {
        FFTGraph->ShowBin(bin, peakReadouts, LabelPeakVolt);
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

// Commands of the main window and the measurement controller's entry points. The controller and
// the file, print, dialog and peak cursor commands are filled in as those parts are wired; until
// then each command does nothing.
#include "app/Tavrin_main.h"

void TFormMain::MeasureStartBtnClick() {}
void TFormMain::MenuMeasureStartClick() {}
void TFormMain::MenuFileNewClick() {}
void TFormMain::MenuFilePrintSettingClick() {}
void TFormMain::MenuFilePrintClick() {}
void TFormMain::MenuDataLoadClick() {}
void TFormMain::MenuDataSaveClick() {}
void TFormMain::MenuTextSaveClick() {}
void TFormMain::MenuDispSettingClick() {}
void TFormMain::MenuADUnitSettingClick() {}
void TFormMain::MenuOpenSettingFileClick() {}
void TFormMain::MenuSaveSettingFileClick() {}
void TFormMain::MenuRefLoadFileClick() {}
void TFormMain::MenuRefClearClick() {}
void TFormMain::MenuHelpVersionClick() {}
void TFormMain::PeakFwdBtnClick() {}
void TFormMain::PeakBackBtnClick() {}
void TFormMain::StatusBar1Click() {}
void TFormMain::PaintBox1MouseDown(int /*x*/) {}

void TFormMain::PollAcquisition() {}

void TFormMain::StopMeasurement() {
    fMeasuring = false;
}

void TFormMain::RedrawGraphs() {
    if (!FFTGraph || !(fDataExist || fRefExist)) {
        return;
    }
    // The waveform's axis labels follow the waveform just drawn.
    const bool wave = graphSetting.fWaveGraph;
    if (fDataExist && fRefExist) {
        FFTGraph->DrawSpectrumWithRef();
        if (wave) {
            FFTGraph->DrawWaveformWithRef();
        }
    } else {
        const auto which = fDataExist ? FFTGraph::Which::Measured : FFTGraph::Which::Reference;
        FFTGraph->DrawSpectrum(which);
        if (wave) {
            FFTGraph->DrawWaveform(which);
        }
    }
    if (wave) {
        FFTGraph->UpdateAxisLabels();
        FFTGraph->PlaceControls();
    }
}

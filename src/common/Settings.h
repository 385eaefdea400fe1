// Settings records shared by every part of Tavrin. Field names are the keys of the settings
// file (without their colon); defaults are those a fresh installation starts with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Texts in these records hold the bytes exactly as they stand in a settings or data file
// (Shift-JIS on disk), so that files round-trip byte for byte. Convert with SjisToUtf8 /
// Utf8ToSjis where a text meets the user interface; file operations use native paths only.
struct ADUnitSetting {
    int32_t spsSel = 16; // output data rate index 0..16
    bool sinc3 = false;  // true: Sinc3 filter, false: Sinc5+Sinc1
    int32_t ch_sel = 0;  // input channel 0 = CH0, 1 = CH1
};

struct MeasureSetting {
    bool fSaveDataFile = false;
    std::string DataFileName;  // Shift-JIS bytes, as the "DataFileName:" line carries them
    std::string StartDateTime; // Shift-JIS bytes
    // The native (UTF-8) path that file operations open; never written into a file. Shift-JIS
    // cannot hold every file name (U+301C, U+2212, accented letters), so the path the user chose
    // is kept as it is and DataFileName is only its text for the files. Set both together with
    // SetDataFilePath; readers set it from the file's text.
    std::string DataFilePath;
};

// Names the file of a measurement: the native path as given, and its Shift-JIS text for the
// "DataFileName:" line. That line is the name as the Windows program would show it: a
// character with a Shift-JIS look-alike takes it (U+301C wave dash and U+2212 minus become
// the full-width forms), every other character without a Shift-JIS form becomes "?" (which
// no Windows name can hold, so the loss stays visible). The file itself is always the path.
void SetDataFilePath(MeasureSetting& measure, std::string_view nativePath);

struct GraphSetting {
    bool fWaveGraph = true;
    bool fSig_Volt = false;
    bool fWinFuncAdjust = false;
    bool fDCCut_FFT = true;
    bool fDCCut_SigGraph = false;
    bool fLogGraph = true;
    bool fAbsoGraph = true;
    int32_t index_FreqS = 0;
    int32_t index_FreqE = 18;
    int32_t index_dB_max = 2;
    int32_t index_dB_min = 10;
    int32_t whichWindowFunc = 1;        // 0 rectangular, 1 Hanning, 2 Hamming, 3 flat-top
    int32_t PenColorGraph = 255;        // 0x00BBGGRR
    int32_t PenColorMainAxis = 8421504; // 0x00BBGGRR
    int32_t PenColorSubAxis = 12632256; // 0x00BBGGRR
    int32_t PenColorRefGraph = 8421504; // 0x00BBGGRR
    int32_t DataCountSel = 8;
    int32_t DataCountMax = 262144;
};

// Window function choices of GraphSetting::whichWindowFunc.
enum WindowFunc : int32_t { WinRectangular = 0, WinHanning = 1, WinHamming = 2, WinFlatTop = 3 };

// Sample counts a measurement may collect, by GraphSetting::DataCountSel.
inline constexpr int32_t kDataCountList[9] = {1024,  2048,  4096,   8192,  16384,
                                              32768, 65536, 131072, 262144};
inline constexpr int32_t kMinDataCount = 1024;
inline constexpr int32_t kMaxDataCount = 262144;

// The AD part of the defaults, as the main window sets it whenever it needs default settings.
inline void SetDefaultADSetting(ADUnitSetting& ad) {
    ad = ADUnitSetting{};
}
inline void SetDefaultGraphSetting(GraphSetting& g) {
    g = GraphSetting{};
}
inline void SetDefaultMeasureSetting(MeasureSetting& m) {
    m = MeasureSetting{};
}

inline bool operator==(const ADUnitSetting& a, const ADUnitSetting& b) {
    return a.spsSel == b.spsSel && a.sinc3 == b.sinc3 && a.ch_sel == b.ch_sel;
}
inline bool operator==(const MeasureSetting& a, const MeasureSetting& b) {
    return a.fSaveDataFile == b.fSaveDataFile && a.DataFileName == b.DataFileName &&
           a.StartDateTime == b.StartDateTime;
}
bool operator==(const GraphSetting& a, const GraphSetting& b);

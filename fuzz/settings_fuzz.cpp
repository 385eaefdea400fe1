#include <cstdlib>

#include "FuzzInput.h"
#include "files/ZF_File.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ZF_File zf;
    if (!WriteFuzzFile(data, size)) {
        return 0;
    }
    GraphSetting g;
    g.PenColorGraph = 12345; // a value no file key can reach unread
    MeasureSetting m;
    ADUnitSetting a;
    const GraphSetting g0 = g;
    const MeasureSetting m0 = m;
    const ADUnitSetting a0 = a;
    FileError e;
    if (zf.ReadSettingFile(FuzzFileName(), "Tavrinini", g, m, a, &e)) {
        // Whatever was accepted obeys the reader's rules. The end frequency is checked only
        // against a start read before it, so a later start line may reach or pass it; the
        // graphs draw such settings safely.
        if (a.spsSel < 0 || a.spsSel > 16 || a.ch_sel < 0 || a.ch_sel > 1 || g.index_FreqS < 0 ||
            g.index_FreqS > 15 || g.index_FreqE < 6 || g.index_FreqE > 19 ||
            g.whichWindowFunc < 0 || g.whichWindowFunc > 3 || g.DataCountSel < 0 ||
            g.DataCountSel > 8 || g.DataCountMax < 1024 || g.DataCountMax > 262144) {
            std::abort();
        }
    } else if (!(g == g0) || !(m == m0) || !(a == a0) || e.reason.empty()) {
        std::abort(); // a rejected file must change nothing and say why
    }
    return 0;
}

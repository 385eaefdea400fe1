#include "cli/BlockSeries.h"

#include "common/RateTables.h"

namespace {

struct WindowNames {
    int32_t window;
    const char* name;
    const char* alias;
};

constexpr WindowNames kWindows[] = {{WinRectangular, "rect", "rectangular"},
                                    {WinHanning, "hanning", "hann"},
                                    {WinHamming, "hamming", nullptr},
                                    {WinFlatTop, "flattop", "flat-top"}};

const char* FilterName(bool sinc3) {
    return sinc3 ? "Sinc3" : "Sinc5+Sinc1";
}

const char* OnOff(bool on) {
    return on ? "on" : "off";
}

void Differs(std::string& out, const std::string& what, const std::string& other,
             const std::string& first) {
    if (other == first) {
        return;
    }
    out += (out.empty() ? "" : ", ") + what + other + ", not " + first;
}

} // namespace

std::optional<int32_t> WindowByName(const std::string& name) {
    for (const WindowNames& w : kWindows) {
        if (name == w.name || (w.alias != nullptr && name == w.alias)) {
            return w.window;
        }
    }
    return std::nullopt;
}

const char* WindowName(int32_t window) {
    for (const WindowNames& w : kWindows) {
        if (w.window == window) {
            return w.name;
        }
    }
    return kWindows[0].name; // the spectrum treats any other value as no window
}

SeriesSettings MeasuredSeriesSettings(const MeasurementDocument& document) {
    const GraphSetting& g = document.graphSetting;
    const SampleBlock& b = document.curBlock;
    return {b.count, b.spsSel, b.sinc3, g.fDCCut_FFT, g.whichWindowFunc, g.fWinFuncAdjust};
}

std::string SeriesDifference(const SeriesSettings& first, const SeriesSettings& other,
                             bool fftOptions) {
    std::string out;
    if (other.count != first.count) {
        out = std::to_string(other.count) + " samples, not " + std::to_string(first.count);
    }
    // The rate texts of the two filters differ at a few rates; the index is what counts.
    if (other.spsSel != first.spsSel) {
        out += (out.empty() ? "" : ", ") + std::string("rate ") +
               RateText(other.spsSel, other.sinc3) + ", not " + RateText(first.spsSel, first.sinc3);
    }
    Differs(out, "filter ", FilterName(other.sinc3), FilterName(first.sinc3));
    if (fftOptions) {
        Differs(out, "DC cut ", OnOff(other.dcCut), OnOff(first.dcCut));
        Differs(out, "window ", WindowName(other.window), WindowName(first.window));
        Differs(out, "window correction ", OnOff(other.adjust), OnOff(first.adjust));
    }
    return out;
}

bool AddMeasuredSpectrum(MeasurementDocument& document, SpectrumAverage& average,
                         AverageMode mode) {
    const int32_t bins = document.curBlock.count / 2;
    if (average.Added() == 0 && !average.Start(mode, bins)) {
        return false;
    }
    if (average.Bins() != bins) {
        return false; // the series' settings were checked; a block of another length is none
    }
    average.AddAmplitudes(document.curBlock.spectrum);
    return true;
}

void UseAverageAsSpectrum(MeasurementDocument& document, const SpectrumAverage& average) {
    average.Amplitudes(document.curBlock.spectrum);
    document.curBlock.averaging = average.Averaging();
}

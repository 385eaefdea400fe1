#include "analysis/FiguresReport.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "common/Json.h"

namespace {

using namespace FigureFormat;

std::string Number(double v, const char* format) {
    return FigureNumber(v, format);
}

// Every digit a double holds; `notFinite` stands for an infinity or NaN (JSON has neither).
std::string Exact(double v, const char* notFinite) {
    if (!std::isfinite(v)) {
        return notFinite;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

std::string Line(const char* label, const std::string& value) {
    char head[40];
    std::snprintf(head, sizeof head, "  %-23s", label);
    return head + value + "\n";
}

// One figure of the JSON object and the CSV in their order; `dynamic` ones apply to a sine only.
struct Figure {
    const char* key;
    double value;
    const char* unit;
    bool dynamic;
};

std::vector<Figure> DynamicFigures(const ConverterFigures& f) {
    return {{"fundamental_hz", f.fundamentalHz, "Hz", true},
            {"fundamental_vrms", f.fundamentalVrms, "Vrms", true},
            {"snr_db", f.snrDb, "dB", true},
            {"thd_db", f.thdDb, "dBc", true},
            {"sinad_db", f.sinadDb, "dB", true},
            {"sfdr_db", f.sfdrDb, "dB", true},
            {"enob_bits", f.enobBits, "bits", true},
            {"enob_fs_bits", f.enobFsBits, "bits", true},
            {"noise_uvrms", f.noiseUvrms, "uVrms", true},
            {"noise_density_nv_rthz", f.noiseDensityNvRtHz, "nV/rtHz", true}};
}

std::vector<Figure> CodeFigures(const ConverterFigures& f) {
    return {{"rms_noise_codes", f.rmsNoiseCodes, "codes", false},
            {"pp_codes", f.ppCodes, "codes", false},
            {"rms_noise_uv", f.rmsNoiseUv, "uV", false},
            {"pp_uv", f.ppUv, "uV", false},
            {"effective_resolution_bits", f.effectiveResolutionBits, "bits", false},
            {"noise_free_resolution_bits", f.noiseFreeResolutionBits, "bits", false}};
}

} // namespace

std::string FigureNumber(double v, const char* format) {
    if (!std::isfinite(v)) {
        return "n/a";
    }
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

double FundamentalDbv(const ConverterFigures& f) {
    return 20.0 * std::log10(f.fundamentalVrms);
}

std::string FiguresTable(std::string_view name, const ConverterFigures& f) {
    std::string out = std::string(name) + ": " + std::to_string(f.count) + " samples\n";
    if (f.averagedBlocks > 1) {
        // The dynamic figures are of the blocks' mean power spectrum, the code figures not.
        out += Line("averaged blocks", std::to_string(f.averagedBlocks) +
                                           " (mean power spectrum; codes of the last block)");
    }
    if (f.dynamicApplies) {
        out += Line("fundamental", Number(f.fundamentalHz, kHz) + " Hz, " +
                                       Number(f.fundamentalVrms, kVrms) + " Vrms (" +
                                       Number(FundamentalDbv(f), kDb) + " dBV)");
        out += Line("SNR", Number(f.snrDb, kDb) + " dB");
        out += Line("THD", Number(f.thdDb, kDb) + " dBc");
        out += Line("SINAD", Number(f.sinadDb, kDb) + " dB");
        out += Line("SFDR", Number(f.sfdrDb, kDb) + " dB");
        out += Line("ENOB", Number(f.enobBits, kBits) + " bits");
        out += Line("ENOB full scale", Number(f.enobFsBits, kBits) + " bits");
        out += Line("noise", Number(f.noiseUvrms, kNoiseUvrms) + " uVrms");
        out += Line("noise density", Number(f.noiseDensityNvRtHz, kDensity) + " nV/rtHz");
        for (int32_t i = 0; i < f.harmonicCount; ++i) {
            const HarmonicFigure& h = f.harmonics[i];
            // One column left of the other values, as the table has always printed them.
            char label[40];
            std::snprintf(label, sizeof label, "  harmonic %-2d           ", h.order);
            out += label + Number(h.hz, kHz) + " Hz, " + Number(h.dbc, kDb) + " dBc\n";
        }
    } else {
        out += Line("dynamic figures", "do not apply (no line 10 dB above the noise)");
    }
    // These describe the noise only when the input was shorted; for a sine they are its spread.
    out += "  codes (noise of a shorted input):\n";
    out += Line("RMS noise", Number(f.rmsNoiseCodes, kCodes) + " codes, " +
                                 Number(f.rmsNoiseUv, kCodeUv) + " uV");
    out += Line("peak-to-peak noise",
                Number(f.ppCodes, kWholeCodes) + " codes, " + Number(f.ppUv, kCodeUv) + " uV");
    out += Line("effective resolution", Number(f.effectiveResolutionBits, kBits) + " bits");
    out += Line("noise-free resolution", Number(f.noiseFreeResolutionBits, kBits) + " bits");
    return out;
}

std::string FiguresJson(std::string_view name, const ConverterFigures& f) {
    const bool d = f.dynamicApplies;
    std::string out =
        "{" + JsonNameMembers("file", name, ": ") + ", \"count\": " + std::to_string(f.count);
    if (f.averagedBlocks > 1) {
        out += ", \"averaged_blocks\": " + std::to_string(f.averagedBlocks);
    }
    for (const Figure& g : DynamicFigures(f)) {
        out += std::string(", \"") + g.key + "\": " + (d ? Exact(g.value, "null") : "null");
    }
    out += ", \"harmonics\": ";
    if (!d) {
        out += "null";
    } else {
        out += "[";
        for (int32_t i = 0; i < f.harmonicCount; ++i) {
            out += (i ? ", " : "");
            out += "{\"order\": " + std::to_string(f.harmonics[i].order) +
                   ", \"hz\": " + Exact(f.harmonics[i].hz, "null") +
                   ", \"dbc\": " + Exact(f.harmonics[i].dbc, "null") + "}";
        }
        out += "]";
    }
    for (const Figure& g : CodeFigures(f)) {
        out += std::string(", \"") + g.key + "\": " + Exact(g.value, "null");
    }
    return out + "}";
}

std::string FiguresCsv(std::string_view name, const ConverterFigures& f) {
    const bool d = f.dynamicApplies;
    // A name with a comma, quote or line end is quoted, its quotes doubled.
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    quoted += "\"";
    std::string out = "name,value,unit\r\nfile," + quoted + ",\r\n";
    out += "count," + std::to_string(f.count) + ",samples\r\n";
    if (f.averagedBlocks > 1) {
        out += "averaged_blocks," + std::to_string(f.averagedBlocks) + ",blocks\r\n";
    }
    auto row = [&out](const std::string& key, const std::string& value, const char* unit) {
        out += key + "," + value + "," + unit + "\r\n";
    };
    for (const Figure& g : DynamicFigures(f)) {
        row(g.key, d ? Exact(g.value, "") : "", g.unit);
    }
    for (int32_t i = 0; d && i < f.harmonicCount; ++i) {
        const std::string key = "harmonic_" + std::to_string(f.harmonics[i].order);
        row(key + "_hz", Exact(f.harmonics[i].hz, ""), "Hz");
        row(key + "_dbc", Exact(f.harmonics[i].dbc, ""), "dBc");
    }
    for (const Figure& g : CodeFigures(f)) {
        row(g.key, Exact(g.value, ""), g.unit);
    }
    return out;
}

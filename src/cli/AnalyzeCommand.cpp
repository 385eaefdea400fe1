// tavrin-cli analyze: the converter test figures of stored measurements. Each file is loaded
// the way the program's data-load command does (volts and step recomputed from the codes and
// the A section) and analysed with ConverterAnalyzer.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/RateTables.h"
#include "analysis/ConverterFigures.h"
#include "analysis/SampleConversion.h"
#include "cli/Cli.h"
#include "cli/Json.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"

namespace {

constexpr const char* kAnalyzeUsage =
    "Usage: tavrin-cli analyze IN.DTA... [--json] [--harmonics K]\n"
    "Converter test figures of stored measurements. For a sine input: fundamental, SNR, THD,\n"
    "SINAD, SFDR, ENOB, noise and the harmonics (7-term Blackman-Harris window, tones 8 bins\n"
    "wide); for any input, a shorted one in particular: RMS and peak-to-peak noise of the codes\n"
    "with the effective and noise-free resolution. A block whose largest line is less than\n"
    "10 dB above the noise gets the noise figures only.\n"
    "\n"
    "Options:\n"
    "  --json            one JSON object per file (an array for several files)\n"
    "  --harmonics K     count the harmonics of order 2 to K (2..20, default 6)\n"
    "  -h, --help        this text\n"
    "Exit status: 0 every file analysed, 1 a file was rejected, 2 usage error.\n";

std::string Number(double v, const char* format) {
    if (!std::isfinite(v)) {
        return "n/a";
    }
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

// JSON has no infinities: a figure that is not finite is null.
std::string JsonNumber(double v) {
    if (!std::isfinite(v)) {
        return "null";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

void WriteTable(std::ostream& out, const std::string& file, const ConverterFigures& f) {
    out << file << ": " << f.count << " samples\n";
    if (f.dynamicApplies) {
        out << "  fundamental            " << Number(f.fundamentalHz, "%.4f") << " Hz, "
            << Number(f.fundamentalVrms, "%.7g") << " Vrms ("
            << Number(20.0 * std::log10(f.fundamentalVrms), "%.2f") << " dBV)\n"
            << "  SNR                    " << Number(f.snrDb, "%.2f") << " dB\n"
            << "  THD                    " << Number(f.thdDb, "%.2f") << " dBc\n"
            << "  SINAD                  " << Number(f.sinadDb, "%.2f") << " dB\n"
            << "  SFDR                   " << Number(f.sfdrDb, "%.2f") << " dB\n"
            << "  ENOB                   " << Number(f.enobBits, "%.2f") << " bits\n"
            << "  noise                  " << Number(f.noiseUvrms, "%.3f") << " uVrms\n";
        for (int32_t i = 0; i < f.harmonicCount; ++i) {
            const HarmonicFigure& h = f.harmonics[i];
            char label[32];
            std::snprintf(label, sizeof label, "  harmonic %-2d           ", h.order);
            out << label << Number(h.hz, "%.4f") << " Hz, " << Number(h.dbc, "%.2f") << " dBc\n";
        }
    } else {
        out << "  dynamic figures        do not apply (no line 10 dB above the noise)\n";
    }
    // These describe the noise only when the input was shorted; for a sine they are its spread.
    out << "  codes (noise of a shorted input):\n"
        << "  RMS noise              " << Number(f.rmsNoiseCodes, "%.3f") << " codes, "
        << Number(f.rmsNoiseUv, "%.4f") << " uV\n"
        << "  peak-to-peak noise     " << Number(f.ppCodes, "%.0f") << " codes, "
        << Number(f.ppUv, "%.4f") << " uV\n"
        << "  effective resolution   " << Number(f.effectiveResolutionBits, "%.2f") << " bits\n"
        << "  noise-free resolution  " << Number(f.noiseFreeResolutionBits, "%.2f") << " bits\n";
}

void WriteJson(std::ostream& out, const std::string& file, const ConverterFigures& f,
               const char* indent) {
    const bool d = f.dynamicApplies;
    const std::string null = "null";
    auto dyn = [&](double v) { return d ? JsonNumber(v) : null; };
    out << indent << "{" << JsonNameMembers("file", file, ": ") << ", \"count\": " << f.count
        << ", \"fundamental_hz\": " << dyn(f.fundamentalHz)
        << ", \"fundamental_vrms\": " << dyn(f.fundamentalVrms) << ", \"snr_db\": " << dyn(f.snrDb)
        << ", \"thd_db\": " << dyn(f.thdDb) << ", \"sinad_db\": " << dyn(f.sinadDb)
        << ", \"sfdr_db\": " << dyn(f.sfdrDb) << ", \"enob_bits\": " << dyn(f.enobBits)
        << ", \"noise_uvrms\": " << dyn(f.noiseUvrms) << ", \"harmonics\": ";
    if (!d) {
        out << "null";
    } else {
        out << "[";
        for (int32_t i = 0; i < f.harmonicCount; ++i) {
            out << (i ? ", " : "") << "{\"order\": " << f.harmonics[i].order
                << ", \"hz\": " << JsonNumber(f.harmonics[i].hz)
                << ", \"dbc\": " << JsonNumber(f.harmonics[i].dbc) << "}";
        }
        out << "]";
    }
    out << ", \"rms_noise_codes\": " << JsonNumber(f.rmsNoiseCodes)
        << ", \"pp_codes\": " << JsonNumber(f.ppCodes)
        << ", \"rms_noise_uv\": " << JsonNumber(f.rmsNoiseUv)
        << ", \"pp_uv\": " << JsonNumber(f.ppUv)
        << ", \"effective_resolution_bits\": " << JsonNumber(f.effectiveResolutionBits)
        << ", \"noise_free_resolution_bits\": " << JsonNumber(f.noiseFreeResolutionBits) << "}";
}

} // namespace

int AnalyzeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto usage = [&](const std::string& message) {
        err << "tavrin-cli analyze: " << message << "\n" << kAnalyzeUsage;
        return kExitUsage;
    };
    std::vector<std::string> files;
    bool json = false;
    int32_t highest = ConverterAnalyzer::kDefaultHarmonicOrder;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (endOfOptions || a.size() < 2 || a[0] != '-') {
            files.push_back(a);
        } else if (a == "--") {
            endOfOptions = true;
        } else if (a == "--help" || a == "-h") {
            out << kAnalyzeUsage;
            return kExitOk;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--harmonics" || a.rfind("--harmonics=", 0) == 0) {
            std::string v;
            if (a == "--harmonics") {
                if (i + 1 >= args.size()) {
                    return usage("option '--harmonics' needs a value");
                }
                v = args[++i];
            } else {
                v = a.substr(12);
            }
            char* end = nullptr;
            const long k = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || k < 2 || k > ConverterFigures::kMaxHarmonicOrder) {
                return usage("--harmonics wants an order from 2 to 20, not '" + v + "'");
            }
            highest = static_cast<int32_t>(k);
        } else {
            return usage("unknown option '" + a + "'");
        }
    }
    if (files.empty()) {
        return usage("no input file");
    }

    std::vector<int32_t> codes(MaxSamples);
    std::vector<float> volts(MaxSamples);
    ConverterAnalyzer analyzer;
    ZF_File zf;
    int rejected = 0;
    int written = 0;
    const bool array = json && files.size() > 1;
    if (array) {
        out << "[\n";
    }
    for (const std::string& name : files) {
        SampleBlock block;
        block.codes = codes.data();
        block.volts = volts.data();
        GraphSetting graph;
        MeasureSetting measure;
        ADUnitSetting ad;
        FileError e;
        if (!zf.ReadDataFile(name, ZF_File::kDataHeader, block, graph, measure, ad, &e)) {
            err << "tavrin-cli analyze: " << name << " rejected: "
                << (e.line > 0 ? "line " + std::to_string(e.line) + ": " : std::string())
                << SjisToUtf8(e.reason) << "\n";
            ++rejected;
            continue;
        }
        ConverterFigures figures;
        if (!ConvertBlock(block, SamplePeriod(ad.spsSel, ad.sinc3)) ||
            !analyzer.Analyze(block, highest, figures)) {
            err << "tavrin-cli analyze: cannot analyse the samples of " << name << "\n";
            ++rejected;
            continue;
        }
        if (json) {
            out << (written ? ",\n" : "");
            WriteJson(out, name, figures, array ? "  " : "");
        } else {
            out << (written ? "\n" : "");
            WriteTable(out, name, figures);
        }
        ++written;
    }
    if (array) {
        out << "\n]\n";
    } else if (json && written) {
        out << "\n";
    }
    return rejected == 0 ? kExitOk : kExitFailed;
}

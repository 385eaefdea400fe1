// tavrin-cli analyze: the converter test figures of stored measurements. Each file is loaded
// the way the program's data-load command does (volts and step recomputed from the codes and
// the A section) and analysed with ConverterAnalyzer.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/ConverterFigures.h"
#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "cli/Json.h"
#include "common/RateTables.h"

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

struct AnalyzeOptions {
    std::vector<std::string> files;
    bool json = false;
    int32_t highest = ConverterAnalyzer::kDefaultHarmonicOrder;
};

int Usage(std::ostream& err, const std::string& message) {
    err << "tavrin-cli analyze: " << message << "\n" << kAnalyzeUsage;
    return kExitUsage;
}

// The value of --harmonics: an order from 2 to 20.
int TakeHarmonics(const std::string& v, AnalyzeOptions& o, std::ostream& err) {
    char* end = nullptr;
    const long k = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || k < 2 || k > ConverterFigures::kMaxHarmonicOrder) {
        return Usage(err, "--harmonics wants an order from 2 to 20, not '" + v + "'");
    }
    o.highest = static_cast<int32_t>(k);
    return kExitOk;
}

// kExitOk when parsed (help sets `help`), kExitUsage (message written) otherwise.
int Parse(const std::vector<std::string>& args, AnalyzeOptions& o, bool& help, std::ostream& err) {
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        if (endOfOptions || a.size() < 2 || a[0] != '-') {
            o.files.push_back(a);
        } else if (a == "--") {
            endOfOptions = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
            return kExitOk;
        } else if (a == "--json") {
            o.json = true;
        } else if (TakeOptionValue(args, i, "--harmonics", v)) {
            if (const int r = TakeHarmonics(v, o, err); r != kExitOk) {
                return r;
            }
        } else if (a == "--harmonics") {
            return Usage(err, "option '--harmonics' needs a value");
        } else {
            return Usage(err, "unknown option '" + a + "'");
        }
    }
    if (o.files.empty()) {
        return Usage(err, "no input file");
    }
    return kExitOk;
}

// Loads one file as the window's data-load command does and analyses it; false (message
// written) when it was rejected.
bool AnalyzeFile(const std::string& name, MeasurementDocument& document,
                 ConverterAnalyzer& analyzer, int32_t highest, ConverterFigures& figures,
                 std::ostream& err) {
    std::string why;
    if (!LoadMeasuredData(name, document, why)) {
        err << "tavrin-cli analyze: " << why << "\n";
        return false;
    }
    if (!analyzer.Analyze(document.curBlock, highest, figures)) {
        err << "tavrin-cli analyze: cannot analyse the samples of " << name << "\n";
        return false;
    }
    return true;
}

} // namespace

int AnalyzeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    AnalyzeOptions o;
    bool help = false;
    if (const int r = Parse(args, o, help, err); r != kExitOk) {
        return r;
    }
    if (help) {
        out << kAnalyzeUsage;
        return kExitOk;
    }
    CommandDocument loaded("analyze", err);
    ConverterAnalyzer analyzer;
    int rejected = 0;
    int written = 0;
    const bool array = o.json && o.files.size() > 1;
    if (array) {
        out << "[\n";
    }
    for (const std::string& name : o.files) {
        ConverterFigures figures;
        if (!AnalyzeFile(name, loaded.document, analyzer, o.highest, figures, err)) {
            ++rejected;
            continue;
        }
        if (o.json) {
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
    } else if (o.json && written) {
        out << "\n";
    }
    return rejected == 0 ? kExitOk : kExitFailed;
}

// tavrin-cli analyze: the converter test figures of stored measurements. Each file is loaded
// the way the program's data-load command does (volts and step recomputed from the codes and
// the A section) and analysed with ConverterAnalyzer.
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/ConverterFigures.h"
#include "analysis/FiguresReport.h"
#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "common/RateTables.h"

namespace {

constexpr const char* kAnalyzeUsage =
    "Usage: tavrin-cli analyze IN.DTA... [--json] [--harmonics K]\n"
    "Converter test figures of stored measurements. For a sine input: fundamental, SNR, THD,\n"
    "SINAD, SFDR, ENOB, ENOB referred to full scale (2.5 V peak), noise, noise density and the\n"
    "harmonics (7-term Blackman-Harris window, tones 8 bins wide); for any input, a shorted\n"
    "one in particular: RMS and peak-to-peak noise of the codes with the effective and\n"
    "noise-free resolution. A block whose largest line is less than 10 dB above the noise gets\n"
    "the noise figures only.\n"
    "\n"
    "Options:\n"
    "  --json            one JSON object per file (an array for several files)\n"
    "  --harmonics K     count the harmonics of order 2 to K (2..20, default 6)\n"
    "  -h, --help        this text\n"
    "Exit status: 0 every file analysed, 1 a file was rejected, 2 usage error.\n";

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
            out << (array ? "  " : "") << FiguresJson(name, figures);
        } else {
            out << (written ? "\n" : "");
            out << FiguresTable(name, figures);
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

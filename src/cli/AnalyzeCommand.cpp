// tavrin-cli analyze: the converter test figures of stored measurements. Each file is loaded
// the way the program's data-load command does (volts and step recomputed from the codes and
// the A section) and analysed with ConverterAnalyzer; with --average all files give one result
// from their mean power spectrum.
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/ConverterFigures.h"
#include "analysis/FiguresReport.h"
#include "analysis/SpectrumAverage.h"
#include "cli/BlockSeries.h"
#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "common/RateTables.h"

namespace {

constexpr const char* kAnalyzeUsage =
    "Usage: tavrin-cli analyze IN.DTA... [--json] [--harmonics K] [--average]\n"
    "Converter test figures of stored measurements. For a sine input: fundamental, SNR, THD,\n"
    "SINAD, SFDR, ENOB, ENOB referred to full scale (2.5 V peak), noise, noise density and the\n"
    "harmonics (7-term Blackman-Harris window, tones 8 bins wide); for any input, a shorted\n"
    "one in particular: RMS and peak-to-peak noise of the codes with the effective and\n"
    "noise-free resolution. A block whose largest line is less than 10 dB above the noise gets\n"
    "the noise figures only.\n"
    "With --average the files give one result: the dynamic figures from the mean power\n"
    "spectrum of all of them, the code figures of the last, under the last file's name and\n"
    "with the number of blocks averaged. The files must have one sample count, rate and\n"
    "filter; the first that differs from the first file is named and nothing is printed.\n"
    "\n"
    "Options:\n"
    "  --average         one result for all files from their mean power spectrum\n"
    "  --json            one JSON object per file (an array for several files; one object\n"
    "                    with --average, with the key averaged_blocks for two files or more)\n"
    "  --harmonics K     count the harmonics of order 2 to K (2..20, default 6)\n"
    "  -h, --help        this text\n"
    "Exit status: 0 every file analysed, 1 a file was rejected (or, with --average, differs),\n"
    "2 usage error.\n";

struct AnalyzeOptions {
    std::vector<std::string> files;
    bool json = false;
    bool average = false;
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
        } else if (a == "--average") {
            o.average = true;
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

// The figures of every file from their mean power spectrum, the code figures of the last file;
// false (message written) when a file is rejected or differs from the first.
bool AnalyzeAverage(const AnalyzeOptions& o, MeasurementDocument& document,
                    ConverterFigures& figures, std::ostream& err) {
    ConverterAnalyzer analyzer;
    SpectrumAverage average;
    SeriesSettings first;
    for (const std::string& name : o.files) {
        std::string why;
        if (!LoadMeasuredData(name, document, why)) {
            err << "tavrin-cli analyze: " << why << "; nothing analysed\n";
            return false;
        }
        const SeriesSettings these = MeasuredSeriesSettings(document);
        if (average.Added() == 0) {
            first = these;
            // The analysis spectrum: bins 1 .. count/2 - 1.
            if (!average.Start(AverageMode::Power, these.count / 2 - 1)) {
                err << "tavrin-cli analyze: not enough memory to average the spectra\n";
                return false;
            }
        } else if (const std::string d = SeriesDifference(first, these, false); !d.empty()) {
            err << "tavrin-cli analyze: " << name << " differs from " << o.files.front() << " ("
                << d << "); nothing analysed\n";
            return false;
        }
        if (!analyzer.Analyze(document.curBlock, o.highest, figures, &average)) {
            err << "tavrin-cli analyze: cannot analyse the samples of " << name << "\n";
            return false;
        }
    }
    return true;
}

// The one result of --average, named by the last file.
int AverageCommand(const AnalyzeOptions& o, std::ostream& out, std::ostream& err) {
    CommandDocument loaded("analyze", err);
    ConverterFigures figures;
    if (!AnalyzeAverage(o, loaded.document, figures, err)) {
        return kExitFailed;
    }
    const std::string& name = o.files.back();
    out << (o.json ? FiguresJson(name, figures) + "\n" : FiguresTable(name, figures));
    return kExitOk;
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
    if (o.average) {
        return AverageCommand(o, out, err);
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

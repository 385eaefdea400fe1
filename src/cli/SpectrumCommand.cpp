// tavrin-cli spectrum: loads a data file the way the program's data-load command does (volts
// and step recomputed from the codes and the A section), computes the spectrum with the file's
// display settings or the options given, and writes the export the export command would. With
// --average the spectra of several files are combined bin by bin first.
#include <optional>
#include <vector>

#include "analysis/SpectrumAverage.h"
#include "cli/BlockSeries.h"
#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "common/RateTables.h"

namespace {

constexpr const char* kSpectrumUsage =
    "Usage: tavrin-cli spectrum IN.DTA -o OUT.FFT [options]\n"
    "       tavrin-cli spectrum IN.DTA... --average [--peak-hold] -o OUT.FFT [options]\n"
    "Exports the spectrum of a stored measurement as Tavrin's export command does. The FFT\n"
    "options come from the data file's display settings unless given here.\n"
    "With --average the spectra of all the files are combined bin by bin: the power average\n"
    "sqrt((1/K) sum s_i^2) of the K files, or with --peak-hold the largest value. The files\n"
    "must have one sample count, rate, filter and FFT options (those given here count for\n"
    "all); the first that differs from the first file is named and nothing is written. The\n"
    "export carries the last file's settings and, for two files or more, the comment line\n"
    "\"; power average of K blocks\" (or \"; peak hold of K blocks\") after its header.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.FFT                      export file to write (required)\n"
    "  --window rect|hanning|hamming|flattop     window function\n"
    "  --correct, --no-correct                   correct the window's amplitude loss or not\n"
    "  --dc-cut, --no-dc-cut                     remove the DC component before the FFT or not\n"
    "  --average                                 combine the spectra of every IN.DTA\n"
    "  --peak-hold                               with --average: the largest value per bin\n"
    "  --force                                   replace an existing OUT.FFT (never IN.DTA)\n"
    "  -h, --help                                this text\n"
    "  --                                        end of options (IN.DTA may start with '-')\n"
    "Exit status: 0 written, 1 a file rejected or differing or OUT.FFT not written, 2 usage.\n";

struct SpectrumOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::optional<int32_t> window;
    std::optional<bool> correct;
    std::optional<bool> dcCut;
    bool average = false;
    bool peakHold = false;
    bool force = false;
};

int Usage(std::ostream& err, const std::string& message) {
    err << "tavrin-cli spectrum: " << message << "\n" << kSpectrumUsage;
    return kExitUsage;
}

// One option at args[i]: true when taken; `problem` is set when it was refused.
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, SpectrumOptions& o,
                std::string& problem) {
    const std::string& a = args[i];
    std::string v;
    if (TakeOptionValue(args, i, "-o", v) || TakeOptionValue(args, i, "--output", v)) {
        if (!o.output.empty()) {
            problem = "more than one output file";
        }
        o.output = v;
    } else if (TakeOptionValue(args, i, "--window", v)) {
        o.window = WindowByName(v);
        if (!o.window) {
            problem = "unknown window '" + v + "'";
        }
    } else if (a == "--correct" || a == "--no-correct") {
        o.correct = a == "--correct";
    } else if (a == "--dc-cut" || a == "--no-dc-cut") {
        o.dcCut = a == "--dc-cut";
    } else if (a == "--average") {
        o.average = true;
    } else if (a == "--peak-hold") {
        o.peakHold = true;
    } else if (a == "--force") {
        o.force = true;
    } else if (a == "-o" || a == "--output" || a == "--window") {
        problem = "option '" + a + "' needs a value";
    } else if (a.size() > 1 && a[0] == '-') {
        problem = "unknown option '" + a + "'";
    } else {
        return false;
    }
    return true;
}

// Returns kExitOk when parsed, kExitUsage (message written) otherwise; help sets `help`.
int Parse(const std::vector<std::string>& args, SpectrumOptions& o, bool& help, std::ostream& err) {
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string problem;
        if (endOfOptions) {
            o.inputs.push_back(a); // "--" ends the options, as for check: "-x.DTA" is a file
        } else if (a == "--help" || a == "-h") {
            help = true;
            return kExitOk;
        } else if (a == "--") {
            endOfOptions = true;
        } else if (TakeOption(args, i, o, problem)) {
            if (!problem.empty()) {
                return Usage(err, problem);
            }
        } else {
            o.inputs.push_back(a);
        }
    }
    if (o.inputs.empty()) {
        return Usage(err, "no input file");
    }
    if (o.inputs.size() > 1 && !o.average) {
        return Usage(err, "more than one input file");
    }
    if (o.peakHold && !o.average) {
        return Usage(err, "--peak-hold goes with --average");
    }
    if (o.output.empty()) {
        return Usage(err, "no output file (-o OUT.FFT)");
    }
    return kExitOk;
}

// Loads one input with the options' FFT settings in place of the file's; false (message
// written) when it is rejected.
bool LoadInput(const std::string& input, const SpectrumOptions& o, MeasurementDocument& data,
               std::ostream& err) {
    std::string why;
    if (!LoadMeasuredData(input, data, why)) {
        err << "tavrin-cli spectrum: " << why << "\n";
        return false;
    }
    GraphSetting& graph = data.graphSetting;
    if (o.window) {
        graph.whichWindowFunc = *o.window;
    }
    if (o.correct) {
        graph.fWinFuncAdjust = *o.correct;
    }
    if (o.dcCut) {
        graph.fDCCut_FFT = *o.dcCut;
    }
    return true;
}

bool Compute(const std::string& input, MeasurementDocument& data, std::ostream& err) {
    if (!data.ComputeSpectrum(BlockRole::Measured)) {
        err << "tavrin-cli spectrum: cannot compute the spectrum of " << input << "\n";
        return false;
    }
    return true;
}

// Every input's spectrum into one average, left as the measured block's spectrum of the last
// input; false (message written) when an input is rejected or differs from the first.
bool AverageInputs(const SpectrumOptions& o, MeasurementDocument& data, std::ostream& err) {
    SpectrumAverage average;
    SeriesSettings first;
    for (const std::string& input : o.inputs) {
        if (!LoadInput(input, o, data, err)) {
            return false;
        }
        const SeriesSettings these = MeasuredSeriesSettings(data);
        if (average.Added() == 0) {
            first = these;
        } else if (const std::string d = SeriesDifference(first, these, true); !d.empty()) {
            err << "tavrin-cli spectrum: " << input << " differs from " << o.inputs.front() << " ("
                << d << "); nothing written\n";
            return false;
        }
        if (!Compute(input, data, err)) {
            return false;
        }
        if (!AddMeasuredSpectrum(data, average,
                                 o.peakHold ? AverageMode::PeakHold : AverageMode::Power)) {
            err << "tavrin-cli spectrum: not enough memory to average the spectra\n";
            return false;
        }
    }
    UseAverageAsSpectrum(data, average);
    return true;
}

} // namespace

int SpectrumCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SpectrumOptions o;
    bool help = false;
    if (const int r = Parse(args, o, help, err); r != kExitOk) {
        return r;
    }
    if (help) {
        out << kSpectrumUsage;
        return kExitOk;
    }
    // The existence check, the same-file check and the writer all look at this one path.
    const std::string outputPath = AbsolutePath(o.output);
    if (RefuseExisting("spectrum", o.output, outputPath, o.force, err)) {
        return kExitFailed;
    }
    // Not even --force replaces an input itself (also when named through a link).
    for (const std::string& input : o.inputs) {
        if (SameFile(input, outputPath)) {
            err << "tavrin-cli spectrum: " << o.output
                << " is the input file; it is not replaced\n";
            return kExitFailed;
        }
    }

    CommandDocument loaded("spectrum", err);
    MeasurementDocument& data = loaded.document;
    const bool computed =
        o.average ? AverageInputs(o, data, err)
                  : LoadInput(o.inputs[0], o, data, err) && Compute(o.inputs[0], data, err);
    if (!computed) {
        return kExitFailed;
    }
    // The export command's own step: a copy of the measurement settings names the export.
    bool written = false;
    FileError e;
    if (!data.ExportSpectrum(outputPath, written, &e)) {
        err << "tavrin-cli spectrum: " << e.reason << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

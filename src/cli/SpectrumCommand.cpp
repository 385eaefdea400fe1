// tavrin-cli spectrum: loads a data file the way the program's data-load command does (volts
// and step recomputed from the codes and the A section), computes the spectrum with the file's
// display settings or the options given, and writes the export the export command would.
#include <optional>
#include <vector>

#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "common/RateTables.h"

namespace {

constexpr const char* kSpectrumUsage =
    "Usage: tavrin-cli spectrum IN.DTA -o OUT.FFT [options]\n"
    "Exports the spectrum of a stored measurement as Tavrin's export command does. The FFT\n"
    "options come from the data file's display settings unless given here.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.FFT                      export file to write (required)\n"
    "  --window rect|hanning|hamming|flattop     window function\n"
    "  --correct, --no-correct                   correct the window's amplitude loss or not\n"
    "  --dc-cut, --no-dc-cut                     remove the DC component before the FFT or not\n"
    "  --force                                   replace an existing OUT.FFT (never IN.DTA)\n"
    "  -h, --help                                this text\n"
    "  --                                        end of options (IN.DTA may start with '-')\n";

struct SpectrumOptions {
    std::string input;
    std::string output;
    std::optional<int32_t> window;
    std::optional<bool> correct;
    std::optional<bool> dcCut;
    bool force = false;
};

std::optional<int32_t> WindowByName(const std::string& name) {
    if (name == "rect" || name == "rectangular") {
        return WinRectangular;
    }
    if (name == "hanning" || name == "hann") {
        return WinHanning;
    }
    if (name == "hamming") {
        return WinHamming;
    }
    if (name == "flattop" || name == "flat-top") {
        return WinFlatTop;
    }
    return std::nullopt;
}

// Returns kExitOk when parsed, kExitUsage (message written) otherwise; help sets `help`.
int Parse(const std::vector<std::string>& args, SpectrumOptions& o, bool& help, std::ostream& err) {
    auto usage = [&](const std::string& message) {
        err << "tavrin-cli spectrum: " << message << "\n" << kSpectrumUsage;
        return kExitUsage;
    };
    std::vector<std::string> positional;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (endOfOptions) {
            positional.push_back(a); // "--" ends the options, as for check: "-x.DTA" is a file
            continue;
        }
        auto value = [&](const std::string& option, std::string& into) {
            return TakeOptionValue(args, i, option, into);
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            help = true;
            return kExitOk;
        } else if (a == "--") {
            endOfOptions = true;
        } else if (value("-o", v) || value("--output", v)) {
            if (!o.output.empty()) {
                return usage("more than one output file");
            }
            o.output = v;
        } else if (value("--window", v)) {
            o.window = WindowByName(v);
            if (!o.window) {
                return usage("unknown window '" + v + "'");
            }
        } else if (a == "--correct" || a == "--no-correct") {
            o.correct = a == "--correct";
        } else if (a == "--dc-cut" || a == "--no-dc-cut") {
            o.dcCut = a == "--dc-cut";
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "-o" || a == "--output" || a == "--window") {
            return usage("option '" + a + "' needs a value");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage("unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 1) {
        return usage(positional.empty() ? "no input file" : "more than one input file");
    }
    o.input = positional[0];
    if (o.output.empty()) {
        return usage("no output file (-o OUT.FFT)");
    }
    return kExitOk;
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
    // Not even --force replaces the input itself (also when named through a link).
    if (SameFile(o.input, outputPath)) {
        err << "tavrin-cli spectrum: " << o.output << " is the input file; it is not replaced\n";
        return kExitFailed;
    }

    CommandDocument loaded("spectrum", err);
    MeasurementDocument& data = loaded.document;
    std::string why;
    if (!LoadMeasuredData(o.input, data, why)) {
        err << "tavrin-cli spectrum: " << why << "\n";
        return kExitFailed;
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
    if (!data.ComputeSpectrum(BlockRole::Measured)) {
        err << "tavrin-cli spectrum: cannot compute the spectrum of " << o.input << "\n";
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

#include "cli/AcquireOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli/Cli.h"
#include "common/RateTables.h"
#include "common/TextUtil.h"

namespace {

constexpr const char* kAcquireUsage =
    "Usage: tavrin-cli acquire -o OUT.DTA [options] [--simulated [simulator options]]\n"
    "       tavrin-cli acquire -o OUT.DTA --average K [--peak-hold] [--fft OUT.FFT] [options]\n"
    "Prepares the TORVEX24 as Tavrin's start button does (check, filter, rate, model, version),\n"
    "takes one block and writes it as Tavrin's save command would. A block holding a clipping\n"
    "code (0 or 16777215) is rejected and nothing is written.\n"
    "With --average K the unit is prepared once and K blocks are taken one after the other,\n"
    "each with the acquisition command alone; their spectra (default display settings) are\n"
    "combined bin by bin: the power average sqrt((1/K) sum s_i^2), or with --peak-hold the\n"
    "largest value. OUT.DTA gets the last block, OUT.FFT (--fft) the combined spectrum with\n"
    "the comment line \"; power average of K blocks\" (none for K = 1). A clipped block stops\n"
    "the series and nothing is written. --fft alone writes the block's own spectrum.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.DTA        data file to write (required)\n"
    "  --count N                   samples per block, 1024..262144 (default 262144)\n"
    "  --rate TEXT                 output data rate as Tavrin shows it: 125ksps, 62.5ksps,\n"
    "                              50ksps, 31.25ksps, 25ksps, 10ksps, 5ksps, 2.5ksps, 1ksps,\n"
    "                              500sps, 200sps, 100sps, 60sps, 50sps, 20sps, 10sps, 5sps\n"
    "                              (59.92sps, 49.96sps with Sinc5) (default 125ksps)\n"
    "  --filter sinc5|sinc3        digital filter (default sinc5)\n"
    "  --channel 0|1               input channel (default 0)\n"
    "  --device SERIAL             the unit on the USB bridge with this serial number (see\n"
    "                              tavrin-cli units; default: the first bridge)\n"
    "  --repeat K                  take K blocks, written as OUT-001.DTA ... OUT-K.DTA\n"
    "                              (not with --average or --fft)\n"
    "  --average K                 average the spectra of K blocks, 1..1000\n"
    "  --peak-hold                 with --average: the largest value per bin instead\n"
    "  --fft OUT.FFT               also write the (averaged) spectrum as Tavrin's export\n"
    "  --force                     replace existing output files\n"
    "  --json                      one JSON line per written data file on stdout\n"
    "  --simulated                 use the simulated unit of tavrin-sim; the options after it\n"
    "                              that are not acquire's go to the simulator (see below)\n"
    "  -h, --help                  this text\n"
    "\n"
    "A progress bar goes to stderr when it is a terminal; each written file gets one line.\n"
    "Exit status: 0 written; 1 clipped block or file not written (or existing); 2 usage;\n"
    "3 unit not found; 4 unit does not respond; 5 filter refused; 6 rate refused;\n"
    "7 model query refused; 8 not a TORVEX24; 9 version query refused; 10 acquisition command\n"
    "not sent; 11 read error (also samples lost by an overrun); 12 the unit stopped sending;\n"
    "129 hung up (SIGHUP), 130 interrupted (SIGINT), 143 terminated (SIGTERM).\n"
    "\n";

bool ParseInt(const std::string& text, int64_t lo, int64_t hi, int32_t& out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) {
        return false;
    }
    out = static_cast<int32_t>(v);
    return true;
}

// An option with a value ("--opt VALUE" or "--opt=VALUE"): take stores it, or returns why not.
struct ValueOption {
    const char* name;
    const char* alias; // null: none
    std::string (*take)(const std::string& value, AcquireOptions& o);
};

const ValueOption kValueOptions[] = {
    {"-o", "--output",
     [](const std::string& v, AcquireOptions& o) -> std::string {
         if (!o.output.empty()) {
             return "more than one output file";
         }
         o.output = v;
         return {};
     }},
    {"--count", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         return ParseInt(v, kMinDataCount, kMaxDataCount, o.count)
                    ? std::string()
                    : "--count takes 1024..262144, not '" + v + "'";
     }},
    {"--device", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         o.device = v;
         return {};
     }},
    {"--rate", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         o.rate = v;
         return {};
     }},
    {"--filter", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         if (v != "sinc5" && v != "sinc3") {
             return "--filter takes sinc5 or sinc3, not '" + v + "'";
         }
         o.sinc3 = v == "sinc3";
         return {};
     }},
    {"--channel", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         return ParseInt(v, 0, 1, o.channel) ? std::string()
                                             : "--channel takes 0 or 1, not '" + v + "'";
     }},
    {"--repeat", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         o.repeatGiven = true;
         return ParseInt(v, 1, 999999, o.repeat)
                    ? std::string()
                    : "--repeat takes a count of 1 or more, not '" + v + "'";
     }},
    {"--average", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         return ParseInt(v, 1, kMaxAveragedBlocks, o.average)
                    ? std::string()
                    : "--average takes 1.." + std::to_string(kMaxAveragedBlocks) +
                          " blocks, not '" + v + "'";
     }},
    {"--fft", nullptr,
     [](const std::string& v, AcquireOptions& o) -> std::string {
         if (!o.fft.empty()) {
             return "more than one spectrum file";
         }
         if (v.empty()) {
             return "--fft needs a file name";
         }
         o.fft = v;
         return {};
     }},
};

// An option without a value: it switches one field on.
struct FlagOption {
    const char* name;
    bool AcquireOptions::*field;
};

const FlagOption kFlagOptions[] = {
    {"--force", &AcquireOptions::force},
    {"--json", &AcquireOptions::json},
    {"--simulated", &AcquireOptions::simulated},
    {"--peak-hold", &AcquireOptions::peakHold},
};

enum class Taken { No, Yes, Refused };

// args[i] as one of the table's options; `problem` says why its value was refused.
Taken TakeTableOption(const std::vector<std::string>& args, std::size_t& i, AcquireOptions& o,
                      std::string& problem) {
    for (const ValueOption& option : kValueOptions) {
        std::string v;
        if (TakeOptionValue(args, i, option.name, v) ||
            (option.alias && TakeOptionValue(args, i, option.alias, v))) {
            problem = option.take(v, o);
            return problem.empty() ? Taken::Yes : Taken::Refused;
        }
    }
    for (const FlagOption& flag : kFlagOptions) {
        if (args[i] == flag.name) {
            o.*(flag.field) = true;
            return Taken::Yes;
        }
    }
    for (const ValueOption& option : kValueOptions) {
        if (args[i] == option.name || (option.alias && args[i] == option.alias)) {
            problem = "option '" + args[i] + "' needs a value";
            return Taken::Refused;
        }
    }
    return Taken::No;
}

int Usage(std::ostream& err, const std::string& message) {
    err << "tavrin-cli acquire: " << message << "\n" << AcquireUsage();
    return kExitUsage;
}

// An average is one series prepared once with one data file: numbered files do not go with it.
int CheckSeriesOptions(const AcquireOptions& o, std::ostream& err) {
    if (o.peakHold && o.average == 0) {
        return Usage(err, "--peak-hold goes with --average K");
    }
    if (o.repeatGiven && AveragedSeries(o)) {
        return Usage(err, "--repeat does not go with --average or --fft");
    }
    auto absolute = [](const std::string& path) {
        std::error_code ec;
        const std::filesystem::path p = std::filesystem::absolute(path, ec);
        return ec ? std::filesystem::path(path) : p.lexically_normal();
    };
    if (!o.fft.empty() && absolute(o.fft) == absolute(o.output)) {
        return Usage(err, "--fft names the data file");
    }
    return kExitOk;
}

} // namespace

const char* AcquireUsage() {
    return kAcquireUsage;
}

int ParseAcquireOptions(const std::vector<std::string>& args, AcquireOptions& o, bool& help,
                        std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return kExitOk;
        }
        std::string problem;
        switch (TakeTableOption(args, i, o, problem)) {
        case Taken::Yes:
            continue;
        case Taken::Refused:
            return Usage(err, problem);
        case Taken::No:
            break;
        }
        if (o.simulated) {
            o.simArgs.push_back(a); // the simulator's own option or its value
        } else {
            return Usage(err, a.size() > 1 && a[0] == '-' ? "unknown option '" + a + "'"
                                                          : "unexpected argument '" + a + "'");
        }
    }
    if (o.output.empty()) {
        return Usage(err, "no output file (-o OUT.DTA)");
    }
    if (o.simulated && !o.device.empty()) {
        return Usage(err, "--device picks a unit on USB; --simulated has none");
    }
    return CheckSeriesOptions(o, err);
}

// The rate index whose text (for the chosen filter, or the other one where they differ) is
// `text`; -1 when none.
int32_t RateIndexByText(const std::string& text, bool sinc3) {
    for (int32_t i = 0; i < kRateCount; ++i) {
        if (text == RateText(i, sinc3)) {
            return i;
        }
    }
    for (int32_t i = 0; i < kRateCount; ++i) {
        if (text == RateText(i, !sinc3)) {
            return i;
        }
    }
    return -1;
}

// OUT.DTA for one block; OUT-001.DTA ... for a series.
std::string OutputName(const std::string& output, int32_t index, int32_t repeat) {
    return repeat == 1 ? output : SeriesFileName(output, index, repeat);
}

// tavrin-cli acquire: prepares the unit as the start button does, takes the block with the same
// acquisition sequence as the window, rejects a clipped block and writes the data file the
// window's save would write. Ctrl-C, SIGTERM and SIGHUP stop the acquisition on the unit and leave
// nothing half-written behind.
#include "cli/AcquireCommand.h"
#include "cli/Json.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <unistd.h>

#include "adunit/Acquisition.h"
#include "adunit/Adc.h"
#include "adunit/PolledTimer.h"
#include "common/RateTables.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "analysis/SampleConversion.h"
#include "cli/Cli.h"
#include "common/SampleBlock.h"
#include "common/Settings.h"
#include "files/FileWriter.h"
#include "files/ZF_File.h"

namespace {

constexpr const char* kAcquireUsage =
    "Usage: tavrin-cli acquire -o OUT.DTA [options] [--simulated [simulator options]]\n"
    "Prepares the TORVEX24 as Tavrin's start button does (check, filter, rate, model, version),\n"
    "takes one block and writes it as Tavrin's save command would. A block holding a clipping\n"
    "code (0 or 16777215) is rejected and nothing is written.\n"
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
    "  --repeat K                  take K blocks, written as OUT-001.DTA ... OUT-K.DTA\n"
    "  --force                     replace existing output files\n"
    "  --json                      one JSON line per written file on stdout\n"
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

std::function<std::unique_ptr<FtDriver>()>& HardwareFactory() {
    static std::function<std::unique_ptr<FtDriver>()> factory;
    return factory;
}

// --- Termination signals -------------------------------------------------------------------

volatile sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signalNumber) {
    g_stopSignal = signalNumber;
}

// Ctrl-C, SIGTERM and SIGHUP only raise a flag while the command runs; the acquisition loop and
// every step of the preparation look at it.
class StopSignals {
public:
    StopSignals() {
        g_stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        sigaction(SIGHUP, &action, &oldHup_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGHUP, &oldHup_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    static int Received() { return g_stopSignal; }

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    struct sigaction oldHup_ {}; // a closed terminal stops the unit like SIGTERM
};

// --- Options -------------------------------------------------------------------------------

struct AcquireOptions {
    std::string output;
    int32_t count = kMaxDataCount;
    std::string rate = "125ksps";
    bool sinc3 = false;
    int32_t channel = 0;
    int32_t repeat = 1;
    bool force = false;
    bool json = false;
    bool simulated = false;
    std::vector<std::string> simArgs;
};

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

int Parse(const std::vector<std::string>& args, AcquireOptions& o, bool& help, std::ostream& err) {
    auto usage = [&](const std::string& message) {
        err << "tavrin-cli acquire: " << message << "\n" << kAcquireUsage;
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        auto value = [&](const std::string& option) { return TakeOptionValue(args, i, option, v); };
        if (a == "--help" || a == "-h") {
            help = true;
            return kExitOk;
        } else if (value("-o") || value("--output")) {
            if (!o.output.empty()) {
                return usage("more than one output file");
            }
            o.output = v;
        } else if (value("--count")) {
            if (!ParseInt(v, kMinDataCount, kMaxDataCount, o.count)) {
                return usage("--count takes 1024..262144, not '" + v + "'");
            }
        } else if (value("--rate")) {
            o.rate = v;
        } else if (value("--filter")) {
            if (v != "sinc5" && v != "sinc3") {
                return usage("--filter takes sinc5 or sinc3, not '" + v + "'");
            }
            o.sinc3 = v == "sinc3";
        } else if (value("--channel")) {
            if (!ParseInt(v, 0, 1, o.channel)) {
                return usage("--channel takes 0 or 1, not '" + v + "'");
            }
        } else if (value("--repeat")) {
            if (!ParseInt(v, 1, 999999, o.repeat)) {
                return usage("--repeat takes a count of 1 or more, not '" + v + "'");
            }
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--simulated") {
            o.simulated = true;
        } else if (a == "-o" || a == "--output" || a == "--count" || a == "--rate" ||
                   a == "--filter" || a == "--channel" || a == "--repeat") {
            return usage("option '" + a + "' needs a value");
        } else if (o.simulated) {
            o.simArgs.push_back(a); // the simulator's own option or its value
        } else {
            return usage(a.size() > 1 && a[0] == '-' ? "unknown option '" + a + "'"
                                                     : "unexpected argument '" + a + "'");
        }
    }
    if (o.output.empty()) {
        return usage("no output file (-o OUT.DTA)");
    }
    return kExitOk;
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
    if (repeat == 1) {
        return output;
    }
    const std::filesystem::path p(output);
    const int width = std::max(3, static_cast<int>(std::to_string(repeat).size()));
    std::string number = std::to_string(index);
    number.insert(0, static_cast<std::size_t>(std::max(0, width - static_cast<int>(number.size()))),
                  '0');
    std::filesystem::path name = p.parent_path() / (p.stem().string() + "-" + number);
    return name.string() + p.extension().string();
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

std::string LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

// --- Progress ----------------------------------------------------------------------------

class ProgressBar {
public:
    ProgressBar(std::ostream& err, bool terminal, IMonotonicClock& clock)
        : err_(err), terminal_(terminal), clock_(clock) {}

    void Begin(const std::string& name, int32_t count, const char* rate, double periodMs) {
        name_ = name;
        count_ = count;
        rate_ = rate;
        periodMs_ = periodMs;
        lastNs_ = 0;
    }
    void Show(int32_t received) {
        if (!terminal_) {
            return;
        }
        const int64_t now = clock_.NowNs();
        if (received < count_ && now - lastNs_ < 100000000) {
            return; // ten updates a second are plenty
        }
        lastNs_ = now;
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(int64_t{kWidth} * received / std::max(count_, 1));
        char line[200];
        std::snprintf(line, sizeof line, "\r%s [%.*s%*s] %d/%d samples at %s, %.1f s left\033[K",
                      name_.c_str(), filled, "##############################", kWidth - filled, "",
                      received, count_, rate_, (count_ - received) * periodMs_ / 1000.0);
        err_ << line << std::flush;
    }
    void End() {
        if (terminal_) {
            err_ << "\r\033[K" << std::flush;
        }
    }

private:
    std::ostream& err_;
    bool terminal_;
    IMonotonicClock& clock_;
    std::string name_;
    int32_t count_ = 0;
    const char* rate_ = "";
    double periodMs_ = 0;
    int64_t lastNs_ = 0;
};

int PrepareFailure(AcqStatus status, const TAcquisition& acq, const ADUnitSetting& setting,
                   std::ostream& err) {
    const std::string unit = DeviceName();
    switch (status) {
    case AcqStatus::NotFound:
        err << "tavrin-cli acquire: " << unit << " was not found\n";
        return kExitNotFound;
    case AcqStatus::NoResponse:
        err << "tavrin-cli acquire: " << unit << " did not respond\n";
        return kExitNoResponse;
    case AcqStatus::FilterRefused:
        err << "tavrin-cli acquire: the unit refused the filter command ("
            << (setting.sinc3 ? "S3" : "S5") << ")\n";
        return kExitFilterRefused;
    case AcqStatus::RateRefused:
        err << "tavrin-cli acquire: the unit refused the rate command (F"
            << RateCharacter(setting.spsSel) << ", " << RateText(setting.spsSel, setting.sinc3)
            << ")\n";
        return kExitRateRefused;
    case AcqStatus::ModelRefused:
        err << "tavrin-cli acquire: the unit did not answer the model query (U?)\n";
        return kExitModelRefused;
    case AcqStatus::WrongModel:
        err << "tavrin-cli acquire: the unit is not a " << unit << " (it calls itself \""
            << acq.ModelName() << "\")\n";
        return kExitWrongModel;
    case AcqStatus::VersionRefused:
        err << "tavrin-cli acquire: the unit did not answer the version query (V?)\n";
        return kExitVersionRefused;
    case AcqStatus::StartFailed:
        err << "tavrin-cli acquire: command transmission error: the acquisition command could "
               "not be sent\n";
        return kExitStartFailed;
    case AcqStatus::Abandoned:
    case AcqStatus::Ok:
        break;
    }
    return kExitFailed;
}

int Interrupted(std::ostream& err) {
    const int sig = StopSignals::Received();
    err << "tavrin-cli acquire: "
        << (sig == SIGINT   ? "interrupted"
            : sig == SIGHUP ? "hung up"
                            : "terminated")
        << "; the acquisition was stopped and the block not written\n";
    return 128 + sig;
}

} // namespace

void SetHardwareDriverFactory(std::function<std::unique_ptr<FtDriver>()> factory) {
    HardwareFactory() = std::move(factory);
}

int AcquireCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    AcquireOptions o;
    bool help = false;
    if (const int r = Parse(args, o, help, err); r != kExitOk) {
        return r;
    }
    if (help) {
        out << kAcquireUsage << SimOptionsHelp();
        return kExitOk;
    }
    ADUnitSetting setting;
    setting.sinc3 = o.sinc3;
    setting.ch_sel = o.channel;
    setting.spsSel = RateIndexByText(o.rate, o.sinc3);
    if (setting.spsSel < 0) {
        err << "tavrin-cli acquire: unknown rate '" << o.rate << "'\n" << kAcquireUsage;
        return kExitUsage;
    }
    SimConfig simConfig = DefaultSimConfig();
    if (o.simulated) {
        std::vector<char*> argv{const_cast<char*>("tavrin-sim")};
        for (std::string& a : o.simArgs) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::string error;
        bool exitNow = false;
        if (!ParseSimOptions(static_cast<int>(argv.size()) - 1, argv.data(), simConfig, error,
                             exitNow) ||
            exitNow) {
            err << "tavrin-cli acquire: " << (exitNow ? "see tavrin-cli acquire --help" : error)
                << "\n";
            return kExitUsage;
        }
    }
    std::vector<std::string> names;
    for (int32_t k = 1; k <= o.repeat; ++k) {
        names.push_back(OutputName(o.output, k, o.repeat));
        if (!o.force && NameTaken(names.back())) {
            err << "tavrin-cli acquire: " << names.back()
                << " exists (use --force to replace it)\n";
            return kExitFailed;
        }
    }

    SteadyClock clock;
    std::unique_ptr<FtDriver> driver;
    if (o.simulated) {
        driver = std::make_unique<SimulatedUnit>(simConfig, clock);
    } else if (HardwareFactory()) {
        driver = HardwareFactory()();
    }
    if (!driver) {
        err << "tavrin-cli acquire: " << DeviceName()
            << " was not found (this tavrin-cli has no USB backend; --simulated works)\n";
        return kExitNotFound;
    }

    // Everything a block needs is reserved once for the whole series.
    std::vector<int32_t> codes(MaxSamples);
    std::vector<float> volts(MaxSamples);
    SampleBlock block;
    block.codes = codes.data();
    block.volts = volts.data();
    GraphSetting graph;
    graph.DataCountMax = o.count;
    graph.DataCountSel = 0;
    for (int32_t i = 0; i < 9; ++i) {
        if (kDataCountList[i] <= o.count) {
            graph.DataCountSel = i;
        }
    }
    ZF_File zf; // no overwrite question: existing files were settled above

    StopSignals signals;
    PolledTimer services(clock);
    TADC unit(std::move(driver), services, services, &clock);
    TAcquisition acq(unit);
    const double periodMs = SamplePeriod(setting.spsSel, setting.sinc3);
    acq.WatchStall(&clock);
    const bool terminal = &err == &std::cerr && isatty(STDERR_FILENO) == 1;
    ProgressBar bar(err, terminal, clock);
    const timespec nap{0, 500000};

    for (int32_t k = 0; k < o.repeat; ++k) {
        const std::string& name = names[static_cast<std::size_t>(k)];
        const AcqStatus prepared =
            acq.Prepare(setting, [] { return StopSignals::Received() != 0; });
        if (prepared == AcqStatus::Abandoned || StopSignals::Received() != 0) {
            unit.CloseUnit();
            return Interrupted(err);
        }
        if (prepared != AcqStatus::Ok) {
            return PrepareFailure(prepared, acq, setting, err);
        }
        MeasureSetting measure;
        measure.StartDateTime = LocalDateTime();
        if (const AcqStatus started = acq.Start(setting, o.count, codes.data());
            started != AcqStatus::Ok) {
            return PrepareFailure(started, acq, setting, err);
        }
        bar.Begin(name, o.count, acq.RateText(), periodMs);
        bar.Show(0);
        AcqStep step = AcqStep::Waiting;
        while (step != AcqStep::Complete) {
            if (StopSignals::Received() != 0) {
                acq.Stop();
                bar.End();
                return Interrupted(err);
            }
            step = acq.Step();
            if (step == AcqStep::ReadError || step == AcqStep::Stalled) {
                bar.End();
                if (step == AcqStep::ReadError) {
                    err << "tavrin-cli acquire: measurement ended by a read error after "
                        << acq.Received() << " of " << o.count << " samples (driver status "
                        << acq.ReadFailureStatus()
                        << (acq.ReadFailureStatus() == SimulatedUnit::kStatusIoError
                                ? ": I/O error, e.g. samples lost because the receive queue "
                                  "overflowed"
                                : "")
                        << ")\n";
                    return kExitReadError;
                }
                err << "tavrin-cli acquire: the unit stopped sending after " << acq.Received()
                    << " of " << o.count << " samples (nothing came for "
                    << acq.StallLimitNs() / 1000000 << " ms)\n";
                return kExitStalled;
            }
            if (step == AcqStep::Progress) {
                bar.Show(acq.Received());
            } else if (step == AcqStep::Waiting) {
                nanosleep(&nap, nullptr);
            }
        }
        acq.Stop();
        bar.End();

        block.count = o.count;
        block.spsSel = setting.spsSel;
        block.sinc3 = setting.sinc3;
        if (!TAcquisition::ClipFree(codes.data(), o.count)) {
            err << "tavrin-cli acquire: input signal level out of range (a sample reads 0 or "
                   "16777215); "
                << name << " not written\n";
            return kExitFailed;
        }
        if (!ConvertBlock(block, static_cast<float>(periodMs))) {
            err << "tavrin-cli acquire: cannot convert the block; " << name << " not written\n";
            return kExitFailed;
        }
        SetDataFilePath(measure, AbsolutePath(name));
        FileError e;
        if (!zf.WriteDataFile(ZF_File::kDataHeader, setting, block, graph, measure, &e)) {
            err << "tavrin-cli acquire: cannot write " << name << ": " << e.reason << "\n";
            return kExitFailed;
        }
        // Where the bar was, or as the one line per block when stderr is no terminal.
        err << name << ": " << o.count << " samples at " << acq.RateText() << " ("
            << (setting.sinc3 ? "Sinc3" : "Sinc5+Sinc1") << ", CH" << setting.ch_sel
            << ") written\n";
        if (o.json) {
            out << "{" << JsonNameMembers("file", name, ":") << ",\"samples\":" << o.count
                << ",\"rate\":" << JsonString(acq.RateText())
                << ",\"filter\":" << JsonString(setting.sinc3 ? "sinc3" : "sinc5")
                << ",\"channel\":" << setting.ch_sel << ",\"model\":" << JsonString(acq.ModelName())
                << ",\"version\":" << JsonString(acq.Version())
                << ",\"start\":" << JsonString(measure.StartDateTime) << "}\n"
                << std::flush;
        }
    }
    return kExitOk;
}

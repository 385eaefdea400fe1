// tavrin-cli acquire: prepares the unit as the start button does, takes the block with the same
// acquisition sequence as the window, rejects a clipped block and writes the data file the
// window's save would write; or, for an average, prepares it once, takes the blocks one after
// the other and writes the last with the combined spectrum. Ctrl-C, SIGTERM and SIGHUP stop the
// acquisition on the unit and leave nothing half-written behind.
#include "cli/AcquireCommand.h"
#include "cli/Units.h"
#include "common/Json.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "adunit/Acquisition.h"
#include "adunit/Adc.h"
#include "adunit/PolledTimer.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "analysis/SpectrumAverage.h"
#include "cli/AcquireOptions.h"
#include "cli/BlockSeries.h"
#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "common/RateTables.h"
#include "common/Settings.h"
#include "common/SpectrumAveraging.h"

namespace {

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

// --- Steps of the command ----------------------------------------------------------------

// The AD settings the options ask for; false (message written) for a rate the unit does not have.
bool SettingFromOptions(const AcquireOptions& o, ADUnitSetting& setting, std::ostream& err) {
    setting.sinc3 = o.sinc3;
    setting.ch_sel = o.channel;
    setting.spsSel = RateIndexByText(o.rate, o.sinc3);
    if (setting.spsSel < 0) {
        err << "tavrin-cli acquire: unknown rate '" << o.rate << "'\n" << AcquireUsage();
        return false;
    }
    return true;
}

// The simulator's configuration from the options after --simulated; false (message written)
// when they are refused.
bool SimulatorFromOptions(AcquireOptions& o, SimConfig& config, std::ostream& err) {
    config = DefaultSimConfig();
    if (!o.simulated) {
        return true;
    }
    std::vector<char*> argv{const_cast<char*>("tavrin-sim")};
    for (std::string& a : o.simArgs) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::string error;
    bool exitNow = false;
    if (!ParseSimOptions(static_cast<int>(argv.size()) - 1, argv.data(), config, error, exitNow) ||
        exitNow) {
        err << "tavrin-cli acquire: " << (exitNow ? "see tavrin-cli acquire --help" : error)
            << "\n";
        return false;
    }
    return true;
}

// The names of the series; false (message written) when one exists and --force is not given.
// The spectrum file of an average is looked at too, before anything is measured.
bool OutputNames(const AcquireOptions& o, std::vector<std::string>& names, std::ostream& err) {
    for (int32_t k = 1; k <= o.repeat; ++k) {
        names.push_back(OutputName(o.output, k, o.repeat));
        if (RefuseExisting("acquire", names.back(), names.back(), o.force, err)) {
            return false;
        }
    }
    return o.fft.empty() || !RefuseExisting("acquire", o.fft, o.fft, o.force, err);
}

// kExitOk with the driver (null: no backend), or the exit status of a unit that was asked for
// by serial number and is absent or refused (the reason is on err).
int MakeDriver(const AcquireOptions& o, const SimConfig& config, IMonotonicClock& clock,
               std::unique_ptr<FtDriver>& driver, std::ostream& err) {
    if (o.simulated) {
        driver = std::make_unique<SimulatedUnit>(config, clock);
        return kExitOk;
    }
    if (const int r = ChooseHardwareUnit(o.device, driver, err); r != kExitOk) {
        return r;
    }
    if (!driver && HardwareFactory()) {
        driver = HardwareFactory()();
    }
    return kExitOk;
}

// The settings records a block is written with, set once for the whole series: the window's
// display settings for the block length, the AD settings asked for.
void SetUpDocument(MeasurementDocument& document, const AcquireOptions& o,
                   const ADUnitSetting& setting) {
    GraphSetting& graph = document.graphSetting;
    graph.DataCountMax = o.count;
    graph.DataCountSel = 0;
    for (int32_t i = 0; i < 9; ++i) {
        if (kDataCountList[i] <= o.count) {
            graph.DataCountSel = i;
        }
    }
    document.acqSetting = setting;
}

// One acquisition run over the series: the unit, its sequence, the progress bar and the
// document that ends each block.
class AcquireRun {
public:
    AcquireRun(const AcquireOptions& o, const ADUnitSetting& setting,
               std::unique_ptr<FtDriver> driver, SteadyClock& clock, std::ostream& out,
               std::ostream& err)
        : o_(o), setting_(setting), out_(out), err_(err), services_(clock),
          unit_(std::move(driver), services_, services_, &clock), acq_(unit_),
          periodMs_(SamplePeriod(setting.spsSel, setting.sinc3)),
          bar_(err, &err == &std::cerr && isatty(STDERR_FILENO) == 1, clock),
          document_("acquire", err) {
        acq_.WatchStall(&clock);
        SetUpDocument(document_.document, o, setting);
    }

    // Prepares the unit and takes, checks and writes one block; kExitOk or the exit status.
    int Block(const std::string& name) {
        MeasurementDocument& document = document_.document;
        if (const int r = Prepare(); r != kExitOk) {
            return r;
        }
        if (const int r = StartBlock(document.curCodes.data()); r != kExitOk) {
            return r;
        }
        if (const int r = Receive(name); r != kExitOk) {
            return r;
        }
        const auto finished = document.FinishBlock();
        if (finished != MeasurementDocument::FinishResult::Accepted) {
            return FinishFailure(finished, "", name + " not written");
        }
        if (const int r = WriteData(name); r != kExitOk) {
            return r;
        }
        Report(name, nullptr);
        return kExitOk;
    }

    // Prepares the unit once and takes the blocks of an average one after the other, each
    // started with the acquisition command alone as the window's series does; writes the last
    // block and, when asked for, the combined spectrum. kExitOk or the exit status.
    int Series(const std::string& name) {
        if (const int r = Prepare(); r != kExitOk) {
            return r;
        }
        MeasurementDocument& document = document_.document;
        const int32_t blocks = std::max(o_.average, 1);
        const AverageMode mode = o_.peakHold ? AverageMode::PeakHold : AverageMode::Power;
        SpectrumAverage average;
        for (int32_t b = 1; b <= blocks; ++b) {
            if (const int r = StartBlock(document.seriesCodes.data()); r != kExitOk) {
                return r;
            }
            const std::string which =
                "block " + std::to_string(b) + " of " + std::to_string(blocks);
            if (const int r = Receive(blocks > 1 ? name + " " + which : name); r != kExitOk) {
                return r;
            }
            // Nothing is written before the last block is in: a refused one ends the series.
            const auto finished = document.FinishSeriesBlock();
            if (finished != MeasurementDocument::FinishResult::Accepted) {
                return FinishFailure(finished, " in " + which, "nothing written");
            }
            if (!document.ComputeSpectrum(BlockRole::Measured) ||
                !AddMeasuredSpectrum(document, average, mode)) {
                err_ << "tavrin-cli acquire: cannot compute the spectrum of " << which
                     << "; nothing written\n";
                return kExitFailed;
            }
        }
        if (const int r = WriteData(name); r != kExitOk) {
            return r;
        }
        if (const int r = WriteSpectrum(average); r != kExitOk) {
            return r;
        }
        Report(name, &average);
        return kExitOk;
    }

private:
    int Prepare() {
        const AcqStatus prepared =
            acq_.Prepare(setting_, [] { return StopSignals::Received() != 0; });
        if (prepared == AcqStatus::Abandoned || StopSignals::Received() != 0) {
            unit_.CloseUnit();
            return Interrupted(err_);
        }
        if (prepared != AcqStatus::Ok) {
            return PrepareFailure(prepared, acq_, setting_, err_);
        }
        return kExitOk;
    }

    // The acquisition command for one block, its samples going to `codes`.
    int StartBlock(int32_t* codes) {
        MeasurementDocument& document = document_.document;
        document.measureSetting = MeasureSetting{};
        document.StampStartTime();
        if (const AcqStatus started = acq_.Start(setting_, o_.count, codes);
            started != AcqStatus::Ok) {
            return PrepareFailure(started, acq_, setting_, err_);
        }
        return kExitOk;
    }

    int Receive(const std::string& name) {
        bar_.Begin(name, o_.count, acq_.RateText(), periodMs_);
        bar_.Show(0);
        const timespec nap{0, 500000};
        AcqStep step = AcqStep::Waiting;
        while (step != AcqStep::Complete) {
            if (StopSignals::Received() != 0) {
                acq_.Stop();
                bar_.End();
                return Interrupted(err_);
            }
            step = acq_.Step();
            if (step == AcqStep::ReadError || step == AcqStep::Stalled) {
                bar_.End();
                return ReceiveFailure(step);
            }
            if (step == AcqStep::Progress) {
                bar_.Show(acq_.Received());
            } else if (step == AcqStep::Waiting) {
                nanosleep(&nap, nullptr);
            }
        }
        acq_.Stop();
        bar_.End();
        return kExitOk;
    }

    int ReceiveFailure(AcqStep step) {
        if (step == AcqStep::ReadError) {
            err_ << "tavrin-cli acquire: measurement ended by a read error after "
                 << acq_.Received() << " of " << o_.count << " samples (driver status "
                 << acq_.ReadFailureStatus()
                 << (acq_.ReadFailureStatus() == FtDriver::kStatusIoError
                         ? ": I/O error, e.g. samples lost because the receive queue "
                           "overflowed"
                         : "")
                 << ")\n";
            return kExitReadError;
        }
        err_ << "tavrin-cli acquire: the unit stopped sending after " << acq_.Received() << " of "
             << o_.count << " samples (nothing came for " << acq_.StallLimitNs() / 1000000
             << " ms)\n";
        return kExitStalled;
    }

    // A block the window's end of a block refused; `where` names it within a series.
    int FinishFailure(MeasurementDocument::FinishResult result, const std::string& where,
                      const std::string& consequence) {
        if (result == MeasurementDocument::FinishResult::Clipped) {
            err_ << "tavrin-cli acquire: input signal level out of range" << where
                 << " (a sample reads 0 or 16777215); " << consequence << "\n";
        } else {
            err_ << "tavrin-cli acquire: cannot convert the block" << where << "; " << consequence
                 << "\n";
        }
        return kExitFailed;
    }

    // The window's data-file write of the measured block.
    int WriteData(const std::string& name) {
        MeasurementDocument& document = document_.document;
        SetDataFilePath(document.measureSetting, AbsolutePath(name));
        FileError e;
        if (document.SaveMeasuredData(&e) != MeasurementDocument::SaveResult::Saved) {
            err_ << "tavrin-cli acquire: cannot write " << name << ": " << e.reason << "\n";
            return kExitFailed;
        }
        return kExitOk;
    }

    // The window's spectrum export, the series' combined spectrum in place of the last block's.
    int WriteSpectrum(const SpectrumAverage& average) {
        if (o_.fft.empty()) {
            return kExitOk;
        }
        MeasurementDocument& document = document_.document;
        UseAverageAsSpectrum(document, average);
        bool written = false;
        FileError e;
        if (!document.ExportSpectrum(AbsolutePath(o_.fft), written, &e)) {
            err_ << "tavrin-cli acquire: cannot write " << o_.fft << ": " << e.reason << "\n";
            return kExitFailed;
        }
        return kExitOk;
    }

    // Where the bar was, or as the one line per block when stderr is no terminal; `average`
    // is the series' when the block is the last of one.
    void Report(const std::string& name, const SpectrumAverage* average) {
        err_ << name << ": " << o_.count << " samples at " << acq_.RateText() << " ("
             << (setting_.sinc3 ? "Sinc3" : "Sinc5+Sinc1") << ", CH" << setting_.ch_sel
             << ") written";
        if (average != nullptr && average->Averaging().Averaged()) {
            err_ << ", the last of " << average->Blocks() << " blocks";
        }
        err_ << "\n";
        if (average != nullptr && !o_.fft.empty()) {
            const SpectrumAveraging how = average->Averaging();
            // The export's own comment says how the spectrum was made.
            err_ << o_.fft << ": "
                 << (how.Averaged() ? AveragingComment(how).substr(2) : "spectrum of the block")
                 << " written\n";
        }
        if (o_.json) {
            out_ << "{" << JsonNameMembers("file", name, ":") << ",\"samples\":" << o_.count
                 << ",\"rate\":" << JsonString(acq_.RateText())
                 << ",\"filter\":" << JsonString(setting_.sinc3 ? "sinc3" : "sinc5")
                 << ",\"channel\":" << setting_.ch_sel
                 << ",\"model\":" << JsonString(acq_.ModelName())
                 << ",\"version\":" << JsonString(acq_.Version())
                 << ",\"start\":" << JsonString(document_.document.measureSetting.StartDateTime)
                 << SeriesJson(average) << "}\n"
                 << std::flush;
        }
    }

    // What a series adds to the JSON line: how the spectrum was combined and its file.
    std::string SeriesJson(const SpectrumAverage* average) const {
        std::string members;
        if (average != nullptr && o_.average > 0) {
            members += std::string(",\"averaging\":{\"mode\":") +
                       (o_.peakHold ? "\"peak_hold\"" : "\"power\"") +
                       ",\"blocks\":" + std::to_string(average->Blocks()) + "}";
        }
        if (average != nullptr && !o_.fft.empty()) {
            members += "," + JsonNameMembers("fft", o_.fft, ":");
        }
        return members;
    }

    const AcquireOptions& o_;
    const ADUnitSetting& setting_;
    std::ostream& out_;
    std::ostream& err_;
    PolledTimer services_;
    TADC unit_;
    TAcquisition acq_;
    double periodMs_;
    ProgressBar bar_;
    // Everything a block needs is reserved once for the whole series.
    CommandDocument document_;
};

} // namespace

void SetHardwareDriverFactory(std::function<std::unique_ptr<FtDriver>()> factory) {
    HardwareFactory() = std::move(factory);
}

int AcquireCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    AcquireOptions o;
    bool help = false;
    if (const int r = ParseAcquireOptions(args, o, help, err); r != kExitOk) {
        return r;
    }
    if (help) {
        out << AcquireUsage() << SimOptionsHelp();
        return kExitOk;
    }
    ADUnitSetting setting;
    SimConfig simConfig;
    if (!SettingFromOptions(o, setting, err) || !SimulatorFromOptions(o, simConfig, err)) {
        return kExitUsage;
    }
    std::vector<std::string> names;
    if (!OutputNames(o, names, err)) {
        return kExitFailed;
    }
    SteadyClock clock;
    std::unique_ptr<FtDriver> driver;
    if (const int r = MakeDriver(o, simConfig, clock, driver, err); r != kExitOk) {
        return r;
    }
    if (!driver) {
        err << "tavrin-cli acquire: " << DeviceName()
            << " was not found (this tavrin-cli has no USB backend; --simulated works)\n";
        return kExitNotFound;
    }
    StopSignals signals;
    AcquireRun run(o, setting, std::move(driver), clock, out, err);
    if (AveragedSeries(o)) {
        return run.Series(names.front());
    }
    for (const std::string& name : names) {
        if (const int r = run.Block(name); r != kExitOk) {
            return r;
        }
    }
    return kExitOk;
}

#include "ContinuousSoak.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "RecordingDriver.h"
#include "SoakKit.h"
#include "common/RateTables.h"
#include "common/Settings.h"
#include "common/SpectrumAveraging.h"

namespace {

using namespace soak;

constexpr int32_t kAverageBlocks = 16;
constexpr long kRssGrowthLimitKb = 1024; // after the first tenth of the run
constexpr double kStallMs = 10000.0;     // no block completed for this long (beyond one block)
constexpr double kLongPauseMs = 20.0;    // event-loop pauses counted apart
constexpr int kProgressLines = 10;
constexpr double kIdleSeconds = 2.0; // the idle window after the stop

struct ContinuousOptions {
    double seconds = 600.0;
    int32_t count = 1024;
    int32_t rate = 16; // 125 ksps with Sinc5+Sinc1
    bool strict = false;
};

bool ParseContinuousOptions(int argc, char** argv, ContinuousOptions& o) {
    bool continuous = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--continuous") {
            // SECONDS may be left out for the default run.
            if (hasValue && argv[i + 1][0] != '-') {
                o.seconds = std::atof(argv[++i]);
            }
            continuous = true;
        } else if (a == "--count" && hasValue) {
            o.count = std::atoi(argv[++i]);
        } else if (a == "--rate-index" && hasValue) {
            o.rate = std::atoi(argv[++i]);
        } else if (a == "--strict") {
            o.strict = true;
        } else {
            return false;
        }
    }
    const bool countOk = o.count >= kMinDataCount && o.count <= kMaxDataCount;
    return continuous && o.seconds > 0 && countOk && o.rate >= 0 && o.rate < kRateCount;
}

// The clock of the simulated unit counts whole nanoseconds per sample, as the unit does.
int64_t BlockNs(const ContinuousOptions& opt) {
    const double periodNs = std::round(static_cast<double>(SamplePeriod(opt.rate, false)) * 1.0e6);
    return static_cast<int64_t>(periodNs) * opt.count;
}

std::string LoadAverage() {
    char text[64] = "?";
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(text, sizeof text, f)) {
            std::strcpy(text, "?");
        }
        std::fclose(f);
    }
    std::string load(text);
    while (!load.empty() && load.back() == '\n') {
        load.pop_back();
    }
    return load;
}

// Every block the window finishes, checked the moment it does (after the window's own finish
// work, the next block already under way into a buffer of its own).
struct BlockChecks {
    int64_t seen = 0;
    int64_t wrong = 0;
    int64_t miscounted = 0; // the window's count of done blocks disagrees with the blocks seen
    std::string firstFault;

    void Check(const TFormMain& form, int32_t count) {
        ++seen;
        std::string fault;
        if (form.RunningSeries().Done() != seen) {
            ++miscounted;
            fault = "Done() " + std::to_string(form.RunningSeries().Done());
        } else if (!VerifyBlock(form, count, fault)) {
            ++wrong;
        }
        if (!fault.empty() && firstFault.empty()) {
            firstFault = "block " + std::to_string(seen) + ": " + fault;
        }
    }
};

struct RunFigures {
    bool started = false;
    std::string fault; // the series ended by itself, stalled or misbehaved at the stop
    double wallMs = 0, cpuMs = 0, unitCpuMs = 0;
    double maxPauseMs = 0;
    // Whether a pause was the program's own work or the machine's: the main thread's CPU time
    // during the longest pause seen by the ticks, and the long pauses it ran through mostly.
    double tickPauseMs = 0, tickPauseCpuMs = 0;
    int64_t longPauses = 0, busyLongPauses = 0;
    int64_t doneAtStop = 0;
    int64_t stopNs = 0;
    double stopMs = 0;
    bool lastBlockWhole = false;
    bool idleTimerAfterStop = false;
    double idlePct = 0; // the window idle after the stop
    long rssStart = 0, rssFirst = 0, rss10 = 0, rssEnd = 0, peakEnd = 0;
    double tenthS = 0;
};

// One line per tenth of the run: blocks so far, memory, CPU since the line before.
class ProgressLines {
public:
    ProgressLines(const ContinuousOptions& opt, double t0) : opt_(opt), t0_(t0), c0_(0) {
        std::printf("%8s %9s %9s %9s %8s %13s\n", "time s", "blocks", "expected", "RSS kB", "CPU %",
                    "max pause ms");
        c0_ = ProcessCpuMs();
        last_ = t0;
    }
    // Called from the watch; prints when the next tenth is reached.
    void Tick(double now, double pauseMs, int64_t done) {
        maxPause_ = std::max(maxPause_, pauseMs);
        const double step = opt_.seconds * 1000.0 / kProgressLines;
        if (now - t0_ < step * (line_ + 1)) {
            return;
        }
        ++line_;
        const double cpu = ProcessCpuMs();
        const double expected = std::floor((now - t0_) / (BlockNs(opt_) * 1e-6));
        std::printf("%8.1f %9lld %9.0f %9ld %8.2f %13.1f\n", (now - t0_) / 1000.0,
                    static_cast<long long>(done), expected, CurrentRssKb(),
                    100.0 * (cpu - c0_) / (now - last_), maxPause_);
        std::fflush(stdout);
        c0_ = cpu;
        last_ = now;
        maxPause_ = 0;
    }

private:
    const ContinuousOptions& opt_;
    double t0_, c0_, last_ = 0, maxPause_ = 0;
    int line_ = 0;
};

// Runs the series from the press of the start button to SECONDS later (or its own end).
void RunUntilDue(SoakWindow& w, const ContinuousOptions& opt, RecordingDriver& driver,
                 RunFigures& r) {
    TFormMain& form = *w.form;
    QEventLoop loop;
    bool armed = false;
    double prevTick = 0, prevThreadCpu = 0, lastProgress = 0;
    int64_t lastDone = 0;
    const double t0 = NowMs();
    const double c0 = ProcessCpuMs();
    const double u0 = driver.UnitCpuMs();
    ProgressLines progress(opt, t0);
    LoopWatch watch([&](double now) {
        const double pause = prevTick > 0 ? now - prevTick : 0.0;
        const double threadCpu = ThreadCpuMs();
        const double pauseCpu = threadCpu - prevThreadCpu;
        prevTick = now;
        prevThreadCpu = threadCpu;
        if (!armed) {
            return; // still inside the start command
        }
        if (pause > kLongPauseMs) {
            ++r.longPauses;
            r.busyLongPauses += pauseCpu > pause / 2 ? 1 : 0;
        }
        if (pause > r.tickPauseMs) {
            r.tickPauseMs = pause;
            r.tickPauseCpuMs = pauseCpu;
        }
        const int64_t done = form.RunningSeries().Done();
        if (done != lastDone || lastProgress == 0) {
            lastDone = done;
            lastProgress = now;
        }
        if (r.rssFirst == 0 && done >= 1) {
            r.rssFirst = CurrentRssKb();
        }
        if (r.rss10 == 0 && now - t0 >= r.tenthS * 1000.0) {
            r.rss10 = CurrentRssKb();
        }
        progress.Tick(now, pause, done);
        if (!form.Measuring() || now - t0 >= opt.seconds * 1000.0) {
            loop.quit();
        } else if (now - lastProgress > kStallMs + BlockNs(opt) * 1e-6) {
            r.fault =
                "no block completed for " + std::to_string((now - lastProgress) / 1000.0) + " s";
            loop.quit();
        }
    });
    StartButton(form)->click();
    r.started = form.Measuring() && form.RunningSeries().Running();
    if (r.started) {
        armed = true;
        loop.exec();
    }
    r.maxPauseMs = watch.Stop();
    r.wallMs = NowMs() - t0;
    r.cpuMs = ProcessCpuMs() - c0;
    r.unitCpuMs = driver.UnitCpuMs() - u0;
    if (!r.started) {
        r.fault = "did not start: message \"" + w.presenter.last.toStdString() + "\"";
    } else if (!form.Measuring() && r.fault.empty()) {
        r.fault = "the series ended by itself after " +
                  std::to_string(form.RunningSeries().Done()) + " blocks";
    }
}

// The stop button ends the series at once; the last complete block stays the measured one.
void PressStop(SoakWindow& w, const ContinuousOptions& opt, RunFigures& r) {
    TFormMain& form = *w.form;
    r.doneAtStop = form.RunningSeries().Done();
    r.stopNs = w.clock.NowNs();
    const double t0 = NowMs();
    if (form.Measuring()) {
        StartButton(form)->click();
    }
    r.stopMs = NowMs() - t0;
    QCoreApplication::processEvents();
    std::string fault;
    r.lastBlockWhole = VerifyBlock(form, opt.count, fault);
    const bool ended = !form.Measuring() && !form.RunningSeries().Running() &&
                       form.RunningSeries().Done() == r.doneAtStop;
    if (r.fault.empty() && (!ended || !r.lastBlockWhole)) {
        r.fault = "after the stop button: fMeasuring " + std::to_string(form.Measuring()) +
                  ", series running " + std::to_string(form.RunningSeries().Running()) +
                  ", blocks " + std::to_string(form.RunningSeries().Done()) + " (" +
                  std::to_string(r.doneAtStop) +
                  " at the press), last block: " + (r.lastBlockWhole ? "whole" : fault);
    }
    if (r.fault.empty() && w.presenter.shown != 0) {
        r.fault = "message shown: \"" + w.presenter.last.toStdString() + "\"";
    }
    r.rssEnd = CurrentRssKb();
    r.peakEnd = PeakRssKb();
    r.idlePct = IdleCpuPercent(kIdleSeconds);
    r.idleTimerAfterStop = form.IdleTimerActive();
}

struct Verdict {
    bool blocksOk = false, countOk = false, samplesOk = false, overrunOk = false;
    bool runOk = false, rssOk = false, idleOk = false;
    long rssGrowth = 0;
    uint64_t samplesSent = 0;
    int64_t partial = 0;
};

Verdict Judge(const BlockChecks& c, const RunFigures& r, const RecordingDriver& d,
              const SimulatedUnit& unit, const ContinuousOptions& opt) {
    Verdict v;
    v.blocksOk = c.wrong == 0 && c.miscounted == 0 && c.seen == r.doneAtStop;
    // The one under way at the stop is the only command without its complete block.
    v.countOk = d.Starts() == r.doneAtStop + 1 && d.CutShort() == 0;
    v.samplesSent = d.SamplesSent();
    const auto whole = static_cast<uint64_t>(r.doneAtStop) * static_cast<uint64_t>(opt.count);
    v.partial = static_cast<int64_t>(v.samplesSent) - static_cast<int64_t>(whole);
    // The stop may come after the unit has sent the whole of the block under way and before
    // the window has taken it: the bridge still holds its last bytes then.
    v.samplesOk = v.samplesSent >= whole && v.partial <= opt.count;
    v.overrunOk = d.OverrunReports() == 0 && unit.LostBytes() == 0 && d.OtherFailures() == 0;
    v.runOk = r.started && r.fault.empty();
    v.rssGrowth = r.rss10 > 0 ? r.rssEnd - r.rss10 : 0;
    v.rssOk = r.rss10 > 0 && v.rssGrowth < kRssGrowthLimitKb;
    v.idleOk = r.idlePct < kIdleLimit && !r.idleTimerAfterStop;
    return v;
}

void PrintBlocks(const BlockChecks& c, const RunFigures& r, const RecordingDriver& d,
                 const Verdict& v, const ContinuousOptions& opt) {
    const double blockMs = BlockNs(opt) * 1e-6;
    std::printf("  blocks completed: %lld, each checked sample by sample: %s%s%s\n",
                static_cast<long long>(r.doneAtStop),
                c.wrong == 0 ? "all whole" : (std::to_string(c.wrong) + " WRONG").c_str(),
                c.firstFault.empty() ? "" : "; first fault: ", c.firstFault.c_str());
    std::printf("  block count: %lld finished and checked, Done() %lld, acquisition commands "
                "%lld (the blocks + the one stopped), commands followed by the next before "
                "their block was whole %lld: %s\n",
                static_cast<long long>(c.seen), static_cast<long long>(r.doneAtStop),
                static_cast<long long>(d.Starts()), static_cast<long long>(d.CutShort()),
                Mark(v.countOk && c.miscounted == 0 && c.seen == r.doneAtStop));
    std::printf("  samples the unit sent: %llu = %lld blocks x %d + %lld of the stopped block: "
                "%s\n",
                static_cast<unsigned long long>(v.samplesSent),
                static_cast<long long>(r.doneAtStop), opt.count, static_cast<long long>(v.partial),
                Mark(v.samplesOk));
    const double elapsedMs = d.FirstStartNs() >= 0 ? (r.stopNs - d.FirstStartNs()) * 1e-6 : 0.0;
    const double expected = std::floor(elapsedMs / blockMs);
    std::printf("  blocks expected back to back from the elapsed time: %.0f (%.3f s from the "
                "first command to the stop, %.3f ms a block); completed %.1f %% of that; the "
                "unit sampled %.1f %% of the time\n",
                expected, elapsedMs / 1000.0, blockMs,
                expected > 0 ? 100.0 * r.doneAtStop / expected : 0.0,
                elapsedMs > 0 ? 100.0 * (v.samplesSent * (blockMs / opt.count)) / elapsedMs : 0.0);
    std::printf("  gap between blocks (unit's last sample -> next acquisition command), %lld "
                "gaps: mean %.2f ms, max %.2f ms\n",
                static_cast<long long>(d.UnitIdle().n), d.UnitIdle().MeanMs(),
                d.UnitIdle().MaxMs());
    std::printf("    of it: last sample -> host read the block's last bytes: mean %.2f ms, max "
                "%.2f ms; that read -> next command (finish work and start): mean %.2f ms, max "
                "%.2f ms\n",
                d.Delivery().MeanMs(), d.Delivery().MaxMs(), d.HostPart().MeanMs(),
                d.HostPart().MaxMs());
}

void PrintFigures(const RunFigures& r, const RecordingDriver& d, const SimulatedUnit& unit,
                  const SimConfig& config, const Verdict& v, const ContinuousOptions& opt) {
    std::printf("  receive-queue overrun reports: %lld, bytes lost %llu, other failed driver "
                "calls %lld (queue %u bytes, latency timer %.0f ms): %s\n",
                static_cast<long long>(d.OverrunReports()),
                static_cast<unsigned long long>(unit.LostBytes()),
                static_cast<long long>(d.OtherFailures()), config.rxBufferBytes, config.latencyMs,
                Mark(v.overrunOk));
    std::printf("  stop button: handled in %.2f ms; last complete block still the measured one "
                "and whole: %s\n",
                r.stopMs, r.lastBlockWhole ? "yes" : "NO");
    std::printf("  CPU while idle over %.1f s after the stop: %.3f %% of a core, idle timer %s "
                "(limit %.0f %%): %s\n",
                kIdleSeconds, r.idlePct, r.idleTimerAfterStop ? "RUNNING" : "stopped", kIdleLimit,
                Mark(v.idleOk));
    std::printf("  longest event-loop pause while running: %.1f ms (the main thread ran %.1f ms of "
                "it); pauses over %.0f ms: %lld, %lld of them with the main thread running more "
                "than half of the time (the others: the process waited for a core)\n",
                r.maxPauseMs, r.tickPauseCpuMs, kLongPauseMs, static_cast<long long>(r.longPauses),
                static_cast<long long>(r.busyLongPauses));
    const double model = SimCostMsPerBlock(config, opt.rate, opt.count);
    const double cpuPct = r.wallMs > 0 ? 100.0 * r.cpuMs / r.wallMs : 0.0;
    const double unitPct = r.wallMs > 0 ? 100.0 * r.unitCpuMs / r.wallMs : 0.0;
    std::printf("  CPU while running: %.2f %% of a core; simulated unit alone %.2f %% (measured "
                "inside its calls; soak's model: %.3f ms per block -> %.2f %%); Tavrin's share "
                "%.2f %% (no target for the continuous series)\n",
                cpuPct, unitPct, model, 100.0 * model * r.doneAtStop / std::max(r.wallMs, 1.0),
                cpuPct - unitPct);
    std::printf("  (for comparison: an event loop serving the watch's empty %d ms timer costs "
                "%.2f %%)\n",
                kWatchIntervalMs, EmptyTimerCpuPercent(2.0, kWatchIntervalMs));
    std::printf("  RSS: at the start %ld kB, after the first block %ld kB, after 10 %% (%.1f s) "
                "%ld kB, at the end %ld kB; growth after 10 %% %+ld kB (limit < %ld kB): %s; "
                "peak (getrusage) %ld kB\n",
                r.rssStart, r.rssFirst, r.tenthS, r.rss10, r.rssEnd, v.rssGrowth, kRssGrowthLimitKb,
                Mark(v.rssOk), r.peakEnd);
    if (!r.fault.empty()) {
        std::printf("  FAULT: %s\n", r.fault.c_str());
    }
}

} // namespace

bool WantsContinuousSoak(int argc, char** argv) {
    return std::any_of(argv + 1, argv + argc,
                       [](const char* a) { return std::strcmp(a, "--continuous") == 0; });
}

int ContinuousSoakMain(int argc, char** argv) {
    ContinuousOptions opt;
    if (!ParseContinuousOptions(argc, argv, opt)) {
        std::fprintf(stderr, "usage: tavrin-soak --continuous [SECONDS] [--count 1024..262144] "
                             "[--rate-index 0..16] [--strict]\n");
        return 64;
    }
    QApplication app(argc, argv);
    const SimConfig config = RampConfig();
    RecordingDriver* driver = nullptr;
    SoakWindow w;
    const bool built = w.Build(config, opt.rate, opt.count, [&](std::unique_ptr<SimulatedUnit> u) {
        auto recording =
            std::make_unique<RecordingDriver>(std::move(u), w.clock, opt.count, BlockNs(opt));
        driver = recording.get();
        return std::unique_ptr<FtDriver>(std::move(recording));
    });
    if (!built || !driver) {
        std::fprintf(stderr, "soak: the main window could not be built\n");
        return 1;
    }
    w.form->SetSeries(SeriesSetting{kAverageBlocks, AverageMode::Power, true});
    BlockChecks checks;
    QObject::connect(&w.form->Measurement(), &TMeasurementController::finished,
                     [&] { checks.Check(*w.form, opt.count); });

    std::printf("Continuous soak: %.0f s of %d-sample blocks at %s (Sinc5+Sinc1), CH0 counter, "
                "moving power average of %d; block time %.3f ms; load average %s\n",
                opt.seconds, opt.count, RateText(opt.rate, false), kAverageBlocks,
                BlockNs(opt) * 1e-6, LoadAverage().c_str());
    RunFigures r;
    r.tenthS = opt.seconds / 10.0;
    r.rssStart = CurrentRssKb();
    RunUntilDue(w, opt, *driver, r);
    PressStop(w, opt, r);
    const Verdict v = Judge(checks, r, *driver, *w.unit, opt);

    std::printf("\nSummary (load average at the end %s)\n", LoadAverage().c_str());
    PrintBlocks(checks, r, *driver, v, opt);
    PrintFigures(r, *driver, *w.unit, config, v, opt);
    if (!(v.blocksOk && v.countOk && v.samplesOk && v.overrunOk && v.runOk)) {
        return 1;
    }
    return opt.strict && !(v.rssOk && v.idleOk) ? 2 : 0;
}

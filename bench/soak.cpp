// Soak run of the measurement controller: an offscreen main window with the simulated unit
// streaming a counter on CH0 (sample n of every acquisition carries code 0x100000 + n) takes
// consecutive full blocks through the start button and the normal idle handling, and every
// block is checked sample by sample. Per measurement it records the wall time from the button
// press to the finished display, the process CPU time during the acquisition, the longest
// pause of the event loop and the resident memory; afterwards the CPU time of the idle window
// and, apart, the simulated unit's own cost, so that the program's share can be told.
//
// Usage: tavrin-soak [--runs N] [--count N] [--idle-seconds S] [--no-stop-check] [--strict]
//        tavrin-soak --continuous [SECONDS] [--count N] [--rate-index I] [--strict]
// Exit code 0: every block whole; 1: a block wrong, lost or not finished, or a start against a
// silent unit leaves the wrong state; 2 (--strict only): a speed, load or memory target missed.
// --continuous runs a continuous series instead (ContinuousSoak.h).
#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ContinuousSoak.h"
#include "SoakKit.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "app/StatusPanels.h"
#include "app/Tavrin_main.h"
#include "common/RateTables.h"

namespace {

using namespace soak;

constexpr int32_t kRate = 16; // 125 ksps, Sinc5+Sinc1
constexpr double kExtraLimitMs = 200.0;
constexpr double kAcqShareLimit = 4.0; // % of a core besides the simulated unit
constexpr long kRssGrowthLimitKb = 1024;
constexpr double kStallMs = 10000.0;
constexpr double kResponsiveLimitMs = 50.0; // event-loop pause while a command waits

struct Options {
    int runs = 20;
    int32_t count = 262144;
    double idleSeconds = 10.0;
    bool stopCheck = true;
    bool strict = false;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--runs" && hasValue) {
            o.runs = std::atoi(argv[++i]);
        } else if (a == "--count" && hasValue) {
            o.count = std::atoi(argv[++i]);
        } else if (a == "--idle-seconds" && hasValue) {
            o.idleSeconds = std::atof(argv[++i]);
        } else if (a == "--no-stop-check") {
            o.stopCheck = false;
        } else if (a == "--strict") {
            o.strict = true;
        } else {
            return false;
        }
    }
    // Any count the settings file accepts, not only the dialog's powers of two.
    const bool countOk = o.count >= kMinDataCount && o.count <= kMaxDataCount;
    return o.runs >= 1 && countOk && o.idleSeconds >= 0;
}

struct RunResult {
    bool started = false;
    bool finished = false;
    bool blockOk = false;
    std::string fault;
    double wallMs = 0;    // button press to finished, repainted display
    double acqWallMs = 0; // button press to the last look while still acquiring
    double acqCpuMs = 0;  // process CPU over acqWallMs
    double finishMs = 0;  // last look while acquiring to finished display (upper bound)
    double maxGapMs = 0;  // longest time the event loop did not serve a 2 ms timer
    long peakRssKb = 0;
    long rssKb = 0;
};

RunResult Measure(TFormMain& form, CountingPresenter& presenter, SimulatedUnit* unit,
                  int32_t count) {
    RunResult r;
    const int shownBefore = presenter.shown;
    QEventLoop loop;
    bool armed = false;
    const double t0 = NowMs();
    const double c0 = ProcessCpuMs();
    LoopWatch watch([&](double now) {
        if (!armed) {
            return; // still inside the start command
        }
        if (!form.Measuring()) {
            loop.quit();
            return;
        }
        r.acqWallMs = now - t0;
        r.acqCpuMs = ProcessCpuMs() - c0;
        if (now - t0 > kStallMs) {
            loop.quit();
        }
    });
    StartButton(form)->click();
    r.started = form.Measuring();
    if (!r.started) {
        r.fault = "did not start: panel 0 \"" + StatusBar(form)->PanelText(0).toStdString() +
                  "\", message \"" + presenter.last.toStdString() + "\"";
        return r;
    }
    r.acqWallMs = NowMs() - t0;
    r.acqCpuMs = ProcessCpuMs() - c0;
    armed = true;
    loop.exec();
    r.maxGapMs = watch.Stop();
    if (form.Measuring()) {
        StartButton(form)->click(); // the stop button
        r.fault = "stalled at " + std::to_string(form.Measurement().ReceivedCount()) + " samples";
        return r;
    }
    QCoreApplication::processEvents(); // the repaint of the finished display
    r.wallMs = NowMs() - t0;
    r.finishMs = r.wallMs - r.acqWallMs;
    r.finished = true;
    r.peakRssKb = PeakRssKb();
    r.rssKb = CurrentRssKb();
    r.blockOk = VerifyBlock(form, count, r.fault);
    if (r.blockOk && presenter.shown != shownBefore) {
        r.blockOk = false;
        r.fault = "message shown: \"" + presenter.last.toStdString() + "\"";
    }
    if (r.blockOk && StatusBar(form)->PanelText(1) != QStringLiteral("計測終了しました")) {
        r.blockOk = false;
        r.fault = "panel 1 \"" + StatusBar(form)->PanelText(1).toStdString() + "\"";
    }
    if (r.blockOk && unit && unit->SamplesSent() != static_cast<uint64_t>(count)) {
        r.blockOk = false;
        r.fault = "the unit sent " + std::to_string(unit->SamplesSent()) + " samples";
    }
    return r;
}

// A measurement stopped half-way: the stop button must end it at once and drop the samples.
bool StopHalfWay(TFormMain& form, double afterMs, double& stopMs, std::string& fault) {
    StartButton(form)->click();
    if (!form.Measuring()) {
        fault = "did not start";
        return false;
    }
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(afterMs), &loop, &QEventLoop::quit);
    loop.exec();
    const int32_t before = form.Measurement().ReceivedCount();
    const double t0 = NowMs();
    StartButton(form)->click();
    stopMs = NowMs() - t0;
    if (form.Measuring() || form.Document().fDataExist || before <= 0) {
        fault = "after the stop button: fMeasuring " + std::to_string(form.Measuring()) +
                ", fDataExist " + std::to_string(form.Document().fDataExist) + ", samples before " +
                std::to_string(before);
        return false;
    }
    QCoreApplication::processEvents();
    return true;
}

// A start against a unit that never answers: every command waits its full time-out while the
// event loop goes on. Returns the longest pause of the loop during the start command.
double StartAgainstSilentUnit(double& commandMs, std::string& fault) {
    SimConfig config = DefaultSimConfig();
    config.silent = true;
    QTemporaryDir dir;
    CountingPresenter presenter;
    SteadyClock clock;
    FormMainOptions options;
    options.baseDir = dir.path();
    options.presenter = &presenter;
    options.driverFactory = [&] { return std::make_unique<SimulatedUnit>(config, clock); };
    TFormMain form(options);
    while (form.FirstIdlePending()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    LoopWatch watch;
    const double t0 = NowMs();
    StartButton(form)->click();
    commandMs = NowMs() - t0;
    const double gap = watch.Stop();
    if (form.Measuring() || StartButton(form)->text() != QStringLiteral("計測開始") ||
        presenter.shown != 1) {
        fault = "after the start: fMeasuring " + std::to_string(form.Measuring()) + ", button \"" +
                StartButton(form)->text().toStdString() + "\", " + std::to_string(presenter.shown) +
                " messages";
    }
    return gap;
}

struct Series {
    std::vector<RunResult> results;
    bool blocksOk = true, stopOk = true;
    double stopMs = 0;
    std::string stopFault;
};

// The measurements one after the other, a row each; half-way, one is stopped half-way through.
Series RunSeries(SoakWindow& w, const Options& opt, double blockMs) {
    std::printf("%4s %10s %8s %10s %9s %9s %8s %10s %9s  %s\n", "run", "wall ms", "extra",
                "finish ms", "acq CPU%", "max gap", "ok", "peakRSS kB", "RSS kB", "fault");
    Series s;
    for (int i = 0; i < opt.runs; ++i) {
        if (opt.stopCheck && i == opt.runs / 2) {
            // The next block after a stopped one must start cleanly with sample 0.
            s.stopOk = StopHalfWay(*w.form, blockMs / 4, s.stopMs, s.stopFault);
            s.blocksOk = s.blocksOk && s.stopOk;
        }
        RunResult r = Measure(*w.form, w.presenter, w.unit, opt.count);
        s.blocksOk = s.blocksOk && r.finished && r.blockOk;
        const double acqPct = r.acqWallMs > 0 ? 100.0 * r.acqCpuMs / r.acqWallMs : 0.0;
        std::printf("%4d %10.1f %8.1f %10.1f %9.2f %9.1f %8s %10ld %9ld  %s\n", i + 1, r.wallMs,
                    r.wallMs - blockMs, r.finishMs, acqPct, r.maxGapMs,
                    r.finished && r.blockOk ? "whole" : "WRONG", r.peakRssKb, r.rssKb,
                    r.fault.c_str());
        std::fflush(stdout);
        s.results.push_back(r);
        if (!r.started) {
            break;
        }
    }
    return s;
}

// What follows the series: the idle window, the bare polling cadence, a start against a unit
// that never answers.
struct AfterRun {
    double idlePct = 0, cadencePct = 0, silentMs = 0, silentGap = 0;
    std::string silentFault;
    bool idleTimer = false;
};

AfterRun MeasureAfterRun(const TFormMain& form, const Options& opt) {
    AfterRun a;
    a.idlePct = opt.idleSeconds > 0 ? IdleCpuPercent(opt.idleSeconds) : 0;
    a.cadencePct = EmptyTimerCpuPercent(2.0);
    a.silentGap = StartAgainstSilentUnit(a.silentMs, a.silentFault);
    a.idleTimer = form.IdleTimerActive();
    return a;
}

// The block's time and the simulated unit's CPU per block (counter and default tone picture).
struct Costs {
    double blockMs = 0, simRampMs = 0, simToneMs = 0;
};

struct Summary {
    int done = 0;
    double wallMax = 0, wallMean = 0, finishMax = 0, gapMax = 0;
    double acqPct = 0, simPct = 0, sharePct = 0;
    long rssFrom = 0, rssTo = 0, rssGrowth = 0;
    bool wallOk = false, shareOk = false, idleOk = false, rssOk = false, responsiveOk = false;
};

Summary Summarize(const Series& s, const AfterRun& a, const Costs& c, const Options& opt) {
    Summary m;
    double wallSum = 0, acqCpuSum = 0, acqWallSum = 0;
    for (const RunResult& r : s.results) {
        if (!r.finished) {
            continue;
        }
        ++m.done;
        m.wallMax = std::max(m.wallMax, r.wallMs);
        wallSum += r.wallMs;
        acqCpuSum += r.acqCpuMs;
        acqWallSum += r.acqWallMs;
        m.finishMax = std::max(m.finishMax, r.finishMs);
        m.gapMax = std::max(m.gapMax, r.maxGapMs);
    }
    m.wallMean = m.done ? wallSum / m.done : 0.0;
    m.acqPct = acqWallSum > 0 ? 100.0 * acqCpuSum / acqWallSum : 0;
    m.simPct = 100.0 * c.simRampMs / c.blockMs;
    m.sharePct = m.acqPct - m.simPct;
    // The first measurement touches the graphs and FFT tables for the first time; growth is
    // judged from the second one on.
    m.rssFrom = s.results.size() >= 2 ? s.results[1].peakRssKb : 0;
    m.rssTo = s.results.empty() ? 0 : s.results.back().peakRssKb;
    m.rssGrowth = m.rssTo - m.rssFrom;

    m.wallOk = m.done == opt.runs && m.wallMax <= c.blockMs + kExtraLimitMs;
    m.shareOk = m.sharePct < kAcqShareLimit;
    m.idleOk = a.idlePct < kIdleLimit && !a.idleTimer;
    m.rssOk = m.rssGrowth <= kRssGrowthLimitKb;
    m.responsiveOk = a.silentGap <= kResponsiveLimitMs;
    return m;
}

void PrintSummary(const Series& s, const AfterRun& a, const Costs& c, const Summary& m,
                  const Options& opt) {
    std::printf("\nSummary (%d of %d measurements finished)\n", m.done, opt.runs);
    std::printf("  blocks whole, no lost/repeated/reordered sample: %s\n",
                s.blocksOk ? "yes" : "NO");
    if (opt.stopCheck) {
        std::printf("  stop button half-way: %s, handled in %.2f ms %s\n",
                    s.stopOk ? "acquisition ended, samples dropped" : "FAILED", s.stopMs,
                    s.stopFault.c_str());
    }
    std::printf("  wall time per measurement: mean %.1f ms, max %.1f ms; block %.1f ms + "
                "limit %.0f ms: %s\n",
                m.wallMean, m.wallMax, c.blockMs, kExtraLimitMs, Mark(m.wallOk));
    std::printf("  last look while acquiring -> finished display: max %.1f ms "
                "(includes up to %d ms of watch interval and the last read group)\n",
                m.finishMax, kWatchIntervalMs);
    std::printf("  longest event-loop pause during a measurement: %.1f ms\n", m.gapMax);
    std::printf("  start against a silent unit: %.0f ms in the start command, longest event-loop "
                "pause %.1f ms (limit %.0f ms): %s%s%s\n",
                a.silentMs, a.silentGap, kResponsiveLimitMs, Mark(m.responsiveOk),
                a.silentFault.empty() ? "" : "; WRONG: ", a.silentFault.c_str());
    std::printf("  CPU during acquisition: %.2f %% of a core; simulated unit alone %.2f %% "
                "(%.2f ms per block; default tone picture %.2f ms); Tavrin's share %.2f %% "
                "(limit %.0f %%): %s\n",
                m.acqPct, m.simPct, c.simRampMs, c.simToneMs, m.sharePct, kAcqShareLimit,
                Mark(m.shareOk));
    std::printf("  (for comparison: an event loop serving an empty 1 ms timer costs %.2f %%)\n",
                a.cadencePct);
    std::printf("  CPU while idle over %.1f s: %.3f %% of a core, idle timer %s (limit %.0f %%): "
                "%s\n",
                opt.idleSeconds, a.idlePct, a.idleTimer ? "RUNNING" : "stopped", kIdleLimit,
                Mark(m.idleOk));
    std::printf("  peak RSS: after run 1 %ld kB, run 2 %ld kB, last %ld kB; growth %+ld kB "
                "(limit %ld kB): %s\n",
                s.results.empty() ? 0L : s.results[0].peakRssKb, m.rssFrom, m.rssTo, m.rssGrowth,
                kRssGrowthLimitKb, Mark(m.rssOk));
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (WantsContinuousSoak(argc, argv)) {
        return ContinuousSoakMain(argc, argv);
    }
    Options opt;
    if (!ParseOptions(argc, argv, opt)) {
        std::fprintf(stderr, "usage: tavrin-soak [--runs N] [--count 1024..262144] "
                             "[--idle-seconds S] [--no-stop-check] [--strict]\n"
                             "       tavrin-soak --continuous [SECONDS] [--count N] "
                             "[--rate-index 0..16] [--strict]\n");
        return 64;
    }
    QApplication app(argc, argv);

    const SimConfig config = RampConfig();
    const Costs costs{SamplePeriod(kRate, false) * opt.count,
                      SimCostMsPerBlock(config, kRate, opt.count),
                      SimCostMsPerBlock(DefaultSimConfig(), kRate, opt.count)};

    SoakWindow window;
    if (!window.Build(config, kRate, opt.count)) {
        std::fprintf(stderr, "soak: the main window could not be built\n");
        return 1;
    }
    std::printf("Soak: %d measurements of %d samples at %s (Sinc5+Sinc1), CH0 counter; "
                "block time %.1f ms\n",
                opt.runs, opt.count, RateText(kRate, false), costs.blockMs);
    const Series series = RunSeries(window, opt, costs.blockMs);
    const AfterRun after = MeasureAfterRun(*window.form, opt);
    const Summary summary = Summarize(series, after, costs, opt);
    PrintSummary(series, after, costs, summary, opt);

    if (!series.blocksOk || !after.silentFault.empty()) {
        return 1;
    }
    if (opt.strict && !(summary.wallOk && summary.shareOk && summary.idleOk && summary.rssOk &&
                        summary.responsiveOk)) {
        return 2;
    }
    return 0;
}

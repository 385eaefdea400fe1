#include "SoakKit.h"

#include <QCoreApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "app/StatusPanels.h"
#include "common/RateTables.h"

namespace soak {

namespace {

int32_t RampCode(int64_t n) {
    return kRampFirstCode + static_cast<int32_t>(n % kRampSpan);
}

} // namespace

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double ProcessCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-3;
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec * 1e-6;
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

long CurrentRssKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

SimConfig RampConfig() {
    SimConfig config = DefaultSimConfig();
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    return config;
}

double SimCostMsPerBlock(const SimConfig& config, int32_t rate, int32_t count) {
    struct ManualClock : IMonotonicClock {
        int64_t now = 1;
        int64_t NowNs() override { return now; }
    } clock;
    const auto periodNs = static_cast<int64_t>(SamplePeriod(rate, false) * 1.0e6 + 0.5);
    std::vector<uint8_t> buffer(3 * 1024 + 16);
    double best = 1e30;
    for (int repeat = 0; repeat < 5; ++repeat) {
        SimulatedUnit unit(config, clock);
        uint32_t n = 0;
        unit.OpenByIndex(0);
        char command[16];
        std::snprintf(command, sizeof command, "F%c\rA0%05X\r", RateCharacter(rate),
                      static_cast<unsigned>(count));
        unit.Write(reinterpret_cast<const uint8_t*>(command), std::strlen(command), n);
        unit.Read(buffer.data(), 3, n); // "OK\r" of the rate command
        const double start = ThreadCpuMs();
        // Bytes, not samples: the bridge's packets split samples.
        int64_t received = 0;
        while (received < int64_t{3} * count) {
            clock.now += 1024 * periodNs;
            uint32_t queued = 0;
            unit.GetQueueStatus(queued);
            while (queued > 0) {
                uint32_t got = 0;
                unit.Read(buffer.data(), std::min<uint32_t>(queued, 3 * 1024), got);
                received += got;
                queued -= got;
            }
        }
        best = std::min(best, ThreadCpuMs() - start);
    }
    return best;
}

QPushButton* StartButton(const TFormMain& form) {
    return form.findChild<QPushButton*>(QStringLiteral("MeasureStartBtn"));
}

TStatusPanels* StatusBar(const TFormMain& form) {
    return form.findChild<TStatusPanels*>(QStringLiteral("StatusBar1"));
}

bool VerifyBlock(const TFormMain& form, int32_t count, std::string& fault) {
    if (!form.Document().fDataExist || form.Document().curBlock.count != count) {
        fault = "no data (fDataExist " + std::to_string(form.Document().fDataExist) + ", count " +
                std::to_string(form.Document().curBlock.count) + ")";
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        const int32_t want = RampCode(i);
        const int32_t got = form.Document().curCodes[i];
        if (got == want) {
            continue;
        }
        const int32_t step = got - want;
        const char* kind = step > 0 ? "samples lost" : "samples repeated or out of order";
        fault = "sample " + std::to_string(i) + ": code " + std::to_string(got) + ", expected " +
                std::to_string(want) + " (" + std::to_string(step) + ", " + kind + ")";
        return false;
    }
    return true;
}

LoopWatch::LoopWatch(std::function<void(double now)> onTick) : onTick_(std::move(onTick)) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        const double now = NowMs();
        maxGap_ = std::max(maxGap_, now - last_);
        last_ = now;
        if (onTick_) {
            onTick_(now);
        }
    });
    last_ = NowMs();
    timer_.start(kWatchIntervalMs);
}

double LoopWatch::Stop() {
    timer_.stop();
    return std::max(maxGap_, NowMs() - last_);
}

double IdleCpuPercent(double seconds) {
    const double t0 = NowMs();
    const double c0 = ProcessCpuMs();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double wall = NowMs() - t0;
    return wall > 0 ? 100.0 * (ProcessCpuMs() - c0) / wall : 0.0;
}

double EmptyTimerCpuPercent(double seconds, int intervalMs) {
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(intervalMs);
    const double percent = IdleCpuPercent(seconds);
    tick.stop();
    return percent;
}

const char* Mark(bool ok) {
    return ok ? "ok" : "MISSED";
}

bool SoakWindow::Build(const SimConfig& config, int32_t rate, int32_t count, DriverWrap wrap) {
    FormMainOptions options;
    options.baseDir = dir.path();
    // The user's own settings (a remembered averaging count among them) stay out of the run.
    options.userSettingsFile = dir.filePath(QStringLiteral("tavrin.conf"));
    options.presenter = &presenter;
    options.driverFactory = [this, config, wrap]() -> std::unique_ptr<FtDriver> {
        auto driver = std::make_unique<SimulatedUnit>(config, clock);
        unit = driver.get();
        if (wrap) {
            return wrap(std::move(driver));
        }
        return driver;
    };
    form = std::make_unique<TFormMain>(options);
    if (form->ConstructionFailed() || !form->Measurement().ADUnit()) {
        return false;
    }
    while (form->FirstIdlePending()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    form->Document().unitSetting = ADUnitSetting{rate, false, 0};
    form->Document().graphSetting.DataCountMax = count;
    form->Document().graphSetting.DataCountSel = static_cast<int32_t>(
        std::find(std::begin(kDataCountList), std::end(kDataCountList), count) -
        std::begin(kDataCountList));
    form->Document().measureSetting.fSaveDataFile = false;
    return true;
}

} // namespace soak

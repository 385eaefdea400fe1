// The pieces both soak runs use: the offscreen main window on the simulated unit streaming the
// counter, the check of a measured block against it, the event-loop watch and the process's CPU
// and memory figures.
#pragma once

#include <QEventLoop>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "app/MessagePresenter.h"
#include "app/Tavrin_main.h"

class QPushButton;
class TStatusPanels;

namespace soak {

inline constexpr int kWatchIntervalMs = 2;
// CPU of the idle window, % of a core.
inline constexpr double kIdleLimit = 1.0;

double NowMs();
double ProcessCpuMs();
// CPU time of the calling thread alone.
double ThreadCpuMs();
long PeakRssKb();
long CurrentRssKb();

// The unit's inputs for the soak: CH0 streams the counter (sample n carries code 0x100000 + n).
SimConfig RampConfig();

class CountingPresenter : public IMessagePresenter {
public:
    MsgAnswer Present(const MessageBoxRequest& request) override {
        ++shown;
        last = request.text;
        return MsgAnswer::Ok;
    }
    int shown = 0;
    QString last;
};

// CPU time the simulated unit itself spends producing one block at rate index `rate` (Sinc5):
// the same queue queries and reads the transport makes, against a hand-advanced clock so
// nothing waits.
double SimCostMsPerBlock(const SimConfig& config, int32_t rate, int32_t count);

// The window keeps its controls to itself; the runs find them by their object names.
QPushButton* StartButton(const TFormMain& form);
TStatusPanels* StatusBar(const TFormMain& form);

// Checks the whole measured block against the counter the unit streams.
bool VerifyBlock(const TFormMain& form, int32_t count, std::string& fault);

// A 2 ms timer that records the longest time the event loop left it unserved, also inside
// nested event servicing (the unit commands wait that way).
class LoopWatch {
public:
    explicit LoopWatch(std::function<void(double now)> onTick = {});
    // The longest gap, counting the time since the last tick.
    double Stop();

private:
    QTimer timer_;
    std::function<void(double)> onTick_;
    double last_ = 0;
    double maxGap_ = 0;
};

// Process CPU over `seconds` of a bare event loop, in % of a core.
double IdleCpuPercent(double seconds);
// What a polling cadence alone costs: an event loop serving an empty precise timer of
// `intervalMs` (the window's idle timer runs at 1 ms while measuring).
double EmptyTimerCpuPercent(double seconds, int intervalMs = 1);

const char* Mark(bool ok);

// The window under soak, on the simulated unit streaming the counter, ready for `count`-sample
// blocks at rate index `rate` (Sinc5) without automatic save. `wrap`, when given, puts a driver
// of the run's own between the window and the simulated unit.
struct SoakWindow {
    using DriverWrap = std::function<std::unique_ptr<FtDriver>(std::unique_ptr<SimulatedUnit>)>;

    QTemporaryDir dir;
    CountingPresenter presenter;
    SteadyClock clock;
    SimulatedUnit* unit = nullptr;
    std::unique_ptr<TFormMain> form;

    bool Build(const SimConfig& config, int32_t rate, int32_t count, DriverWrap wrap = {});
};

} // namespace soak

// Cost of the AD unit path at the fastest rate: the simulated unit generating the default bench
// picture and TADC turning it into codes, one 1024-sample read group per iteration. At 125 ksps a
// read group is due every 8.192 ms, so the time per iteration against 8.192 ms is the share of a
// core the acquisition costs.
#include <benchmark/benchmark.h>

#include <array>
#include <functional>
#include <memory>

#include "adunit/Adc.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"

namespace {

struct ManualClock : IMonotonicClock {
    int64_t now = 0;
    int64_t NowNs() override { return now; }
};
struct NoPump : IEventPump {
    void ProcessPendingEvents() override {}
};
struct NoTimer : IOneShotTimer {
    void SetHandler(std::function<void()>) override {}
    void Start(unsigned) override {}
    void Stop() override {}
};

void SimulatedAcquisition125k(benchmark::State& state) {
    ManualClock clock;
    NoPump pump;
    NoTimer timer;
    SimConfig config = DefaultSimConfig();
    config.latencyMs = 0.0; // the clock stands still while the rate command waits for its reply
    TADC adc(std::make_unique<SimulatedUnit>(config, clock), timer, pump, &clock);
    adc.OpenUnit();
    adc.SetRate(16);
    std::array<int32_t, 1024> codes{};
    int64_t started = 0;
    for (auto _ : state) {
        if (started == 0) {
            adc.StartAcquisition(0, 0xFFFFF);
            started = 0xFFFFF / 1024;
        }
        clock.now += 1024 * 8000;
        int32_t got = 0;
        adc.ReadSamples(codes.data(), got, 1024);
        benchmark::DoNotOptimize(codes.data());
        --started;
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(SimulatedAcquisition125k);

void ToneGeneration(benchmark::State& state) {
    SignalGenerator gen;
    gen.Setup(DefaultSimConfig().channel[0], 8e-6, false, true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(gen.Next());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ToneGeneration);

} // namespace

BENCHMARK_MAIN();

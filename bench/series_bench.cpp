// The gap between two blocks of a series: from the last sample of a 262144-sample block at
// 125 ksps to the acquisition command of the next, on an offscreen main window with the
// simulated unit. That is the series' finish work: stop, clipping check, the copy into the
// measured block, conversion, spectrum, the moving power average of the last 16 spectra, both
// graphs, read-outs, texts and the next start command.
//
// SeriesGap/analysis:0   the analysis window closed
// SeriesGap/analysis:1   open: its refresh runs after the gap, on the next pass of the event
//                        loop, and is not timed
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "CountingPresenter.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SignalModel.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "app/MessagePresenter.h"
#include "app/Tavrin_main.h"
#include "common/RateTables.h"

namespace {

constexpr int32_t kCount = 262144;
constexpr int32_t kRate = 16; // 125 ksps

struct SeriesScene {
    QTemporaryDir dir;
    CountingPresenter presenter;
    SteadyClock clock;
    std::unique_ptr<TFormMain> form;

    SeriesScene() {
        FormMainOptions options;
        options.baseDir = dir.path();
        options.presenter = &presenter;
        options.userSettingsFile = dir.filePath("tavrin.conf");
        options.driverFactory = [this] {
            return std::make_unique<SimulatedUnit>(DefaultSimConfig(), clock);
        };
        form = std::make_unique<TFormMain>(options);
        while (form->FirstIdlePending()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        MeasurementDocument& doc = form->Document();
        doc.unitSetting = ADUnitSetting{kRate, false, 0};
        doc.graphSetting.DataCountMax = kCount;
        doc.graphSetting.DataCountSel = 8;
        doc.measureSetting.fSaveDataFile = false;
        form->SetSeries({16, AverageMode::Power, true});
        form->StartMeasurement();

        SignalGenerator generator;
        generator.Setup(DefaultSimConfig().channel[0],
                        static_cast<double>(SamplePeriod(kRate, false)) * 1e-3, false, true);
        for (int32_t i = 0; i < kCount; ++i) {
            doc.seriesCodes[i] = generator.Next();
        }
    }
};

SeriesScene& TheScene() {
    static int argc = 1;
    static char name[] = "bench_series";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    static SeriesScene scene;
    return scene;
}

void SeriesGap(benchmark::State& state) {
    SeriesScene& s = TheScene();
    if (state.range(0) != 0 && !s.form->Analysis()) {
        s.form->MenuAnalysisClick();
    }
    if (!s.form->Measuring() || !s.form->RunningSeries().Running()) {
        state.SkipWithError("the series did not start");
        return;
    }
    for (auto _ : state) {
        s.form->FinishMeasurement();
        state.PauseTiming();
        // The event loop's pass after the block: paints and the analysis window's refresh.
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    const int64_t expected = std::min<int64_t>(s.form->RunningSeries().Done(), 16);
    if (!s.form->Measuring() || s.presenter.shown != 0 ||
        s.form->Document().curBlock.averaging.blocks != expected) {
        state.SkipWithError("the series did not go on with its moving average of the last 16");
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(SeriesGap)
    ->ArgName("analysis")
    ->Arg(0)
    ->Arg(1)
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();

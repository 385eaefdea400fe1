// The work from the last sample of a 262144-sample block at 125 ksps to the finished display:
// stop, clipping check, conversion, spectrum, both graphs, peak and RMS read-outs, information
// and statistics texts, on an offscreen main window whose measured codes hold a full block of
// the simulator's bench picture (1 kHz tone, harmonics, hum, noise).
//
// FinishMeasurement        the controller's own completion step, when the benchmark can reach it
// FinishFromParts          the same steps called one by one through the window's public parts
// .../paint:1              plus the repaint of the window that follows (pending paint events)
// FinishMeasurementNewWindow  the first block after a change of window function
// FinishStep               the steps one at a time
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "CountingPresenter.h"
#include "adunit/Adc.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "app/MessagePresenter.h"
#include "app/Mystatus.h"
#include "app/Tavrin_main.h"
#include "common/DecimalPicture.h"
#include "common/RateTables.h"
#include "graph/FFTGraph.h"
#include "graph/GraphArea.h"

namespace {

constexpr int32_t kCount = 262144;
constexpr int32_t kRate = 16; // 125 ksps

// Opens the controller's protected steps to the benchmark.
class BenchForm : public TFormMain {
public:
    using TFormMain::RedrawGraphs;
    using TFormMain::TFormMain;

    // Runs the controller's completion step if this class can call it; false otherwise (it is
    // private, or not there yet).
    template <class Self = BenchForm> bool Finish() {
        if constexpr (requires(Self & s) { s.FinishMeasurement(); }) {
            static_cast<Self*>(this)->FinishMeasurement();
            return true;
        } else {
            return false;
        }
    }
};

struct Scene {
    QTemporaryDir dir;
    CountingPresenter presenter;
    SteadyClock clock;
    std::unique_ptr<BenchForm> form;

    Scene() {
        FormMainOptions options;
        options.baseDir = dir.path();
        options.presenter = &presenter;
        options.driverFactory = [this] {
            return std::make_unique<SimulatedUnit>(DefaultSimConfig(), clock);
        };
        form = std::make_unique<BenchForm>(options);
        // The first idle pass reads the start-up file, lays out the graphs and shows the window.
        while (form->FirstIdlePending()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        form->Document().unitSetting = ADUnitSetting{kRate, false, 0};
        form->Document().acqSetting = form->Document().unitSetting;
        form->Document().graphSetting.DataCountMax = kCount;
        form->Document().graphSetting.DataCountSel = 8;
        form->Document().measureSetting.fSaveDataFile = false;
        // The unit is open as it is at the end of an acquisition, so the stop command is sent.
        form->Measurement().ADUnit()->OpenUnit();

        SignalGenerator generator;
        generator.Setup(DefaultSimConfig().channel[0],
                        static_cast<double>(SamplePeriod(kRate, false)) * 1e-3, false, true);
        for (int32_t i = 0; i < kCount; ++i) {
            form->Document().curCodes[i] = generator.Next();
        }
    }

    // The state the last idle step leaves before completion.
    void LastSampleArrived() {
        form->Document().fDataExist = false;
        form->Document().fDataSaved = false;
    }
};

Scene& TheScene() {
    static int argc = 1;
    static char name[] = "bench_finish";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    static Scene scene;
    return scene;
}

// The completion steps in the controller's order, through the public parts of the window.
void RunFinishSteps(BenchForm& f) {
    if (!f.Measurement().ADUnit()->StopAcquisition()) {
        f.Measurement().ADUnit()->CloseUnit();
    }
    // The document's end of a block: length, rate, filter, clipping check, conversion and code
    // statistics.
    MeasurementDocument& d = f.Document();
    if (d.FinishBlock() != MeasurementDocument::FinishResult::Accepted) {
        std::abort(); // the bench picture never clips
    }
    SampleBlock& b = d.curBlock;
    f.Document().FFT()->ComputeSpectrum(b);
    f.RedrawGraphs();
    f.ShowPeak();
    f.ShowRMS();
    const float df = DeltaF(SamplePeriod(b.spsSel, b.sinc3), b.count);
    f.SetInfoPanel(QStringLiteral("Δｆ= ") + QString::fromStdString(FormatPicture(df, "0.000")) +
                       QStringLiteral("Hz / 絶対値[dBV] 表示 / 窓関数=ハニング窓"),
                   2);
    f.Status()->ShowMeasureEnd();
    f.Status()->ShowCodeStatistics(f.Graphs().Graph()->CodeMax(), f.Graphs().Graph()->CodeMin(),
                                   f.Document().stdDevCode);
}

void FinishMeasurement(benchmark::State& state) {
    Scene& s = TheScene();
    const bool paint = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.LastSampleArrived();
        if (!s.form->Measurement().ADUnit()->OpenUnit()) {
            state.SkipWithError("the simulated unit does not open");
            break;
        }
        state.ResumeTiming();
        if (!s.form->Finish()) {
            state.SkipWithError("FinishMeasurement is not reachable from a derived class");
            break;
        }
        if (paint) {
            QCoreApplication::processEvents();
        }
    }
    if (!s.form->Document().fDataExist || s.form->Document().curBlock.count != kCount ||
        s.presenter.shown != 0) {
        state.SkipWithError("the block was not accepted");
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(FinishMeasurement)
    ->ArgName("paint")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The first block after the window function changed (or the first of the run): the window's
// factors are computed again, once.
void FinishMeasurementNewWindow(benchmark::State& state) {
    Scene& s = TheScene();
    int32_t& window = s.form->Document().graphSetting.whichWindowFunc;
    for (auto _ : state) {
        state.PauseTiming();
        s.LastSampleArrived();
        window = window == WinHanning ? WinHamming : WinHanning;
        s.form->Measurement().ADUnit()->OpenUnit();
        state.ResumeTiming();
        if (!s.form->Finish()) {
            state.SkipWithError("FinishMeasurement is not reachable from a derived class");
            break;
        }
    }
    window = WinHanning;
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(FinishMeasurementNewWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void FinishFromParts(benchmark::State& state) {
    Scene& s = TheScene();
    const bool paint = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.LastSampleArrived();
        s.form->Measurement().ADUnit()->OpenUnit();
        state.ResumeTiming();
        RunFinishSteps(*s.form);
        if (paint) {
            QCoreApplication::processEvents();
        }
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(FinishFromParts)
    ->ArgName("paint")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The completion steps one at a time, to show where the time goes.
void FinishStep(benchmark::State& state) {
    Scene& s = TheScene();
    BenchForm& f = *s.form;
    RunFinishSteps(f); // a finished block to work on
    SampleBlock& b = f.Document().curBlock;
    const auto step = state.range(0);
    for (auto _ : state) {
        switch (step) {
        case 0:
            benchmark::DoNotOptimize(f.Document().FinishBlock());
            break;
        case 1:
            f.Document().FFT()->ComputeSpectrum(b);
            break;
        case 2:
            f.RedrawGraphs();
            break;
        case 3:
            f.ShowPeak();
            benchmark::DoNotOptimize(SpectrumRMS(b));
            break;
        case 4:
            benchmark::DoNotOptimize(CodeStdDev(b));
            f.Status()->ShowCodeStatistics(f.Graphs().Graph()->CodeMax(),
                                           f.Graphs().Graph()->CodeMin(), f.Document().stdDevCode);
            break;
        case 5:
            QCoreApplication::processEvents();
            break;
        // The larger steps taken apart.
        case 6:
            benchmark::DoNotOptimize(ConvertBlock(b, SamplePeriod(b.spsSel, b.sinc3)));
            break;
        case 7:
            benchmark::DoNotOptimize(CodeMean(b));
            benchmark::DoNotOptimize(CodeStdDev(b));
            break;
        case 8:
            f.Graphs().Graph()->DrawSpectrum(FFTGraph::Which::Measured);
            break;
        case 9:
            f.Graphs().Graph()->DrawWaveform(FFTGraph::Which::Measured);
            break;
        case 10:
            f.Graphs().Graph()->UpdateAxisLabels();
            f.Graphs().Graph()->PlaceControls();
            break;
        default:
            benchmark::DoNotOptimize(f.Graphs().Graph()->CodeMax());
            benchmark::DoNotOptimize(f.Graphs().Graph()->CodeMin());
            break;
        }
    }
    static const char* const kNames[] = {"check+convert+stats",
                                         "spectrum",
                                         "graphs",
                                         "peak+rms",
                                         "stats",
                                         "repaint",
                                         "convert",
                                         "code mean+deviation",
                                         "graphs: spectrum curve",
                                         "graphs: waveform curve",
                                         "graphs: axis labels+placing",
                                         "code max+min"};
    state.SetLabel(kNames[step]);
}
BENCHMARK(FinishStep)
    ->ArgName("step")
    ->DenseRange(0, 11)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // The window never needs a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TheScene();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

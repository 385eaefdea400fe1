// The measurement controller on its own, with a scripted unit that queues every sample at the
// acquisition command and a clock the test moves: what it tells the window, and when.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MeasurementController.h"
#include "app/measure_test_helpers.h"

namespace {

const ADUnitSetting k125ksps{16, false, 0}; // 1024 samples a read group

// The scripted unit behind a switch that makes every queue query and read fail.
class FaultyDriver : public ForwardingDriver {
public:
    using ForwardingDriver::ForwardingDriver;
    uint32_t GetQueueStatus(uint32_t& queued) override {
        return fail ? 4 : ForwardingDriver::GetQueueStatus(queued);
    }
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& got) override {
        return fail ? 4 : ForwardingDriver::Read(dst, count, got);
    }
    bool fail = false;
};

struct ControllerRig {
    explicit ControllerRig(int32_t queuedSamples) {
        TestApp();
        auto scripted = std::make_unique<ScriptedUnit>();
        for (int32_t i = 0; i < queuedSamples; ++i) {
            scripted->codes.push_back(0x400000 + 3 * i);
        }
        unit = scripted.get();
        auto faulty = std::make_unique<FaultyDriver>(std::move(scripted));
        driver = faulty.get();
        controller.CreateUnit(std::move(faulty), &clock);
        QObject::connect(
            &controller, &TMeasurementController::progress, [this](int32_t n, int32_t code) {
                told.push_back("progress " + std::to_string(n) + " " + std::to_string(code));
            });
        QObject::connect(&controller, &TMeasurementController::finished,
                         [this] { told.push_back("finished"); });
        QObject::connect(&controller, &TMeasurementController::failed,
                         [this] { told.push_back("failed"); });
        QObject::connect(&controller, &TMeasurementController::stopped,
                         [this] { told.push_back("stopped"); });
    }
    void Start(int32_t count) {
        ASSERT_EQ(controller.PrepareUnit(k125ksps), AcqStatus::Ok);
        ASSERT_EQ(controller.Start(k125ksps, count, codes.data()), AcqStatus::Ok);
        ASSERT_TRUE(controller.Measuring());
    }

    FakeClock clock;
    ScriptedUnit* unit = nullptr;
    FaultyDriver* driver = nullptr;
    TMeasurementController controller;
    std::vector<int32_t> codes = std::vector<int32_t>(4096, -1);
    std::vector<std::string> told;
};

using Told = std::vector<std::string>;

TEST(MeasurementControllerTest, TellsEachGroupAndTheCompleteBlockOnceThenStops) {
    ControllerRig rig(2048);
    rig.Start(2048);
    EXPECT_EQ(rig.controller.ChunkSize(), 1024);
    EXPECT_EQ(rig.controller.PollIntervalMs(), 8); // 1024 × 8 µs
    rig.controller.PollAcquisition();
    rig.controller.PollAcquisition(); // a complete block is told once
    EXPECT_EQ(rig.told, (Told{"progress 1024 " + std::to_string(0x400000 + 3 * 1023), "finished"}));
    EXPECT_EQ(rig.controller.ReceivedCount(), 2048);
    EXPECT_EQ(std::vector<int32_t>(rig.codes.begin(), rig.codes.begin() + 2048), rig.unit->codes);
    EXPECT_EQ(rig.codes[2048], -1);

    rig.controller.Stop();
    EXPECT_EQ(rig.told.back(), "stopped");
    EXPECT_FALSE(rig.controller.Measuring());
    EXPECT_EQ(rig.unit->lines.back(), "AX");
}

TEST(MeasurementControllerTest, AReadErrorOrAUnitThatFallsSilentFailsTheMeasurement) {
    ControllerRig broken(2048);
    broken.Start(2048);
    broken.driver->fail = true;
    broken.controller.PollAcquisition();
    broken.controller.PollAcquisition();
    EXPECT_EQ(broken.told, Told{"failed"});
    EXPECT_FALSE(broken.controller.Measuring());

    ControllerRig silent(1024); // half of the block arrives, then nothing
    silent.Start(2048);
    silent.controller.PollAcquisition();
    ASSERT_EQ(silent.told.size(), 1u);
    silent.clock.AdvanceMs(1000.0); // less than a second and four groups' time
    silent.controller.PollAcquisition();
    EXPECT_TRUE(silent.controller.Measuring());
    silent.clock.AdvanceMs(40.0);
    silent.controller.PollAcquisition();
    EXPECT_EQ(silent.told.back(), "failed");
    EXPECT_FALSE(silent.controller.Measuring());
    EXPECT_EQ(silent.unit->lines.back(), "AX");
}

TEST(MeasurementControllerTest, AStopDuringThePreparationEndsItAfterTheCurrentStep) {
    ControllerRig rig(1024);
    rig.unit->onLine = [&](const std::string& line) {
        EXPECT_TRUE(rig.controller.Initializing()) << line;
        if (line == "U?") {
            rig.controller.RequestStop();
        }
    };
    EXPECT_EQ(rig.controller.PrepareUnit(k125ksps), AcqStatus::Abandoned);
    EXPECT_TRUE(rig.controller.StopRequested());
    EXPECT_FALSE(rig.controller.Initializing());
    EXPECT_EQ(rig.unit->lines.back(), "U?") << "the version was not asked";
    EXPECT_FALSE(rig.unit->open);

    rig.unit->onLine = nullptr;
    rig.controller.RequestStop(); // no preparation waits: nothing to end
    rig.Start(1024);
    EXPECT_FALSE(rig.controller.StopRequested());
    EXPECT_TRUE(rig.told.empty());
}

} // namespace

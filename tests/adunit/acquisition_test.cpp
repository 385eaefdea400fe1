#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adunit/Acquisition.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "adunit_fakes.h"
#include "common/RateTables.h"

namespace {

// Passes everything to a simulated unit and records the command lines; may refuse to send the
// acquisition command.
class WatchedUnit : public ForwardingDriver {
public:
    explicit WatchedUnit(std::unique_ptr<SimulatedUnit> u)
        : ForwardingDriver(std::move(u)), unit(static_cast<SimulatedUnit*>(inner.get())) {}
    uint32_t Write(const uint8_t* s, uint32_t c, uint32_t& n) override {
        const std::string line(reinterpret_cast<const char*>(s), c);
        lines.push_back(line.substr(0, line.size() - 1));
        if (failStart && line.size() == 8 && line[0] == 'A') {
            return SimulatedUnit::kStatusIoError;
        }
        return inner->Write(s, c, n);
    }

    SimulatedUnit* unit;
    std::vector<std::string> lines;
    bool failStart = false;
};

class AcquisitionTest : public ::testing::Test {
protected:
    FakeUi ui;
    SimConfig config = DefaultSimConfig();
    WatchedUnit* driver = nullptr;
    std::unique_ptr<TADC> adc;
    std::unique_ptr<TAcquisition> acq;
    std::vector<int32_t> codes = std::vector<int32_t>(300000, -1);

    void Make(double latencyMs = 0.0) {
        acq.reset();
        adc.reset();
        SimConfig c = config;
        c.latencyMs = latencyMs;
        auto d = std::make_unique<WatchedUnit>(std::make_unique<SimulatedUnit>(c, ui));
        driver = d.get();
        adc = std::make_unique<TADC>(std::move(d), ui, ui, &ui);
        acq = std::make_unique<TAcquisition>(*adc);
    }
    SimulatedUnit& Unit() { return *driver->unit; }

    // Steps every stepUs of unit time until the block ends; returns the final step and counts
    // the reads that delivered.
    AcqStep Run(int64_t stepUs, int& deliveries, int maxSteps = 1000000) {
        deliveries = 0;
        AcqStep s = AcqStep::Waiting;
        for (int i = 0; i < maxSteps; ++i) {
            ui.nowNs += stepUs * 1000;
            s = acq->Step();
            if (s == AcqStep::Progress || s == AcqStep::Complete) {
                ++deliveries;
            }
            if (s != AcqStep::Waiting && s != AcqStep::Progress) {
                break;
            }
        }
        return s;
    }
};

TEST_F(AcquisitionTest, PreparationFailuresAreReportedStepByStep) {
    struct Row {
        const char* name;
        std::function<void(SimConfig&)> fault;
        AcqStatus status;
        bool open;
        const char* lastLine; // the last command sent
    };
    const std::vector<Row> rows = {
        {"absent", [](SimConfig& c) { c.absent = true; }, AcqStatus::NotFound, false, ""},
        {"silent", [](SimConfig& c) { c.silent = true; }, AcqStatus::NoResponse, false, "?"},
        {"check NG", [](SimConfig& c) { c.ngCommand = "?"; }, AcqStatus::NoResponse, false, "?"},
        {"filter NG", [](SimConfig& c) { c.ngCommand = "S3"; }, AcqStatus::FilterRefused, true,
         "S3"},
        {"rate NG", [](SimConfig& c) { c.ngCommand = "F*"; }, AcqStatus::RateRefused, true, "FC"},
        {"model NG", [](SimConfig& c) { c.ngCommand = "U?"; }, AcqStatus::ModelRefused, true, "U?"},
        {"other model", [](SimConfig& c) { c.modelName = "TORVEX16"; }, AcqStatus::WrongModel, true,
         "U?"},
        {"version NG", [](SimConfig& c) { c.ngCommand = "V?"; }, AcqStatus::VersionRefused, true,
         "V?"},
        {"ready", [](SimConfig&) {}, AcqStatus::Ok, true, "V?"},
    };
    const ADUnitSetting setting{12, true, 1}; // 25 ksps, Sinc3, CH1
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        config = DefaultSimConfig();
        row.fault(config);
        Make(16.0); // with the bridge's latency: every reply comes 16 ms late, within 100 ms
        EXPECT_EQ(acq->Prepare(setting), row.status);
        EXPECT_EQ(adc->IsOpen(), row.open);
        EXPECT_EQ(Unit().IsOpen(), row.open);
        EXPECT_EQ(driver->lines.empty() ? "" : driver->lines.back(), row.lastLine);
        if (row.status == AcqStatus::WrongModel) {
            EXPECT_STREQ(acq->ModelName(), "TORVEX16");
        }
    }
    EXPECT_STREQ(acq->ModelName(), "TORVEX24");
    EXPECT_STREQ(acq->Version(), "Ver2.10");
    EXPECT_STREQ(acq->RateText(), "25ksps");
    EXPECT_TRUE(Unit().Sinc3Selected());
    EXPECT_EQ(Unit().RateIndex(), 12);

    // The acquisition command cannot be sent: the unit is stopped and closed.
    driver->failStart = true;
    EXPECT_EQ(acq->Start(setting, 1024, codes.data()), AcqStatus::StartFailed);
    EXPECT_FALSE(acq->Running());
    EXPECT_FALSE(adc->IsOpen());
    EXPECT_FALSE(Unit().IsStreaming());
}

TEST_F(AcquisitionTest, StopDuringPreparationClosesTheUnitAndSendsNothingMore) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    for (int stopAfter = 1; stopAfter <= 6; ++stopAfter) {
        SCOPED_TRACE(stopAfter);
        Make();
        int asked = 0;
        const size_t linesBefore = driver->lines.size();
        EXPECT_EQ(acq->Prepare(ADUnitSetting{16, true, 0}, [&] { return ++asked == stopAfter; }),
                  AcqStatus::Abandoned);
        EXPECT_EQ(asked, stopAfter) << "asked after every step, and not again";
        EXPECT_FALSE(adc->IsOpen());
        EXPECT_FALSE(Unit().IsOpen());
        // Open sends nothing; each later step sends exactly one line.
        EXPECT_EQ(driver->lines.size() - linesBefore, static_cast<size_t>(stopAfter - 1));
        EXPECT_EQ(Unit().Sinc3Selected(), stopAfter > 2) << "the filter only after the check";
    }
    // The next start works from the beginning.
    ASSERT_EQ(acq->Prepare(ADUnitSetting{16, false, 0}), AcqStatus::Ok);
    ASSERT_EQ(acq->Start(ADUnitSetting{16, false, 0}, 1024, codes.data()), AcqStatus::Ok);
    int deliveries = 0;
    EXPECT_EQ(Run(1000, deliveries), AcqStep::Complete);
    EXPECT_EQ(codes[1023], kRampFirstCode + 1023);
}

TEST_F(AcquisitionTest, CountsThatAreNoMultipleOfTheReadGroupEndWithAShorterRead) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    struct Case {
        int32_t spsSel;
        int32_t count;
        int reads;
    };
    // 1024 a group at 125 ksps: 4 groups and 904; 16 a group at 1 ksps: 64 groups and 6.
    for (const Case c : {Case{16, 5000, 5}, Case{8, 1030, 65}, Case{16, 1000, 1}}) {
        SCOPED_TRACE(c.count);
        Make(16.0);
        const ADUnitSetting setting{c.spsSel, false, 0};
        ASSERT_EQ(acq->Prepare(setting), AcqStatus::Ok);
        std::fill(codes.begin(), codes.end(), -1);
        ASSERT_EQ(acq->Start(setting, c.count, codes.data()), AcqStatus::Ok);
        EXPECT_EQ(acq->ChunkSize(), std::min(ChunkTable(c.spsSel), c.count));
        int deliveries = 0;
        ASSERT_EQ(Run(1000, deliveries, 100000), AcqStep::Complete) << acq->Received();
        EXPECT_EQ(deliveries, c.reads);
        EXPECT_EQ(acq->Received(), c.count);
        for (int32_t i = 0; i < c.count; ++i) {
            ASSERT_EQ(codes[i], kRampFirstCode + i) << "sample " << i;
        }
        EXPECT_EQ(codes[c.count], -1) << "nothing beyond the block";
        EXPECT_EQ(acq->LastCode(), kRampFirstCode + c.count - 1);
        EXPECT_EQ(Unit().SamplesSent(), static_cast<uint64_t>(c.count));
        EXPECT_TRUE(acq->Stop());
        EXPECT_TRUE(TAcquisition::ClipFree(codes.data(), c.count));
    }
    const int32_t clipped[] = {5, 16777215, 7};
    const int32_t zero[] = {0};
    EXPECT_FALSE(TAcquisition::ClipFree(clipped, 3));
    EXPECT_TRUE(TAcquisition::ClipFree(clipped, 1));
    EXPECT_FALSE(TAcquisition::ClipFree(zero, 1));
}

TEST_F(AcquisitionTest, AReaderThatFallsBehindIsCaughtByTheOverrun) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    config.rxBufferBytes = 16384; // 43 ms at 125 ksps
    const ADUnitSetting setting{16, false, 0};
    auto start = [&] {
        Make(16.0);
        ASSERT_EQ(acq->Prepare(setting), AcqStatus::Ok);
        ASSERT_EQ(acq->Start(setting, 65536, codes.data()), AcqStatus::Ok);
    };
    int deliveries = 0;
    start();
    EXPECT_EQ(Run(2000, deliveries), AcqStep::Complete) << "keeps up";
    EXPECT_EQ(codes[65535], kRampFirstCode + 65535);
    EXPECT_EQ(Unit().LostBytes(), 0u);

    start();
    // One group per 20 ms while 2560 samples arrive: the queue overflows after a few steps.
    EXPECT_EQ(Run(20000, deliveries), AcqStep::ReadError);
    EXPECT_GT(deliveries, 0);
    EXPECT_LT(acq->Received(), 65536);
    EXPECT_EQ(acq->ReadFailureStatus(), SimulatedUnit::kStatusIoError);
    EXPECT_GT(Unit().LostBytes(), 0u);
    EXPECT_FALSE(Unit().IsStreaming()) << "the unit was told to stop";
    EXPECT_EQ(driver->lines.back(), "AX");
}

} // namespace

// The hardware driver through the real libftdi1 and libusb-1.0 against an emulated FT232H with
// a simulated TORVEX24 behind it: discovery, open, the chip settings, whole blocks with every
// sample checked, a read timeout, an unplug and a replug.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EmulatedBridge.h"
#include "adunit/Acquisition.h"
#include "adunit/PolledTimer.h"
#include "adunit/ftdi/FtdiDriver.h"
#include "common/RateTables.h"

namespace {

SimConfig RampUnit() {
    SimConfig c = DefaultSimConfig();
    c.channel[0] = ChannelSignal{};
    c.channel[0].ramp = true;
    return c;
}

int32_t RateIndex(const char* text) {
    for (int32_t i = 0; i < kRateCount; ++i) {
        if (std::string(RateText(i, false)) == text) {
            return i;
        }
    }
    return -1;
}

// The unit as tavrin-cli runs it: the acquisition sequence on the libftdi driver.
class Session {
public:
    Session()
        : services_(clock_), unit_(std::make_unique<FtdiDriver>(), services_, services_, &clock_),
          acq_(unit_) {
        acq_.WatchStall(&clock_); // a stream that loses bytes ends as stalled, not in a hang
    }

    AcqStatus Prepare(const char* rate) {
        setting_.spsSel = RateIndex(rate);
        return acq_.Prepare(setting_);
    }
    // Takes a block; returns the step that ended it.
    AcqStep Take(int32_t count, const std::function<void(int32_t)>& onProgress = {}) {
        codes.assign(static_cast<size_t>(count), -1);
        if (acq_.Start(setting_, count, codes.data()) != AcqStatus::Ok) {
            return AcqStep::ReadError;
        }
        const timespec nap{0, 200000};
        for (;;) {
            const AcqStep step = acq_.Step();
            if (step == AcqStep::Waiting) {
                nanosleep(&nap, nullptr);
            } else if (step == AcqStep::Progress) {
                if (onProgress) {
                    onProgress(acq_.Received());
                }
            } else {
                return step;
            }
        }
    }
    TAcquisition& Acq() { return acq_; }
    TADC& Unit() { return unit_; }
    std::vector<int32_t> codes;

private:
    SteadyClock clock_;
    PolledTimer services_;
    TADC unit_;
    TAcquisition acq_;
    ADUnitSetting setting_;
};

// Index of the first sample that is not the ramp's (count when all are).
size_t FirstRampError(const std::vector<int32_t>& codes) {
    for (size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] != 0x100000 + static_cast<int32_t>(i)) {
            return i;
        }
    }
    return codes.size();
}

TEST(UmockdevFtdi, FullBlockAt125kspsArrivesIntactWithTheChipSettingsSent) {
    EmulatedBridge bridge;
    const int unit = bridge.Plug("TV24A001", RampUnit());
    Session s;
    ASSERT_EQ(s.Prepare("125ksps"), AcqStatus::Ok);
    EXPECT_STREQ(s.Acq().ModelName(), "TORVEX24");
    ASSERT_EQ(s.Take(262144), AcqStep::Complete);
    EXPECT_EQ(FirstRampError(s.codes), s.codes.size());
    EXPECT_TRUE(s.Acq().Stop());

    const BridgeRecord r = bridge.Record(unit);
    // The README's promise: every open sets a 4 ms latency timer and 4096-byte reads.
    EXPECT_EQ(r.latencyMs, 4);
    EXPECT_EQ(r.inTransferBytes, 4096);
    EXPECT_GE(r.mostPacketsIn, 2) << "no transfer carried status bytes in mid-transfer";
    EXPECT_GE(r.resets, 1);
    EXPECT_GE(r.rxPurges, 1);
    EXPECT_EQ(r.claims, 1);
}

TEST(UmockdevFtdi, SlowBlockAt5spsIsPacedByTheUnitAndDeliveredByTheLatencyTimer) {
    EmulatedBridge bridge(400.0); // 1024 samples at 5 sps take 205 s of the unit's time
    const int unit = bridge.Plug("TV24A001", RampUnit());
    Session s;
    ASSERT_EQ(s.Prepare("5sps"), AcqStatus::Ok);
    EXPECT_EQ(bridge.RateIndex(unit), RateIndex("5sps"));
    const int64_t startNs = bridge.NowNs();
    // At 5 sps each read asks for one sample: each arrives alone, flushed by the latency timer.
    int deliveries = 0;
    ASSERT_EQ(s.Take(1024, [&](int32_t) { ++deliveries; }), AcqStep::Complete);
    const double unitSeconds = static_cast<double>(bridge.NowNs() - startNs) / 1e9;
    EXPECT_EQ(FirstRampError(s.codes), s.codes.size());
    EXPECT_EQ(deliveries, 1023);
    EXPECT_GE(unitSeconds, 1023 * 0.2);
    EXPECT_TRUE(s.Acq().Stop());
}

TEST(UmockdevFtdi, ReadTimeoutMeansNoDataYet) {
    EmulatedBridge bridge;
    const int unit = bridge.Plug("TV24A001", RampUnit());
    FtdiDriver driver;
    ASSERT_EQ(driver.OpenByIndex(0), FtDriver::kStatusOk);
    bridge.HoldIn(unit, true);
    // libusb cancels a bulk read the chip leaves unanswered when its timeout runs out.
    for (int i = 0; i < 2000 && bridge.Record(unit).discards < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(bridge.Record(unit).discards, 3);
    uint32_t queued = 99;
    EXPECT_EQ(driver.GetQueueStatus(queued), FtDriver::kStatusOk);
    EXPECT_EQ(queued, 0u);
    EXPECT_FALSE(driver.Disconnected());

    bridge.HoldIn(unit, false);
    uint32_t written = 0;
    ASSERT_EQ(driver.Write(reinterpret_cast<const uint8_t*>("U?\r"), 3, written),
              FtDriver::kStatusOk);
    for (int i = 0; i < 2000 && queued < 9; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(driver.GetQueueStatus(queued), FtDriver::kStatusOk);
    }
    char reply[16] = {};
    uint32_t got = 0;
    ASSERT_EQ(driver.Read(reinterpret_cast<uint8_t*>(reply), 9, got), FtDriver::kStatusOk);
    EXPECT_STREQ(reply, "TORVEX24\r");
}

TEST(UmockdevFtdi, UnplugDuringABlockIsReportedOnceAndAReplugMeasuresAgain) {
    EmulatedBridge bridge;
    const int first = bridge.Plug("TV24A001", RampUnit());
    Session s;
    ASSERT_EQ(s.Prepare("125ksps"), AcqStatus::Ok);
    bool pulled = false;
    const AcqStep end = s.Take(262144, [&](int32_t received) {
        if (!pulled && received >= 20000) {
            bridge.Unplug(first);
            pulled = true;
        }
    });
    ASSERT_TRUE(pulled);
    EXPECT_EQ(end, AcqStep::ReadError);
    EXPECT_EQ(s.Acq().ReadFailureStatus(), FtDriver::kStatusIoError);
    EXPECT_LT(s.Acq().Received(), 262144);
    EXPECT_EQ(
        FirstRampError(std::vector<int32_t>(s.codes.begin(), s.codes.begin() + s.Acq().Received())),
        static_cast<size_t>(s.Acq().Received()));
    // The next start finds no unit.
    EXPECT_EQ(s.Prepare("125ksps"), AcqStatus::NotFound);

    bridge.Plug("TV24A001", RampUnit());
    ASSERT_EQ(s.Prepare("125ksps"), AcqStatus::Ok);
    ASSERT_EQ(s.Take(1024), AcqStep::Complete);
    EXPECT_EQ(FirstRampError(s.codes), s.codes.size());
}

} // namespace

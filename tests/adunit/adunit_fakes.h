// Test doubles for the AD unit tests: a scripted driver and a fake user interface whose event
// pump advances a fake clock and fires the one-shot timer when it is due.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "common/UiServices.h"

// Passes every call on to `inner`; a test overrides the calls it watches, or replaces `inner`.
class ForwardingDriver : public FtDriver {
public:
    explicit ForwardingDriver(std::unique_ptr<FtDriver> d) : inner(std::move(d)) {}
    uint32_t OpenByIndex(int i) override { return inner->OpenByIndex(i); }
    uint32_t SetUSBParameters(uint32_t a, uint32_t b) override {
        return inner->SetUSBParameters(a, b);
    }
    uint32_t Purge(uint32_t m) override { return inner->Purge(m); }
    uint32_t GetQueueStatus(uint32_t& q) override { return inner->GetQueueStatus(q); }
    uint32_t Read(uint8_t* d, uint32_t c, uint32_t& n) override { return inner->Read(d, c, n); }
    uint32_t Write(const uint8_t* s, uint32_t c, uint32_t& n) override {
        return inner->Write(s, c, n);
    }
    uint32_t Close() override { return inner->Close(); }
    std::unique_ptr<FtDriver> inner;
};

class FakeUi : public IEventPump, public IOneShotTimer, public IMonotonicClock {
public:
    int64_t nowNs = 0;
    int64_t pumpStepNs = 1000000; // each pass of a wait loop takes 1 ms
    int64_t earlyNs = 0;          // the timer fires this much before its interval
    int pumpCalls = 0;
    std::function<void()> onPump; // runs on every pump, e.g. to let bytes arrive

    void ProcessPendingEvents() override {
        ++pumpCalls;
        nowNs += pumpStepNs;
        if (onPump) {
            onPump();
        }
        if (armed && nowNs >= deadlineNs && handler) {
            armed = false;
            handler();
        }
    }
    void SetHandler(std::function<void()> onTick) override { handler = std::move(onTick); }
    void Start(unsigned intervalMs) override {
        armed = true;
        deadlineNs = nowNs + int64_t{intervalMs} * 1000000 - earlyNs;
    }
    void Stop() override { armed = false; }
    int64_t NowNs() override { return nowNs; }
    bool Armed() const { return armed; }

private:
    std::function<void()> handler;
    bool armed = false;
    int64_t deadlineNs = 0;
};

// What the scripted driver saw and what it will answer; owned by the test so that it outlives
// the transport that owns the driver.
struct FakeDriverState {
    std::vector<std::string> calls; // "Open 0", "SetUSB 4096 0", "Purge 3", "Close", ...
    std::vector<uint8_t> written;
    std::deque<uint8_t> rx;                  // the receive queue
    std::deque<std::vector<uint8_t>> arrive; // one chunk joins rx at each queue query
    uint32_t openStatus = 0, setUsbStatus = 0, purgeStatus = 0, queueStatus = 0, readStatus = 0,
             writeStatus = 0;
    uint32_t readLimit = UINT32_MAX; // at most this many bytes per read (short reads)
    bool logQueueAndRead = false;

    void Queue(const std::string& bytes) { rx.insert(rx.end(), bytes.begin(), bytes.end()); }
    std::string Written() const { return std::string(written.begin(), written.end()); }
};

class FakeDriver : public FtDriver {
public:
    explicit FakeDriver(FakeDriverState& s) : s(s) {}
    uint32_t OpenByIndex(int index) override {
        s.calls.push_back("Open " + std::to_string(index));
        return s.openStatus;
    }
    uint32_t SetUSBParameters(uint32_t in, uint32_t out) override {
        s.calls.push_back("SetUSB " + std::to_string(in) + " " + std::to_string(out));
        return s.setUsbStatus;
    }
    uint32_t Purge(uint32_t mask) override {
        s.calls.push_back("Purge " + std::to_string(mask));
        if (s.purgeStatus == 0 && (mask & PurgeRx)) {
            s.rx.clear();
        }
        return s.purgeStatus;
    }
    uint32_t GetQueueStatus(uint32_t& queued) override {
        if (s.logQueueAndRead) {
            s.calls.push_back("Queue");
        }
        if (!s.arrive.empty()) {
            s.rx.insert(s.rx.end(), s.arrive.front().begin(), s.arrive.front().end());
            s.arrive.pop_front();
        }
        queued = static_cast<uint32_t>(s.rx.size());
        return s.queueStatus;
    }
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& got) override {
        if (s.logQueueAndRead) {
            s.calls.push_back("Read " + std::to_string(count));
        }
        got = 0;
        if (s.readStatus != 0) {
            return s.readStatus;
        }
        while (got < count && got < s.readLimit && !s.rx.empty()) {
            dst[got++] = s.rx.front();
            s.rx.pop_front();
        }
        return 0;
    }
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& written) override {
        s.calls.push_back("Write");
        written = count;
        if (s.writeStatus == 0) {
            s.written.insert(s.written.end(), src, src + count);
        }
        return s.writeStatus;
    }
    uint32_t Close() override {
        s.calls.push_back("Close");
        return 0;
    }

private:
    FakeDriverState& s;
};

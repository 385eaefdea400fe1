// The libftdi driver on a fake port: what libftdi's bulk reads can return (a timeout, a short
// read, an error, a disconnect) and the locking of one context between two threads. And the
// fallback from the D2XX library to libftdi when D2XX cannot open the unit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "adunit/FallbackDriver.h"

#ifdef TAVRIN_HAVE_LIBFTDI
#include "adunit/ftdi/FtdiDriver.h"
#endif

namespace {
using namespace std::chrono_literals;

#ifdef TAVRIN_HAVE_LIBFTDI
// The device side: each bulk read takes the next scripted result (bytes, or a failure code);
// with nothing scripted it returns the chip's idle answer, no bytes. Any two calls that overlap
// in time are counted: libftdi must never see that on one context.
struct PortState {
    std::mutex m;
    std::deque<std::pair<std::string, int>> reads; // bytes and the code (>= 0: the bytes)
    std::atomic<int> inCall{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> readCalls{0};
    std::atomic<int> flushes{0};
    int latency = -1;
    int chunk = -1;
    bool present = true;
};

class FakePort : public IFtdiPort {
public:
    explicit FakePort(PortState& s) : s_(s) {}
    int Open(int) override {
        return Enter([&] { return s_.present ? 0 : -3; });
    }
    int SetLatencyTimer(unsigned char ms) override {
        return Enter([&] { return s_.latency = ms, 0; });
    }
    int SetReadChunkSize(unsigned int bytes) override {
        return Enter([&] { return s_.chunk = static_cast<int>(bytes), 0; });
    }
    int Read(uint8_t* dst, int size) override {
        return Enter([&] {
            ++s_.readCalls;
            std::this_thread::sleep_for(100us);
            std::lock_guard<std::mutex> lock(s_.m);
            if (s_.reads.empty()) {
                return 0;
            }
            auto [bytes, code] = s_.reads.front();
            s_.reads.pop_front();
            if (code < 0) {
                return code;
            }
            const int n = std::min<int>(size, static_cast<int>(bytes.size()));
            std::copy_n(bytes.begin(), n, dst);
            return n;
        });
    }
    int Write(const uint8_t*, int size) override {
        return Enter([&] { return std::this_thread::sleep_for(50us), size; });
    }
    int Flush(bool, bool) override {
        return Enter([&] { return ++s_.flushes, 0; });
    }
    void Close() override {}

private:
    template <class F> int Enter(F&& f) {
        if (s_.inCall.fetch_add(1) != 0) {
            ++s_.overlaps;
        }
        const int rc = f();
        --s_.inCall;
        return rc;
    }
    PortState& s_;
};

void Script(PortState& s, std::string bytes, int code = 0) {
    std::lock_guard<std::mutex> lock(s.m);
    s.reads.emplace_back(std::move(bytes), code);
}

// Waits until the driver's queue holds `n` bytes (or reports a failure); returns the status.
uint32_t WaitForQueue(FtdiDriver& d, uint32_t n) {
    uint32_t queued = 0;
    uint32_t status = 0;
    for (int i = 0; i < 2000; ++i) {
        status = d.GetQueueStatus(queued);
        if (status != 0 || queued >= n) {
            break;
        }
        std::this_thread::sleep_for(1ms);
    }
    return status;
}

std::string ReadQueued(FtdiDriver& d, uint32_t n) {
    std::string out(n, '\0');
    uint32_t got = 0;
    EXPECT_EQ(d.Read(reinterpret_cast<uint8_t*>(out.data()), n, got), 0u);
    out.resize(got);
    return out;
}

TEST(FtdiDriverTest, OpenSetsLatencyAndChunkAndOnlyAReadErrorIsAFailureOnceUntilThePurge) {
    PortState s;
    FtdiDriver d(std::make_unique<FakePort>(s));
    ASSERT_EQ(d.OpenByIndex(0), 0u);
    EXPECT_EQ(s.latency, FtdiDriver::kLatencyMs);
    EXPECT_LT(s.latency, 50) << "below the bulk read timeout";
    EXPECT_EQ(s.chunk, static_cast<int>(FtdiDriver::kReadChunkBytes));
    EXPECT_EQ(d.SetUSBParameters(8192, 0), 0u);
    EXPECT_EQ(s.chunk, 8192);
    // A short read, timeouts between, the rest: every byte in order, no failure shown.
    Script(s, "abc");
    Script(s, "", IFtdiPort::kTimeout);
    Script(s, "", IFtdiPort::kTimeout);
    Script(s, "defg");
    ASSERT_EQ(WaitForQueue(d, 7), 0u);
    EXPECT_EQ(ReadQueued(d, 7), "abcdefg");
    uint32_t queued = 99;
    EXPECT_EQ(d.GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 0u);

    Script(s, "xy");
    Script(s, "", -1); // LIBUSB_ERROR_IO: a transfer lost, the device still there
    // The bytes before the failure are delivered, then the failure shows.
    ASSERT_EQ(WaitForQueue(d, 2), 0u);
    EXPECT_EQ(ReadQueued(d, 2), "xy");
    EXPECT_EQ(WaitForQueue(d, 1), FtdiDriver::kStatusIoError);
    EXPECT_FALSE(d.Disconnected());
    // The next command's purge starts the reader again: the unit works on.
    EXPECT_EQ(d.Purge(FtDriver::PurgeRx | FtDriver::PurgeTx), 0u);
    Script(s, "ok!");
    ASSERT_EQ(WaitForQueue(d, 3), 0u);
    EXPECT_EQ(ReadQueued(d, 3), "ok!");
}

TEST(FtdiDriverTest, DisconnectIsReportedAndTheDeviceLeftAlone) {
    PortState s;
    FtdiDriver d(std::make_unique<FakePort>(s));
    ASSERT_EQ(d.OpenByIndex(0), 0u);
    Script(s, "", IFtdiPort::kNoDevice);
    EXPECT_EQ(WaitForQueue(d, 1), FtdiDriver::kStatusIoError);
    EXPECT_TRUE(d.Disconnected());
    const int readsAtFailure = s.readCalls.load();
    uint32_t written = 0;
    const uint8_t cmd[] = {'S', '\r'};
    EXPECT_NE(d.Purge(FtDriver::PurgeRx), 0u);
    EXPECT_NE(d.Write(cmd, 2, written), 0u);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(s.readCalls.load(), readsAtFailure) << "no read retried on a device that is gone";
    EXPECT_EQ(d.Close(), 0u);
    s.present = false;
    EXPECT_EQ(d.OpenByIndex(0), FtdiDriver::kStatusNotFound);
}

TEST(FtdiDriverTest, NoTwoCallsOnTheContextAtOnce) {
    PortState s;
    FtdiDriver d(std::make_unique<FakePort>(s));
    ASSERT_EQ(d.OpenByIndex(0), 0u);
    for (int i = 0; i < 300; ++i) {
        Script(s, std::string(64, 'z'));
    }
    const uint8_t cmd[] = {'S', '\r'};
    for (int i = 0; i < 200; ++i) {
        uint32_t written = 0;
        uint32_t queued = 0;
        EXPECT_EQ(d.Write(cmd, 2, written), 0u);
        EXPECT_EQ(d.GetQueueStatus(queued), 0u);
        if (i % 10 == 0) {
            EXPECT_EQ(d.Purge(FtDriver::PurgeRx | FtDriver::PurgeTx), 0u);
            EXPECT_EQ(d.SetUSBParameters(4096, 0), 0u);
        }
        std::this_thread::sleep_for(200us); // room for the reader's bulk reads between
    }
    EXPECT_EQ(d.Close(), 0u);
    EXPECT_GT(s.readCalls.load(), 0);
    EXPECT_EQ(s.overlaps.load(), 0);
}
#endif

// A driver that opens or not; it records the calls that reach it.
class OpenOrNot : public FtDriver {
public:
    explicit OpenOrNot(uint32_t openStatus) : openStatus_(openStatus) {}
    uint32_t OpenByIndex(int) override { return ++opens, openStatus_; }
    uint32_t SetUSBParameters(uint32_t, uint32_t) override { return ++calls, 0; }
    uint32_t Purge(uint32_t) override { return ++calls, 0; }
    uint32_t GetQueueStatus(uint32_t& q) override { return q = 0, ++calls, 0; }
    uint32_t Read(uint8_t*, uint32_t, uint32_t& n) override { return n = 0, ++calls, 0; }
    uint32_t Write(const uint8_t*, uint32_t c, uint32_t& n) override { return n = c, ++calls, 0; }
    uint32_t Close() override { return ++closes, 0; }
    int opens = 0;
    int calls = 0;
    int closes = 0;

private:
    uint32_t openStatus_;
};

TEST(FallbackDriverTest, LibftdiTakesOverWhenD2xxCannotOpenTheUnit) {
    for (const bool d2xxOpens : {false, true}) {
        SCOPED_TRACE(d2xxOpens);
        auto d2xxOwned = std::make_unique<OpenOrNot>(d2xxOpens ? 0 : 2);
        auto ftdiOwned = std::make_unique<OpenOrNot>(0);
        OpenOrNot& d2xx = *d2xxOwned;
        OpenOrNot& ftdi = *ftdiOwned;
        FallbackDriver d(std::move(d2xxOwned), std::move(ftdiOwned));
        uint32_t queued = 0;
        EXPECT_NE(d.GetQueueStatus(queued), 0u) << "closed";
        ASSERT_EQ(d.OpenByIndex(0), 0u);
        OpenOrNot& used = d2xxOpens ? d2xx : ftdi;
        OpenOrNot& unused = d2xxOpens ? ftdi : d2xx;
        EXPECT_EQ(d.Active(), &used);
        EXPECT_EQ(d.Purge(FtDriver::PurgeRx), 0u);
        EXPECT_EQ(d.GetQueueStatus(queued), 0u);
        EXPECT_EQ(used.calls, 2);
        EXPECT_EQ(unused.calls, 0);
        EXPECT_EQ(ftdi.opens, d2xxOpens ? 0 : 1);
        EXPECT_EQ(d.Close(), 0u);
        EXPECT_EQ(used.closes, 1);
        EXPECT_EQ(unused.closes, 0);
        EXPECT_EQ(d.Active(), nullptr);
    }
}
} // namespace

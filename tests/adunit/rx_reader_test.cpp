#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "adunit/RxReader.h"

namespace {

using namespace std::chrono_literals;

// Produces a counting byte stream on demand, like a device that always has data; `chipBytes`
// stands for bytes already inside the chip, which a flush discards.
class CountingSource : public IRxSource {
public:
    std::atomic<bool> fail{false};
    std::atomic<bool> inRead{false};
    std::atomic<int> flushesDuringRead{0};
    std::atomic<uint64_t> produced{0};
    std::atomic<size_t> maxChunk{64};
    std::atomic<bool> idle{false};

    int ReadChunk(uint8_t* dst, size_t capacity) override {
        if (fail) {
            return -1;
        }
        inRead = true;
        std::this_thread::sleep_for(50us);
        if (idle) {
            inRead = false;
            return 0;
        }
        const size_t n = std::min<size_t>(capacity, maxChunk);
        for (size_t i = 0; i < n; ++i) {
            dst[i] = static_cast<uint8_t>(produced++);
        }
        inRead = false;
        return static_cast<int>(n);
    }
    bool Flush() {
        if (inRead) {
            ++flushesDuringRead;
        }
        return true;
    }
};

template <typename Pred> bool WaitFor(Pred pred) {
    for (int i = 0; i < 4000; ++i) {
        if (pred()) {
            return true;
        }
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

TEST(ByteRing, WrapsAroundAndRefusesOverflow) {
    ByteRing ring(8);
    const uint8_t a[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ring.Push(a, 6), 6u);
    uint8_t out[8] = {};
    EXPECT_EQ(ring.Pop(out, 4), 4u);
    EXPECT_EQ(ring.Push(a, 6), 6u); // wraps: head at 4
    EXPECT_EQ(ring.Push(a, 6), 0u); // full
    EXPECT_EQ(ring.Size(), 8u);
    EXPECT_EQ(ring.Pop(out, 8), 8u);
    const std::vector<uint8_t> expect = {5, 6, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), expect);
    EXPECT_EQ(ring.Pop(out, 1), 0u);
}

TEST(RxReader, DeliversTheStreamInOrderWithoutLossAcrossManyWraps) {
    CountingSource src;
    RxReader reader(1000, 256); // a small ring forces wrapping and back-pressure
    reader.Start(src);
    uint8_t expect = 0;
    size_t total = 0;
    uint8_t buf[333];
    while (total < 200000) {
        const size_t n = reader.Read(buf, sizeof buf);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(buf[i], expect) << "byte " << total + i;
            ++expect;
        }
        total += n;
        ASSERT_LE(reader.Available(), 1000u);
        if (n == 0) {
            std::this_thread::yield();
        }
    }
    reader.Stop();
    EXPECT_FALSE(reader.Running());
}

TEST(RxReader, FullRingHoldsTheDeviceBack) {
    CountingSource src;
    RxReader reader(512, 128);
    reader.Start(src);
    ASSERT_TRUE(WaitFor([&] { return reader.Available() == 512; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(src.produced.load(), 512u); // nothing read that the ring could not take
    reader.Stop();
}

TEST(RxReader, PurgeLeavesNoByteFromBeforeIt) {
    CountingSource src;
    src.maxChunk = 1;
    RxReader reader(4096, 64);
    reader.Start(src);
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(WaitFor([&] { return reader.Available() > 10; }));
        uint64_t producedAtPurge = 0;
        ASSERT_TRUE(reader.Paused(
            [&] {
                producedAtPurge = src.produced;
                return src.Flush();
            },
            true));
        // Every byte after the purge was produced after it.
        ASSERT_TRUE(WaitFor([&] { return reader.Available() > 0; }));
        uint8_t b = 0;
        ASSERT_EQ(reader.Read(&b, 1), 1u);
        ASSERT_EQ(b, static_cast<uint8_t>(producedAtPurge));
    }
    EXPECT_EQ(src.flushesDuringRead.load(), 0); // never raced a read in flight
    reader.Stop();
}

TEST(RxReader, SourceFailureIsReportedAfterQueuedBytes) {
    CountingSource src;
    RxReader reader(4096, 64);
    reader.Start(src);
    ASSERT_TRUE(WaitFor([&] { return reader.Available() >= 64; }));
    src.fail = true;
    ASSERT_TRUE(WaitFor([&] { return !reader.Healthy(); }));
    EXPECT_GE(reader.Available(), 64u); // bytes received before the failure stay readable
    reader.Stop();
}

TEST(RxReader, StopJoinsPromptlyEvenWhenIdleOrFull) {
    CountingSource src;
    src.idle = true;
    RxReader reader(256, 64);
    reader.Start(src);
    std::this_thread::sleep_for(5ms);
    auto t0 = std::chrono::steady_clock::now();
    reader.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);

    src.idle = false;
    reader.Start(src);
    ASSERT_TRUE(WaitFor([&] { return reader.Available() == 256; }));
    t0 = std::chrono::steady_clock::now();
    reader.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
    EXPECT_EQ(reader.Available(), 256u);
    reader.Start(src); // a restart begins with an empty ring
    reader.Stop();
}

} // namespace

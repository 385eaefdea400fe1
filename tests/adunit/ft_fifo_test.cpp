#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "adunit/Ft_fifo.h"
#include "adunit_fakes.h"

namespace {

using Calls = std::vector<std::string>;

class FtFifoTest : public ::testing::Test {
protected:
    FakeDriverState drv;
    FakeUi ui;
    std::unique_ptr<Tft_FIFO> fifo =
        std::make_unique<Tft_FIFO>(std::make_unique<FakeDriver>(drv), ui, ui, &ui);

    void OpenClean() {
        ASSERT_TRUE(fifo->Open(4096));
        drv.calls.clear();
    }
};

TEST_F(FtFifoTest, OpenSetsTransferSizeAndPurgesOnceThenLeavesAnOpenDeviceAlone) {
    EXPECT_FALSE(fifo->IsOpen());
    EXPECT_EQ(fifo->TimeoutMs(), 500u);
    ASSERT_TRUE(fifo->Open(4096));
    EXPECT_EQ(drv.calls, (Calls{"Open 0", "SetUSB 4096 0", "Purge 3"}));
    drv.calls.clear();
    EXPECT_TRUE(fifo->Open(4096));
    EXPECT_TRUE(drv.calls.empty());
}

TEST_F(FtFifoTest, FailedOpenStepsLeaveTheTransportClosed) {
    drv.openStatus = 2;
    EXPECT_FALSE(fifo->Open(4096));
    EXPECT_FALSE(fifo->IsOpen());
    EXPECT_EQ(drv.calls, (Calls{"Open 0"}));
    EXPECT_EQ(fifo->LastStatus(), 2u);

    drv = {};
    drv.setUsbStatus = 4;
    EXPECT_FALSE(fifo->Open(4096));
    EXPECT_FALSE(fifo->IsOpen());
    EXPECT_EQ(drv.calls, (Calls{"Open 0", "SetUSB 4096 0", "Close"}));
}

TEST_F(FtFifoTest, PurgeFailureClosesAndTheNextOpenStartsAfresh) {
    OpenClean();
    drv.purgeStatus = 4;
    EXPECT_FALSE(fifo->Purge());
    EXPECT_FALSE(fifo->IsOpen());
    EXPECT_EQ(drv.calls, (Calls{"Purge 3", "Close"}));

    drv.purgeStatus = 0;
    drv.calls.clear();
    EXPECT_TRUE(fifo->Open(4096));
    EXPECT_EQ(drv.calls, (Calls{"Open 0", "SetUSB 4096 0", "Purge 3"}));
}

TEST_F(FtFifoTest, CloseAndDestructionPurgeAndClose) {
    fifo->Close(); // closed: nothing happens
    EXPECT_TRUE(drv.calls.empty());
    OpenClean();
    fifo->Close();
    EXPECT_EQ(drv.calls, (Calls{"Purge 3", "Close"}));
    EXPECT_FALSE(fifo->IsOpen());

    OpenClean();
    fifo.reset(); // purges, then closes (which purges once more)
    EXPECT_EQ(drv.calls, (Calls{"Purge 3", "Purge 3", "Close"}));
}

TEST_F(FtFifoTest, ClosedTransportRefusesEveryTransfer) {
    uint8_t buf[16];
    uint32_t got = 77;
    EXPECT_FALSE(fifo->ReadExact(buf, 9, got));
    EXPECT_FALSE(fifo->ReadAvailable(buf, sizeof buf, got));
    EXPECT_EQ(got, 77u);
    EXPECT_FALSE(fifo->SendLine("?"));
    EXPECT_FALSE(fifo->SendExpectOK("?"));
    char reply[32];
    EXPECT_FALSE(fifo->SendReadLine("U?", reply, sizeof reply));
    EXPECT_TRUE(drv.calls.empty());
}

TEST_F(FtFifoTest, ReadExactIsAllOrNothingAndNeverReadsMoreThanAsked) {
    OpenClean();
    drv.Queue("12345678");
    uint8_t buf[16] = {};
    uint32_t got = 99;
    ASSERT_TRUE(fifo->ReadExact(buf, 9, got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(drv.rx.size(), 8u); // nothing consumed

    drv.Queue("9ABC");
    std::memset(buf, '#', sizeof buf);
    ASSERT_TRUE(fifo->ReadExact(buf, 9, got));
    EXPECT_EQ(got, 9u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 10), "123456789#");
    EXPECT_EQ(drv.rx.size(), 3u); // the rest stays queued for the next read
}

TEST_F(FtFifoTest, ShortReadIsHeldBackAndDeliveredWithTheRest) {
    OpenClean();
    drv.Queue("abcdef");
    drv.readLimit = 4;
    uint8_t buf[6] = {};
    uint32_t got = 99;
    ASSERT_TRUE(fifo->ReadExact(buf, 6, got));
    EXPECT_EQ(got, 0u); // bytes not all received are never reported as delivered

    drv.readLimit = UINT32_MAX;
    ASSERT_TRUE(fifo->ReadExact(buf, 6, got));
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 6), "abcdef");

    // Held-back bytes go in front and only the rest is read: nothing lands beyond `count`.
    drv.Queue("ABCD");
    drv.readLimit = 3;
    ASSERT_TRUE(fifo->ReadExact(buf, 4, got));
    EXPECT_EQ(got, 0u);
    drv.readLimit = UINT32_MAX;
    drv.Queue("EFGHIJKL");
    uint8_t guarded[8];
    std::memset(guarded, '#', sizeof guarded);
    ASSERT_TRUE(fifo->ReadExact(guarded, 4, got));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(guarded), 8), "ABCD####");
    EXPECT_EQ(drv.rx.size(), 8u);
    drv.rx.clear();

    // A purge drops whatever was held back.
    drv.Queue("xyz");
    drv.readLimit = 1;
    ASSERT_TRUE(fifo->ReadExact(buf, 3, got));
    ASSERT_TRUE(fifo->Purge());
    drv.readLimit = UINT32_MAX;
    drv.Queue("12");
    ASSERT_TRUE(fifo->ReadExact(buf, 3, got));
    EXPECT_EQ(got, 0u);
}

TEST_F(FtFifoTest, ReadFailuresAreReported) {
    OpenClean();
    drv.Queue("123");
    uint8_t buf[3];
    uint32_t got = 5;
    drv.queueStatus = 4;
    EXPECT_FALSE(fifo->ReadExact(buf, 3, got));
    EXPECT_EQ(got, 5u);
    drv.queueStatus = 0;
    drv.readStatus = 4;
    EXPECT_FALSE(fifo->ReadExact(buf, 3, got));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(fifo->IsOpen()); // a failed read leaves the device open
}

TEST_F(FtFifoTest, ReadAvailableStopsAtTheCallersCapacity) {
    OpenClean();
    drv.Queue("0123456789");
    uint8_t buf[5] = {};
    uint32_t got = 0;
    ASSERT_TRUE(fifo->ReadAvailable(buf, 4, got));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(buf[4], 0);
    EXPECT_EQ(drv.rx.size(), 6u);
    drv.rx.clear();
    ASSERT_TRUE(fifo->ReadAvailable(buf, 4, got));
    EXPECT_EQ(got, 0u);
}

TEST_F(FtFifoTest, SendLineAppendsCrAndRefusesLongTexts) {
    OpenClean();
    EXPECT_TRUE(fifo->SendLine("1234567890123456789"));
    EXPECT_EQ(drv.Written(), "1234567890123456789\r");
    drv.written.clear();
    EXPECT_FALSE(fifo->SendLine("12345678901234567890"));
    EXPECT_TRUE(drv.written.empty());
    EXPECT_TRUE(fifo->SendLine(""));
    EXPECT_EQ(drv.Written(), "\r");
    drv.writeStatus = 4;
    EXPECT_FALSE(fifo->SendLine("?"));
}

TEST_F(FtFifoTest, SendExpectOkAcceptsOkInOneOrSeveralPolls) {
    OpenClean();
    fifo->SetTimeout(100);
    drv.arrive = {{'O', 'K', '\r'}};
    EXPECT_TRUE(fifo->SendExpectOK("?"));
    EXPECT_EQ(drv.Written(), "?\r");
    EXPECT_FALSE(ui.Armed()); // the timer is disarmed after the wait

    drv.arrive = {{}, {'O'}, {}, {'K'}, {'\r'}};
    EXPECT_TRUE(fifo->SendExpectOK("S3"));

    drv.arrive = {{'N', 'G', '\r'}};
    EXPECT_FALSE(fifo->SendExpectOK("S5"));
}

TEST_F(FtFifoTest, SendExpectOkKeepsBytesBeyondItsFourByteBuffer) {
    OpenClean();
    drv.Queue("OK\rXYZW");
    EXPECT_TRUE(fifo->SendExpectOK("?"));
    EXPECT_EQ(std::string(drv.rx.begin(), drv.rx.end()), "YZW");
}

TEST_F(FtFifoTest, SilenceTimesOutNoEarlierThanArmedEvenWithAnEarlyTimer) {
    OpenClean();
    fifo->SetTimeout(100);
    ui.earlyNs = 7000000; // a coarse timer firing 7 ms early
    const int64_t start = ui.nowNs;
    EXPECT_FALSE(fifo->SendExpectOK("?"));
    EXPECT_GE(ui.nowNs - start, 100000000);
    EXPECT_LE(ui.nowNs - start, 102000000);

    char reply[32];
    drv.Queue("TORV"); // cut off before its CR
    const int64_t start2 = ui.nowNs;
    EXPECT_FALSE(fifo->SendReadLine("U?", reply, sizeof reply));
    EXPECT_GE(ui.nowNs - start2, 100000000);
}

TEST_F(FtFifoTest, SendReadLineCollectsOneLine) {
    OpenClean();
    char reply[32];
    std::memset(reply, '#', sizeof reply);
    drv.arrive = {{'A', 'B'}, {}, {'C', 'D', '\r'}};
    ASSERT_TRUE(fifo->SendReadLine("V?", reply, sizeof reply));
    EXPECT_STREQ(reply, "ABCD");
    EXPECT_EQ(drv.Written(), "V?\r");
}

TEST_F(FtFifoTest, SendReadLineEndsAtALongFirstPollWithoutWritingPastTheBuffer) {
    OpenClean();
    fifo->SetTimeout(100);
    char area[24];
    std::memset(area, '#', sizeof area);
    drv.Queue(std::string(40, 'x'));
    const int64_t start = ui.nowNs;
    EXPECT_FALSE(fifo->SendReadLine("U?", area, 16));
    EXPECT_LT(ui.nowNs - start, 10000000); // ended at once, not at the timeout
    EXPECT_EQ(std::string(area + 16, 8), "########");

    // A 16-byte first poll without CR ends the collection too.
    drv.rx.clear();
    drv.Queue("0123456789ABCDEF");
    char reply[32];
    EXPECT_FALSE(fifo->SendReadLine("U?", reply, sizeof reply));
    EXPECT_LT(ui.nowNs - start, 20000000);
}

TEST_F(FtFifoTest, SendReadLineFailsWhenAPollFails) {
    OpenClean();
    drv.queueStatus = 4;
    char reply[32];
    EXPECT_FALSE(fifo->SendReadLine("U?", reply, sizeof reply));
    EXPECT_TRUE(fifo->IsOpen());
}

TEST_F(FtFifoTest, TimerStateFollowsArmingAndSetTimeout) {
    fifo->SetTimeout(30);
    fifo->StartTimeout();
    EXPECT_TRUE(ui.Armed());
    for (int i = 0; i < 29; ++i) {
        ui.ProcessPendingEvents();
    }
    EXPECT_FALSE(fifo->TimedOut());
    ui.ProcessPendingEvents();
    EXPECT_TRUE(fifo->TimedOut());
    EXPECT_FALSE(ui.Armed());
    fifo->SetTimeout(40);
    EXPECT_FALSE(fifo->TimedOut());
    EXPECT_EQ(fifo->TimeoutMs(), 40u);
    fifo->StartTimeout();
    fifo->StopTimeout();
    EXPECT_FALSE(ui.Armed());
}

} // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "adunit/Adc.h"
#include "adunit_fakes.h"

namespace {

using Calls = std::vector<std::string>;

class AdcTest : public ::testing::Test {
protected:
    FakeDriverState drv;
    FakeUi ui;
    TADC adc{std::make_unique<FakeDriver>(drv), ui, ui, &ui};

    // Bytes that arrive at the next queue query, i.e. after the command's purge.
    void Arrive(const std::string& bytes) {
        drv.arrive.push_back(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    void OpenClean() {
        ASSERT_TRUE(adc.OpenUnit());
        drv.calls.clear();
        drv.written.clear();
    }
};

TEST_F(AdcTest, OpenUnitOpensWith4096AndPurges) {
    ASSERT_TRUE(adc.OpenUnit());
    EXPECT_EQ(drv.calls, (Calls{"Open 0", "SetUSB 4096 0", "Purge 3", "Purge 3"}));
    drv.calls.clear();
    ASSERT_TRUE(adc.OpenUnit()); // already open: only the purge
    EXPECT_EQ(drv.calls, (Calls{"Purge 3"}));
    drv.openStatus = 2;
    adc.CloseUnit();
    EXPECT_FALSE(adc.OpenUnit());
}

TEST_F(AdcTest, WaitingCommandsPurgeFirstExceptTheRateCommand) {
    OpenClean();
    drv.Queue("stale");
    drv.arrive = {{'O', 'K', '\r'}};
    EXPECT_TRUE(adc.CheckUnit());
    EXPECT_EQ(drv.calls, (Calls{"Purge 3", "Write"}));
    EXPECT_EQ(drv.Written(), "?\r");
    EXPECT_EQ(adc.TimeoutMs(), 100u);

    drv.calls.clear();
    drv.written.clear();
    drv.arrive = {{'O', 'K', '\r'}};
    EXPECT_TRUE(adc.SelectSinc3());
    drv.arrive = {{'O', 'K', '\r'}};
    EXPECT_TRUE(adc.SelectSinc5());
    drv.arrive = {{'O', 'K', '\r'}};
    EXPECT_TRUE(adc.SetRate(16));
    EXPECT_EQ(drv.Written(), "S3\rS5\rFG\r");
    EXPECT_EQ(drv.calls, (Calls{"Purge 3", "Write", "Purge 3", "Write", "Write"}));
}

TEST_F(AdcTest, RateCommandCarriesTheRateCharacter) {
    OpenClean();
    drv.arrive = {{'O', 'K', '\r'}};
    EXPECT_TRUE(adc.SetRate(10));
    EXPECT_EQ(drv.Written(), "FA\r");
    drv.written.clear();
    EXPECT_FALSE(adc.SetRate(17));
    EXPECT_FALSE(adc.SetRate(-1));
    EXPECT_TRUE(drv.written.empty());
    drv.arrive = {{'N', 'G', '\r'}};
    EXPECT_FALSE(adc.SetRate(3));
}

TEST_F(AdcTest, CommandsOnAClosedUnitFailWithoutDriverCalls) {
    EXPECT_FALSE(adc.CheckUnit());
    EXPECT_FALSE(adc.SelectSinc3());
    EXPECT_FALSE(adc.SetRate(5));
    EXPECT_FALSE(adc.StartAcquisition(0, 1024));
    EXPECT_FALSE(adc.StopAcquisition());
    char name[11];
    EXPECT_FALSE(adc.ReadModelName(name, sizeof name));
    int32_t codes[4];
    int32_t got = 42;
    EXPECT_FALSE(adc.ReadSamples(codes, got, 4));
    EXPECT_EQ(got, 42);
    adc.CloseUnit();
    EXPECT_TRUE(drv.calls.empty());
}

TEST_F(AdcTest, StartCommandHasChannelAndFiveHexDigits) {
    OpenClean();
    EXPECT_TRUE(adc.StartAcquisition(0, 262144));
    EXPECT_TRUE(adc.StartAcquisition(1, 1024));
    EXPECT_TRUE(adc.StartAcquisition(0, 1048576));
    EXPECT_TRUE(adc.StartAcquisition(1, 0xABCDE));
    EXPECT_EQ(drv.Written(), "A040000\rA100400\rA000000\rA1ABCDE\r");
    EXPECT_EQ(drv.calls, (Calls{"Purge 3", "Write", "Purge 3", "Write", "Purge 3", "Write",
                                "Purge 3", "Write"}));
    drv.written.clear();
    EXPECT_FALSE(adc.StartAcquisition(2, 1024));
    EXPECT_FALSE(adc.StartAcquisition(-1, 1024));
    EXPECT_TRUE(drv.written.empty());

    drv.calls.clear();
    EXPECT_TRUE(adc.StopAcquisition()); // no purge before the stop
    EXPECT_EQ(drv.Written(), "AX\r");
    EXPECT_EQ(drv.calls, (Calls{"Write"}));
}

TEST_F(AdcTest, IdentityQueriesRejectRefusalsAndCopyTenCharacters) {
    OpenClean();
    char name[11];
    const char* refusals[] = {"NG\r", "NO\r", "XG\r"};
    for (const char* r : refusals) {
        Arrive(r);
        EXPECT_FALSE(adc.ReadModelName(name, sizeof name)) << r;
    }
    Arrive("TORVEX24\r");
    ASSERT_TRUE(adc.ReadModelName(name, sizeof name));
    EXPECT_STREQ(name, "TORVEX24");
    Arrive("Ver2.10-abcdef\r"); // 14 characters
    ASSERT_TRUE(adc.ReadVersion(name, sizeof name));
    EXPECT_STREQ(name, "Ver2.10-ab");
    EXPECT_EQ(drv.Written(), "U?\rU?\rU?\rU?\rV?\r");

    char small[4];
    Arrive("TORVEX24\r");
    ASSERT_TRUE(adc.ReadModelName(small, sizeof small));
    EXPECT_STREQ(small, "TOR");

    Arrive("TORVEX24"); // no CR before the timeout
    EXPECT_FALSE(adc.ReadModelName(name, sizeof name));
}

TEST_F(AdcTest, SamplesAreBigEndianOffsetBinary) {
    OpenClean();
    const uint8_t bytes[] = {0x80, 0x00, 0x00, 0x00, 0x00, 0x01,
                             0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56};
    drv.rx.insert(drv.rx.end(), bytes, bytes + sizeof bytes);
    int32_t codes[4] = {};
    int32_t got = -1;
    ASSERT_TRUE(adc.ReadSamples(codes, got, 4));
    ASSERT_EQ(got, 4);
    EXPECT_EQ(codes[0], 8388608);
    EXPECT_EQ(codes[1], 1);
    EXPECT_EQ(codes[2], 16777215);
    EXPECT_EQ(codes[3], 0x123456);
}

TEST_F(AdcTest, SamplesWaitUntilTheWholeGroupIsQueued) {
    OpenClean();
    drv.logQueueAndRead = true;
    drv.Queue(std::string(11, '\x80'));
    int32_t codes[8] = {};
    int32_t got = -1;
    ASSERT_TRUE(adc.ReadSamples(codes, got, 4));
    EXPECT_EQ(got, 0);
    EXPECT_EQ(drv.calls, (Calls{"Queue"})); // one queue query, no read
    drv.Queue(std::string(2, '\x80'));
    ASSERT_TRUE(adc.ReadSamples(codes, got, 4));
    EXPECT_EQ(got, 4);
    EXPECT_EQ(drv.rx.size(), 1u);
    EXPECT_FALSE(adc.ReadSamples(codes, got, 1201)); // beyond the raw buffer
    EXPECT_FALSE(adc.ReadSamples(codes, got, 0));
    drv.readStatus = 4;
    drv.Queue(std::string(12, '\x80'));
    EXPECT_FALSE(adc.ReadSamples(codes, got, 4));
}

} // namespace

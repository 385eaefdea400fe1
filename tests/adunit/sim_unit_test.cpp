#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "adunit/Adc.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "adunit_fakes.h"
#include "common/RateTables.h"

namespace {

// TADC driving a simulated unit; the fake UI's clock paces the unit too.
class SimUnitTest : public ::testing::Test {
protected:
    FakeUi ui;
    SimConfig config = DefaultSimConfig();
    SimulatedUnit* unit = nullptr;
    std::unique_ptr<TADC> adc;
    bool bridgeLatency = false;

    void Make() {
        adc.reset(); // one transport at a time owns the fake timer
        // Bytes reach the queue at once unless a test looks at the bridge's latency itself.
        SimConfig c = config;
        if (!bridgeLatency) {
            c.latencyMs = 0.0;
        }
        auto driver = std::make_unique<SimulatedUnit>(c, ui);
        unit = driver.get();
        adc = std::make_unique<TADC>(std::move(driver), ui, ui, &ui);
    }

    // The controller's start sequence.
    bool InitUnit(bool sinc3, int32_t spsSel, char* model, char* version) {
        return adc->OpenUnit() && adc->CheckUnit() &&
               (sinc3 ? adc->SelectSinc3() : adc->SelectSinc5()) && adc->SetRate(spsSel) &&
               adc->ReadModelName(model, 11) && adc->ReadVersion(version, 11);
    }

    // Polls like the idle handler every `stepUs` of clock time until `count` samples have
    // arrived or `limitS` seconds passed; returns the clock time the block took.
    double Acquire(int32_t spsSel, int32_t count, std::vector<int32_t>& codes,
                   int64_t stepUs = 1000, double limitS = 10.0) {
        codes.assign(count, -1);
        const int32_t chunk = std::min(ChunkTable(spsSel), count);
        const int64_t start = ui.nowNs;
        int32_t received = 0;
        while (received < count && ui.nowNs - start < limitS * 1e9) {
            ui.nowNs += stepUs * 1000;
            int32_t got = 0;
            if (!adc->ReadSamples(codes.data() + received, got, chunk)) {
                break;
            }
            received += got;
        }
        codes.resize(received);
        return (ui.nowNs - start) * 1e-9;
    }
};

TEST_F(SimUnitTest, AnswersTheStartSequenceLikeTheUnit) {
    Make();
    char model[11], version[11];
    ASSERT_TRUE(InitUnit(true, 16, model, version));
    EXPECT_STREQ(model, DeviceName());
    EXPECT_STREQ(version, "Ver2.10");
    EXPECT_TRUE(unit->Sinc3Selected());
    EXPECT_EQ(unit->RateIndex(), 16);
    ASSERT_TRUE(adc->SelectSinc5());
    EXPECT_FALSE(unit->Sinc3Selected());

    // Unknown lines and malformed commands are refused with "NG".
    EXPECT_FALSE(adc->SendExpectOK("F?"));
    EXPECT_FALSE(adc->SendExpectOK("Q"));
    char reply[32];
    ASSERT_TRUE(adc->SendReadLine("A1XYZ00", reply, sizeof reply));
    EXPECT_STREQ(reply, "NG");
    uint32_t written = 0;
    const std::string longLine = std::string(40, 'S') + "\r";
    ASSERT_EQ(unit->Write(reinterpret_cast<const uint8_t*>(longLine.data()),
                          static_cast<uint32_t>(longLine.size()), written),
              0u);
    ASSERT_TRUE(adc->ReadAvailable(reinterpret_cast<uint8_t*>(reply), sizeof reply, written));
    EXPECT_EQ(std::string(reply, written), "NG\r");
}

TEST_F(SimUnitTest, StreamsAFullBlockAt125kspsOnTimeWithoutLosingASample) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    Make();
    char model[11], version[11];
    ASSERT_TRUE(InitUnit(false, 16, model, version));
    ASSERT_TRUE(adc->StartAcquisition(0, 262144));
    std::vector<int32_t> codes;
    const double seconds = Acquire(16, 262144, codes);
    ASSERT_EQ(codes.size(), 262144u);
    EXPECT_NEAR(seconds, 2.1, 2.1 * 0.05);
    for (int32_t i = 0; i < 262144; ++i) {
        ASSERT_EQ(codes[i], kRampFirstCode + i) << "sample " << i;
    }
    // The unit stops after the count: nothing more arrives.
    ui.nowNs += 1000000000;
    int32_t extra[4];
    int32_t got = -1;
    ASSERT_TRUE(adc->ReadSamples(extra, got, 1));
    EXPECT_EQ(got, 0);
    EXPECT_FALSE(unit->IsStreaming());
}

TEST_F(SimUnitTest, PacesEveryRateBySamplePeriod) {
    config.channel[1] = ChannelSignal{};
    config.channel[1].ramp = true;
    Make();
    char model[11], version[11];
    ASSERT_TRUE(InitUnit(true, 4, model, version)); // 60 sps with Sinc3
    ASSERT_TRUE(adc->StartAcquisition(1, 1024));
    std::vector<int32_t> codes;
    const double seconds = Acquire(4, 1024, codes, 1000, 30.0);
    ASSERT_EQ(codes.size(), 1024u);
    EXPECT_NEAR(seconds, 1024 * SamplePeriod(4, true) * 1e-3, 0.002);
    EXPECT_EQ(codes.back(), kRampFirstCode + 1023);
}

TEST_F(SimUnitTest, NothingPrecedesTheFirstSampleAndNothingComesBeforeItsTime) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(8)); // 1 ksps
    ASSERT_TRUE(adc->StartAcquisition(0, 100));
    int32_t code = 0;
    int32_t got = -1;
    ui.nowNs += 999999;
    ASSERT_TRUE(adc->ReadSamples(&code, got, 1));
    EXPECT_EQ(got, 0);
    ui.nowNs += 1;
    ASSERT_TRUE(adc->ReadSamples(&code, got, 1));
    ASSERT_EQ(got, 1);
    EXPECT_EQ(code, kRampFirstCode); // no acknowledgement in front of the first sample
}

TEST_F(SimUnitTest, TonesAppearAtTheirCodes) {
    config.filterResponse = false;
    config.channel[0] = ChannelSignal{};
    config.channel[0].dcVolts = 0.25;
    config.channel[0].tones.push_back({1000.0, 1.0, 0.0});
    config.channel[0].tones.push_back({5000.0, 0.125, 90.0});
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 16384));
    std::vector<int32_t> codes;
    Acquire(16, 16384, codes);
    ASSERT_EQ(codes.size(), 16384u);
    for (int32_t n = 0; n < 16384; ++n) {
        const double t = n * 8e-6;
        const double v = 0.25 + std::sin(2 * std::numbers::pi * 1000 * t) +
                         0.125 * std::cos(2 * std::numbers::pi * 5000 * t);
        ASSERT_NEAR(codes[n], 8388608 + v * 8388608 / 2.5, 1.0) << "sample " << n;
    }
    // Sample 125 (1 ms) ends a whole period of both tones: 0.25 + 0 + 0.125 V.
    EXPECT_NEAR(codes[125], 8388608 + 0.375 * 8388608 / 2.5, 1);
}

TEST_F(SimUnitTest, DefaultPictureIsABenchToneOnCh0AndNoiseOnCh1) {
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 4096));
    std::vector<int32_t> ch0, ch1;
    Acquire(16, 4096, ch0);
    ASSERT_TRUE(adc->StopAcquisition());
    ASSERT_TRUE(adc->StartAcquisition(1, 4096));
    Acquire(16, 4096, ch1);
    ASSERT_EQ(ch0.size(), 4096u);
    ASSERT_EQ(ch1.size(), 4096u);
    auto stats = [](const std::vector<int32_t>& c, double& lo, double& hi, double& rms) {
        lo = 1e9, hi = -1e9;
        double sum = 0, sum2 = 0;
        for (int32_t x : c) {
            lo = std::min<double>(lo, x), hi = std::max<double>(hi, x);
            sum += x;
            sum2 += double(x) * x;
        }
        const double mean = sum / c.size();
        rms = std::sqrt(sum2 / c.size() - mean * mean);
    };
    double lo, hi, rms;
    stats(ch0, lo, hi, rms);
    const double peakCodes = 8388608 / 2.5; // 1 V, slightly shaped by the filter
    EXPECT_NEAR(hi - 8388608, peakCodes, peakCodes * 0.01);
    EXPECT_NEAR(8388608 - lo, peakCodes, peakCodes * 0.01);
    stats(ch1, lo, hi, rms);
    const double noiseCodes = 2e-6 * 8388608 / 2.5;
    EXPECT_NEAR(rms, noiseCodes, noiseCodes * 0.1);
    EXPECT_LT(hi - lo, 12 * noiseCodes);
}

TEST_F(SimUnitTest, DigitalFilterNotchesToneAtMultiplesOfTheRate) {
    EXPECT_NEAR(FilterGain(200.0, true), 0.0, 1e-9); // 1 kHz at 5 sps
    EXPECT_NEAR(FilterGain(0.008, false), 0.999895, 1e-6);
    EXPECT_NEAR(FilterGain(0.5, true), std::pow(2 / std::numbers::pi, 3), 1e-12);
    EXPECT_EQ(VoltsToCode(0.0), 8388608);
    EXPECT_EQ(VoltsToCode(2.5), 16777215);
    EXPECT_EQ(VoltsToCode(-2.5), 0);
    EXPECT_EQ(VoltsToCode(-2.5 + 2.5 / 8388608), 1);
    EXPECT_EQ(VoltsToCode(10.0), 16777215);
    EXPECT_EQ(VoltsToCode(std::nan("")), 0);
}

TEST_F(SimUnitTest, StopAndPurgeEndTheStream) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 100000));
    ui.nowNs += 8000 * 100;
    uint32_t queued = 0;
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 300u);
    ASSERT_TRUE(adc->Purge()); // the due samples are dropped; later ones keep coming
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 0u);
    ui.nowNs += 8000;
    int32_t code = 0, got = 0;
    ASSERT_TRUE(adc->ReadSamples(&code, got, 1));
    ASSERT_EQ(got, 1);
    EXPECT_EQ(code, kRampFirstCode + 100);

    ASSERT_TRUE(adc->StopAcquisition());
    EXPECT_FALSE(unit->IsStreaming());
    ui.nowNs += 1000000000;
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 0u);
}

TEST_F(SimUnitTest, SplitReadsKeepTheByteStreamIntact) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 10));
    ui.nowNs += 8000 * 10;
    uint8_t bytes[30];
    uint32_t got = 0;
    ASSERT_EQ(unit->Read(bytes, 4, got), 0u);
    ASSERT_EQ(got, 4u);
    ASSERT_EQ(unit->Read(bytes + 4, 26, got), 0u);
    ASSERT_EQ(got, 26u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ((bytes[3 * i] << 16) | (bytes[3 * i + 1] << 8) | bytes[3 * i + 2],
                  kRampFirstCode + i);
    }
}

TEST_F(SimUnitTest, InjectedFaults) {
    {
        config.absent = true;
        Make();
        EXPECT_FALSE(adc->OpenUnit());
    }
    {
        config = DefaultSimConfig();
        config.silent = true;
        Make();
        ASSERT_TRUE(adc->OpenUnit());
        const int64_t start = ui.nowNs;
        EXPECT_FALSE(adc->CheckUnit());
        EXPECT_GE(ui.nowNs - start, 100000000);
    }
    {
        config = DefaultSimConfig();
        config.ngCommand = "S3";
        Make();
        ASSERT_TRUE(adc->OpenUnit());
        EXPECT_FALSE(adc->SelectSinc3());
        EXPECT_TRUE(adc->SelectSinc5());
        config.ngCommand = "F*";
        Make();
        ASSERT_TRUE(adc->OpenUnit());
        EXPECT_FALSE(adc->SetRate(0));
        EXPECT_FALSE(adc->SetRate(16));
        EXPECT_TRUE(adc->CheckUnit());
    }
    {
        config = DefaultSimConfig();
        config.modelName = "TORVEX16";
        Make();
        char model[11];
        ASSERT_TRUE(adc->OpenUnit());
        ASSERT_TRUE(adc->ReadModelName(model, sizeof model));
        EXPECT_STRNE(model, DeviceName());
    }
}

TEST_F(SimUnitTest, StreamFaults) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    config.stallAfter = 2048;
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 8192));
    std::vector<int32_t> codes;
    Acquire(16, 8192, codes, 1000, 1.0);
    EXPECT_EQ(codes.size(), 2048u); // stalls, no error

    config.stallAfter = -1;
    config.vanishAfter = 3000;
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 8192));
    Acquire(16, 8192, codes, 1000, 1.0);
    EXPECT_EQ(codes.size(), 2048u); // gone before the third group was complete: the read fails
    EXPECT_FALSE(adc->OpenUnit());

    config.vanishAfter = -1;
    config.strayBytes = 2;
    config.clipAt = 5;
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 16));
    Acquire(16, 15, codes);
    ASSERT_EQ(codes.size(), 15u);
    EXPECT_NE(codes[0], kRampFirstCode); // stray bytes shift the framing
    // Sample 5 (0xFFFFFF) seen through the two-byte shift.
    EXPECT_EQ(codes[5] & 0xFF, 0xFF);
    EXPECT_EQ(codes[6] >> 8, 0xFFFF);
}

TEST_F(SimUnitTest, BridgeHoldsBytesUntilAPacketIsFullOrTheLatencyTimerExpires) {
    config.channel[0] = ChannelSignal{};
    config.channel[0].ramp = true;
    bridgeLatency = true; // 16 ms, the default
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    int64_t start = ui.nowNs;
    ASSERT_TRUE(adc->CheckUnit());
    EXPECT_GE(ui.nowNs - start, 16000000) << "the short reply waits for the latency timer";
    EXPECT_LT(ui.nowNs - start, 18000000);
    ASSERT_TRUE(adc->SetRate(16));
    ASSERT_TRUE(adc->StartAcquisition(0, 100));
    uint32_t queued = 0;
    ui.nowNs += 8000 * 20; // 60 bytes: not a packet yet
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 0u);
    ui.nowNs += 8000 * 41; // 183 bytes: two full packets went
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 124u);
    ui.nowNs += 8000 * 39; // all 300 bytes sent by the unit; the last 52 wait
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 248u);
    ui.nowNs += 16000000;
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 300u);

    // At 1 ksps every sample waits the full latency. (The rate command does not purge: the
    // samples still queued would be read as its reply.)
    ASSERT_FALSE(adc->SetRate(8));
    ASSERT_TRUE(adc->Purge());
    ASSERT_TRUE(adc->SetRate(8));
    ASSERT_TRUE(adc->StartAcquisition(0, 10));
    start = ui.nowNs;
    int32_t code = 0, got = 0;
    while (got == 0) {
        ui.nowNs += 100000;
        ASSERT_TRUE(adc->ReadSamples(&code, got, 1));
    }
    EXPECT_NEAR((ui.nowNs - start) * 1e-6, 1.0 + 16.0, 0.15);
    EXPECT_EQ(code, kRampFirstCode);
}

TEST_F(SimUnitTest, ToneRunsOnBetweenAcquisitionsAndStopLeavesSentSamplesQueued) {
    config.filterResponse = false;
    config.channel[0] = ChannelSignal{};
    config.channel[0].tones.push_back({1000.0, 1.0, 0.0});
    Make();
    ASSERT_TRUE(adc->OpenUnit());
    ASSERT_TRUE(adc->SetRate(16));
    const int64_t first = ui.nowNs;
    ASSERT_TRUE(adc->StartAcquisition(0, 1000));
    ui.nowNs += 8000 * 100;
    ASSERT_TRUE(adc->StopAcquisition());
    ui.nowNs += 8000 * 100;
    uint32_t queued = 0;
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 300u) << "AX stops the converter; what it sent stays until a purge";
    EXPECT_FALSE(unit->IsStreaming());

    // The next acquisition starts 10.25 periods of the tone later: a quarter period on, so its
    // first sample is the crest and not the initial zero crossing.
    ui.nowNs = first + 10250000;
    ASSERT_TRUE(adc->StartAcquisition(0, 64));
    ASSERT_EQ(unit->GetQueueStatus(queued), 0u);
    EXPECT_EQ(queued, 0u) << "the start's purge dropped the leftovers";
    std::vector<int32_t> codes;
    Acquire(16, 64, codes);
    ASSERT_EQ(codes.size(), 64u);
    for (int n = 0; n < 64; ++n) {
        const double v = std::sin(2 * std::numbers::pi * 1000 * (10.25e-3 + n * 8e-6));
        ASSERT_NEAR(codes[n], 8388608 + v * 8388608 / 2.5, 1.0) << "sample " << n;
    }
    EXPECT_NEAR(codes[0], 8388608 + 8388608 / 2.5, 1.0);
}

TEST(SimOptions, DefaultsAndChannelOptionsReplaceThePicture) {
    SimConfig c = DefaultSimConfig();
    EXPECT_EQ(c.channel[0].tones.size(), 4u);
    EXPECT_DOUBLE_EQ(c.channel[0].tones[0].frequencyHz, 1000.0);
    EXPECT_DOUBLE_EQ(c.channel[0].tones[0].amplitudeV, 1.0);
    EXPECT_NEAR(20 * std::log10(c.channel[0].tones[1].amplitudeV), -100.0, 0.01);
    EXPECT_NEAR(20 * std::log10(c.channel[0].tones[2].amplitudeV), -110.0, 0.01);
    EXPECT_TRUE(c.channel[1].tones.empty());
    EXPECT_GT(c.channel[1].noiseRmsV, 0.0);

    const char* argv[] = {"tavrin-sim",
                          "--ch0-tone",
                          "440:0.5:90",
                          "--ch0-tone",
                          "880:0.1",
                          "--ch1-dc",
                          "-0.5",
                          "--ng",
                          "U?",
                          "--stall-after",
                          "100",
                          "--absent",
                          "--no-filter-response"};
    std::string error;
    bool exitNow = true;
    ASSERT_TRUE(ParseSimOptions(13, const_cast<char**>(argv), c, error, exitNow)) << error;
    EXPECT_FALSE(exitNow);
    ASSERT_EQ(c.channel[0].tones.size(), 2u);
    EXPECT_DOUBLE_EQ(c.channel[0].tones[0].phaseDeg, 90.0);
    EXPECT_DOUBLE_EQ(c.channel[0].tones[1].amplitudeV, 0.1);
    EXPECT_EQ(c.channel[0].noiseRmsV, 0.0);
    EXPECT_DOUBLE_EQ(c.channel[1].dcVolts, -0.5);
    EXPECT_EQ(c.ngCommand, "U?");
    EXPECT_EQ(c.stallAfter, 100);
    EXPECT_TRUE(c.absent);
    EXPECT_FALSE(c.filterResponse);
}

TEST(SimOptions, BadOptionsAndHelp) {
    const std::vector<std::vector<const char*>> bad = {
        {"x", "--ch2-dc", "1"},
        {"x", "--ch0-tone", "1000"},
        {"x", "--ch0-tone", "a:b"},
        {"x", "--ch0-noise"},
        {"x", "--stall-after", "-3"},
        {"x", "--model", "0123456789ABCDEF"},
        {"x", "--frobnicate"},
        {"x", "--ch0-dc", "1V"},
        {"x", "--latency", "300"},
        {"x", "--rx-buffer", "10"},
        // A harmonic needs a tone of its own channel before it, and a whole order.
        {"x", "--ch0-harmonic", "2:-100"},
        {"x", "--ch0-tone", "1000:1", "--ch0-harmonic", "2.5:-100"}};
    for (auto args : bad) {
        SimConfig c = DefaultSimConfig();
        std::string error;
        bool exitNow = false;
        EXPECT_FALSE(ParseSimOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()),
                                     c, error, exitNow))
            << args[1];
        EXPECT_FALSE(error.empty());
    }
    SimConfig c = DefaultSimConfig();
    std::string text;
    bool exitNow = false;
    const char* help[] = {"x", "--help"};
    ASSERT_TRUE(ParseSimOptions(2, const_cast<char**>(help), c, text, exitNow));
    EXPECT_TRUE(exitNow);
    EXPECT_NE(text.find("--stall-after"), std::string::npos);
}

} // namespace

#include "common/RateTables.h"

#include <bit>

namespace {

const char* const kRateTextSinc5[kRateCount] = {
    "5sps",    "10sps", "20sps",  "49.96sps", "59.92sps",  "100sps", "200sps",   "500sps", "1ksps",
    "2.5ksps", "5ksps", "10ksps", "25ksps",   "31.25ksps", "50ksps", "62.5ksps", "125ksps"};
const char* const kRateTextSinc3[kRateCount] = {
    "5sps",    "10sps", "20sps",  "50sps",  "60sps",     "100sps", "200sps",   "500sps", "1ksps",
    "2.5ksps", "5ksps", "10ksps", "25ksps", "31.25ksps", "50ksps", "62.5ksps", "125ksps"};

// The non-short periods are given by their bit patterns so that they are exactly the values
// the unit's documentation names.
const float kPeriodSinc5[kRateCount] = {200.0f,
                                        100.0f,
                                        50.0f,
                                        std::bit_cast<float>(0x41A020CBu),
                                        std::bit_cast<float>(0x418582E8u),
                                        10.0f,
                                        5.0f,
                                        2.0f,
                                        1.0f,
                                        0.4f,
                                        0.2f,
                                        0.1f,
                                        0.04f,
                                        0.032f,
                                        0.02f,
                                        0.016f,
                                        0.008f};
const float kPeriodSinc3[kRateCount] = {
    200.0f, 100.0f, 50.0f, 20.0f,  std::bit_cast<float>(0x41855555u),
    10.0f,  5.0f,   2.0f,  1.0f,   0.4f,
    0.2f,   0.1f,   0.04f, 0.032f, 0.02f,
    0.016f, 0.008f};

const int32_t kChunk[kRateCount] = {1,  1,  1,   1,   1,   2,   4,   8,   16,
                                    32, 64, 128, 256, 256, 512, 512, 1024};

const char kRateChar[kRateCount + 1] = "0123456789ABCDEFG";

int32_t Clamp(int32_t spsSel) {
    return spsSel < 0 ? 0 : spsSel >= kRateCount ? kRateCount - 1 : spsSel;
}

} // namespace

const char* RateText(int32_t spsSel, bool sinc3) {
    if (spsSel < 0 || spsSel >= kRateCount) {
        return "0";
    }
    return sinc3 ? kRateTextSinc3[spsSel] : kRateTextSinc5[spsSel];
}

float SamplePeriod(int32_t spsSel, bool sinc3) {
    const int32_t i = Clamp(spsSel);
    return sinc3 ? kPeriodSinc3[i] : kPeriodSinc5[i];
}

char RateCharacter(int32_t spsSel) {
    if (spsSel < 0 || spsSel >= kRateCount) {
        return '\0';
    }
    return kRateChar[spsSel];
}

const char* DeviceName() {
    return "TORVEX24";
}

int32_t ChunkTable(int32_t spsSel) {
    return kChunk[Clamp(spsSel)];
}

#include "adunit/Adc.h"

#include <cstring>

#include "common/RateTables.h"

bool TADC::OpenUnit() {
    return Open(kInTransferSize) && Purge();
}

void TADC::CloseUnit() {
    if (IsOpen()) {
        Purge();
        Close();
    }
}

bool TADC::Command(const char* text, bool purgeFirst) {
    if (!IsOpen() || (purgeFirst && !Purge())) {
        return false;
    }
    SetTimeout(kCommandTimeoutMs);
    return SendExpectOK(text);
}

bool TADC::CheckUnit() {
    return Command("?", true);
}
bool TADC::SelectSinc3() {
    return Command("S3", true);
}
bool TADC::SelectSinc5() {
    return Command("S5", true);
}

bool TADC::SetRate(int32_t spsSel) {
    if (spsSel < 0 || spsSel >= kRateCount) {
        return false;
    }
    commandBuffer = {'F', RateCharacter(spsSel), '\0'};
    return Command(commandBuffer.data(), false);
}

bool TADC::Query(const char* text, char* out, size_t capacity) {
    if (!IsOpen() || out == nullptr || capacity == 0 || !Purge()) {
        return false;
    }
    SetTimeout(kCommandTimeoutMs);
    replyBuffer.fill('\0');
    if (!SendReadLine(text, replyBuffer.data(), replyBuffer.size() - 1)) {
        return false;
    }
    // "NG" is the unit's refusal; either letter in its place counts.
    if (replyBuffer[0] == 'N' || replyBuffer[1] == 'G') {
        return false;
    }
    size_t n = 0;
    while (n < kIdentityLength && n + 1 < capacity && replyBuffer[n] != '\0') {
        out[n] = replyBuffer[n];
        ++n;
    }
    out[n] = '\0';
    return true;
}

bool TADC::ReadModelName(char* out, size_t capacity) {
    return Query("U?", out, capacity);
}
bool TADC::ReadVersion(char* out, size_t capacity) {
    return Query("V?", out, capacity);
}

bool TADC::StartAcquisition(int32_t channel, int32_t sampleCount) {
    if ((channel != 0 && channel != 1) || !IsOpen() || !Purge()) {
        return false;
    }
    static const char kHex[] = "0123456789ABCDEF";
    const uint32_t count =
        sampleCount < 0 || sampleCount > 0xFFFFF ? 0u : static_cast<uint32_t>(sampleCount);
    commandBuffer = {'A',
                     static_cast<char>('0' + channel),
                     kHex[(count >> 16) & 0xF],
                     kHex[(count >> 12) & 0xF],
                     kHex[(count >> 8) & 0xF],
                     kHex[(count >> 4) & 0xF],
                     kHex[count & 0xF],
                     '\0'};
    return SendLine(commandBuffer.data());
}

bool TADC::StopAcquisition() {
    if (!IsOpen()) {
        return false;
    }
    return SendLine("AX");
}

bool TADC::ReadSamples(int32_t* dst, int32_t& got, int32_t n) {
    if (!IsOpen() || dst == nullptr || n < 1 || n > kMaxSamplesPerRead) {
        return false;
    }
    got = 0;
    const auto bytes = static_cast<uint32_t>(3 * n);
    uint32_t delivered = 0;
    if (!ReadExact(rawBlock.data(), bytes, delivered)) {
        return false;
    }
    if (delivered == 0) {
        return true;
    }
    if (delivered != bytes) {
        return false;
    }
    const uint8_t* p = rawBlock.data();
    for (int32_t i = 0; i < n; ++i, p += 3) {
        dst[i] = (int32_t{p[0]} << 16) | (int32_t{p[1]} << 8) | int32_t{p[2]};
    }
    got = n;
    return true;
}

// The TORVEX24 unit's command protocol on top of the USB FIFO transport: check, filter and
// rate selection, identification, start and stop of an acquisition, and the sample reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "adunit/Ft_fifo.h"

class TADC : public Tft_FIFO {
public:
    static constexpr uint32_t kInTransferSize = 4096;
    static constexpr uint32_t kCommandTimeoutMs = 100;
    static constexpr int32_t kMaxSamplesPerRead = 1200;
    static constexpr size_t kIdentityLength = 10; // characters copied by the identity queries

    using Tft_FIFO::Tft_FIFO;

    bool OpenUnit();
    void CloseUnit();
    bool CheckUnit();
    bool SelectSinc3();
    bool SelectSinc5();
    bool SetRate(int32_t spsSel);
    // Copy up to 10 characters of the reply into `out` (NUL-terminated, at most capacity - 1
    // characters); capacity 11 or more holds every accepted reply.
    bool ReadModelName(char* out, size_t capacity);
    bool ReadVersion(char* out, size_t capacity);
    bool StartAcquisition(int32_t channel, int32_t sampleCount);
    bool StopAcquisition();
    // Delivers exactly `n` samples (1..1200) into dst or none (got = 0), never waiting.
    bool ReadSamples(int32_t* dst, int32_t& got, int32_t n);

private:
    bool Command(const char* text, bool purgeFirst);
    bool Query(const char* text, char* out, size_t capacity);

    std::array<uint8_t, 3 * kMaxSamplesPerRead> rawBlock{};
    std::array<char, 20> commandBuffer{};
    std::array<char, 32> replyBuffer{};
};

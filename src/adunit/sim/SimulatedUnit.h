// A simulated TORVEX24 behind the driver interface. It answers the unit's command lines and,
// after a start command, streams 3-byte codes paced by a monotonic clock. No thread: the
// receive-queue query works out how many samples are due by now, and a read generates them
// straight into the caller's buffer.
#pragma once

#include <array>
#include <cstdint>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SignalModel.h"
#include "adunit/sim/SimConfig.h"

class SimulatedUnit final : public FtDriver {
public:
    static constexpr uint32_t kStatusOk = 0;
    static constexpr uint32_t kStatusNotOpen = 3;  // FT_DEVICE_NOT_OPENED
    static constexpr uint32_t kStatusNotFound = 2; // FT_DEVICE_NOT_FOUND
    static constexpr uint32_t kStatusIoError = 4;  // FT_IO_ERROR
    static constexpr uint32_t kStatusBadArgument = 6;

    SimulatedUnit(const SimConfig& config, IMonotonicClock& clock);

    uint32_t OpenByIndex(int index) override;
    uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    uint32_t Purge(uint32_t mask) override;
    uint32_t GetQueueStatus(uint32_t& queuedBytes) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) override;
    uint32_t Close() override;

    // For tests and diagnostics.
    bool IsOpen() const { return open_; }
    bool IsStreaming() const { return streaming_; }
    bool Sinc3Selected() const { return sinc3_; }
    int32_t RateIndex() const { return rateIndex_; }
    uint64_t SamplesSent() const { return sent_; }

private:
    // Replies and stray bytes wait here ahead of the sample stream.
    static constexpr size_t kReplyCapacity = 4096;
    static constexpr size_t kLineCapacity = 32;

    void HandleLine();
    void Reply(const char* text);
    void StartStream(int channel, uint32_t count);
    uint64_t DueSamples();
    int32_t NextCode();
    bool Gone();

    const SimConfig config_;
    IMonotonicClock& clock_;
    bool open_ = false;
    bool gone_ = false;

    std::array<uint8_t, kReplyCapacity> reply_{};
    size_t replyHead_ = 0;
    size_t replyTail_ = 0;

    std::array<char, kLineCapacity + 1> line_{};
    size_t lineLength_ = 0;
    bool lineOverflow_ = false;

    bool sinc3_ = false;
    int32_t rateIndex_ = 16;

    bool streaming_ = false;
    int channel_ = 0;
    uint64_t count_ = 0;       // samples this acquisition sends
    int64_t startNs_ = 0;      // clock time of the start command
    double periodNs_ = 8000.0; // sample period of the acquisition
    uint64_t sent_ = 0;        // samples handed out completely (or discarded by a purge)
    std::array<uint8_t, 3> partial_{};
    uint32_t partialUsed_ = 0; // bytes of sample `sent_` already handed out (0..2)
    uint64_t totalSent_ = 0;   // over the unit's lifetime, for the vanish fault
    SignalGenerator generator_[2];
};

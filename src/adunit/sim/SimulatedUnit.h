// A simulated TORVEX24 behind the driver interface. It answers the unit's command lines and,
// after a start command, streams 3-byte codes paced by a monotonic clock. No thread: every
// driver call first brings the unit up to the present (the samples due by now are produced),
// and the bytes travel as through the unit's FTDI FIFO bridge: held in the chip until a packet
// of 62 payload bytes is full or the latency timer expires, then appended to the host driver's
// bounded receive queue, where the reads take them from.
#pragma once

#include <array>
#include <cstdint>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "adunit/RxReader.h"
#include "adunit/sim/SignalModel.h"
#include "adunit/sim/SimConfig.h"

class SimulatedUnit final : public FtDriver {
public:
    static constexpr size_t kPacketPayload = 62; // a 64-byte USB packet less two status bytes

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
    // Samples the unit has sent in the current (or last) acquisition.
    uint64_t SamplesSent() const { return sent_; }
    // Bytes lost because the receive queue was full, over the unit's lifetime.
    uint64_t LostBytes() const { return lostBytes_; }

private:
    static constexpr size_t kLineCapacity = 32;

    // Produces everything due by `now` and lets the bridge deliver what it would by then.
    void Advance(int64_t now);
    // Bytes leave the unit at time `t` into the bridge's packet buffer.
    void Emit(const uint8_t* bytes, size_t n, int64_t t);
    void FlushPacket();
    // Reports an overrun once: the status of the call that notices it.
    uint32_t TakeOverrun();

    void HandleLine(int64_t now);
    void Reply(const char* text, int64_t now);
    void StartStream(int channel, uint32_t count, int64_t now);
    uint64_t DueSamples(int64_t now) const;
    int32_t NextCode();
    bool Gone();

    const SimConfig config_;
    IMonotonicClock& clock_;
    const int64_t latencyNs_;
    bool open_ = false;
    bool gone_ = false;

    ByteRing rx_;                                  // the host driver's receive queue
    std::array<uint8_t, kPacketPayload> packet_{}; // the bridge chip's buffer
    size_t packetFill_ = 0;
    int64_t packetSinceNs_ = 0; // when the oldest byte in the packet buffer arrived
    uint64_t lostBytes_ = 0;
    bool overrunPending_ = false;

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
    uint64_t sent_ = 0;        // samples of this acquisition produced so far
    uint64_t totalSent_ = 0;   // over the unit's lifetime, for the vanish fault
    bool signalStarted_ = false;
    int64_t signalEpochNs_ = 0; // time 0 of the input signals (the first acquisition's start)
    SignalGenerator generator_[2];
};

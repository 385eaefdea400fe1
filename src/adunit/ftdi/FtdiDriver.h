// The hardware driver through libftdi1: the first FTDI device with the default ids, a reader
// thread feeding a ring buffer as the receive queue, and libftdi's flush calls for the purge.
// A bulk read that times out means only that nothing arrived; any other read failure ends the
// reader, is reported once through the queue status, and the next purge starts it again. A
// device that has gone is reported and left alone until it is closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "adunit/FtDriver.h"
#include "adunit/RxReader.h"
#include "adunit/ftdi/FtdiPort.h"

class FtdiDriver final : public FtDriver {
public:
    // Set on every open rather than trusting the chip's previous owner: the chip sends what it
    // holds (or its status bytes) at least this often, so a bulk read in flight returns long
    // before its timeout and a purge never waits for one.
    static constexpr unsigned char kLatencyMs = 4;
    static constexpr unsigned int kReadChunkBytes = 4096;

    explicit FtdiDriver(std::unique_ptr<IFtdiPort> port = MakeLibFtdiPort());
    ~FtdiDriver() override;

    uint32_t OpenByIndex(int index) override;
    uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    uint32_t Purge(uint32_t mask) override;
    uint32_t GetQueueStatus(uint32_t& queuedBytes) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) override;
    uint32_t Close() override;

    // The device went away while open (until it is closed).
    bool Disconnected() const { return disconnected_.load(); }

private:
    class Source;
    void Release();

    std::unique_ptr<IFtdiPort> port_;
    // libftdi is not thread-safe on one context: the reader thread's bulk reads and the user
    // interface thread's writes, flushes and settings all take this lock.
    std::mutex portMutex_;
    std::unique_ptr<Source> source_;
    std::atomic<bool> disconnected_{false};
    bool open_ = false;
    RxReader reader_; // last: its thread stops before the port and the source go
};

// The hardware driver through libftdi1: the first FTDI device with the default ids, a reader
// thread feeding a ring buffer as the receive queue, and libftdi's flush calls for the purge.
#pragma once

#include <cstdint>

#include "adunit/FtDriver.h"
#include "adunit/RxReader.h"

struct ftdi_context;

class FtdiDriver final : public FtDriver {
public:
    static constexpr uint32_t kStatusOk = 0;
    static constexpr uint32_t kStatusNotFound = 2;
    static constexpr uint32_t kStatusNotOpen = 3;
    static constexpr uint32_t kStatusIoError = 4;

    FtdiDriver();
    ~FtdiDriver() override;

    uint32_t OpenByIndex(int index) override;
    uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    uint32_t Purge(uint32_t mask) override;
    uint32_t GetQueueStatus(uint32_t& queuedBytes) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) override;
    uint32_t Close() override;

private:
    class Source;
    void Release();

    ftdi_context* ctx_ = nullptr;
    Source* source_ = nullptr;
    RxReader reader_;
};

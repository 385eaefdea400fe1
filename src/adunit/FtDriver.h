// The seven driver operations the USB FIFO transport uses. Every operation returns a status;
// 0 is success, anything else is the backend's own failure code.
#pragma once

#include <cstdint>

class FtDriver {
public:
    static constexpr uint32_t PurgeRx = 1;
    static constexpr uint32_t PurgeTx = 2;

    virtual ~FtDriver() = default;
    virtual uint32_t OpenByIndex(int index) = 0;
    virtual uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) = 0;
    virtual uint32_t Purge(uint32_t mask) = 0;
    // Bytes waiting in the receive queue; never blocks.
    virtual uint32_t GetQueueStatus(uint32_t& queuedBytes) = 0;
    virtual uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) = 0;
    virtual uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) = 0;
    virtual uint32_t Close() = 0;
};

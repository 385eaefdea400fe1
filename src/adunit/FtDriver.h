// The seven driver operations the USB FIFO transport uses. Every operation returns a status:
// one of FTDI's FT_STATUS codes below (the D2XX backend passes its library's codes through).
#pragma once

#include <cstdint>

class FtDriver {
public:
    enum Status : uint32_t {
        kStatusOk = 0,
        kStatusInvalidHandle = 1, // FT_INVALID_HANDLE: the operation needs an open device
        kStatusNotFound = 2,      // FT_DEVICE_NOT_FOUND
        kStatusNotOpen = 3,       // FT_DEVICE_NOT_OPENED
        kStatusIoError = 4,       // FT_IO_ERROR
        kStatusBadArgument = 6,   // FT_INVALID_PARAMETER
    };
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

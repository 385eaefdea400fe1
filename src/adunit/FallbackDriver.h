// Two driver backends for one unit: the preferred one is tried first on every open, the other
// when the preferred one cannot open the unit (FTDI's D2XX library installed but unable to
// claim the device, for instance while the kernel's serial driver holds it, or installed for
// another device). Every other operation goes to the backend that opened.
#pragma once

#include <memory>

#include "adunit/FtDriver.h"

class FallbackDriver final : public FtDriver {
public:
    FallbackDriver(std::unique_ptr<FtDriver> preferred, std::unique_ptr<FtDriver> fallback);

    uint32_t OpenByIndex(int index) override;
    uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    uint32_t Purge(uint32_t mask) override;
    uint32_t GetQueueStatus(uint32_t& queuedBytes) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) override;
    uint32_t Close() override;

    // The backend that opened the unit, or nullptr while closed.
    const FtDriver* Active() const { return active_; }

private:
    std::unique_ptr<FtDriver> preferred_;
    std::unique_ptr<FtDriver> fallback_;
    FtDriver* active_ = nullptr;
};

// FTDI's own D2XX library, used instead of libftdi when libftd2xx.so is installed. It is loaded
// at run time so that `tavrin` builds and runs without it; D2XX keeps its own receive queue, so
// the seven operations map one to one.
#pragma once

#include <cstdint>
#include <memory>

#include "adunit/FtDriver.h"

struct D2xxApi;

class D2xxDriver final : public FtDriver {
public:
    // The library's entry points, or nullptr when libftd2xx.so or one of them is missing.
    static const D2xxApi* Load();

    explicit D2xxDriver(const D2xxApi& api) : api_(api) {}
    ~D2xxDriver() override;

    uint32_t OpenByIndex(int index) override;
    uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    uint32_t Purge(uint32_t mask) override;
    uint32_t GetQueueStatus(uint32_t& queuedBytes) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) override;
    uint32_t Close() override;

private:
    const D2xxApi& api_;
    void* handle_ = nullptr;
};

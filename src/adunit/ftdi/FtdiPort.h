// The libftdi calls the hardware driver makes, behind a small interface so that tests can put
// a fake device underneath (timeouts, short reads, a disconnect) without USB. The results
// follow libftdi's conventions: 0 or a byte count on success, a negative code on failure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class IFtdiPort {
public:
    // The failure codes the driver tells apart (libusb's values, which libftdi passes on).
    static constexpr int kTimeout = -7;       // LIBUSB_ERROR_TIMEOUT: nothing arrived in time
    static constexpr int kNoDevice = -4;      // LIBUSB_ERROR_NO_DEVICE: unplugged
    static constexpr int kUnavailable = -666; // libftdi: the device handle is gone
    static bool IsDisconnect(int rc) { return rc == kNoDevice || rc == kUnavailable; }

    virtual ~IFtdiPort() = default;
    // Opens the index-th FTDI device with the default ids.
    virtual int Open(int index) = 0;
    virtual int SetLatencyTimer(unsigned char milliseconds) = 0;
    virtual int SetReadChunkSize(unsigned int bytes) = 0;
    // One bulk read of at most `size` bytes: the count read, or a failure code.
    virtual int Read(uint8_t* dst, int size) = 0;
    virtual int Write(const uint8_t* src, int size) = 0;
    // Discards the chip's receive and/or transmit buffers.
    virtual int Flush(bool rx, bool tx) = 0;
    virtual void Close() = 0;
};

// The port on the real libftdi1. With a serial number, Open counts only the bridges that carry
// it.
std::unique_ptr<IFtdiPort> MakeLibFtdiPort(const std::string& serial = {});

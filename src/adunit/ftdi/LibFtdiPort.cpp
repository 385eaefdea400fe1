// IFtdiPort on libftdi1. Not thread-safe: FtdiDriver serialises every call on one context.
#include <ftdi.h>
#include <libusb.h>

#include "adunit/ftdi/FtdiPort.h"

static_assert(IFtdiPort::kTimeout == LIBUSB_ERROR_TIMEOUT);
static_assert(IFtdiPort::kNoDevice == LIBUSB_ERROR_NO_DEVICE);

namespace {
// Short so that a purge or close never waits long for a read in flight; with the latency timer
// set on open the chip answers every read well before this.
constexpr int kReadTimeoutMs = 50;
constexpr int kWriteTimeoutMs = 1000;

// The serial number string of a bridge, read with a short-lived open; empty when unreadable.
std::string SerialOf(ftdi_context* ctx, libusb_device* dev) {
    char serial[128] = {};
    if (ftdi_usb_get_strings(ctx, dev, nullptr, 0, nullptr, 0, serial, sizeof serial) < 0) {
        return {};
    }
    return serial;
}

class LibFtdiPort final : public IFtdiPort {
public:
    explicit LibFtdiPort(std::string serial) : serial_(std::move(serial)) {}
    ~LibFtdiPort() override { Close(); }

    int Open(int index) override {
        if (ctx_) {
            return -1;
        }
        ctx_ = ftdi_new();
        if (!ctx_) {
            return -1;
        }
        ftdi_device_list* list = nullptr;
        // Vendor and product 0 search the FTDI default ids (0403:6001, 6010, 6011, 6014, 6015).
        const int found = ftdi_usb_find_all(ctx_, &list, 0, 0);
        ftdi_device_list* entry = list;
        for (int i = 0; entry; entry = entry->next) {
            if ((serial_.empty() || SerialOf(ctx_, entry->dev) == serial_) && i++ == index) {
                break;
            }
        }
        int rc = -1;
        if (found > 0 && entry) {
            rc = ftdi_usb_open_dev(ctx_, entry->dev);
        }
        ftdi_list_free(&list);
        if (rc < 0) {
            ftdi_free(ctx_);
            ctx_ = nullptr;
            return rc;
        }
        ctx_->usb_read_timeout = kReadTimeoutMs;
        ctx_->usb_write_timeout = kWriteTimeoutMs;
        return 0;
    }
    int SetLatencyTimer(unsigned char milliseconds) override {
        return ctx_ ? ftdi_set_latency_timer(ctx_, milliseconds) : kUnavailable;
    }
    int SetReadChunkSize(unsigned int bytes) override {
        return ctx_ ? ftdi_read_data_set_chunksize(ctx_, bytes) : kUnavailable;
    }
    int Read(uint8_t* dst, int size) override {
        return ctx_ ? ftdi_read_data(ctx_, dst, size) : kUnavailable;
    }
    int Write(const uint8_t* src, int size) override {
        return ctx_ ? ftdi_write_data(ctx_, src, size) : kUnavailable;
    }
    int Flush(bool rx, bool tx) override {
        if (!ctx_) {
            return kUnavailable;
        }
        if (rx && tx) {
            return ftdi_tcioflush(ctx_);
        }
        if (rx) {
            return ftdi_tciflush(ctx_);
        }
        return tx ? ftdi_tcoflush(ctx_) : 0;
    }
    void Close() override {
        if (ctx_) {
            ftdi_usb_close(ctx_);
            ftdi_free(ctx_);
            ctx_ = nullptr;
        }
    }

private:
    const std::string serial_;
    ftdi_context* ctx_ = nullptr;
};
} // namespace

std::unique_ptr<IFtdiPort> MakeLibFtdiPort(const std::string& serial) {
    return std::make_unique<LibFtdiPort>(serial);
}

#include "adunit/ftdi/FtdiDriver.h"

#include <ftdi.h>

#include <algorithm>

namespace {
// Short so that a purge or close never waits long for a read in flight; the chip sends its
// status bytes every latency period anyway, so an idle read returns well before this.
constexpr int kReadTimeoutMs = 50;
constexpr int kWriteTimeoutMs = 1000;
} // namespace

class FtdiDriver::Source final : public IRxSource {
public:
    explicit Source(ftdi_context* ctx) : ctx_(ctx) {}
    int ReadChunk(uint8_t* dst, size_t capacity) override {
        const int n =
            ftdi_read_data(ctx_, dst, static_cast<int>(std::min<size_t>(capacity, 65536)));
        return n < 0 ? -1 : n;
    }

private:
    ftdi_context* ctx_;
};

FtdiDriver::FtdiDriver() = default;

FtdiDriver::~FtdiDriver() {
    Release();
}

void FtdiDriver::Release() {
    reader_.Stop();
    delete source_;
    source_ = nullptr;
    if (ctx_) {
        ftdi_usb_close(ctx_);
        ftdi_free(ctx_);
        ctx_ = nullptr;
    }
}

uint32_t FtdiDriver::OpenByIndex(int index) {
    if (ctx_) {
        return kStatusIoError;
    }
    ctx_ = ftdi_new();
    if (!ctx_) {
        return kStatusIoError;
    }
    ftdi_device_list* list = nullptr;
    // Vendor and product 0 search the FTDI default ids (0403:6001, 6010, 6011, 6014, 6015).
    const int found = ftdi_usb_find_all(ctx_, &list, 0, 0);
    ftdi_device_list* entry = list;
    for (int i = 0; entry && i < index; ++i) {
        entry = entry->next;
    }
    int rc = -1;
    if (found > 0 && entry) {
        rc = ftdi_usb_open_dev(ctx_, entry->dev);
    }
    ftdi_list_free(&list);
    if (rc < 0) {
        ftdi_free(ctx_);
        ctx_ = nullptr;
        return kStatusNotFound;
    }
    ctx_->usb_read_timeout = kReadTimeoutMs;
    ctx_->usb_write_timeout = kWriteTimeoutMs;
    source_ = new Source(ctx_);
    reader_.Start(*source_);
    return kStatusOk;
}

uint32_t FtdiDriver::SetUSBParameters(uint32_t inTransferSize, uint32_t) {
    if (!ctx_) {
        return kStatusNotOpen;
    }
    const bool ok = reader_.Paused(
        [&] { return ftdi_read_data_set_chunksize(ctx_, inTransferSize) == 0; }, false);
    return ok ? kStatusOk : kStatusIoError;
}

uint32_t FtdiDriver::Purge(uint32_t mask) {
    if (!ctx_) {
        return kStatusNotOpen;
    }
    const bool rx = mask & PurgeRx;
    const bool tx = mask & PurgeTx;
    const bool ok = reader_.Paused(
        [&] {
            if (rx && tx) {
                return ftdi_tcioflush(ctx_) == 0;
            }
            if (rx) {
                return ftdi_tciflush(ctx_) == 0;
            }
            if (tx) {
                return ftdi_tcoflush(ctx_) == 0;
            }
            return true;
        },
        rx);
    return ok ? kStatusOk : kStatusIoError;
}

uint32_t FtdiDriver::GetQueueStatus(uint32_t& queuedBytes) {
    if (!ctx_) {
        return kStatusNotOpen;
    }
    const size_t n = reader_.Available();
    // Bytes that arrived before a failure are still delivered; then the failure shows.
    if (n == 0 && !reader_.Healthy()) {
        return kStatusIoError;
    }
    queuedBytes = static_cast<uint32_t>(n);
    return kStatusOk;
}

uint32_t FtdiDriver::Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    if (!ctx_) {
        return kStatusNotOpen;
    }
    bytesRead = static_cast<uint32_t>(reader_.Read(dst, count));
    return kStatusOk;
}

uint32_t FtdiDriver::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (!ctx_) {
        return kStatusNotOpen;
    }
    // libusb lets the write run beside the reader thread's bulk-in transfer.
    const int n = ftdi_write_data(ctx_, src, static_cast<int>(count));
    if (n < 0) {
        return kStatusIoError;
    }
    bytesWritten = static_cast<uint32_t>(n);
    return static_cast<uint32_t>(n) == count ? kStatusOk : kStatusIoError;
}

uint32_t FtdiDriver::Close() {
    if (!ctx_) {
        return kStatusNotOpen;
    }
    Release();
    return kStatusOk;
}

#include "adunit/ftdi/FtdiDriver.h"

#include <algorithm>

class FtdiDriver::Source final : public IRxSource {
public:
    explicit Source(FtdiDriver& driver) : driver_(driver) {}
    int ReadChunk(uint8_t* dst, size_t capacity) override {
        int n;
        {
            std::lock_guard<std::mutex> lock(driver_.portMutex_);
            n = driver_.port_->Read(dst, static_cast<int>(std::min<size_t>(capacity, 65536)));
        }
        if (n >= 0) {
            return n;
        }
        if (n == IFtdiPort::kTimeout) {
            return 0; // nothing arrived within the timeout: the unit is idle
        }
        if (IFtdiPort::IsDisconnect(n)) {
            driver_.disconnected_ = true;
        }
        return -1;
    }

private:
    FtdiDriver& driver_;
};

FtdiDriver::FtdiDriver(std::unique_ptr<IFtdiPort> port)
    : port_(std::move(port)), source_(std::make_unique<Source>(*this)) {}

FtdiDriver::~FtdiDriver() {
    Release();
}

void FtdiDriver::Release() {
    reader_.Stop();
    if (open_) {
        std::lock_guard<std::mutex> lock(portMutex_);
        port_->Close();
    }
    open_ = false;
    disconnected_ = false;
}

uint32_t FtdiDriver::OpenByIndex(int index) {
    if (open_) {
        return kStatusIoError;
    }
    disconnected_ = false;
    {
        std::lock_guard<std::mutex> lock(portMutex_);
        if (port_->Open(index) < 0) {
            return kStatusNotFound;
        }
        if (port_->SetLatencyTimer(kLatencyMs) < 0 ||
            port_->SetReadChunkSize(kReadChunkBytes) < 0) {
            port_->Close();
            return kStatusIoError;
        }
    }
    open_ = true;
    reader_.Start(*source_);
    return kStatusOk;
}

uint32_t FtdiDriver::SetUSBParameters(uint32_t inTransferSize, uint32_t) {
    if (!open_) {
        return kStatusNotOpen;
    }
    const bool ok = reader_.Paused(
        [&] {
            std::lock_guard<std::mutex> lock(portMutex_);
            return port_->SetReadChunkSize(inTransferSize) >= 0;
        },
        false);
    return ok ? kStatusOk : kStatusIoError;
}

uint32_t FtdiDriver::Purge(uint32_t mask) {
    if (!open_) {
        return kStatusNotOpen;
    }
    if (disconnected_) {
        return kStatusIoError;
    }
    const bool rx = mask & PurgeRx;
    const bool tx = mask & PurgeTx;
    const bool ok = reader_.Paused(
        [&] {
            std::lock_guard<std::mutex> lock(portMutex_);
            return !(rx || tx) || port_->Flush(rx, tx) >= 0;
        },
        rx);
    // A reader that ended on a read failure (already reported) starts again on the purge that
    // begins the next command, so one lost transfer does not end the unit for good.
    if (ok && !reader_.Healthy()) {
        reader_.Start(*source_);
    }
    return ok ? kStatusOk : kStatusIoError;
}

uint32_t FtdiDriver::GetQueueStatus(uint32_t& queuedBytes) {
    if (!open_) {
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
    if (!open_) {
        return kStatusNotOpen;
    }
    bytesRead = static_cast<uint32_t>(reader_.Read(dst, count));
    return kStatusOk;
}

uint32_t FtdiDriver::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (!open_) {
        return kStatusNotOpen;
    }
    if (disconnected_) {
        return kStatusIoError;
    }
    // The reader is held between two reads, so a long stream of reads cannot starve the write.
    int n = 0;
    reader_.Paused(
        [&] {
            std::lock_guard<std::mutex> lock(portMutex_);
            n = port_->Write(src, static_cast<int>(count));
            return n >= 0;
        },
        false);
    if (n < 0) {
        if (IFtdiPort::IsDisconnect(n)) {
            disconnected_ = true;
        }
        return kStatusIoError;
    }
    bytesWritten = static_cast<uint32_t>(n);
    return static_cast<uint32_t>(n) == count ? kStatusOk : kStatusIoError;
}

uint32_t FtdiDriver::Close() {
    if (!open_) {
        return kStatusNotOpen;
    }
    Release();
    return kStatusOk;
}

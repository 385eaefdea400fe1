#include "adunit/FallbackDriver.h"

FallbackDriver::FallbackDriver(std::unique_ptr<FtDriver> preferred,
                               std::unique_ptr<FtDriver> fallback)
    : preferred_(std::move(preferred)), fallback_(std::move(fallback)) {}

uint32_t FallbackDriver::OpenByIndex(int index) {
    if (active_) {
        return active_->OpenByIndex(index); // the backend's own answer to a second open
    }
    const uint32_t first = preferred_->OpenByIndex(index);
    if (first == 0) {
        active_ = preferred_.get();
        return first;
    }
    const uint32_t second = fallback_->OpenByIndex(index);
    if (second == 0) {
        active_ = fallback_.get();
    }
    return second;
}

uint32_t FallbackDriver::SetUSBParameters(uint32_t in, uint32_t out) {
    return active_ ? active_->SetUSBParameters(in, out) : kStatusNotOpen;
}

uint32_t FallbackDriver::Purge(uint32_t mask) {
    return active_ ? active_->Purge(mask) : kStatusNotOpen;
}

uint32_t FallbackDriver::GetQueueStatus(uint32_t& queuedBytes) {
    return active_ ? active_->GetQueueStatus(queuedBytes) : kStatusNotOpen;
}

uint32_t FallbackDriver::Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    return active_ ? active_->Read(dst, count, bytesRead) : kStatusNotOpen;
}

uint32_t FallbackDriver::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    return active_ ? active_->Write(src, count, bytesWritten) : kStatusNotOpen;
}

uint32_t FallbackDriver::Close() {
    if (!active_) {
        return kStatusNotOpen;
    }
    FtDriver* closing = active_;
    active_ = nullptr;
    return closing->Close();
}

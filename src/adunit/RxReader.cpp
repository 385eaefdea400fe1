#include "adunit/RxReader.h"

#include <algorithm>
#include <chrono>
#include <cstring>

ByteRing::ByteRing(size_t capacity) : buffer_(capacity) {}

size_t ByteRing::Push(const uint8_t* src, size_t n) {
    n = std::min(n, Free());
    const size_t cap = buffer_.size();
    size_t tail = (head_ + size_) % (cap ? cap : 1);
    const size_t first = std::min(n, cap - tail);
    std::memcpy(buffer_.data() + tail, src, first);
    std::memcpy(buffer_.data(), src + first, n - first);
    size_ += n;
    return n;
}

size_t ByteRing::Pop(uint8_t* dst, size_t n) {
    n = std::min(n, size_);
    const size_t cap = buffer_.size();
    const size_t first = std::min(n, cap - head_);
    std::memcpy(dst, buffer_.data() + head_, first);
    std::memcpy(dst + first, buffer_.data(), n - first);
    head_ = (head_ + n) % (cap ? cap : 1);
    size_ -= n;
    if (size_ == 0) {
        head_ = 0;
    }
    return n;
}

RxReader::RxReader(size_t capacity, size_t chunk) : ring_(capacity), chunk_(chunk) {}

RxReader::~RxReader() {
    Stop();
}

void RxReader::Start(IRxSource& source) {
    Stop();
    {
        std::lock_guard<std::mutex> lock(ringMutex_);
        ring_.Clear();
    }
    source_ = &source;
    stop_ = false;
    failed_ = false;
    thread_ = std::thread(&RxReader::Run, this);
}

void RxReader::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    stop_ = true;
    spaceFreed_.notify_all();
    thread_.join();
    source_ = nullptr;
}

size_t RxReader::Available() const {
    std::lock_guard<std::mutex> lock(ringMutex_);
    return ring_.Size();
}

size_t RxReader::Read(uint8_t* dst, size_t n) {
    size_t got;
    {
        std::lock_guard<std::mutex> lock(ringMutex_);
        got = ring_.Pop(dst, n);
    }
    if (got > 0) {
        spaceFreed_.notify_all();
    }
    return got;
}

bool RxReader::Paused(const std::function<bool()>& deviceAction, bool clearRing) {
    ++pauseRequests_;
    spaceFreed_.notify_all(); // a reader waiting for room must let go too
    bool ok;
    {
        std::lock_guard<std::mutex> hold(sourceMutex_);
        ok = deviceAction ? deviceAction() : true;
        if (clearRing) {
            std::lock_guard<std::mutex> lock(ringMutex_);
            ring_.Clear();
        }
    }
    --pauseRequests_;
    return ok;
}

void RxReader::Run() {
    using namespace std::chrono_literals;
    while (!stop_) {
        if (pauseRequests_ > 0) {
            std::this_thread::sleep_for(200us);
            continue;
        }
        std::unique_lock<std::mutex> hold(sourceMutex_);
        // Read no more than the ring can take: when the user-interface side falls behind,
        // the device's own buffer fills and the unit is held back, as with a full driver queue.
        size_t room;
        {
            std::unique_lock<std::mutex> lock(ringMutex_);
            spaceFreed_.wait_for(lock, 10ms, [&] {
                return stop_ || pauseRequests_ > 0 || ring_.Free() >= chunk_.size();
            });
            room = std::min(ring_.Free(), chunk_.size());
        }
        if (stop_ || pauseRequests_ > 0 || room == 0) {
            continue;
        }
        const int n = source_->ReadChunk(chunk_.data(), room);
        if (n < 0) {
            failed_ = true;
            return;
        }
        if (n > 0) {
            std::lock_guard<std::mutex> lock(ringMutex_);
            ring_.Push(chunk_.data(), std::min(static_cast<size_t>(n), room));
        }
    }
}

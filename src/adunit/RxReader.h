// A receive queue for drivers that have none of their own: a reader thread keeps pulling
// bytes from the device into a ring buffer, and the user-interface thread asks for the fill
// level and copies bytes out without ever blocking on the device. The device side is the
// small IRxSource interface, so the logic is tested without USB.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class IRxSource {
public:
    virtual ~IRxSource() = default;
    // Blocks for at most a short device timeout. Returns the bytes read (0 when none came) or
    // a negative value when the device failed (e.g. it was unplugged).
    virtual int ReadChunk(uint8_t* dst, size_t capacity) = 0;
};

// Byte ring of fixed capacity; not thread-safe by itself (RxReader guards it).
class ByteRing {
public:
    explicit ByteRing(size_t capacity);
    size_t Size() const { return size_; }
    size_t Capacity() const { return buffer_.size(); }
    size_t Free() const { return buffer_.size() - size_; }
    // Appends up to Free() bytes; returns how many were taken.
    size_t Push(const uint8_t* src, size_t n);
    // Removes up to n bytes into dst; returns how many.
    size_t Pop(uint8_t* dst, size_t n);
    void Clear() { head_ = size_ = 0; }

private:
    std::vector<uint8_t> buffer_;
    size_t head_ = 0; // index of the oldest byte
    size_t size_ = 0;
};

class RxReader {
public:
    static constexpr size_t kDefaultCapacity = 8u << 20; // about 22 s at 375 kB/s
    static constexpr size_t kDefaultChunk = 4096;

    explicit RxReader(size_t capacity = kDefaultCapacity, size_t chunk = kDefaultChunk);
    ~RxReader();
    RxReader(const RxReader&) = delete;
    RxReader& operator=(const RxReader&) = delete;

    // Starts the reader thread on `source` (which must outlive Stop). Clears the ring.
    void Start(IRxSource& source);
    // Stops and joins the reader thread; the ring keeps its bytes.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    // False once the source has failed; the reader thread has then ended.
    bool Healthy() const { return !failed_.load(); }
    size_t Available() const;
    // Copies out up to n queued bytes; never blocks on the device.
    size_t Read(uint8_t* dst, size_t n);

    // Runs `deviceAction` (e.g. flushing the chip's buffers or changing a setting) while the
    // reader thread is held between two device reads, so no read is in flight. With
    // `clearRing`, the ring is emptied in the same pause, after the action: nothing read before
    // the purge can land in the ring afterwards. Returns the action's result.
    bool Paused(const std::function<bool()>& deviceAction, bool clearRing);

private:
    void Run();

    ByteRing ring_;
    std::vector<uint8_t> chunk_;
    IRxSource* source_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int> pauseRequests_{0};
    std::mutex sourceMutex_; // held by the reader during each device read and ring push
    mutable std::mutex ringMutex_;
    std::condition_variable spaceFreed_;
};

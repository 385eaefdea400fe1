#include "adunit/Ft_fifo.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kOpenHandle = 1;
constexpr size_t kAckSize = 4;
constexpr size_t kReplyLimit = 15; // a reply line holds at most 15 characters before its CR
} // namespace

Tft_FIFO::Tft_FIFO(std::unique_ptr<FtDriver> drv, IOneShotTimer& timer, IEventPump& pump,
                   IMonotonicClock* monotonicClock)
    : driver(std::move(drv)), timeoutTimer(timer), eventPump(pump), clock(monotonicClock) {
    timeoutTimer.Stop();
    timeoutTimer.SetHandler([this] { OnTimeoutTick(); });
}

Tft_FIFO::~Tft_FIFO() {
    if (handle != 0) {
        Purge();
        Close();
    }
    timeoutTimer.Stop();
    timeoutTimer.SetHandler({});
}

void Tft_FIFO::CloseDevice() {
    lastStatus = driver->Close();
    handle = 0;
}

bool Tft_FIFO::Open(uint32_t inTransferSize) {
    if (handle != 0) {
        return true;
    }
    lastStatus = driver->OpenByIndex(0);
    if (lastStatus != 0) {
        handle = 0;
        return false;
    }
    handle = kOpenHandle;
    lastStatus = driver->SetUSBParameters(inTransferSize, 0);
    if (lastStatus != 0) {
        CloseDevice();
        return false;
    }
    return Purge();
}

bool Tft_FIFO::Purge() {
    carryCount = 0;
    if (handle == 0) {
        return false;
    }
    lastStatus = driver->Purge(FtDriver::PurgeRx | FtDriver::PurgeTx);
    if (lastStatus != 0) {
        CloseDevice();
        return false;
    }
    return true;
}

void Tft_FIFO::Close() {
    if (handle == 0) {
        return;
    }
    Purge();
    if (handle != 0) {
        CloseDevice();
    }
}

void Tft_FIFO::SetTimeout(uint32_t ms) {
    timeoutTimer.Stop();
    timedOut = false;
    timeoutMs = ms;
}

void Tft_FIFO::StartTimeout() {
    timedOut = false;
    if (clock) {
        armedAtNs = clock->NowNs();
    }
    timeoutTimer.Start(timeoutMs);
}

void Tft_FIFO::StopTimeout() {
    timeoutTimer.Stop();
    timedOut = false;
}

bool Tft_FIFO::WaitOver() {
    // The clock is a backstop: a wait also ends if the tick never comes (a timer taken over
    // by another user), never before the interval.
    return timedOut ||
           (clock && clock->NowNs() - armedAtNs >= static_cast<int64_t>(timeoutMs) * 1000000);
}

void Tft_FIFO::OnTimeoutTick() {
    timeoutTimer.Stop();
    if (clock) {
        const int64_t elapsedNs = clock->NowNs() - armedAtNs;
        const int64_t wantNs = static_cast<int64_t>(timeoutMs) * 1000000;
        if (elapsedNs < wantNs) {
            // A coarse timer may fire a little early; wait out the rest.
            const int64_t restMs = (wantNs - elapsedNs + 999999) / 1000000;
            timeoutTimer.Start(static_cast<unsigned>(restMs));
            return;
        }
    }
    timedOut = true;
}

bool Tft_FIFO::ReadAvailable(uint8_t* dst, uint32_t capacity, uint32_t& got) {
    if (handle == 0) {
        return false;
    }
    lastStatus = driver->GetQueueStatus(queuedBytes);
    if (lastStatus != 0) {
        return false;
    }
    const uint32_t want = std::min(queuedBytes, capacity);
    if (want == 0) {
        got = 0;
        return true;
    }
    uint32_t n = 0;
    lastStatus = driver->Read(dst, want, n);
    got = std::min(n, want);
    return lastStatus == 0;
}

// Keeps bytes of a short read for the next call; false when they do not fit.
bool Tft_FIFO::HoldBack(const uint8_t* bytes, uint32_t n) {
    if (n > carryOver.size()) {
        carryCount = 0;
        return false;
    }
    std::memmove(carryOver.data(), bytes, n);
    carryCount = static_cast<int32_t>(n);
    return true;
}

bool Tft_FIFO::ReadExact(uint8_t* dst, uint32_t count, uint32_t& got) {
    if (handle == 0) {
        return false;
    }
    const auto carry = static_cast<uint32_t>(carryCount);
    if (carry >= count && carry > 0) {
        std::memcpy(dst, carryOver.data(), count);
        std::memmove(carryOver.data(), carryOver.data() + count, carry - count);
        carryCount -= static_cast<int32_t>(count);
        got = count;
        return true;
    }
    lastStatus = driver->GetQueueStatus(queuedBytes);
    if (lastStatus != 0) {
        return false;
    }
    if (static_cast<uint64_t>(carry) + queuedBytes < count) {
        got = 0;
        return true;
    }
    // The carry-over goes in front; the driver is asked only for the rest, so nothing can land
    // beyond `count` bytes of the destination.
    std::memcpy(dst, carryOver.data(), carry);
    carryCount = 0;
    const uint32_t want = count - carry;
    uint32_t n = 0;
    lastStatus = driver->Read(dst + carry, want, n);
    n = std::min(n, want);
    if (lastStatus != 0) {
        // The carried bytes were part of this delivery; they are lost with it.
        got = 0;
        return false;
    }
    if (n < want) {
        // A short read: keep what came for the next call and report nothing delivered.
        got = 0;
        return HoldBack(dst, carry + n);
    }
    got = count;
    return true;
}

bool Tft_FIFO::SendLine(const char* text) {
    if (handle == 0 || text == nullptr) {
        return false;
    }
    const size_t len = strnlen(text, kMaxLineLength + 1);
    if (len > kMaxLineLength) {
        return false;
    }
    uint8_t line[kMaxLineLength + 1];
    std::memcpy(line, text, len);
    line[len] = '\r';
    uint32_t written = 0;
    lastStatus = driver->Write(line, static_cast<uint32_t>(len + 1), written);
    return lastStatus == 0;
}

bool Tft_FIFO::SendExpectOK(const char* text) {
    if (handle == 0 || !SendLine(text)) {
        return false;
    }
    uint8_t ack[kAckSize] = {0, 0, 0, 0};
    uint32_t received = 0;
    StartTimeout();
    while (!WaitOver() && received < 3) {
        uint32_t got = 0;
        if (!ReadAvailable(ack + received, static_cast<uint32_t>(kAckSize) - received, got)) {
            got = 0;
        }
        eventPump.ProcessPendingEvents();
        received += got;
    }
    StopTimeout();
    return received >= 3 && ack[0] == 'O' && ack[1] == 'K' && ack[2] == '\r';
}

bool Tft_FIFO::SendReadLine(const char* text, char* reply, size_t replyCapacity) {
    if (handle == 0 || reply == nullptr || replyCapacity == 0 || !SendLine(text)) {
        return false;
    }
    size_t received = 0;
    bool done = false;
    StartTimeout();
    while (!WaitOver() && !done) {
        eventPump.ProcessPendingEvents();
        // Each poll lands straight in the reply buffer, bounded by its room; the carry-over of
        // the sample reads is left alone.
        const auto room = static_cast<uint32_t>(replyCapacity - received);
        uint32_t got = 0;
        if (!ReadAvailable(reinterpret_cast<uint8_t*>(reply) + received, room, got)) {
            done = true;
        } else if (got > 0) {
            received += got;
            done =
                reply[received - 1] == '\r' || received > kReplyLimit || received == replyCapacity;
        }
    }
    StopTimeout();
    if (received > 0 && reply[received - 1] == '\r') {
        reply[received - 1] = '\0';
        return true;
    }
    return false;
}

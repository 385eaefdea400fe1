// USB FIFO transport to the AD unit: opens the first device, moves command lines out and
// reply or sample bytes in, and waits for replies with a one-shot timer while the user
// interface keeps servicing its events. Every operation runs on the user-interface thread and
// reports success as a bool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "common/UiServices.h"

class Tft_FIFO {
public:
    static constexpr size_t kCarryOverSize = 10001;
    static constexpr size_t kMaxLineLength = 19; // characters before the CR
    static constexpr uint32_t kDefaultTimeoutMs = 500;

    // `driver` is owned; `timer` and `pump` must outlive the transport, and the timer serves
    // this transport alone (its handler is set here and cleared on destruction). `clock`
    // (optional, not owned) checks that a tick does not end a wait before its interval (an
    // early tick re-arms the timer for the rest) and ends a wait whose tick never comes.
    Tft_FIFO(std::unique_ptr<FtDriver> driver, IOneShotTimer& timer, IEventPump& pump,
             IMonotonicClock* clock = nullptr);
    virtual ~Tft_FIFO();
    Tft_FIFO(const Tft_FIFO&) = delete;
    Tft_FIFO& operator=(const Tft_FIFO&) = delete;

    bool Open(uint32_t inTransferSize);
    bool Purge();
    void Close();
    bool IsOpen() const { return handle != 0; }

    void SetTimeout(uint32_t ms);
    void StartTimeout();
    void StopTimeout();
    void OnTimeoutTick();
    bool TimedOut() const { return timedOut; }

    // Reads whatever the receive queue holds, at most `capacity` bytes; the rest stays queued.
    bool ReadAvailable(uint8_t* dst, uint32_t capacity, uint32_t& got);
    // Delivers exactly `count` bytes or none (got = 0, true) and never waits.
    bool ReadExact(uint8_t* dst, uint32_t count, uint32_t& got);

    // Sends the text (at most 19 characters) followed by CR.
    bool SendLine(const char* text);
    // SendLine, then waits up to the timeout for "OK" + CR.
    bool SendExpectOK(const char* text);
    // SendLine, then collects a CR-terminated line into `reply` (CR replaced by NUL).
    bool SendReadLine(const char* text, char* reply, size_t replyCapacity);

    uint32_t LastStatus() const { return lastStatus; }
    uint32_t TimeoutMs() const { return timeoutMs; }

private:
    void CloseDevice();
    bool WaitOver();
    bool HoldBack(const uint8_t* bytes, uint32_t n);

    std::unique_ptr<FtDriver> driver;
    IOneShotTimer& timeoutTimer;
    IEventPump& eventPump;
    IMonotonicClock* clock;
    int64_t armedAtNs = 0;

    uint32_t handle = 0; // nonzero while the device is open
    uint32_t lastStatus = 0;
    uint32_t queuedBytes = 0;
    bool timedOut = false;
    std::array<uint8_t, kCarryOverSize> carryOver{};
    int32_t carryCount = 0;
    uint32_t timeoutMs = kDefaultTimeoutMs;
};

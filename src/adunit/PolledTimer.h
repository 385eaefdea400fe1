// The event pump and one-shot timer of a program without an event loop (tavrin-cli): a wait
// for the unit's reply polls the pump, which naps briefly and runs the timer's handler once its
// interval has passed on the monotonic clock.
#pragma once

#include <cstdint>
#include <functional>

#include "adunit/MonotonicClock.h"
#include "common/UiServices.h"

class PolledTimer final : public IEventPump, public IOneShotTimer {
public:
    // napNs: how long one pass of a wait loop sleeps (0: never).
    explicit PolledTimer(IMonotonicClock& clock, int64_t napNs = 200000)
        : clock_(clock), napNs_(napNs) {}

    void ProcessPendingEvents() override;
    void SetHandler(std::function<void()> onTick) override { handler_ = std::move(onTick); }
    void Start(unsigned intervalMs) override;
    void Stop() override { armed_ = false; }

private:
    IMonotonicClock& clock_;
    int64_t napNs_;
    std::function<void()> handler_;
    bool armed_ = false;
    int64_t deadlineNs_ = 0;
};

// A monotonic clock in nanoseconds. The simulated unit paces its sample stream by it, so tests
// can inject a clock they advance by hand.
#pragma once

#include <chrono>
#include <cstdint>

class IMonotonicClock {
public:
    virtual ~IMonotonicClock() = default;
    virtual int64_t NowNs() = 0;
};

class SteadyClock final : public IMonotonicClock {
public:
    int64_t NowNs() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

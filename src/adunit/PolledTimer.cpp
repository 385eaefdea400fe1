#include "adunit/PolledTimer.h"

#include <ctime>

void PolledTimer::ProcessPendingEvents() {
    if (napNs_ > 0) {
        const timespec nap{static_cast<time_t>(napNs_ / 1000000000), napNs_ % 1000000000};
        nanosleep(&nap, nullptr);
    }
    if (armed_ && clock_.NowNs() >= deadlineNs_) {
        armed_ = false;
        if (handler_) {
            handler_();
        }
    }
}

void PolledTimer::Start(unsigned intervalMs) {
    armed_ = true;
    deadlineNs_ = clock_.NowNs() + int64_t{intervalMs} * 1000000;
}

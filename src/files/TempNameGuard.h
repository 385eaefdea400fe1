// While a named temporary file exists, SIGTERM, SIGHUP and SIGINT remove it before they end
// the program with their usual effect. A handler the program installed itself keeps the
// signal: the program goes on, and the write in progress finishes or removes its temporary.
#pragma once

#include <csignal>
#include <string>

class TempNameGuard {
public:
    TempNameGuard() = default;
    ~TempNameGuard() { Release(); }
    TempNameGuard(const TempNameGuard&) = delete;
    TempNameGuard& operator=(const TempNameGuard&) = delete;

    // Records path for removal on a signal; false (nothing recorded) when it cannot be held.
    bool Hold(const std::string& path);
    // The temporary has been renamed or removed.
    void Release();

private:
    int slot_ = -1;
};

// Blocks the three signals in the calling thread for its lifetime, so that a temporary created
// meanwhile is recorded before a signal can end the program.
class StopSignalsBlocked {
public:
    StopSignalsBlocked();
    ~StopSignalsBlocked();
    StopSignalsBlocked(const StopSignalsBlocked&) = delete;
    StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

private:
    sigset_t old_{};
};

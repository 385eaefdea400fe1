#include "files/TempNameGuard.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kSlots = 8; // writes under way at once, from several threads

struct Slot {
    std::atomic<bool> claimed{false}; // by one TempNameGuard
    std::atomic<bool> armed{false};   // the path is complete and names a temporary
    char path[PATH_MAX]{};
};

Slot g_slots[kSlots];
struct sigaction g_previous[3]{};
std::mutex g_installMutex;
int g_held = 0; // slots in use; the handlers are installed while it is above 0

int SignalIndex(int signalNumber) {
    for (int i = 0; i < 3; ++i) {
        if (kSignals[i] == signalNumber) {
            return i;
        }
    }
    return -1;
}

// Async-signal-safe: unlink, sigaction and raise only.
void RemoveTempsOnSignal(int signalNumber, siginfo_t* info, void* context) {
    const int i = SignalIndex(signalNumber);
    if (i < 0) {
        return;
    }
    const struct sigaction& previous = g_previous[i];
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        previous.sa_sigaction(signalNumber, info, context);
        return;
    }
    if (previous.sa_handler == SIG_IGN) {
        return;
    }
    if (previous.sa_handler != SIG_DFL) {
        previous.sa_handler(signalNumber);
        return;
    }
    for (Slot& slot : g_slots) {
        if (slot.armed.load(std::memory_order_acquire)) {
            ::unlink(slot.path);
        }
    }
    // The default action ends the program as soon as this handler returns.
    ::sigaction(signalNumber, &previous, nullptr);
    ::raise(signalNumber);
}

void Install() {
    struct sigaction action {};
    action.sa_sigaction = RemoveTempsOnSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

void Restore() {
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
}

} // namespace

bool TempNameGuard::Hold(const std::string& path) {
    Release();
    if (path.size() >= PATH_MAX) {
        return false;
    }
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = g_slots[i];
        bool expected = false;
        if (slot.claimed.compare_exchange_strong(expected, true)) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            {
                std::lock_guard lock(g_installMutex);
                if (g_held++ == 0) {
                    Install();
                }
            }
            slot.armed.store(true, std::memory_order_release);
            slot_ = i;
            return true;
        }
    }
    return false;
}

void TempNameGuard::Release() {
    if (slot_ < 0) {
        return;
    }
    Slot& slot = g_slots[slot_];
    slot.armed.store(false, std::memory_order_release);
    {
        std::lock_guard lock(g_installMutex);
        if (--g_held == 0) {
            Restore();
        }
    }
    slot.claimed.store(false, std::memory_order_release);
    slot_ = -1;
}

StopSignalsBlocked::StopSignalsBlocked() {
    sigset_t block;
    sigemptyset(&block);
    for (const int s : kSignals) {
        sigaddset(&block, s);
    }
    ::pthread_sigmask(SIG_BLOCK, &block, &old_);
}

StopSignalsBlocked::~StopSignalsBlocked() {
    ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

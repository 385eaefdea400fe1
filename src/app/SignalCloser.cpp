#include "app/SignalCloser.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};
std::array<struct sigaction, kSignals.size()> g_old{};
volatile sig_atomic_t g_received = 0;

extern "C" void OnTerminationSignal(int signalNumber) {
    if (g_received != 0) {
        // The first request is still being served (or cannot be): the user insists.
        ::_exit(128 + signalNumber);
    }
    g_received = 1;
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void RestoreHandlers(size_t count) {
    for (size_t i = 0; i < count; ++i) {
        ::sigaction(kSignals[i], &g_old[i], nullptr);
    }
}
} // namespace

TSignalCloser::TSignalCloser(QObject* parent) : QObject(parent) {}

TSignalCloser::~TSignalCloser() {
    if (!installed_) {
        return;
    }
    RestoreHandlers(kSignals.size());
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool TSignalCloser::Install() {
    if (installed_ || g_pipe[0] >= 0) {
        return installed_; // one instance per process
    }
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    g_received = 0;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) {
        if (::sigaction(kSignals[i], &action, &g_old[i]) != 0) {
            RestoreHandlers(i);
            ::close(g_pipe[0]);
            ::close(g_pipe[1]);
            g_pipe[0] = g_pipe[1] = -1;
            return false;
        }
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TSignalCloser::OnReadable);
    installed_ = true;
    return true;
}

void TSignalCloser::OnReadable() {
    unsigned char byte = 0;
    int last = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        last = byte;
    }
    if (last != 0) {
        emit terminationRequested(last);
    }
}

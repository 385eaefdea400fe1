#include "app/ProgressThrottle.h"

#include <utility>

TProgressThrottle::TProgressThrottle(Show show, QObject* parent)
    : QObject(parent), show_(std::move(show)) {
    frame_.setSingleShot(true);
    frame_.setInterval(kIntervalMs);
    connect(&frame_, &QTimer::timeout, this, &TProgressThrottle::OnFrame);
}

void TProgressThrottle::Report(int32_t count, int32_t code) {
    count_ = count;
    code_ = code;
    if (frame_.isActive()) {
        pending_ = true;
        return;
    }
    pending_ = false;
    show_(count_, code_);
    frame_.start();
}

void TProgressThrottle::OnFrame() {
    if (pending_) {
        pending_ = false;
        show_(count_, code_);
        frame_.start();
    }
}

void TProgressThrottle::Flush() {
    if (pending_) {
        pending_ = false;
        show_(count_, code_);
    }
}

void TProgressThrottle::Cancel() {
    pending_ = false;
    frame_.stop();
}

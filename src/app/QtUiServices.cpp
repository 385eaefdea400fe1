#include "app/QtUiServices.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "app/Mymessage.h"

namespace {
int g_pumpDepth = 0;
}

void QtEventPump::ProcessPendingEvents() {
    ++g_pumpDepth;
    QCoreApplication::processEvents();
    --g_pumpDepth;
    // The transport calls this in a loop while it waits for a reply (up to 100 ms, and the USB
    // bridge holds short replies for its latency timer). Without a pause the loop would keep a
    // core busy for the whole wait; a millisecond keeps the window as lively and the reply as
    // prompt as anyone can notice.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool QtEventPump::IsPumping() {
    return g_pumpDepth > 0;
}

QtOneShotTimer::QtOneShotTimer() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTick_) {
            onTick_();
        }
    });
}

void QtOneShotTimer::SetHandler(std::function<void()> onTick) {
    onTick_ = std::move(onTick);
}

void QtOneShotTimer::Start(unsigned intervalMs) {
    timer_.start(static_cast<int>(intervalMs));
}

void QtOneShotTimer::Stop() {
    timer_.stop();
}

QtConfirmation::QtConfirmation(IMessagePresenter& presenter) : presenter_(presenter) {}

bool QtConfirmation::AskYesNo(const std::string& text) {
    return presenter_.Present({kConfirmationCaption, MsgIcon::Question,
                               QString::fromStdString(text), MsgButtons::YesNo}) == MsgAnswer::Yes;
}

QtWarning::QtWarning(IMessagePresenter& presenter) : presenter_(presenter) {}

void QtWarning::ShowWarning(const std::string& caption, const std::string& text) {
    presenter_.Present({QString::fromStdString(caption), MsgIcon::Warning,
                        QString::fromStdString(text), MsgButtons::Ok});
}

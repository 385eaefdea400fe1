// Qt implementations of the user-interface services the core folders use.
#pragma once

#include <QObject>
#include <QTimer>

#include "app/MessagePresenter.h"
#include "common/UiServices.h"

class QtEventPump : public IEventPump {
public:
    void ProcessPendingEvents() override;
    // True while some code waits in ProcessPendingEvents (e.g. for a reply from the unit). The
    // idle work must not run then: the original's event servicing never ran its idle handler.
    static bool IsPumping();
};

class QtOneShotTimer : public IOneShotTimer {
public:
    QtOneShotTimer();
    void SetHandler(std::function<void()> onTick) override;
    void Start(unsigned intervalMs) override;
    void Stop() override;
    bool IsActive() const { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> onTick_;
};

// Yes/No question with the platform's confirmation caption and the question icon.
class QtConfirmation : public IConfirmation {
public:
    explicit QtConfirmation(IMessagePresenter& presenter = DefaultMessagePresenter());
    bool AskYesNo(const std::string& text) override;

private:
    IMessagePresenter& presenter_;
};

// Warning box with the OK button only.
class QtWarning : public IWarning {
public:
    explicit QtWarning(IMessagePresenter& presenter = DefaultMessagePresenter());
    void ShowWarning(const std::string& caption, const std::string& text) override;

private:
    IMessagePresenter& presenter_;
};

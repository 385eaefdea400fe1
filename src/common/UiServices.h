// User-interface services that the core code (files, analysis, AD unit) needs but must not
// implement itself: the program injects Qt-based ones, the tests injects fakes.
#pragma once

#include <functional>
#include <string>

// Runs the user interface's pending events (QCoreApplication::processEvents in the program).
class IEventPump {
public:
    virtual ~IEventPump() = default;
    virtual void ProcessPendingEvents() = 0;
};

// A one-shot timer: after Start(ms), onTick runs once (from the event pump) unless stopped.
class IOneShotTimer {
public:
    virtual ~IOneShotTimer() = default;
    virtual void SetHandler(std::function<void()> onTick) = 0;
    virtual void Start(unsigned intervalMs) = 0;
    virtual void Stop() = 0;
};

// A yes/no question to the user (texts in UTF-8); true for yes.
class IConfirmation {
public:
    virtual ~IConfirmation() = default;
    virtual bool AskYesNo(const std::string& text) = 0;
};

// A warning box (texts in UTF-8).
class IWarning {
public:
    virtual ~IWarning() = default;
    virtual void ShowWarning(const std::string& caption, const std::string& text) = 0;
};

// Turns SIGTERM and SIGINT into a Qt signal on the event loop (self-pipe), so that a desktop
// logout or Ctrl-C closes the main window the ordinary way and no settings are lost.
#pragma once

#include <QObject>

class QSocketNotifier;

class TSignalCloser : public QObject {
    Q_OBJECT
public:
    explicit TSignalCloser(QObject* parent = nullptr);
    ~TSignalCloser() override;

    // Installs the handlers; false when the pipe or a handler cannot be set up.
    bool Install();

signals:
    void terminationRequested(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};

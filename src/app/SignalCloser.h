// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the event loop (self-pipe), so that a
// desktop logout, Ctrl-C or a closed terminal closes the main window the ordinary way and no
// settings are lost. A second termination signal ends the process at once (exit status
// 128 + signal), for when the first one cannot be acted on.
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

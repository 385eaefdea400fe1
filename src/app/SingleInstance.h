// Keeps a second copy of the program from starting. The first copy holds an advisory lock on a
// file in the user's runtime directory; the kernel drops the lock when the process ends, even
// by a crash, so no stale lock is left behind. The first copy also listens on a local socket of
// the same name, through which a second start asks it to show itself.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` names the lock file and the socket ("Tavrin" for the program; tests use their
    // own); `directory` defaults to the user's runtime directory ($XDG_RUNTIME_DIR, else a
    // folder of the user's own in the temporary directory).
    explicit TSingleInstance(const QString& name, const QString& directory = QString(),
                             QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Takes the lock. true: this is the first copy and now listens for activation requests.
    // false: another copy holds it (or the lock file cannot be used: see LockError()).
    bool TryAcquire();
    bool IsPrimary() const { return lockFd_ >= 0; }
    // Asks the first copy to show itself; true when the request was delivered.
    bool RequestActivation(int timeoutMs = 1000) const;

    QString LockPath() const;
    QString SocketPath() const;
    const QString& LockError() const { return lockError_; }

signals:
    // A second start asked this copy to come to the front.
    void activationRequested();

private:
    void OnNewConnection();

    QString name_;
    QString directory_;
    int lockFd_ = -1;
    QString lockError_;
    QLocalServer* server_ = nullptr;
};

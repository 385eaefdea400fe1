#include "app/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {

QString Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? QFile::decodeName(value) : QString();
}

QString HomeDirectory() {
    QString home = Environment("HOME");
    if (home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::geteuid())) {
            home = QFile::decodeName(pw->pw_dir);
        }
    }
    return home;
}

bool SameFolder(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) {
        return false;
    }
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() ? ca == cb : QDir::cleanPath(a) == QDir::cleanPath(b);
}

} // namespace

QString ChooseSettingsDirectory(const SettingsLocationInputs& in) {
    if (!SameFolder(in.executableDir, in.installedBinDir) && in.isWritable &&
        in.isWritable(in.executableDir)) {
        return in.executableDir;
    }
    return UserConfigDirectory(in.xdgConfigHome, in.home);
}

QString UserConfigDirectory(const QString& xdgConfigHome, const QString& home) {
    // A relative XDG_CONFIG_HOME is invalid and is ignored, as every XDG reader does.
    const QString configHome = !xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome)
                                   ? xdgConfigHome
                                   : QDir(home).filePath(QStringLiteral(".config"));
    return QDir::cleanPath(QDir(configHome).filePath(QStringLiteral("tavrin")));
}

QString UserSettingsPath() {
    const QString dir = UserConfigDirectory(Environment("XDG_CONFIG_HOME"), HomeDirectory());
    return QDir(dir).filePath(QStringLiteral("tavrin.conf"));
}

bool IsWritableByUser(const QString& dir) {
    const QByteArray path = QFile::encodeName(dir);
    return ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

QString SettingsDirectory() {
    SettingsLocationInputs in;
    in.executableDir = QCoreApplication::applicationDirPath();
    in.xdgConfigHome = Environment("XDG_CONFIG_HOME");
    in.home = HomeDirectory();
#ifdef TAVRIN_INSTALL_BINDIR
    in.installedBinDir = QStringLiteral(TAVRIN_INSTALL_BINDIR);
#endif
    in.isWritable = IsWritableByUser;
    const QString dir = ChooseSettingsDirectory(in);
    if (dir != in.executableDir) {
        QDir().mkpath(dir);
    }
    return dir;
}

// Where "Tavrinini.prf" lives. A build tree or a portable copy in a folder its user may write
// keeps the file beside the executable; an installed program (say /usr/bin) cannot, so its file
// lives in the user's configuration folder instead, one per user.
#pragma once

#include <QString>
#include <functional>

struct SettingsLocationInputs {
    QString executableDir;
    // The environment as the process sees it; empty when unset.
    QString xdgConfigHome;
    QString home;
    // The folder the package installs the programs to: a user who may write it (root) must
    // still not leave a settings file among the system's programs.
    QString installedBinDir;
    // Whether the calling user may create files in a folder.
    std::function<bool(const QString&)> isWritable;
};

// The folder for the settings file: the executable's folder when the user may write it,
// otherwise "tavrin" in $XDG_CONFIG_HOME, or in ~/.config when that is unset or not absolute.
QString ChooseSettingsDirectory(const SettingsLocationInputs& in);

// "tavrin" in $XDG_CONFIG_HOME, or in ~/.config when that is unset or not absolute.
QString UserConfigDirectory(const QString& xdgConfigHome, const QString& home);

// The settings file of this user beyond the start-up file (files/UserSettings.h), always in the
// user's configuration folder, wherever the start-up file lives; the caller makes the folder
// when it writes.
QString UserSettingsPath();

// Whether the calling process may create files in `dir`, judged by the kernel with the
// effective user and group ids (permission bits alone miss ACLs, read-only mounts and root).
bool IsWritableByUser(const QString& dir);

// The folder for this process, created when it is the user's configuration folder and does not
// exist yet. A failure to create it shows later as the usual "cannot save" message.
QString SettingsDirectory();

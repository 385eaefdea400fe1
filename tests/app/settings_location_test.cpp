// Where the settings file lives: beside a program its user may write to, in the user's
// configuration folder for an installed one. The machines that run the tests often run them as
// root, for whom every folder is writable, so the real checks run as an unprivileged user.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SettingsLocation.h"
#include "app/app_test_helpers.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

bool DropToNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNogroup) == 0 && ::setuid(kNobody) == 0;
}

// Runs `check` in a child process as `nobody` when the tests run as root, in this process
// otherwise; returns its verdict.
bool AsUnprivilegedUser(const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(DropToNobody() ? (check() ? 1 : 0) : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become nobody";
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST(SettingsLocation, WritableFolderKeepsTheFileBesideTheProgramOtherwiseTheUserConfigFolder) {
    SettingsLocationInputs in;
    in.executableDir = QStringLiteral("/opt/tavrin");
    in.home = QStringLiteral("/home/lab");
    in.installedBinDir = QStringLiteral("/usr/bin");
    bool writable = true;
    QStringList asked;
    in.isWritable = [&](const QString& dir) {
        asked << dir;
        return writable;
    };

    EXPECT_EQ(ChooseSettingsDirectory(in), QStringLiteral("/opt/tavrin"));
    EXPECT_EQ(asked, QStringList{QStringLiteral("/opt/tavrin")});

    writable = false;
    EXPECT_EQ(ChooseSettingsDirectory(in), QStringLiteral("/home/lab/.config/tavrin"));
    in.xdgConfigHome = QStringLiteral("/srv/cfg/");
    EXPECT_EQ(ChooseSettingsDirectory(in), QStringLiteral("/srv/cfg/tavrin"));
    in.xdgConfigHome = QStringLiteral("relative/cfg"); // invalid: ignored
    EXPECT_EQ(ChooseSettingsDirectory(in), QStringLiteral("/home/lab/.config/tavrin"));

    // Root may write /usr/bin, but an installed program keeps no file among the system's.
    writable = true;
    in.xdgConfigHome.clear();
    in.executableDir = QStringLiteral("/usr/bin");
    EXPECT_EQ(ChooseSettingsDirectory(in), QStringLiteral("/home/lab/.config/tavrin"));
}

TEST(SettingsLocation, WritableCheckAsksTheKernelForTheUnprivilegedUser) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
    const QString open = tmp.filePath("open");
    const QString locked = tmp.filePath("locked");
    const QString foreign = tmp.filePath("foreign"); // root's own folder when run as root
    for (const QString& d : {open, locked, foreign}) {
        ASSERT_TRUE(QDir().mkpath(d));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(foreign).constData(), 0755), 0);

    EXPECT_TRUE(AsUnprivilegedUser([&] { return IsWritableByUser(open); }));
    EXPECT_FALSE(AsUnprivilegedUser([&] { return IsWritableByUser(locked); }));
    EXPECT_FALSE(AsUnprivilegedUser([&] { return IsWritableByUser(tmp.filePath("missing")); }));
    if (::geteuid() == 0) {
        EXPECT_FALSE(AsUnprivilegedUser([&] { return IsWritableByUser(foreign); }));
    }
    ::chmod(QFile::encodeName(locked).constData(), 0755); // so that it can be removed
}

// Starts the copy `exe` (as nobody when the tests run as root) until it has written its
// start-up file `prf`, then ends it with SIGTERM as a session logout would.
void RunUntilSettingsWritten(const QString& exe, const QString& home, const QString& prf) {
    const QString runtime = QDir(home).filePath("run");
    QProcessEnvironment env = SimulatorEnvironment(runtime);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(home).constData(), kNobody, kNogroup), 0);
        ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), kNobody, kNogroup), 0);
    }
    QProcess process;
    env.insert("HOME", home);
    env.remove("XDG_CONFIG_HOME");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0) {
        process.setChildProcessModifier([] {
            if (!DropToNobody()) {
                ::_exit(99);
            }
        });
    }
    process.start(exe, {});
    ASSERT_TRUE(process.waitForStarted(10000));
    const bool written = ProcessEventsUntil([&] { return QFileInfo(prf).size() > 0; }, 15000);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(15000));
    EXPECT_TRUE(written) << process.readAll().constData();
    EXPECT_EQ(process.exitCode(), 0) << process.readAll().constData();
}

TEST(SettingsLocation, ProgramInUnwritableFolderWritesDefaultsToTheUserConfigFolder) {
    TestApp();
    const QString built = BuiltSimulator();
    if (!QFileInfo::exists(built)) {
        GTEST_SKIP() << "tavrin-sim not built";
    }
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);

    // A portable copy in a folder of the user's own: the file beside the program.
    const QString portable = tmp.filePath("portable");
    ASSERT_TRUE(QDir().mkpath(portable));
    ASSERT_TRUE(QFile::copy(built, portable + "/tavrin-sim"));
    const QString portableHome = tmp.filePath("home-portable");
    ASSERT_TRUE(QDir().mkpath(portableHome));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(portable).constData(), kNobody, kNogroup), 0);
    }
    RunUntilSettingsWritten(portable + "/tavrin-sim", portableHome, portable + "/Tavrinini.prf");
    EXPECT_FALSE(QDir(portableHome + "/.config/tavrin").exists());

    // An installed copy the user may not write: the file in ~/.config/tavrin, same bytes.
    const QString installed = tmp.filePath("installed");
    ASSERT_TRUE(QDir().mkpath(installed));
    ASSERT_TRUE(QFile::copy(built, installed + "/tavrin-sim"));
    ASSERT_EQ(::chmod(QFile::encodeName(installed).constData(), 0555), 0);
    const QString home = tmp.filePath("home");
    ASSERT_TRUE(QDir().mkpath(home));
    const QString prf = home + "/.config/tavrin/Tavrinini.prf";
    RunUntilSettingsWritten(installed + "/tavrin-sim", home, prf);
    EXPECT_FALSE(QFileInfo::exists(installed + "/Tavrinini.prf"));
    const QByteArray defaults = ReadAll(portable + "/Tavrinini.prf");
    EXPECT_TRUE(defaults.startsWith("Tavrinini\r\n"));
    EXPECT_EQ(ReadAll(prf), defaults);
    ::chmod(QFile::encodeName(installed).constData(), 0755);
}

} // namespace

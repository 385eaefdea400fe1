// The built tavrin-sim as a whole process: started beside a fresh directory, it creates the
// start-up file; a termination signal writes it again and ends the program, a second one ends
// it at once, and its own options are checked before any display is looked for.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <memory>

#include "app/app_test_helpers.h"

namespace {
// A running copy of tavrin-sim whose start-up file lives in a temporary directory.
class SimProcess {
public:
    // False (with a skip) when tavrin-sim is not built.
    bool Start(const QStringList& args = {}) {
        const QString built = BuiltSimulator();
        if (!QFileInfo::exists(built)) {
            return false;
        }
        // A copy of its own, so that its start-up file lands in the temporary directory, and a
        // runtime directory of its own, so that it cannot meet a Tavrin the user is running.
        const QString exe = dir.filePath("tavrin-sim");
        EXPECT_TRUE(QFile::copy(built, exe));
        process.setProcessEnvironment(SimulatorEnvironment(dir.filePath("run")));
        process.start(exe, args);
        EXPECT_TRUE(process.waitForStarted(10000));
        return true;
    }
    // Waits until the start-up file has been written, then removes it.
    bool StartedUp() {
        const bool written = ProcessEventsUntil([&] { return QFileInfo(Prf()).size() > 0; }, 15000);
        return written && QFile::remove(Prf());
    }
    void Kill(int signalNumber) { ::kill(static_cast<pid_t>(process.processId()), signalNumber); }
    QString Prf() const { return dir.filePath("Tavrinini.prf"); }

    QTemporaryDir dir;
    QProcess process;
};

TEST(TavrinSimProcess, SigtermAndSighupSaveTheStartupFileAndExitZero) {
    TestApp();
    for (const int sig : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        SimProcess sim;
        // Qt's own options still reach Qt.
        if (!sim.Start({"-platform", "offscreen"})) {
            GTEST_SKIP() << "tavrin-sim not built";
        }
        ASSERT_TRUE(sim.StartedUp()) << sim.process.readAllStandardError().constData();
        sim.Kill(sig);
        ASSERT_TRUE(sim.process.waitForFinished(15000));
        EXPECT_EQ(sim.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.process.exitCode(), 0);
        EXPECT_TRUE(ReadAll(sim.Prf()).startsWith("Tavrinini\r\n"))
            << ReadAll(sim.Prf()).left(40).constData();
    }
}

TEST(TavrinSimProcess, SettingsThatCannotBeSavedUnderASignalAreReportedOnStderr) {
    TestApp();
    SimProcess sim;
    if (!sim.Start()) {
        GTEST_SKIP() << "tavrin-sim not built";
    }
    ASSERT_TRUE(sim.StartedUp());
    // A folder in the file's place cannot be written, not even by root.
    ASSERT_TRUE(QDir().mkdir(sim.Prf()));
    sim.Kill(SIGTERM);
    ASSERT_TRUE(sim.process.waitForFinished(15000)) << "a box waits for an answer";
    EXPECT_EQ(sim.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process.exitCode(), 1);
    EXPECT_TRUE(sim.process.readAllStandardError().contains("could not be saved"));
    EXPECT_TRUE(QFileInfo(sim.Prf()).isDir());
}

TEST(TavrinSimProcess, ASecondSignalEndsTheProgramAtOnce) {
    TestApp();
    SimProcess sim;
    if (!sim.Start()) {
        GTEST_SKIP() << "tavrin-sim not built";
    }
    ASSERT_TRUE(sim.StartedUp());
    // Both arrive before the event loop can act on the first.
    sim.Kill(SIGSTOP);
    sim.Kill(SIGHUP);
    sim.Kill(SIGTERM);
    sim.Kill(SIGCONT);
    ASSERT_TRUE(sim.process.waitForFinished(15000));
    EXPECT_EQ(sim.process.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(sim.process.exitCode() == 128 + SIGHUP || sim.process.exitCode() == 128 + SIGTERM)
        << sim.process.exitCode();
    EXPECT_FALSE(QFileInfo::exists(sim.Prf())) << "ended without the orderly close";
}

TEST(TavrinSimProcess, UnknownOptionIsRefusedWithoutADisplay) {
    TestApp();
    const QString exe = BuiltSimulator();
    if (!QFileInfo::exists(exe)) {
        GTEST_SKIP() << "tavrin-sim not built";
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(name);
    }
    for (const QStringList& args :
         {QStringList{"--bogus"}, QStringList{"-platform", "offscreen", "--bogus"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(exe, args);
        ASSERT_TRUE(process.waitForFinished(15000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_TRUE(process.readAllStandardError().contains("unknown option --bogus"));
    }
}
} // namespace

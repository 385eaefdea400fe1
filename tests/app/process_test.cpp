// The built tavrin-sim as a whole process: started beside a fresh directory, it creates the
// start-up file; SIGTERM writes it again and ends the program with exit code 0.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>

#include "app/app_test_helpers.h"

namespace {
QString BuiltSimulator() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("../src/app/tavrin-sim");
}

TEST(TavrinSimProcess, CreatesStartupFileAndSigtermSavesItAndExitsZero) {
    TestApp();
    const QString built = BuiltSimulator();
    if (!QFileInfo::exists(built)) {
        GTEST_SKIP() << "tavrin-sim not built";
    }
    QTemporaryDir dir;
    // A copy of its own, so that its start-up file lands in the temporary directory, and a
    // runtime directory of its own, so that it cannot meet a Tavrin the user is running.
    const QString exe = dir.filePath("tavrin-sim");
    ASSERT_TRUE(QFile::copy(built, exe));
    const QString runtime = dir.filePath("run");
    ASSERT_TRUE(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(exe, {});
    ASSERT_TRUE(process.waitForStarted(10000));

    const QString prf = dir.filePath("Tavrinini.prf");
    ASSERT_TRUE(ProcessEventsUntil([&] { return QFileInfo(prf).size() > 0; }, 15000))
        << process.readAll().constData();
    ASSERT_TRUE(QFile::remove(prf));

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(15000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_GT(QFileInfo(prf).size(), 0);
    EXPECT_TRUE(ReadAll(prf).startsWith("Tavrinini\r\n")) << ReadAll(prf).left(40).constData();
}
} // namespace

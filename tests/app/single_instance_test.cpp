#include <gtest/gtest.h>

#include <QFile>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SignalCloser.h"
#include "app/SingleInstance.h"
#include "app/Tavrin_main.h"
#include "app/app_test_helpers.h"
#include "files/ZF_File.h"

namespace {
class SingleInstanceTest : public ::testing::Test {
protected:
    QApplication& app = TestApp();
    QTemporaryDir dir;
    const QString name = QStringLiteral("TavrinTest");
};

TEST_F(SingleInstanceTest, SecondCopyIsRefusedAndAsksTheFirstToComeForward) {
    TSingleInstance first(name, dir.path());
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.IsPrimary());
    int activations = 0;
    QObject::connect(&first, &TSingleInstance::activationRequested, [&] { ++activations; });

    TSingleInstance second(name, dir.path());
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_FALSE(second.IsPrimary());
    EXPECT_TRUE(second.LockError().isEmpty()); // refused because taken, not because broken
    EXPECT_TRUE(second.RequestActivation());
    EXPECT_TRUE(ProcessEventsUntil([&] { return activations == 1; }));
}

TEST_F(SingleInstanceTest, AnotherNameDoesNotCollide) {
    TSingleInstance first(name, dir.path());
    TSingleInstance other(name + "2", dir.path());
    EXPECT_TRUE(first.TryAcquire());
    EXPECT_TRUE(other.TryAcquire());
}

TEST_F(SingleInstanceTest, LockIsFreeAgainAfterTheFirstCopyEnds) {
    {
        TSingleInstance first(name, dir.path());
        ASSERT_TRUE(first.TryAcquire());
    }
    TSingleInstance next(name, dir.path());
    EXPECT_TRUE(next.TryAcquire());
    EXPECT_TRUE(next.RequestActivation()); // the stale socket was replaced by a live one
}

TEST_F(SingleInstanceTest, KilledFirstCopyLeavesNoStaleLock) {
    TSingleInstance probe(name, dir.path());
    const QByteArray lockPath = QFile::encodeName(probe.LockPath());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe calls here: take the lock the way the program does and wait.
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const char ok = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 1 : 0;
        [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(ok, 1);
    EXPECT_FALSE(probe.TryAcquire()); // held by the child
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(probe.TryAcquire()); // released by the kernel
}

TEST_F(SingleInstanceTest, UnusableDirectoryIsReportedNotMistakenForASecondCopy) {
    TSingleInstance guard(name, dir.filePath("missing"));
    EXPECT_FALSE(guard.TryAcquire());
    EXPECT_FALSE(guard.LockError().isEmpty());
}

TEST(SignalCloser, TerminationSignalsCloseTheWindowLikeTheCloseCommand) {
    TestApp();
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QTemporaryDir dir;
        RecordingPresenter presenter;
        FormMainOptions options;
        options.baseDir = dir.path();
        options.presenter = &presenter;
        TFormMain form(options);
        ASSERT_TRUE(ProcessEventsUntil([&] { return form.isVisible(); }));
        const QString prf = dir.filePath("Tavrinini.prf");
        ASSERT_TRUE(QFile::remove(prf)); // written at start-up; must come back at close
        form.Document().graphSetting.index_FreqS = 3;

        TSignalCloser closer;
        ASSERT_TRUE(closer.Install());
        int closedCount = 0;
        QObject::connect(&form, &TFormMain::closed, [&] { ++closedCount; });
        QObject::connect(&closer, &TSignalCloser::terminationRequested, &form,
                         [&form] { form.MenuFileExitClick(); });
        ASSERT_EQ(::raise(sig), 0);
        ASSERT_TRUE(ProcessEventsUntil([&] { return closedCount > 0; })) << sig;
        EXPECT_FALSE(form.isVisible());
        GraphSetting g;
        MeasureSetting m;
        ADUnitSetting a;
        ASSERT_TRUE(
            ZF_File().ReadSettingFile(QFile::encodeName(prf).toStdString(), "Tavrinini", g, m, a))
            << sig;
        EXPECT_EQ(g.index_FreqS, 3);
    }
}
} // namespace

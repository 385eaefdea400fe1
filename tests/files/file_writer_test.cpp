// The one file writer under failures: what stays of the old file, what is left in the folder.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/FileWriter.h"
#include "files/file_test_helpers.h"

namespace {

WriteStep g_failStep;
int g_failErrno = 0;
int g_stopSignal = 0;

int FailOneStep(WriteStep step) {
    return step == g_failStep ? g_failErrno : 0;
}

// Stands for a signal arriving while the bytes are being written.
int SignalDuringWrite(WriteStep step) {
    if (step == WriteStep::Write) {
        ::raise(g_stopSignal);
    }
    return 0;
}

class FaultScope {
public:
    FaultScope(WriteStep step, int err) {
        g_failStep = step;
        g_failErrno = err;
        SetWriteFaultForTests(FailOneStep);
    }
    ~FaultScope() { SetWriteFaultForTests(nullptr); }
};

// A full disk, a full inode table, a descriptor limit or a failing device at any step: the
// save fails with errno kept, the old file is byte for byte as it was, nothing is left beside
// it. Only EACCES, EPERM, EROFS on the temporary allow the in-place rewrite.
TEST(FileWriter, EveryFailureKeepsTheOldFile) {
    TempDir tmp;
    const std::string file = tmp.Path("a.FFT");
    const std::string old(17771, 'o');
    const std::string fresh(262144, 'n');
    WriteBytes(file, old);
    ::chmod(file.c_str(), 0600);
    struct Case {
        WriteStep step;
        int err;
    };
    for (const Case c : {Case{WriteStep::CreateTemp, ENOSPC}, Case{WriteStep::CreateTemp, EDQUOT},
                         Case{WriteStep::CreateTemp, EMFILE}, Case{WriteStep::Write, ENOSPC},
                         Case{WriteStep::Sync, EIO}, Case{WriteStep::Close, EIO},
                         Case{WriteStep::Publish, EXDEV}}) {
        SCOPED_TRACE(static_cast<int>(c.step) * 1000 + c.err);
        FaultScope fault(c.step, c.err);
        std::string error;
        errno = 0;
        EXPECT_FALSE(WriteFileBytes(file, fresh, IfExists::Replace, &error));
        EXPECT_EQ(errno, c.err);
        EXPECT_NE(error.find(std::strerror(c.err)), std::string::npos) << error;
        EXPECT_TRUE(ReadBytes(file) == old) << "the old file was changed";
        EXPECT_EQ(Entries(tmp.Dir()), 1u) << "a temporary was left behind";
    }
    // The real thing: no descriptor left for the temporary.
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit few{3, 3};
        ::setrlimit(RLIMIT_NOFILE, &few);
        _exit(WriteFileBytes(file, fresh) ? 1 : errno == EMFILE ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: written, 2: other error";
    EXPECT_TRUE(ReadBytes(file) == old);
    // A folder that takes no new entries: the writable file is rewritten in place.
    {
        FaultScope fault(WriteStep::CreateTemp, EACCES);
        EXPECT_TRUE(WriteFileBytes(file, fresh));
    }
    EXPECT_TRUE(ReadBytes(file) == fresh);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // Replaced normally, the mode stays too.
    EXPECT_TRUE(WriteFileBytes(file, old));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(Entries(tmp.Dir()), 1u);
}

// Without Replace nothing existing is taken, not even a dangling link; a new name is created.
TEST(FileWriter, NoReplaceLeavesEveryExistingName) {
    TempDir tmp;
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named);
        if (named) {
            UseNamedTempsForTests();
        }
        const std::string file = tmp.Path(named ? "n.png" : "u.png");
        const std::string link = tmp.Path(named ? "nl.png" : "ul.png");
        WriteBytes(file, "old");
        ASSERT_EQ(::symlink("nowhere.png", link.c_str()), 0);
        EXPECT_FALSE(WriteFileBytes(file, "new", IfExists::Fail));
        EXPECT_EQ(errno, EEXIST);
        EXPECT_EQ(ReadBytes(file), "old");
        EXPECT_FALSE(WriteFileBytes(link, "new", IfExists::Fail));
        EXPECT_FALSE(NameTaken(tmp.Path("nowhere.png")));
        const std::string made = tmp.Path(std::string(255, named ? 'n' : 'u'));
        EXPECT_TRUE(WriteFileBytes(made, "new", IfExists::Fail));
        EXPECT_EQ(ReadBytes(made), "new");
        EXPECT_TRUE(WriteFileBytes(made, "newer", IfExists::Replace));
        EXPECT_EQ(ReadBytes(made), "newer");
    }
    EXPECT_EQ(Entries(tmp.Dir()), 6u) << "a temporary was left behind";
}

// A named temporary is removed when SIGTERM, SIGHUP or SIGINT ends the program mid-write.
TEST(FileWriter, StopSignalsRemoveANamedTemporary) {
    TempDir tmp;
    const std::string file = tmp.Path("r.pdf");
    WriteBytes(file, "old");
    for (const int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        const pid_t pid = ::fork();
        if (pid == 0) {
            UseNamedTempsForTests();
            g_stopSignal = sig;
            SetWriteFaultForTests(SignalDuringWrite);
            WriteFileBytes(file, "new");
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the signal did not end the program";
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_EQ(ReadBytes(file), "old");
        EXPECT_EQ(Entries(tmp.Dir()), 1u) << "the temporary was left behind";
    }
}

} // namespace

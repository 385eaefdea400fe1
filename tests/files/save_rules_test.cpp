// Where and how saves land: links, access rights, long names, special files.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/ZF_File.h"
#include "files/file_test_helpers.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr int kNoOtherUser = 100; // root without the right to change users (some containers)

bool Save(const std::string& path) {
    ZF_File zf;
    return zf.WriteSettingFile(path, ZF_File::kSettingHeader, {}, {}, {});
}

// Runs body in a child process and returns its exit status, -1 when it died or did not end
// within 20 s (an open that blocks). With asUser, a test run as root hands `dir` to "nobody"
// and drops to that user first: root ignores access rights, an ordinary user does not.
int InChild(const std::function<int()>& body, const fs::path* asUser = nullptr) {
    if (asUser != nullptr && ::geteuid() == 0 && ::chown(asUser->c_str(), kNobody, kNobody) != 0) {
        return kNoOtherUser;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asUser != nullptr && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            _exit(kNoOtherUser);
        }
        _exit(body());
    }
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        ::usleep(100000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

TEST(SaveRules, LinksKeepTheirTargetsAndLongNamesFit) {
    TempDir tmp;
    const std::string defaults = DefaultSettingFileBytes();
    WriteBytes(tmp.Path("real.prf"), "old");
    ASSERT_EQ(::symlink("real.prf", tmp.Path("rel.prf").c_str()), 0);
    ASSERT_EQ(::symlink(tmp.Path("rel.prf").c_str(), tmp.Path("chain.prf").c_str()), 0);
    ASSERT_TRUE(Save(tmp.Path("chain.prf")));
    EXPECT_EQ(ReadBytes(tmp.Path("real.prf")), defaults) << "the link's target was not updated";
    struct stat st {};
    ASSERT_EQ(::lstat(tmp.Path("rel.prf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat(tmp.Path("chain.prf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // A dangling link names the file to create.
    ASSERT_EQ(::symlink("made.prf", tmp.Path("dangling.prf").c_str()), 0);
    ASSERT_TRUE(Save(tmp.Path("dangling.prf")));
    EXPECT_EQ(ReadBytes(tmp.Path("made.prf")), defaults);

    // A hard-linked name is replaced like any other: the other name keeps the old file, which
    // no failure could have damaged.
    WriteBytes(tmp.Path("one.prf"), "old");
    ASSERT_EQ(::link(tmp.Path("one.prf").c_str(), tmp.Path("two.prf").c_str()), 0);
    ASSERT_TRUE(Save(tmp.Path("two.prf")));
    EXPECT_EQ(ReadBytes(tmp.Path("two.prf")), defaults);
    EXPECT_EQ(ReadBytes(tmp.Path("one.prf")), "old");

    // A 250-byte name leaves no room for a suffix: the temporary name must not grow with it.
    const std::string longName = tmp.Path(std::string(246, 'n') + ".prf");
    ASSERT_TRUE(Save(longName));
    ASSERT_TRUE(Save(longName));
    EXPECT_EQ(ReadBytes(longName), defaults);
    EXPECT_EQ(Entries(tmp.Dir()), 8u) << "temporary file left behind";
}

TEST(SaveRules, AccessRightsDecideWhatIsReplacedAndHow) {
    TempDir tmp;
    const fs::path dir = tmp.Dir();
    const int result = InChild(
        [&] {
            // A read-only file is not replaced, not even in a writable folder.
            WriteBytes(tmp.Path("ro.prf"), "old");
            ::chmod(tmp.Path("ro.prf").c_str(), 0444);
            if (Save(tmp.Path("ro.prf")) || ReadBytes(tmp.Path("ro.prf")) != "old") {
                return 1;
            }
            // A writable file in a folder that takes no new files is written in place.
            ::mkdir(tmp.Path("sub").c_str(), 0755);
            WriteBytes(tmp.Path("sub/w.prf"), "old");
            ::chmod(tmp.Path("sub").c_str(), 0555);
            const bool inPlace = Save(tmp.Path("sub/w.prf")) &&
                                 ReadBytes(tmp.Path("sub/w.prf")) == DefaultSettingFileBytes();
            const bool created = Save(tmp.Path("sub/new.prf"));
            // An in-place write that runs out of room reports it (a 100-byte file size
            // limit stands for a full disk).
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit lim{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            const bool fullReported = !Save(tmp.Path("sub/w.prf"));
            ::chmod(tmp.Path("sub").c_str(), 0755);
            if (!inPlace) {
                return 2;
            }
            if (created) {
                return 3;
            }
            if (!fullReported) {
                return 4;
            }
            return Entries(tmp.Dir()) == 2 && Entries(tmp.Path("sub")) == 1 ? 0 : 5;
        },
        &dir);
    const char* what[] = {"",
                          "a read-only file was replaced",
                          "a writable file in a read-only folder was not written",
                          "a new file appeared in a read-only folder",
                          "a failed in-place write was reported as success",
                          "temporary file left behind"};
    if (result == kNoOtherUser) {
        GTEST_SKIP() << "running as root without the right to become another user";
    }
    ASSERT_GE(result, 0);
    ASSERT_LT(result, 6);
    EXPECT_EQ(result, 0) << what[result];
}

TEST(SaveRules, SpecialFilesAreRefusedWithoutWaiting) {
    TempDir tmp;
    const std::string fifo = tmp.Path("fifo.prf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int result = InChild([&] {
        DataFileRecords r;
        for (const std::string& name : {fifo, tmp.Dir().string(), std::string("/dev/null")}) {
            if (ZF_File().ReadSettingFile(name, ZF_File::kSettingHeader, r.graph, r.measure,
                                          r.ad) ||
                r.Read(name) || Save(name)) {
                return 1;
            }
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << "a special file was read or written, or the open blocked";
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

} // namespace

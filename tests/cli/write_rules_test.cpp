// Every output of the program through the one writer: special files, links, long names, modes,
// concurrent runs, full disks, read-only mounts and kills at random moments.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/cli_test_helpers.h"
#include "files/FileWriter.h"

namespace {

using namespace cli_test;

// A 1024-sample sine measured at rate 16.
std::string WriteInput(const std::string& path) {
    std::vector<int32_t> codes(MaxSamples);
    std::vector<float> volts(MaxSamples, 0.0f);
    for (int i = 0; i < 1024; ++i) {
        codes[i] = 8388608 + static_cast<int32_t>(std::lround(20000 * std::sin(0.3 * i)));
    }
    EXPECT_TRUE(WriteCodesFile(path, codes, volts, 1024, 122.0703125f));
    return path;
}

// The data writer alone, its result reported.
bool WriteData(const std::string& o) {
    std::vector<int32_t> codes(MaxSamples, 8388608);
    std::vector<float> volts(MaxSamples, 0.0f);
    return WriteCodesFile(o, codes, volts, 1024, 122.0703125f);
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class WriteRulesTest : public CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        input = WriteInput(Path("in.DTA"));
    }
    int Draw(const std::string& command, const std::string& output, bool force = false) {
        std::vector<std::string> args{command, input, "-o", output};
        if (force) {
            args.push_back("--force");
        }
        return Run(args);
    }
    std::string input;
};

TEST_F(WriteRulesTest, ReportAndRenderReplaceOnlyWhatTheyMayReplace) {
    for (const std::string command : {"report", "render"}) {
        SCOPED_TRACE(command);
        // A named pipe or a device is refused and stays what it was.
        const std::string fifo = Path(command + ".fifo");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
        EXPECT_EQ(Draw(command, fifo, true), kExitFailed);
        EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
        // A device node of the test's own, not the system's /dev/null, which a faulty writer
        // would destroy (only root may make one).
        const std::string device = Path(command + ".null");
        if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
            EXPECT_EQ(Draw(command, device, true), kExitFailed);
            EXPECT_TRUE(S_ISCHR(ModeOf(device)));
            fs::remove(device);
        }
        // OUT.part means nothing: an input, a file or a link of that name stays as it was.
        const std::string out = Path(command + ".out");
        fs::copy_file(input, out + ".part");
        const std::string before = ReadAll(out + ".part");
        EXPECT_EQ(Run({command, out + ".part", "-o", out}), kExitOk) << err.str();
        EXPECT_EQ(ReadAll(out + ".part"), before);
        std::ofstream(Path("victim")) << "keep";
        const std::string viaLink = Path(command + ".linked");
        ASSERT_EQ(::symlink(Path("victim").c_str(), (viaLink + ".part").c_str()), 0);
        EXPECT_EQ(Draw(command, viaLink), kExitOk);
        EXPECT_EQ(ReadAll(Path("victim")), "keep");
        EXPECT_TRUE(IsLink(viaLink + ".part"));
        // A 0600 file stays 0600 and keeps its owner; a link output updates its target.
        ::chmod(out.c_str(), 0600);
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(out.c_str(), 65534, 65534), 0);
        }
        const std::string oldOut = ReadAll(out);
        EXPECT_EQ(Draw(command, out, true), kExitOk);
        EXPECT_EQ(ModeOf(out) & 07777, 0600u);
        struct stat st {};
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, root ? 65534u : ::geteuid());
        const std::string link = Path(command + ".link");
        ASSERT_EQ(::symlink(out.c_str(), link.c_str()), 0);
        EXPECT_EQ(Draw(command, link, true), kExitOk);
        EXPECT_TRUE(IsLink(link));
        EXPECT_EQ(ModeOf(out) & 07777, 0600u);
        // A dangling link is an existing name: only --force writes through it.
        const std::string dangling = Path(command + ".dangling");
        ASSERT_EQ(::symlink("made-through", dangling.c_str()), 0);
        EXPECT_EQ(Draw(command, dangling), kExitFailed);
        EXPECT_FALSE(NameTaken(Path("made-through")));
        EXPECT_EQ(Draw(command, dangling, true), kExitOk);
        EXPECT_TRUE(IsLink(dangling));
        EXPECT_GT(ReadAll(Path("made-through")).size(), 1000u);
        fs::remove(Path("made-through"));
        // Names of 251 to 255 bytes.
        for (std::size_t length = 251; length <= 255; ++length) {
            EXPECT_EQ(Draw(command, Path(std::string(length, command[2]))), kExitOk)
                << length << err.str();
        }
    }
    // Only the names made above: no temporary anywhere.
    EXPECT_EQ(Entries(dir), 2u + 2 * (1 + 2 + 2 + 1 + 1 + 5));
}

// --- Full disk, full inode table, read-only mount, for every writer --------------------------

using Writer = std::function<bool(const std::string& output)>;

class EveryWriterTest : public WriteRulesTest {
protected:
    std::vector<std::pair<std::string, Writer>> Writers() {
        return {
            {"settings",
             [](const std::string& o) {
                 return ZF_File().WriteSettingFile(o, ZF_File::kSettingHeader, {}, {}, {});
             }},
            {"data", WriteData},
            {"export",
             [this](const std::string& o) {
                 return Run({"spectrum", input, "-o", o, "--force"}) == kExitOk;
             }},
            {"PDF", [this](const std::string& o) { return Draw("report", o, true) == kExitOk; }},
            {"PNG", [this](const std::string& o) { return Draw("render", o, true) == kExitOk; }},
        };
    }
    // Each writer, with an old file of 17771 bytes in `folder` made unwritable by `spoil`,
    // must fail and leave that file and the folder as they were.
    void ExpectAllFail(const std::string& folder, const std::function<void()>& spoil,
                       const std::function<void()>& mend) {
        for (const auto& [what, write] : Writers()) {
            SCOPED_TRACE(what);
            const std::string output = folder + "/out." + what;
            const std::string old(17771, 'o');
            std::ofstream(output, std::ios::binary) << old;
            spoil();
            const std::size_t entries = Entries(folder);
            EXPECT_FALSE(write(output));
            mend();
            EXPECT_TRUE(ReadAll(output) == old) << "the old file was changed";
            EXPECT_EQ(Entries(folder), entries) << "a temporary was left behind";
            fs::remove(output);
        }
    }
};

// A tmpfs of its own, where the test may mount one (root); unmounted at the end.
class Tmpfs {
public:
    Tmpfs(const std::string& folder, const std::string& options) : folder_(folder) {
        fs::create_directory(folder);
        mounted_ = ::mount("tavrin-test", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~Tmpfs() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return mounted_; }
    void ReadOnly(bool ro) {
        ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | (ro ? MS_RDONLY : 0), nullptr);
    }

private:
    std::string folder_;
    bool mounted_ = false;
};

// Fills the file system of `folder` to the last block or the last inode.
void Fill(const std::string& folder, bool inodes) {
    if (inodes) {
        for (int i = 0; i < 100000; ++i) {
            const int fd = ::open((folder + "/i" + std::to_string(i)).c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0) {
                return;
            }
            ::close(fd);
        }
        return;
    }
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string chunk(4096, 'f');
    while (::write(fd, chunk.data(), chunk.size()) > 0) {
    }
    ::close(fd);
}

TEST_F(EveryWriterTest, FullDiskFullInodesAndReadOnlyMountOnTmpfs) {
    const std::string folder = Path("mnt");
    for (const bool inodes : {false, true}) {
        SCOPED_TRACE(inodes ? "inode table full" : "disk full");
        Tmpfs tmpfs(folder, inodes ? "nr_inodes=4" : "size=1600k");
        if (!tmpfs.Mounted()) {
            GTEST_SKIP() << "no right to mount a tmpfs here; the injected variant stands in";
        }
        bool filled = false;
        ExpectAllFail(
            folder,
            [&] {
                if (!filled) {
                    Fill(folder, inodes);
                    filled = true; // the old file of the next writer reuses the same room
                }
            },
            [] {});
    }
    Tmpfs tmpfs(folder, "size=1600k");
    SCOPED_TRACE("read-only");
    ExpectAllFail(
        folder, [&] { tmpfs.ReadOnly(true); }, [&] { tmpfs.ReadOnly(false); });
}

WriteStep g_step;
int g_errno = 0;
int FailStep(WriteStep step) {
    return step == g_step || g_errno == EROFS ? g_errno : 0;
}

// Where no tmpfs can be mounted: the system calls fail as they would there.
TEST_F(EveryWriterTest, FullDiskFullInodesAndReadOnlyInjected) {
    fs::create_directory(Path("inj"));
    struct Case {
        WriteStep step;
        int err;
    };
    for (const Case c : {Case{WriteStep::Write, ENOSPC}, Case{WriteStep::CreateTemp, ENOSPC},
                         Case{WriteStep::CreateTemp, EROFS}}) {
        SCOPED_TRACE(static_cast<int>(c.step) * 1000 + c.err);
        g_step = c.step;
        g_errno = c.err;
        ExpectAllFail(
            Path("inj"), [] { SetWriteFaultForTests(FailStep); },
            [] { SetWriteFaultForTests(nullptr); });
    }
}

#ifdef TAVRIN_CLI_EXE
pid_t Start(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(TAVRIN_CLI_EXE)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execv(TAVRIN_CLI_EXE, argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Killed at 50 moments spread over the four writing commands, the previous output is whole
// (or the new one is complete) and no temporary is ever visible; two runs at once both
// succeed with a complete file.
TEST_F(WriteRulesTest, KillNineAndConcurrentRunsNeverLeaveAPartialFile) {
    struct Job {
        std::vector<std::string> args;
        std::string output;
    };
    const std::vector<Job> jobs = {
        {{"report", input, "-o", Path("k.pdf"), "--force"}, Path("k.pdf")},
        {{"render", input, "-o", Path("k.png"), "--force"}, Path("k.png")},
        {{"spectrum", input, "-o", Path("k.FFT"), "--force"}, Path("k.FFT")},
        {{"acquire", "--count", "4096", "-o", Path("k.DTA"), "--force", "--simulated"},
         Path("k.DTA")}};
    std::mt19937 random(20261208);
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.args[0]);
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(Wait(Start(job.args)), 0);
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - t0)
                            .count();
        const std::string complete = ReadAll(job.output);
        ASSERT_GT(complete.size(), 1000u);
        for (int kill = 0; kill < 13; ++kill) {
            const std::string before = ReadAll(job.output);
            const pid_t pid = Start(job.args);
            ::usleep(static_cast<useconds_t>(random() % static_cast<uint64_t>(us + 1)));
            ::kill(pid, SIGKILL);
            Wait(pid);
            const std::string after = ReadAll(job.output);
            // The new file, when it got there, is as long as a complete one (the PDF and the
            // data file carry the time of the run).
            EXPECT_TRUE(after == before || after.size() == complete.size() ||
                        (job.args[0] == "report" && after.rfind("%%EOF") + 10 > after.size()))
                << "a partial file after kill " << kill;
        }
    }
    EXPECT_EQ(Entries(dir), 5u) << "a temporary was left behind";
    // Two renders to one name at once: both succeed, the file is complete.
    const std::string png = ReadAll(Path("k.png"));
    for (int pair = 0; pair < 5; ++pair) {
        const pid_t a = Start(jobs[1].args);
        const pid_t b = Start(jobs[1].args);
        EXPECT_EQ(Wait(a), 0);
        EXPECT_EQ(Wait(b), 0);
        EXPECT_TRUE(ReadAll(Path("k.png")) == png);
    }
    EXPECT_EQ(Entries(dir), 5u);
}
#endif

} // namespace

// The built tavrin-cli against two emulated bridges: the listing, a block from the unit picked by
// its serial number, an absent serial number, and a bridge the user has no rights to.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "EmulatedBridge.h"

namespace {
namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UmockdevCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavrin_usb_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::permissions(dir, fs::perms::all);
    }
    void TearDown() override { fs::remove_all(dir); }

    // tavrin-cli in a child process, which sees the test bed's devices; `unprivileged` drops
    // it to the user nobody first.
    CliRun Cli(const std::vector<std::string>& args, bool unprivileged = false) {
        const fs::path out = dir / "stdout";
        const fs::path err = dir / "stderr";
        const pid_t pid = fork();
        if (pid == 0) {
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            dup2(o, STDOUT_FILENO);
            dup2(e, STDERR_FILENO);
            if (unprivileged &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
                _exit(120);
            }
            std::vector<char*> argv{const_cast<char*>(TAVRIN_CLI_EXE)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(TAVRIN_CLI_EXE, argv.data());
            _exit(121);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, Slurp(out), Slurp(err)};
    }

    static SimConfig RampUnit() {
        SimConfig c = DefaultSimConfig();
        c.channel[0] = ChannelSignal{};
        c.channel[0].ramp = true;
        return c;
    }

    fs::path dir;
};

TEST_F(UmockdevCli, ListsTwoUnitsAndAcquiresFromTheOnePickedBySerial) {
    EmulatedBridge bridge;
    const int a = bridge.Plug("TV24A001", RampUnit());
    const int b = bridge.Plug("TV24B002", RampUnit());

    const CliRun list = Cli({"units", "--json"});
    EXPECT_EQ(list.status, 0) << list.err;
    // libusb's enumeration order decides the indexes; each unit has its own bus and address.
    const auto entry = [&](int index, const char* serial, int unit) {
        return "{\"index\":" + std::to_string(index) + ",\"serial\":\"" + serial +
               "\",\"description\":\"TORVEX24 USB FIFO\",\"bus\":" +
               std::to_string(bridge.Bus(unit)) +
               ",\"address\":" + std::to_string(bridge.Address(unit)) + ",\"access\":true}";
    };
    const std::string aFirst =
        "[" + entry(0, "TV24A001", a) + ",\n " + entry(1, "TV24B002", b) + "]\n";
    const std::string bFirst =
        "[" + entry(0, "TV24B002", b) + ",\n " + entry(1, "TV24A001", a) + "]\n";
    EXPECT_TRUE(list.out == aFirst || list.out == bFirst) << list.out;

    const std::string file = (dir / "b.DTA").string();
    const CliRun take = Cli({"acquire", "-o", file, "--count", "1024", "--device", "TV24B002"});
    EXPECT_EQ(take.status, 0) << take.err;
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(bridge.SamplesSent(b), 1024u);
    EXPECT_EQ(bridge.SamplesSent(a), 0u);

    const CliRun absent = Cli({"acquire", "-o", (dir / "c.DTA").string(), "--device", "TV24C003"});
    EXPECT_EQ(absent.status, 3);
    EXPECT_EQ(absent.err, "tavrin-cli acquire: unit TV24C003 not found\n");
    EXPECT_FALSE(fs::exists(dir / "c.DTA"));
}

TEST_F(UmockdevCli, ABridgeWithoutRightsIsNamedAsSuchNotAsAbsent) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "the refused user is emulated by dropping root's rights";
    }
    EmulatedBridge bridge;
    const int unit = bridge.Plug("TV24A001", RampUnit());
    bridge.OpenTestbedToAll();
    bridge.RestrictNode(unit);

    const CliRun take = Cli({"acquire", "-o", (dir / "a.DTA").string()}, true);
    EXPECT_EQ(take.status, 3);
    EXPECT_NE(take.err.find("permission denied"), std::string::npos) << take.err;
    EXPECT_NE(take.err.find("plugdev"), std::string::npos) << take.err;

    const CliRun list = Cli({"units"}, true);
    EXPECT_EQ(list.status, 3);

    EXPECT_NE(list.out.find("(permission denied)"), std::string::npos) << list.out;
    // Root is not refused: the same bridge opens.
    EXPECT_EQ(Cli({"units"}).status, 0);
}

} // namespace

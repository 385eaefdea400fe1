#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "adunit/sim/SignalModel.h"
#include "analysis/SampleConversion.h"
#include "cli/AcquireCommand.h"
#include "cli/Cli.h"
#include "cli_test_helpers.h"
#include "common/RateTables.h"
#include "files/ZF_File.h"

namespace {

using namespace cli_test;

class AcquireTest : public CliFolderTest {
protected:
    // acquire with the simulated unit, its bridge without latency; sim options at the end.
    int Acquire(const std::vector<std::string>& args, const std::vector<std::string>& sim = {}) {
        std::vector<std::string> all = {"acquire"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"--simulated", "--latency", "0"});
        all.insert(all.end(), sim.begin(), sim.end());
        return Run(all);
    }
};

TEST_F(AcquireTest, WritesTheBlockAsTheWindowsSaveWould) {
    const std::string a = Path("a.DTA");
    // 5000 is no multiple of the read group (512 at 62.5 ksps).
    ASSERT_EQ(Acquire({"--count", "5000", "--rate", "62.5ksps", "--filter", "sinc3", "--channel",
                       "1", "-o", a, "--json"},
                      {"--ch1-ramp"}),
              0)
        << err.str();
    EXPECT_NE(out.str().find("\"file\":\"" + a + "\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"rate\":\"62.5ksps\""), std::string::npos);

    DataFileRecords file;
    ASSERT_TRUE(file.Read(a));
    for (int32_t i = 0; i < 5000; ++i) {
        ASSERT_EQ(file.codes[i], kRampFirstCode + i) << "sample " << i;
    }
    EXPECT_EQ(file.measure.StartDateTime.size(), 19u);

    // The window's save of the same block and records gives the same bytes: rate, filter,
    // channel and count included.
    SampleBlock& block = file.block;
    GraphSetting windowGraph;
    windowGraph.DataCountMax = 5000;
    windowGraph.DataCountSel = 2; // 4096, the largest listed count within the block
    MeasureSetting windowMeasure;
    windowMeasure.StartDateTime = file.measure.StartDateTime;
    SetDataFilePath(windowMeasure, Path("window.DTA"));
    block.spsSel = 15;
    block.sinc3 = true;
    ASSERT_TRUE(CheckCodes(block, SamplePeriod(15, true)));
    ASSERT_TRUE(ZF_File().WriteDataFile(ZF_File::kDataHeader, ADUnitSetting{15, true, 1}, block,
                                        windowGraph, windowMeasure));
    std::string mine = ReadAll(a);
    std::string window = ReadAll(Path("window.DTA"));
    // Only the file's own name differs.
    const auto at = window.find("window.DTA");
    ASSERT_NE(at, std::string::npos);
    window.replace(at, 10, "a.DTA");
    EXPECT_EQ(mine, window);
}

TEST_F(AcquireTest, DefaultPictureCarriesTheToneAtItsFrequency) {
    const std::string a = Path("tone.DTA");
    ASSERT_EQ(Acquire({"--count", "8192", "--rate", "125ksps", "-o", a}), 0) << err.str();
    EXPECT_NE(err.str().find("8192 samples at 125ksps"), std::string::npos) << err.str();
    DataFileRecords file;
    ASSERT_TRUE(file.Read(a));
    const std::vector<int32_t>& codes = file.codes;
    // Peak amplitude of the block's component at f: correlation with a Hann-weighted sine and
    // cosine, so that the tone leaks nowhere near the other frequencies.
    auto amplitude = [&](double f) {
        double re = 0, im = 0, weights = 0;
        for (int n = 0; n < 8192; ++n) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / 8192);
            const double v = w * (codes[n] - 8388608) * 2.5 / 8388608;
            re += v * std::cos(2 * std::numbers::pi * f * n * 8e-6);
            im += v * std::sin(2 * std::numbers::pi * f * n * 8e-6);
            weights += w;
        }
        return 2 * std::hypot(re, im) / weights;
    };
    EXPECT_NEAR(amplitude(1000.0), 1.0, 0.01); // 1 V peak
    EXPECT_LT(amplitude(1500.0), 1e-4);
    EXPECT_LT(amplitude(700.0), 1e-4);
}

TEST_F(AcquireTest, EveryUnitFailureHasItsOwnStatusAndWritesNothing) {
    struct Row {
        std::vector<std::string> sim;
        int status;
        const char* message;
    };
    const std::vector<Row> rows = {
        {{"--absent"}, kExitNotFound, "TORVEX24 was not found"},
        {{"--silent"}, kExitNoResponse, "TORVEX24 did not respond"},
        {{"--ng", "S5"}, kExitFilterRefused, "refused the filter command (S5)"},
        {{"--ng", "F*"}, kExitRateRefused, "refused the rate command (FG, 125ksps)"},
        {{"--ng", "U?"}, kExitModelRefused, "model query"},
        {{"--model", "TORVEX16"}, kExitWrongModel, "not a TORVEX24 (it calls itself \"TORVEX16\")"},
        {{"--ng", "V?"}, kExitVersionRefused, "version query"},
        {{"--vanish-after", "2000"}, kExitReadError, "read error after 1024 of 4096 samples"},
        {{"--rx-buffer", "1024"}, kExitReadError, "overflowed"},
        {{"--clip-at", "4095"}, kExitFailed, "input signal level out of range"},
        {{"--stall-after", "100"}, kExitStalled, "stopped sending after 0 of 4096 samples"},
    };
    const std::string f = Path("f.DTA");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sim[0]);
        EXPECT_EQ(Acquire({"--count", "4096", "-o", f}, row.sim), row.status);
        EXPECT_NE(err.str().find(row.message), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(f));
    }
}

TEST_F(AcquireTest, RepeatNamesTheFilesAndNothingIsReplacedWithoutForce) {
    const std::string out1 = Path("run.DTA");
    ASSERT_EQ(Acquire({"--count", "1024", "--repeat", "3", "-o", out1}, {"--ch0-ramp"}), 0)
        << err.str();
    for (const char* name : {"run-001.DTA", "run-002.DTA", "run-003.DTA"}) {
        EXPECT_TRUE(fs::exists(Path(name))) << name;
    }
    EXPECT_FALSE(fs::exists(out1));
    const std::string before = ReadAll(Path("run-002.DTA"));
    EXPECT_EQ(Acquire({"--count", "1024", "--repeat", "3", "-o", out1}), kExitFailed);
    EXPECT_NE(err.str().find("exists"), std::string::npos);
    EXPECT_EQ(ReadAll(Path("run-002.DTA")), before);
    EXPECT_EQ(Acquire({"--count", "1024", "--repeat", "3", "-o", out1, "--force"}), 0);

    EXPECT_EQ(Acquire({"--count", "1024", "--rate", "7sps", "-o", out1}), kExitUsage);
    EXPECT_EQ(Acquire({"--count", "100", "-o", out1}), kExitUsage);
    EXPECT_EQ(Acquire({"--count", "1024"}), kExitUsage);
    EXPECT_EQ(Acquire({"-o", out1}, {"--frobnicate"}), kExitUsage);
    EXPECT_EQ(RunCli({"acquire", "-o", out1}, out, err), kExitNotFound)
        << "without --simulated and without a USB backend in the test";
}

#ifdef TAVRIN_CLI_EXE
// The built program under a termination signal: the unit is stopped, no file appears, and the
// exit status tells which signal it was, during the preparation as during the block.
TEST_F(AcquireTest, SignalsStopTheAcquisitionWithoutAPartialFile) {
    struct Case {
        int signal;
        const char* picture;
        int status;
    };
    // Whether the program has its handlers for the three signals in place yet.
    auto handling = [](pid_t pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("SigCgt:", 0) == 0) {
                const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
                return (mask >> (SIGINT - 1) & 1) != 0 && (mask >> (SIGTERM - 1) & 1) != 0 &&
                       (mask >> (SIGHUP - 1) & 1) != 0;
            }
        }
        return false;
    };
    for (const Case c : {Case{SIGTERM, "--ch0-ramp", 143}, Case{SIGINT, "--ch0-ramp", 130},
                         Case{SIGHUP, "--ch0-ramp", 129}}) {
        SCOPED_TRACE(c.signal);
        const std::string file = Path("sig.DTA");
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            // 1024 samples at 5 sps take 205 s: the signal comes long before the end.
            execl(TAVRIN_CLI_EXE, TAVRIN_CLI_EXE, "acquire", "--rate", "5sps", "--count", "1024",
                  "-o", file.c_str(), "--simulated", c.picture, static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 1000 && !handling(pid); ++i) {
            usleep(10000);
        }
        usleep(20000); // into the preparation or the block; either must end the same way
        kill(pid, c.signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_FALSE(fs::exists(file));
    }
}
#endif

} // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "analysis/SampleConversion.h"
#include "cli/Cli.h"
#include "cli_test_helpers.h"
#include "common/GeneralFormat.h"
#include "common/RateTables.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"
#include "files/setting_rule_cases.h"
#include "spectrum_rows.h"

namespace {

using namespace cli_test;

std::vector<std::string> Lines(const std::string& bytes) {
    return ExportLines(bytes);
}

class CliTest : public CliFolderTest {
protected:
    // A 1024-sample data file at rate 16 (Sinc5): a sine of `amplitudeCodes` at bin `bin`
    // around mid-scale. The volts column and the step deliberately disagree with the codes.
    std::string WriteSineFile(const std::string& name, int bin, double amplitudeCodes,
                              int32_t window = WinRectangular) {
        const int n = 1024;
        std::vector<int32_t> codes(MaxSamples);
        std::vector<float> volts(MaxSamples, 1.25f);
        for (int i = 0; i < n; ++i) {
            codes[i] = 8388608 + static_cast<int32_t>(std::lround(
                                     amplitudeCodes * std::sin(2 * M_PI * bin * i / n)));
        }
        GraphSetting g;
        g.whichWindowFunc = window;
        g.fDCCut_FFT = true;
        EXPECT_TRUE(WriteCodesFile(Path(name), codes, volts, n, 12345.0f, g));
        return Path(name);
    }
};

} // namespace

TEST_F(CliTest, CheckReportsEachFileAndTheExitStatus) {
    const std::string dta = WriteSineFile("a.DTA", 10, 1000);
    const std::string prf = Path("s.prf");
    ZF_File zf;
    ASSERT_TRUE(zf.WriteSettingFile(prf, "Tavrinini", {}, {}, {}));
    EXPECT_EQ(Run({"check", dta, prf}), kExitOk);
    EXPECT_EQ(out.str(), dta + ": OK (data file, 1024 samples)\n" + prf + ": OK (settings file)\n");

    // A broken sample line: line number and rule.
    auto lines = Lines(ReadAll(dta));
    lines[40] = "8388608;0";
    std::ofstream(Path("bad.DTA"), std::ios::binary) << [&] {
        std::string s;
        for (auto& l : lines) {
            s += l + "\r\n";
        }
        return s;
    }();
    std::ofstream(Path("other.txt"), std::ios::binary) << "hello\r\n";
    // Rejection reasons quote the file's Shift-JIS text as UTF-8.
    std::ofstream(Path("sjis.prf"), std::ios::binary) << "Tavrinini\r\nA:\r\nspsSel:\x82\xA0\r\n";
    EXPECT_EQ(Run({"check", prf, Path("bad.DTA"), Path("other.txt"), Path("missing.DTA"),
                   Path("sjis.prf")}),
              kExitFailed);
    const auto report = Lines(out.str());
    ASSERT_EQ(report.size(), 5u);
    EXPECT_EQ(report[0], prf + ": OK (settings file)");
    EXPECT_EQ(report[1], Path("bad.DTA") + ": rejected: line 41: sample line \"8388608;0\" is not "
                                           "\"code,volts\"");
    EXPECT_EQ(report[2], Path("other.txt") + ": rejected: line 1: header is neither "
                                             "\"Tavrinini\" nor \"DataFile:Tavrin\"");
    EXPECT_EQ(report[3], Path("missing.DTA") + ": rejected: cannot open the file");
    EXPECT_EQ(report[4], Path("sjis.prf") + ": rejected: line 3: \"spsSel:あ\" is not an "
                                            "integer 0..16");
}

TEST_F(CliTest, UsageErrorsAndHelp) {
    EXPECT_EQ(Run({}), kExitUsage);
    EXPECT_EQ(Run({"frobnicate"}), kExitUsage);
    EXPECT_NE(err.str().find("unknown command"), std::string::npos);
    EXPECT_EQ(Run({"check"}), kExitUsage);
    EXPECT_EQ(Run({"check", "--bogus", "x"}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", "in.DTA"}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", "-o", "out.FFT"}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", "in.DTA", "-o"}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", "in.DTA", "-o", "x.FFT", "--window", "kaiser"}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", "a.DTA", "b.DTA", "-o", "x.FFT"}), kExitUsage);
    for (const auto& cmd : std::vector<std::vector<std::string>>{
             {"--help"}, {"check", "--help"}, {"spectrum", "--help"}}) {
        EXPECT_EQ(Run(cmd), kExitOk);
        EXPECT_NE(out.str().find("Usage: tavrin-cli"), std::string::npos);
    }
}

TEST_F(CliTest, SpectrumUsesCodesAndRateNotTheStoredVoltsAndStep) {
    const std::string dta = WriteSineFile("sine.DTA", 64, 100000);
    const std::string fft = Path("sine.FFT");
    ASSERT_EQ(Run({"spectrum", dta, "-o", fft}), kExitOk) << err.str();
    const auto lines = Lines(ReadAll(fft));
    ASSERT_EQ(lines.size(), 35u + 511u);
    EXPECT_EQ(lines[0], "DataFile:Tavrin_FFT");
    EXPECT_EQ(lines[8], "DataFileName:" + Utf8ToSjis(fs::absolute(fft).string()));
    EXPECT_EQ(lines[9], "StartDateTime:2024/01/01 0:00:00");
    EXPECT_EQ(lines[32], "fftnum:511");
    const float step = DeltaF(SamplePeriod(16, false), 1024);
    EXPECT_EQ(lines[33], "deltaF:" + FormatGeneral(step));
    // Rectangular window on a whole number of periods: all energy in bin 64, RMS = A / sqrt 2.
    const double expected = 100000 * 2.9802325e-7 / std::sqrt(2.0);
    double peak = 0;
    int peakBin = 0;
    for (int k = 1; k <= 511; ++k) {
        const std::string& row = lines[33 + k];
        const double v = std::strtod(row.c_str() + row.find(", ") + 2, nullptr);
        if (v > peak) {
            peak = v;
            peakBin = k;
        }
    }
    EXPECT_EQ(peakBin, 64);
    EXPECT_NEAR(peak, expected, expected * 1e-4);
    char freq[kGeneralFormatMax];
    EXPECT_EQ(lines[33 + 64].substr(0, lines[33 + 64].find('H')),
              std::string(freq, FormatFixed3(64.0 * step, freq)));
}

TEST_F(CliTest, SpectrumOptionsOverrideTheFileAndShowInTheExport) {
    const std::string dta = WriteSineFile("w.DTA", 100, 50000, WinHanning);
    const std::string a = Path("a.FFT");
    const std::string b = Path("b.FFT");
    ASSERT_EQ(Run({"spectrum", dta, "-o", a}), kExitOk);
    ASSERT_EQ(
        Run({"spectrum", dta, "--output=" + b, "--window", "flattop", "--correct", "--no-dc-cut"}),
        kExitOk)
        << err.str();
    const auto la = Lines(ReadAll(a));
    const auto lb = Lines(ReadAll(b));
    EXPECT_EQ(la[23], "whichWindowFunc:1");
    EXPECT_EQ(lb[23], "whichWindowFunc:3");
    EXPECT_EQ(la[14], "fWinFuncAdjust:0");
    EXPECT_EQ(lb[14], "fWinFuncAdjust:1");
    EXPECT_EQ(lb[15], "fDCCut_FFT:0");
    EXPECT_NE(la[34 + 99], lb[34 + 99]);
}

TEST_F(CliTest, SpectrumNeverReplacesWithoutForceAndRejectsBadInput) {
    const std::string dta = WriteSineFile("x.DTA", 5, 1000);
    const std::string fft = Path("x.FFT");
    std::ofstream(fft) << "keep";
    EXPECT_EQ(Run({"spectrum", dta, "-o", fft}), kExitFailed);
    EXPECT_NE(err.str().find("--force"), std::string::npos);
    EXPECT_EQ(ReadAll(fft), "keep");
    EXPECT_EQ(Run({"spectrum", dta, "-o", fft, "--force"}), kExitOk);
    EXPECT_EQ(Lines(ReadAll(fft)).size(), 546u);

    const std::string prf = Path("s.prf");
    ZF_File zf;
    ASSERT_TRUE(zf.WriteSettingFile(prf, "Tavrinini", {}, {}, {}));
    EXPECT_EQ(Run({"spectrum", prf, "-o", Path("y.FFT")}), kExitFailed);
    EXPECT_NE(err.str().find("rejected: line 1: header"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(Path("y.FFT")));
    EXPECT_EQ(Run({"spectrum", dta, "-o", Path("nodir/y.FFT")}), kExitFailed);
}

TEST_F(CliTest, SpectrumNeverReplacesItsOwnInput) {
    const std::string dta = WriteSineFile("x.DTA", 5, 1000);
    const std::string before = ReadAll(dta);
    ASSERT_EQ(symlink(dta.c_str(), Path("sym.DTA").c_str()), 0);
    ASSERT_EQ(link(dta.c_str(), Path("hard.DTA").c_str()), 0);
    for (const std::string& output : {dta, Path("sym.DTA"), Path("hard.DTA")}) {
        EXPECT_EQ(Run({"spectrum", dta, "-o", output, "--force"}), kExitFailed) << output;
        EXPECT_NE(err.str().find("is the input file"), std::string::npos) << err.str();
    }
    EXPECT_TRUE(ReadAll(dta) == before) << "the input was replaced";
}

#ifdef TAVRIN_CLI_EXE
// The built program, end to end: exit statuses and files through a real process.
TEST_F(CliTest, ExecutableEndToEnd) {
    const std::string dta = WriteSineFile("e2e.DTA", 7, 2000);
    const std::string exe = TAVRIN_CLI_EXE;
    auto run = [&](const std::string& args) {
        const std::string cmd =
            "'" + exe + "' " + args + " >'" + Path("stdout") + "' 2>'" + Path("stderr") + "'";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("check '" + dta + "'"), 0);
    EXPECT_EQ(ReadAll(Path("stdout")), dta + ": OK (data file, 1024 samples)\n");
    EXPECT_EQ(run("spectrum '" + dta + "' -o '" + Path("e2e.FFT") + "'"), 0);
    EXPECT_EQ(Lines(ReadAll(Path("e2e.FFT"))).size(), 546u);
    EXPECT_EQ(run("check '" + Path("e2e.FFT") + "'"), 1);
    EXPECT_EQ(run("spectrum"), 2);
    EXPECT_NE(ReadAll(Path("stderr")).find("Usage"), std::string::npos);

    // report and render draw without a display, whatever platform the environment names, and
    // say nothing when all goes well.
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ";
    const std::string pdf = Path("e2e.pdf");
    const std::string cmd = noDisplay + "'" + exe + "' report '" + dta + "' -o '" + pdf + "' 2>'" +
                            Path("stderr") + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << ReadAll(Path("stderr"));
    EXPECT_EQ(ReadAll(pdf).substr(0, 4), "%PDF");
    EXPECT_EQ(ReadAll(Path("stderr")), "");
    // A folder that is not there: the command's own line only, no leftover.
    EXPECT_EQ(run("report '" + dta + "' -o '" + Path("nodir/e2e.pdf") + "'"), 1);
    EXPECT_EQ(ReadAll(Path("stderr")), "tavrin-cli report: cannot write " + Path("nodir/e2e.pdf") +
                                           ": No such file or directory\n");
    EXPECT_EQ(run("render '" + dta + "' -o '" + Path("e2e.png") + "' --width 640 --height 480"), 0);
    EXPECT_EQ(ReadAll(Path("e2e.png")).substr(1, 3), "PNG");

    // Output names Shift-JIS cannot hold, relative to the current folder, land exactly there;
    // a second run without --force finds them and refuses.
    const std::string cd = "cd '" + dir.string() + "' && ";
    auto runInDir = [&](const std::string& args) {
        const std::string cmd = cd + "timeout 20 '" + exe + "' " + args + " >stdout 2>stderr";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    fs::create_directory(Path("acc"));
    fs::create_directory(Path("dir−1"));
    for (const std::string output : {"acc/résumé.FFT", "測定〜1.FFT", "dir−1/a.FFT"}) {
        EXPECT_EQ(runInDir("spectrum e2e.DTA -o '" + output + "'"), 0) << output;
        EXPECT_EQ(Lines(ReadAll(Path(output))).size(), 546u) << output;
        EXPECT_EQ(runInDir("spectrum e2e.DTA -o '" + output + "'"), 1) << output;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("acc")), fs::directory_iterator()), 1);
    // "--" ends the options as for check.
    fs::copy_file(dta, Path("-in.DTA"));
    EXPECT_EQ(runInDir("spectrum -o dash.FFT -- -in.DTA"), 0);
    EXPECT_EQ(Lines(ReadAll(Path("dash.FFT"))).size(), 546u);
    // A named pipe as input is refused at once instead of waiting for a writer.
    ASSERT_EQ(mkfifo(Path("pipe.DTA").c_str(), 0644), 0);
    EXPECT_EQ(runInDir("spectrum pipe.DTA -o pipe.FFT"), 1);
    EXPECT_EQ(runInDir("check pipe.DTA"), 1);
    EXPECT_FALSE(fs::exists(Path("pipe.FFT")));
}
#endif

TEST_F(CliTest, ReportAndRenderRefuseBadRequestsBeforeDrawing) {
    const std::string dta = WriteSineFile("r.DTA", 7, 2000);
    EXPECT_EQ(Run({"report", "--help"}), kExitOk);
    EXPECT_NE(out.str().find("--landscape"), std::string::npos);
    EXPECT_EQ(Run({"render", "--help"}), kExitOk);
    EXPECT_NE(out.str().find("--width"), std::string::npos);
    EXPECT_EQ(Run({"report", dta}), kExitUsage);
    EXPECT_EQ(Run({"report", dta, "-o", Path("r.pdf"), "--paper", "Napkin"}), kExitUsage);
    // A size Qt knows but the report does not fit on is a usage error naming the valid ones.
    EXPECT_EQ(Run({"report", dta, "-o", Path("r.pdf"), "--paper", "A10"}), kExitUsage);
    EXPECT_NE(err.str().find("unknown paper 'A10' (valid: A3, A4, A5, B4, B5, JisB4, JisB5, "
                             "Letter, Legal, Executive, Tabloid)"),
              std::string::npos)
        << err.str();
    EXPECT_FALSE(fs::exists(Path("r.pdf")));
    EXPECT_EQ(Run({"render", dta, "-o", Path("r.png"), "--width", "12"}), kExitUsage);
    EXPECT_EQ(Run({"render", dta, "-o", Path("r.png"), "--landscape"}), kExitUsage);
    // Never the input itself, even with --force; never an existing file without it.
    EXPECT_EQ(Run({"report", dta, "-o", dta, "--force"}), kExitFailed);
    std::ofstream(Path("old.pdf")) << "keep";
    EXPECT_EQ(Run({"report", dta, "-o", Path("old.pdf")}), kExitFailed);
    EXPECT_EQ(ReadAll(Path("old.pdf")), "keep");
    EXPECT_EQ(ReadAll(dta).substr(0, 15), "DataFile:Tavrin");
    // A rejected input writes nothing.
    const std::string prf = Path("s.prf");
    ASSERT_TRUE(ZF_File().WriteSettingFile(prf, "Tavrinini", {}, {}, {}));
    EXPECT_EQ(Run({"render", prf, "-o", Path("r.png")}), kExitFailed);
    EXPECT_FALSE(fs::exists(Path("r.png")));
}

// check judges a settings file as the window's settings-load command does (shared table).
TEST_F(CliTest, CheckJudgesSettingsFilesAsTheSettingsLoadDoes) {
    for (const auto& c : setting_rules::Cases()) {
        const std::string prf = setting_rules::WriteSettingCase(Path("case.prf"), c);
        EXPECT_EQ(Run({"check", prf}), c.opens ? kExitOk : kExitFailed) << c.name;
        EXPECT_EQ(out.str().find(": OK (settings file)") != std::string::npos, c.opens) << c.name;
    }
    Run({"check", setting_rules::WriteSettingCase(Path("l.prf"), setting_rules::Cases()[7])});
    EXPECT_EQ(out.str(), Path("l.prf") + ": rejected: line 33: index_dB_max:5 and "
                                         "index_dB_min:10: with fAbsoGraph:0 the top must be "
                                         "index_dB_max:2 (0 dB)\n");
}

#ifdef TAVRIN_CLI_EXE
// Standard output that cannot be written (a full device, a closed descriptor) is a failure for
// every command that writes there; --json output parses whatever bytes a file name holds.
TEST_F(CliTest, StandardOutputFailuresAndJsonOfAnyName) {
    const std::string dta = WriteSineFile("s.DTA", 7, 2000);
    const std::string exe = "'" + std::string(TAVRIN_CLI_EXE) + "' ";
    auto status = [&](const std::string& cmd) {
        const int s = std::system((cmd + " 2>'" + Path("stderr") + "'").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    for (const std::string args : {"analyze --json '" + dta + "'", "check '" + dta + "'",
                                   std::string("--version"), std::string("--help")}) {
        for (const std::string to : {" >/dev/full", " >&-"}) {
            EXPECT_EQ(status(exe + args + to), 1) << args << to;
            EXPECT_NE(ReadAll(Path("stderr")).find("cannot write standard output"),
                      std::string::npos);
        }
        EXPECT_EQ(status(exe + args + " >/dev/null"), 0) << args;
    }
    const std::string odd = Path("bad\xff\xfe name\x01.DTA");
    fs::copy_file(dta, odd);
    const std::string parse = " | python3 -c 'import json,sys; d=json.load(sys.stdin); "
                              "print(d[0][\"file_hex\"] if isinstance(d, list) else d[\"file\"])'"
                              " >'" +
                              Path("parsed") + "'";
    EXPECT_EQ(status(exe + "analyze --json '" + odd + "' '" + dta + "'" + parse), 0);
    std::string hex;
    for (unsigned char c : odd) {
        static const char* digits = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    EXPECT_EQ(ReadAll(Path("parsed")), hex + "\n");
}
#endif

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/ZF_File.h"
#include "files/file_test_helpers.h"

namespace {

// Replaces the first occurrence of `from` in the default file's bytes.
std::string DefaultsWith(const std::string& from, const std::string& to) {
    std::string s = DefaultSettingFileBytes();
    const auto at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
}

class SettingFileTest : public ::testing::Test {
protected:
    // Reads bytes as a settings file into records that start from the defaults.
    bool Read(const std::string& bytes) {
        WriteBytes(path, bytes);
        graph = {};
        measure = {};
        ad = {};
        error = {};
        return zf.ReadSettingFile(path, "Tavrinini", graph, measure, ad, &error);
    }

    TempDir tmp;
    std::string path = tmp.Path("Tavrinini.prf");
    ZF_File zf;
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;
    FileError error;
};

} // namespace

TEST_F(SettingFileTest, WritesDefaultsByteForByte) {
    ASSERT_TRUE(
        zf.WriteSettingFile(path, "Tavrinini", GraphSetting{}, MeasureSetting{}, ADUnitSetting{}));
    EXPECT_EQ(ReadBytes(path), DefaultSettingFileBytes());
}

TEST_F(SettingFileTest, RoundTripsEveryFieldAndTextBytes) {
    GraphSetting g;
    g.fWaveGraph = false;
    g.fSig_Volt = true;
    g.fWinFuncAdjust = true;
    g.fDCCut_FFT = false;
    g.fDCCut_SigGraph = true;
    g.fLogGraph = false;
    g.fAbsoGraph = false;
    g.index_FreqS = 15;
    g.index_FreqE = 19;
    g.index_dB_max = -7;
    g.index_dB_min = 42;
    g.whichWindowFunc = 3;
    g.PenColorGraph = -1;
    g.PenColorMainAxis = 0x123456;
    g.PenColorSubAxis = 0;
    g.PenColorRefGraph = 2147483647;
    g.DataCountSel = 0;
    g.DataCountMax = 1024;
    MeasureSetting m;
    m.fSaveDataFile = true;
    // "C:\データ\測定.DTA" in Shift-JIS, with a drive-letter colon.
    m.DataFileName = "C:\\\x83\x66\x81\x5B\x83\x5E\\\x91\xAA\x92\xE8.DTA";
    // Bytes that are not valid Shift-JIS (lone lead byte, 0x80, 0xFF) survive unchanged.
    m.StartDateTime = "2024/01/02 3:04:05 \x81\x80\xFF\xA0:";
    ADUnitSetting a{3, true, 1};

    ASSERT_TRUE(zf.WriteSettingFile(path, "Tavrinini", g, m, a));
    GraphSetting g2;
    MeasureSetting m2;
    ADUnitSetting a2;
    ASSERT_TRUE(zf.ReadSettingFile(path, "Tavrinini", g2, m2, a2, &error)) << error.reason;
    EXPECT_EQ(g2, g);
    EXPECT_EQ(m2, m);
    EXPECT_EQ(a2, a);
    EXPECT_NE(ReadBytes(path).find("DataFileName:" + m.DataFileName + "\r\n"), std::string::npos);
}

TEST_F(SettingFileTest, HeaderMustMatchExactlyAfterComments) {
    EXPECT_TRUE(Read(";comment before the header\r\n" + DefaultSettingFileBytes()));
    EXPECT_FALSE(Read(DefaultsWith("Tavrinini\r\n", "Tavrinini \r\n")));
    EXPECT_EQ(error.line, 1);
    EXPECT_FALSE(Read(DefaultsWith("Tavrinini\r\n", "tavrinini\r\n")));
    EXPECT_FALSE(Read(DefaultsWith("Tavrinini\r\n", "DataFile:Tavrin\r\n")));
    EXPECT_FALSE(Read(""));
    EXPECT_FALSE(zf.ReadSettingFile(tmp.Path("missing.prf"), "Tavrinini", graph, measure, ad));
    EXPECT_FALSE(zf.ReadSettingFile(tmp.Dir().string(), "Tavrinini", graph, measure, ad));
    EXPECT_FALSE(zf.ReadSettingFile("", "Tavrinini", graph, measure, ad));
    EXPECT_FALSE(zf.ReadSettingFile(path, "", graph, measure, ad));
}

TEST_F(SettingFileTest, SectionSearchLimitsAndMissingSections) {
    EXPECT_FALSE(Read(CrLf({"Tavrinini", "A:", "spsSel:1", "AEND:"})));
    EXPECT_NE(error.reason.find("F:"), std::string::npos);

    auto withGap = [](int blanks, int comments, const std::string& before) {
        std::string filler;
        for (int i = 0; i < blanks; ++i) {
            filler += (i % 2 ? "\r\n" : "junk\r\n");
        }
        for (int i = 0; i < comments; ++i) {
            filler += ";c\r\n";
        }
        return DefaultsWith(before, filler + before);
    };
    for (const std::string start : {"A:\r\n", "F:\r\n", "G:\r\n"}) {
        EXPECT_TRUE(Read(withGap(19, 30, start))) << start << error.reason;
        EXPECT_FALSE(Read(withGap(20, 0, start))) << start;
    }
}

TEST_F(SettingFileTest, PerKeyRulesOfTheADAndMeasureSections) {
    EXPECT_TRUE(Read(DefaultsWith("sinc3:0", "sinc3:1.0")));
    EXPECT_TRUE(ad.sinc3);
    EXPECT_TRUE(Read(DefaultsWith("sinc3:0", "sinc3:2")));
    EXPECT_FALSE(ad.sinc3);
    EXPECT_TRUE(Read(DefaultsWith("sinc3:0", "sinc3:1e0")));
    EXPECT_TRUE(ad.sinc3);
    EXPECT_FALSE(Read(DefaultsWith("sinc3:0", "sinc3:yes")));
    EXPECT_EQ(error.line, 4);
    EXPECT_FALSE(Read(DefaultsWith("sinc3:0", "sinc3:")));

    EXPECT_TRUE(Read(DefaultsWith("spsSel:16", "spsSel:0")));
    EXPECT_FALSE(Read(DefaultsWith("spsSel:16", "spsSel:17")));
    EXPECT_FALSE(Read(DefaultsWith("spsSel:16", "spsSel:-1")));
    EXPECT_FALSE(Read(DefaultsWith("spsSel:16", "spsSel: 1")));
    EXPECT_FALSE(Read(DefaultsWith("spsSel:16", "spsSel:99999999999999")));
    EXPECT_TRUE(Read(DefaultsWith("ch_sel:0", "ch_sel:1")));
    EXPECT_EQ(ad.ch_sel, 1);
    EXPECT_FALSE(Read(DefaultsWith("ch_sel:0", "ch_sel:2")));

    EXPECT_TRUE(Read(DefaultsWith("fSaveDataFile:0", "fSaveDataFile:1")));
    EXPECT_TRUE(measure.fSaveDataFile);
    EXPECT_FALSE(Read(DefaultsWith("fSaveDataFile:0", "fSaveDataFile:2")));
    EXPECT_FALSE(Read(DefaultsWith("fSaveDataFile:0", "fSaveDataFile:true")));

    // Only the first colon splits key and value; unknown keys and colon-less lines are ignored.
    EXPECT_TRUE(Read(DefaultsWith("DataFileName:", "DataFileName:D:\\a:b.DTA\r\nno colon\r\n"
                                                   "Unknown:3\r\nspsSel :99")));
    EXPECT_EQ(measure.DataFileName, "D:\\a:b.DTA");
    // The end key ends the section whatever follows its colon.
    EXPECT_TRUE(Read(DefaultsWith("AEND:", "AEND:whatever")));
}

TEST_F(SettingFileTest, PerKeyRulesOfTheGraphSection) {
    EXPECT_FALSE(Read(DefaultsWith("fWaveGraph:1", "fWaveGraph:true")));
    EXPECT_FALSE(Read(DefaultsWith("fAbsoGraph:1", "fAbsoGraph:01")));
    EXPECT_TRUE(Read(DefaultsWith("fSig_Volt:0", "fSig_Volt:1")));
    EXPECT_TRUE(graph.fSig_Volt);

    // index_FreqE 19 only on a linear axis (the order of the keys: SettingRules).
    EXPECT_FALSE(Read(DefaultsWith("index_FreqE:18", "index_FreqE:19")));
    EXPECT_TRUE(
        Read(DefaultsWith("fLogGraph:1", "fLogGraph:0")
                 .replace(DefaultSettingFileBytes().find("index_FreqE:18"), 14, "index_FreqE:19")));
    EXPECT_EQ(graph.index_FreqE, 19);
    EXPECT_FALSE(
        Read(DefaultsWith("index_FreqS:0", "index_FreqS:6")
                 .replace(DefaultSettingFileBytes().find("index_FreqE:18"), 14, "index_FreqE:06")));
    EXPECT_FALSE(Read(DefaultsWith("index_FreqE:18", "index_FreqE:5")));
    // The settings dialog's two highest start frequencies are accepted.
    EXPECT_TRUE(Read(DefaultsWith("index_FreqS:0", "index_FreqS:15")));
    EXPECT_EQ(graph.index_FreqS, 15);
    EXPECT_FALSE(Read(DefaultsWith("index_FreqS:0", "index_FreqS:16")));

    EXPECT_TRUE(Read(DefaultsWith("index_dB_max:2", "index_dB_max:-500")));
    EXPECT_EQ(graph.index_dB_max, -500);
    EXPECT_FALSE(Read(DefaultsWith("index_dB_min:10", "index_dB_min:x")));
    EXPECT_FALSE(Read(DefaultsWith("whichWindowFunc:1", "whichWindowFunc:4")));
    EXPECT_TRUE(Read(DefaultsWith("PenColorGraph:255", "PenColorGraph:-16777216")));
    EXPECT_FALSE(Read(DefaultsWith("PenColorGraph:255", "PenColorGraph:0xFF")));
    EXPECT_FALSE(Read(DefaultsWith("DataCountSel:8", "DataCountSel:9")));

    EXPECT_FALSE(Read(DefaultsWith("DataCountMax:262144", "DataCountMax:1023")));
    EXPECT_FALSE(Read(DefaultsWith("DataCountMax:262144", "DataCountMax:262145")));
    EXPECT_TRUE(Read(DefaultsWith("DataCountMax:262144", "DataCountMax:5000")));
    EXPECT_EQ(graph.DataCountMax, 5000);
}

TEST_F(SettingFileTest, HundredKeyLineLimit) {
    std::string filler;
    for (int i = 0; i < 110; ++i) {
        filler += "x" + std::to_string(i) + ":\r\n";
    }
    // A and F count as complete after 100 key lines (the 10 lines left over are then passed
    // by the search for the next section); G is rejected.
    EXPECT_TRUE(Read(DefaultsWith("AEND:\r\n", filler)));
    EXPECT_TRUE(Read(DefaultsWith("FEND:\r\n", filler)));
    EXPECT_FALSE(Read(DefaultsWith("GEND:\r\n", filler)));
    // Values after the 100th key line belong to the next search, not to the section.
    // (3 key lines of the defaults + 96 blank ones: "spsSel:3" is the 100th key line.)
    std::string blanks;
    for (int i = 0; i < 96; ++i) {
        blanks += "\r\n";
    }
    EXPECT_TRUE(Read(DefaultsWith("AEND:\r\n", blanks + "spsSel:3\r\nch_sel:1\r\n")));
    EXPECT_EQ(ad.spsSel, 3);
    EXPECT_EQ(ad.ch_sel, 0);
    // The G section ending exactly at its 100th line is fine.
    std::string gFill;
    for (int i = 0; i < 100 - 18 - 1; ++i) {
        gFill += "\r\n";
    }
    EXPECT_TRUE(Read(DefaultsWith("GEND:\r\n", gFill + "GEND:\r\n")));
    EXPECT_FALSE(Read(DefaultsWith("GEND:\r\n", gFill + "\r\nGEND:\r\n")));
}

TEST_F(SettingFileTest, LineEndsAndLongLines) {
    std::string lf = DefaultSettingFileBytes();
    std::erase(lf, '\r');
    EXPECT_TRUE(Read(lf));
    std::string extraCr;
    for (char c : DefaultSettingFileBytes()) {
        extraCr += c;
        if (c == ':') {
            extraCr += "\r\r";
        }
    }
    EXPECT_TRUE(Read(extraCr)) << error.reason;
    EXPECT_EQ(graph, GraphSetting{});

    // Without a final line break the last line still counts.
    std::string noFinal = DefaultSettingFileBytes();
    noFinal.resize(noFinal.size() - 2);
    EXPECT_TRUE(Read(noFinal));

    // 240 characters of value make a 254-character line: one piece.
    const std::string v240(240, 'a');
    EXPECT_TRUE(Read(DefaultsWith("StartDateTime:", "StartDateTime:" + v240)));
    EXPECT_EQ(measure.StartDateTime, v240);
    // One more character: split after 255 bytes, the rest is a line of its own.
    EXPECT_TRUE(Read(DefaultsWith("StartDateTime:", "StartDateTime:" + v240 + "bc")));
    EXPECT_EQ(measure.StartDateTime, v240 + "b");
    // The rest of a split line is read as a key line of its own.
    EXPECT_TRUE(Read(DefaultsWith("StartDateTime:", "StartDateTime:" + v240 + "bspsSel:2")));
    EXPECT_EQ(ad.spsSel, 16); // the A section was already done
    // "DataFileName:" alone is read whole, up to a path of PATH_MAX - 1 bytes.
    const std::string path(PATH_MAX - 1, 'p');
    EXPECT_TRUE(Read(DefaultsWith("DataFileName:", "DataFileName:" + path)));
    EXPECT_EQ(measure.DataFileName, path);
    EXPECT_TRUE(Read(DefaultsWith("DataFileName:", "DataFileName:" + path + "xfSaveDataFile:1")));
    EXPECT_EQ(measure.DataFileName, path + "x"); // split as other lines, one byte on
    EXPECT_TRUE(measure.fSaveDataFile) << "the rest beyond the limit is a line of its own";
    EXPECT_FALSE(Read(DefaultsWith("fSaveDataFile:0",
                                   "StartDateTime:" + std::string(241, 'x') + "fSaveDataFile:7")));
    // A comment line longer than a piece: its continuation is not a comment.
    // A comment longer than a piece: its continuation is read as a line.
    EXPECT_TRUE(
        Read(";" + std::string(254, 'c') + "Tavrinini\r\n" + DefaultSettingFileBytes().substr(11)));
    EXPECT_FALSE(
        Read(";" + std::string(253, 'c') + "Tavrinini\r\n" + DefaultSettingFileBytes().substr(11)));
}

TEST_F(SettingFileTest, RejectedFileLeavesRecordsUnchangedAndAbsentKeysKeepValues) {
    WriteBytes(path, DefaultsWith("DataCountMax:262144", "DataCountMax:1"));
    GraphSetting g;
    g.index_dB_max = 77;
    g.fWaveGraph = false;
    MeasureSetting m;
    m.DataFileName = "keep";
    ADUnitSetting a{5, true, 1};
    const GraphSetting g0 = g;
    const MeasureSetting m0 = m;
    const ADUnitSetting a0 = a;
    EXPECT_FALSE(zf.ReadSettingFile(path, "Tavrinini", g, m, a, &error));
    EXPECT_EQ(g, g0);
    EXPECT_EQ(m, m0);
    EXPECT_EQ(a, a0);
    EXPECT_EQ(error.line, 30);
    EXPECT_NE(error.reason.find("DataCountMax"), std::string::npos);

    WriteBytes(path, CrLf({"Tavrinini", "A:", "AEND:", "F:", "FEND:", "G:", "GEND:"}));
    EXPECT_TRUE(zf.ReadSettingFile(path, "Tavrinini", g, m, a));
    EXPECT_EQ(g, g0);
    EXPECT_EQ(m, m0);
    EXPECT_EQ(a, a0);
}

TEST(TextFileIn, DeliversPiecesAndLineNumbers) {
    const std::string text = "a\r\n;skip\r\n\r\nb\rc\n" + std::string(300, 'x') + "\r\nlast";
    TextFileIn in;
    in.OpenMemory(text.data(), text.size());
    std::string line;
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, "a");
    EXPECT_EQ(in.LineNumber(), 1);
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(in.LineNumber(), 3);
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, "bc");
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, std::string(255, 'x'));
    EXPECT_EQ(in.LineNumber(), 5);
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, std::string(45, 'x'));
    EXPECT_EQ(in.LineNumber(), 5);
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, "last");
    EXPECT_EQ(in.LineNumber(), 6);
    EXPECT_FALSE(in.ReadLine(line));
    EXPECT_FALSE(in.ReadLine(line));
}

TEST(TextFileIn, BinaryBytesAndNulsAreKept) {
    const std::string text("G\0:\xff\x01\r\n", 7);
    TextFileIn in;
    in.OpenMemory(text.data(), text.size());
    std::string line;
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, std::string("G\0:\xff\x01", 5));
}

// ---- Atomic replacement and write failures ----

// No writer makes a line its reader would split: the name line up to the longest path, every
// other line up to 254 bytes.
TEST_F(SettingFileTest, WritersRefuseLinesTheReaderWouldSplit) {
    MeasureSetting m;
    m.DataFileName = "/" + std::string(PATH_MAX - 2, 'n');
    ASSERT_TRUE(zf.WriteSettingFile(path, "Tavrinini", {}, m, {}));
    EXPECT_TRUE(zf.ReadSettingFile(path, "Tavrinini", graph, measure, ad));
    EXPECT_EQ(measure.DataFileName, m.DataFileName);
    m.DataFileName += "n";
    EXPECT_FALSE(zf.WriteSettingFile(path, "Tavrinini", {}, m, {}, &error));
    EXPECT_EQ(error.reason, ZF_File::kMeasureLineError);
    m.DataFileName.clear();
    m.StartDateTime.assign(254 - 14, 't');
    EXPECT_TRUE(zf.WriteSettingFile(path, "Tavrinini", {}, m, {}));
    m.StartDateTime += "t";
    EXPECT_FALSE(zf.WriteSettingFile(path, "Tavrinini", {}, m, {}));
    EXPECT_TRUE(zf.ReadSettingFile(path, "Tavrinini", graph, measure, ad));
    EXPECT_EQ(measure.StartDateTime.size(), 240u) << "the previous file stays";
}

TEST_F(SettingFileTest, WriteFailuresAreReportedAndKeepThePreviousFile) {
    EXPECT_FALSE(zf.WriteSettingFile(tmp.Path("no/such/dir/x.prf"), "Tavrinini", graph, measure, ad,
                                     &error));
    EXPECT_FALSE(error.reason.empty());
    EXPECT_FALSE(zf.WriteSettingFile("", "Tavrinini", graph, measure, ad));
    EXPECT_FALSE(zf.WriteSettingFile(path, "", graph, measure, ad));

    // A name that is a directory: refused, and the directory stays as it was.
    std::filesystem::create_directory(tmp.Path("adir"));
    WriteBytes(tmp.Path("adir/inside"), "x");
    EXPECT_FALSE(zf.WriteSettingFile(tmp.Path("adir"), "Tavrinini", graph, measure, ad));
    EXPECT_EQ(ReadBytes(tmp.Path("adir/inside")), "x");

    // Nothing but the target is left behind.
    EXPECT_TRUE(zf.WriteSettingFile(path, "Tavrinini", graph, measure, ad));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.Dir())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

TEST_F(SettingFileTest, DiskFullDuringWriteKeepsThePreviousFile) {
    WriteBytes(path, "previous contents\r\n");
    // A child process with a 100-byte file size limit: the write fails half way like on a
    // full disk.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{100, 100};
        setrlimit(RLIMIT_FSIZE, &lim);
        ZF_File child;
        const bool ok = child.WriteSettingFile(path, "Tavrinini", GraphSetting{}, MeasureSetting{},
                                               ADUnitSetting{});
        _exit(ok ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
    EXPECT_EQ(ReadBytes(path), "previous contents\r\n");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.Dir())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u) << "temporary file left behind";
}

TEST_F(SettingFileTest, ReplacingKeepsAccessRights) {
    WriteBytes(path, "old");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(zf.WriteSettingFile(path, "Tavrinini", graph, measure, ad));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadBytes(path), DefaultSettingFileBytes());
}

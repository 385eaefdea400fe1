#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "common/GeneralFormat.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"
#include "files/file_test_helpers.h"

namespace {

class FakeConfirmation : public IConfirmation {
public:
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answer;
    }
    bool answer = false;
    std::vector<std::string> questions;
};

// A block with its own arrays of full capacity.
struct OwnedBlock {
    explicit OwnedBlock(int32_t n = 0, float deltaF = 0.0f)
        : codes(MaxSamples, -1), volts(MaxSamples, -9.0f), spectrum(MaxSpectrum, 0.0f) {
        block.codes = codes.data();
        block.volts = volts.data();
        block.spectrum = spectrum.data();
        block.count = n;
        block.deltaF = deltaF;
        for (int32_t i = 0; i < n; ++i) {
            codes[i] = (8388608 + (i * 7919) % 400000 - 200000) & 0xFFFFFF;
            volts[i] = static_cast<float>((codes[i] - 8388608) * 2.9802325e-7);
        }
        for (int32_t k = 0; k < n / 2; ++k) {
            spectrum[k] = 1.0f / static_cast<float>(k + 1);
        }
    }
    std::vector<int32_t> codes;
    std::vector<float> volts;
    std::vector<float> spectrum;
    SampleBlock block;
};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) {
        s += l + "\r\n";
    }
    return s;
}

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDataFilePath(measure, tmp.Path("測定1.DTA"));
        measure.StartDateTime = "2024/05/06 7:08:09";
        ad = {7, true, 1};
        graph.whichWindowFunc = 2;
    }
    std::string Native() const { return measure.DataFilePath; }
    bool Write(const SampleBlock& block) {
        return zf.WriteDataFile("DataFile:Tavrin", ad, block, graph, measure, &error);
    }
    // Reads bytes as a data file into fresh records and `into`.
    bool Read(const std::string& bytes, OwnedBlock& into) {
        WriteBytes(Native(), bytes);
        g2 = {};
        m2 = {};
        a2 = {};
        error = {};
        return zf.ReadDataFile(Native(), "DataFile:Tavrin", into.block, g2, m2, a2, &error);
    }
    // The lines of a valid 1024-sample file; a fatal failure (call sites ASSERT_NO_FATAL_FAILURE)
    // when it cannot be written, so that no caller indexes a short list.
    void ValidLines(std::vector<std::string>& lines) {
        OwnedBlock b(1024, 0.5f);
        ASSERT_TRUE(Write(b.block));
        lines = Lines(ReadBytes(Native()));
        ASSERT_EQ(lines.size(), 1059u);
    }

    TempDir tmp;
    FakeConfirmation confirm;
    ZF_File zf{&confirm};
    GraphSetting graph;
    MeasureSetting measure;
    ADUnitSetting ad;
    GraphSetting g2;
    MeasureSetting m2;
    ADUnitSetting a2;
    FileError error;
};

} // namespace

TEST_F(DataFileTest, LayoutOfA1024SampleFile) {
    OwnedBlock b(1024, 0.1f);
    b.codes[0] = 8388608;
    b.volts[0] = 0.0f;
    b.codes[1] = 16777214;
    b.volts[1] = 0.1f;
    b.volts[2] = -1.5e-6f;
    ASSERT_TRUE(Write(b.block));
    const std::string bytes = ReadBytes(Native());
    const auto lines = Lines(bytes);
    ASSERT_EQ(lines.size(), 1059u);
    EXPECT_EQ(bytes.substr(bytes.size() - 6), "END:\r\n");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1059);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 1059);
    EXPECT_EQ(lines[0], "DataFile:Tavrin");
    EXPECT_EQ(lines[1], "A:");
    EXPECT_EQ(lines[3], "sinc3:1");
    EXPECT_EQ(lines[8], "DataFileName:" + measure.DataFileName);
    EXPECT_EQ(lines[23], "whichWindowFunc:2");
    EXPECT_EQ(lines[30], "GEND:");
    EXPECT_EQ(lines[31], "D:");
    EXPECT_EQ(lines[32], "ad_dnum:1024");
    EXPECT_EQ(lines[33], "deltaF:0.100000001490116");
    EXPECT_EQ(lines[34], "8388608,0");
    EXPECT_EQ(lines[35], "16777214,0.100000001490116");
    EXPECT_EQ(lines[36], std::to_string(b.codes[2]) + ",-1.50000005305628E-6");
    EXPECT_EQ(lines[1057], std::to_string(b.codes[1023]) + "," + FormatGeneral(b.volts[1023]));
    EXPECT_EQ(lines[1058], "END:");
}

TEST_F(DataFileTest, RoundTripGivesIdenticalBlockAndRecords) {
    confirm.answer = true;
    for (int32_t n : {1024, 262144}) {
        OwnedBlock b(n, 0.476837158203125f);
        b.volts[5] = 1e-30f; // far below 0.0001: scientific notation
        b.volts[6] = -2.5f;
        b.volts[7] = 3.4e38f;
        ASSERT_TRUE(Write(b.block)) << error.reason;
        OwnedBlock r;
        ASSERT_TRUE(zf.ReadDataFile(Native(), "DataFile:Tavrin", r.block, g2, m2, a2, &error))
            << error.line << " " << error.reason;
        EXPECT_EQ(r.block.count, n);
        EXPECT_EQ(r.block.deltaF, b.block.deltaF);
        EXPECT_TRUE(std::equal(b.codes.begin(), b.codes.begin() + n, r.codes.begin()));
        EXPECT_TRUE(std::equal(b.volts.begin(), b.volts.begin() + n, r.volts.begin()));
        EXPECT_EQ(r.codes[n], -1) << "wrote past the count";
        EXPECT_EQ(g2, graph);
        EXPECT_EQ(m2, measure);
        EXPECT_EQ(a2, ad);
    }
}

TEST_F(DataFileTest, EndOfDataRules) {
    std::vector<std::string> lines;
    ASSERT_NO_FATAL_FAILURE(ValidLines(lines));
    OwnedBlock r;
    // Missing last sample: rejected.
    auto cut = lines;
    cut.erase(cut.end() - 2);
    EXPECT_FALSE(Read(Join(cut), r));
    EXPECT_EQ(error.line, 1058);
    cut.pop_back();
    EXPECT_FALSE(Read(Join(cut), r));
    EXPECT_NE(error.reason.find("1023 of 1024"), std::string::npos) << error.reason;
    // Missing or misspelled "END:" and anything after the samples: accepted.
    cut = lines;
    cut.pop_back();
    EXPECT_TRUE(Read(Join(cut), r));
    cut.push_back("ENDE:");
    cut.push_back("garbage \x01\x02");
    EXPECT_TRUE(Read(Join(cut), r));
    // A truncated last line without its line break still counts.
    std::string noBreak = Join(lines);
    noBreak.resize(noBreak.size() - 8);
    EXPECT_TRUE(Read(noBreak, r));
}

TEST_F(DataFileTest, CountAndStepRules) {
    std::vector<std::string> lines;
    ASSERT_NO_FATAL_FAILURE(ValidLines(lines));
    OwnedBlock r;
    auto with = [&](std::size_t index, const std::string& text) {
        auto l = lines;
        l[index] = text;
        return Join(l);
    };
    EXPECT_FALSE(Read(with(32, "ad_dnum:1023"), r));
    EXPECT_EQ(error.line, 33);
    EXPECT_FALSE(Read(with(32, "ad_dnum:262145"), r));
    EXPECT_FALSE(Read(with(32, "ad_dnum:x"), r));
    EXPECT_FALSE(Read(with(33, "deltaF:0"), r));
    EXPECT_FALSE(Read(with(33, "deltaF:-0.5"), r));
    EXPECT_FALSE(Read(with(33, "deltaF:1e-60"), r)); // zero in single precision
    EXPECT_FALSE(Read(with(33, "deltaF:abc"), r));
    EXPECT_TRUE(Read(with(33, "deltaF:2.5E-1"), r));
    EXPECT_EQ(r.block.deltaF, 0.25f);

    // Other keys are passed over: the step and the count come from the block passed in.
    OwnedBlock given(0, 3.0f);
    given.block.count = 1024;
    EXPECT_TRUE(Read(with(33, "step:9"), given));
    EXPECT_EQ(given.block.deltaF, 3.0f);
    EXPECT_TRUE(Read(with(32, "count:9"), given));
    EXPECT_EQ(given.block.count, 1024);
    // ... but an empty block gives no count to read.
    OwnedBlock empty;
    EXPECT_FALSE(Read(with(32, "count:9"), empty));
    EXPECT_EQ(empty.block.count, 0);
    // A count smaller than the sample lines present reads just that many.
    auto l = lines;
    l[32] = "ad_dnum:1024";
    l.insert(l.end() - 1, "8388608,0");
    EXPECT_TRUE(Read(Join(l), r));
}

TEST_F(DataFileTest, SectionOrderAndSampleLineRules) {
    std::vector<std::string> lines;
    ASSERT_NO_FATAL_FAILURE(ValidLines(lines));
    OwnedBlock r;
    auto insertBeforeD = [&](const std::string& text) {
        auto l = lines;
        l.insert(l.begin() + 31, text);
        return Join(l);
    };
    EXPECT_FALSE(Read(insertBeforeD(""), r));
    EXPECT_TRUE(Read(insertBeforeD(";a comment"), r));
    EXPECT_FALSE(Read(insertBeforeD("x"), r));
    auto with = [&](std::size_t index, const std::string& text) {
        auto l = lines;
        l[index] = text;
        return Join(l);
    };
    EXPECT_FALSE(Read(with(100, "8388608 0.5"), r));
    EXPECT_EQ(error.line, 101);
    EXPECT_FALSE(Read(with(100, "8388608.5,0.5"), r));
    EXPECT_FALSE(Read(with(100, "abc,0.5"), r));
    EXPECT_FALSE(Read(with(100, "8388608,"), r));
    EXPECT_FALSE(Read(with(100, "8388608,0.5,1"), r));
    EXPECT_FALSE(Read(with(100, "8388608,1e39"), r)); // beyond single precision
    // Any code that fits 32 bits is read as it stands.
    EXPECT_TRUE(Read(with(100, "-2147483648,0"), r));
    EXPECT_EQ(*std::min_element(r.codes.begin(), r.codes.begin() + 1024), INT32_MIN);
    EXPECT_TRUE(Read(with(100, "16777216,0"), r));
    EXPECT_FALSE(Read(with(100, "2147483648,0"), r));
    EXPECT_TRUE(Read(with(100, "16777215,2.5"), r));
    EXPECT_TRUE(Read(with(100, "0,-2.5"), r));
    EXPECT_FALSE(Read(with(31, "D: "), r));
    // A G section breaking a rule rejects the data file too.
    EXPECT_FALSE(Read(with(29, "DataCountMax:1"), r));
}

TEST_F(DataFileTest, HeadersKeepTheFileKindsApart) {
    OwnedBlock r;
    GraphSetting g;
    MeasureSetting m;
    ADUnitSetting a;
    const std::string prf = tmp.Path("x.prf");
    ASSERT_TRUE(zf.WriteSettingFile(prf, "Tavrinini", g, m, a));
    EXPECT_FALSE(zf.ReadDataFile(prf, "DataFile:Tavrin", r.block, g, m, a));
    OwnedBlock b(1024, 1.0f);
    ASSERT_TRUE(Write(b.block));
    EXPECT_FALSE(zf.ReadSettingFile(Native(), "Tavrinini", g, m, a));
    SetDataFilePath(measure, tmp.Path("x.FFT"));
    ASSERT_TRUE(zf.WriteFFTFile("DataFile:Tavrin_FFT", ad, b.block, graph, measure));
    EXPECT_FALSE(zf.ReadDataFile(tmp.Path("x.FFT"), "DataFile:Tavrin", r.block, g, m, a));
}

TEST_F(DataFileTest, RejectedFileLeavesBlockAndRecordsUntouched) {
    std::vector<std::string> lines;
    ASSERT_NO_FATAL_FAILURE(ValidLines(lines));
    lines[500] = "bad";
    WriteBytes(Native(), Join(lines));
    OwnedBlock live(2048, 7.0f);
    const auto codes0 = live.codes;
    const auto volts0 = live.volts;
    GraphSetting g;
    g.fLogGraph = false;
    MeasureSetting m;
    m.DataFileName = "live";
    ADUnitSetting a{1, false, 0};
    const GraphSetting g0 = g;
    const MeasureSetting m0 = m;
    const ADUnitSetting a0 = a;
    EXPECT_FALSE(zf.ReadDataFile(Native(), "DataFile:Tavrin", live.block, g, m, a));
    EXPECT_EQ(live.codes, codes0);
    EXPECT_EQ(live.volts, volts0);
    EXPECT_EQ(live.block.count, 2048);
    EXPECT_EQ(live.block.deltaF, 7.0f);
    EXPECT_EQ(g, g0);
    EXPECT_EQ(m, m0);
    EXPECT_EQ(a, a0);
}

TEST_F(DataFileTest, OverwriteQuestion) {
    OwnedBlock b(1024, 1.0f);
    WriteBytes(Native(), "previous");
    confirm.answer = false;
    EXPECT_TRUE(Write(b.block)) << "a declined overwrite is not a failure";
    EXPECT_TRUE(error.declined) << "but the caller must learn that nothing was stored";
    EXPECT_EQ(ReadBytes(Native()), "previous");
    ASSERT_EQ(confirm.questions.size(), 1u);
    EXPECT_EQ(confirm.questions[0],
              "ファイル：" + tmp.Path("測定1.DTA") + "があります。\n上書きしますか");
    confirm.answer = true;
    EXPECT_TRUE(Write(b.block));
    EXPECT_FALSE(error.declined);
    EXPECT_EQ(Lines(ReadBytes(Native())).size(), 1059u);
    // A new file needs no question.
    SetDataFilePath(measure, tmp.Path("new.DTA"));
    EXPECT_TRUE(Write(b.block));
    EXPECT_EQ(confirm.questions.size(), 2u);
}

TEST_F(DataFileTest, WriteFailures) {
    OwnedBlock b(1024, 1.0f);
    SetDataFilePath(measure, "");
    EXPECT_FALSE(Write(b.block));
    SetDataFilePath(measure, tmp.Path("none/x.DTA"));
    EXPECT_FALSE(Write(b.block));
    SetDataFilePath(measure, tmp.Path("ok.DTA"));
    OwnedBlock empty;
    EXPECT_FALSE(Write(empty.block));
    OwnedBlock noArrays(1024, 1.0f);
    noArrays.block.codes = nullptr;
    EXPECT_FALSE(Write(noArrays.block));
    EXPECT_FALSE(std::filesystem::exists(tmp.Path("ok.DTA")));
}

// Files land exactly at the native path, whatever Shift-JIS can hold; the "DataFileName:" line
// carries the Shift-JIS text ("?" where a character has no form).
TEST_F(DataFileTest, NamesAreUsedAsGivenAndUnsafeOnesRefused) {
    OwnedBlock b(1024, 1.0f);
    std::filesystem::create_directory(tmp.Path("dir−1"));
    const std::string dirText = Utf8ToSjis(tmp.Dir().string());
    const struct {
        const char* name;
        std::string line;
    } cases[] = {{"résumé.FFT", "r?sum?.FFT"},
                 {"測定〜1.FFT", "\x91\xaa\x92\xe8\x81\x60"
                                 "1.FFT"},
                 {"dir−1/a.FFT", "dir\x81\x7c"
                                 "1/a.FFT"}};
    for (const auto& c : cases) {
        SetDataFilePath(measure, tmp.Path(c.name));
        ASSERT_TRUE(zf.WriteFFTFile(ZF_File::kFFTHeader, ad, b.block, graph, measure)) << c.name;
        EXPECT_EQ(Lines(ReadBytes(tmp.Path(c.name)))[8], "DataFileName:" + dirText + "/" + c.line);
    }
    // The overwrite question asks about the very file that would be replaced.
    confirm.answer = false;
    SetDataFilePath(measure, tmp.Path("résumé.FFT"));
    EXPECT_TRUE(zf.WriteFFTFile(ZF_File::kFFTHeader, ad, b.block, graph, measure));
    ASSERT_EQ(confirm.questions.size(), 1u);
    EXPECT_NE(confirm.questions[0].find(tmp.Path("résumé.FFT")), std::string::npos);

    // Names that are not absolute paths of this system, or would split the F section: refused
    // and nothing written, neither here nor in the current folder.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(tmp.Dir());
    for (const std::string& name : {std::string("C:\\data\\a1.DTA"), std::string("a1.DTA"),
                                    tmp.Path("a\nb.DTA"), tmp.Path("a\rb.DTA")}) {
        SetDataFilePath(measure, name);
        EXPECT_FALSE(Write(b.block)) << name;
        EXPECT_FALSE(zf.WriteFFTFile(ZF_File::kFFTHeader, ad, b.block, graph, measure)) << name;
    }
    measure.DataFileName = "x\r\nfSaveDataFile:1";
    EXPECT_FALSE(
        zf.WriteSettingFile(tmp.Path("s.prf"), ZF_File::kSettingHeader, graph, measure, ad));
    std::filesystem::current_path(cwd);
    EXPECT_EQ(Entries(tmp.Dir()), 3u);
}

TEST_F(DataFileTest, SpectrumExportRows) {
    OwnedBlock b(1024, 0.5f);
    b.spectrum[1] = 0.25f;
    b.spectrum[2] = 1.5e-6f;
    b.spectrum[511] = 0.125f;
    b.spectrum[512] = 99.0f; // half the sample rate: never exported
    SetDataFilePath(measure, tmp.Path("スペクトル.FFT"));
    ASSERT_TRUE(zf.WriteFFTFile("DataFile:Tavrin_FFT", ad, b.block, graph, measure, &error))
        << error.reason;
    const auto lines = Lines(ReadBytes(tmp.Path("スペクトル.FFT")));
    ASSERT_EQ(lines.size(), 35u + 511u);
    EXPECT_EQ(lines[0], "DataFile:Tavrin_FFT");
    EXPECT_EQ(lines[8], "DataFileName:" + measure.DataFileName);
    EXPECT_EQ(lines[31], "FFT:");
    EXPECT_EQ(lines[32], "fftnum:511");
    EXPECT_EQ(lines[33], "deltaF:0.5");
    EXPECT_EQ(lines[34], "0.500Hz, 0.25");
    EXPECT_EQ(lines[35], "1.000Hz, " + FormatGeneral(1.5e-6f));
    EXPECT_EQ(lines[34 + 510], "255.500Hz, 0.125");
    EXPECT_EQ(lines.back(), "END:");

    // Frequencies come from k times the step, not from a running sum.
    confirm.answer = true;
    OwnedBlock c(262144, 0.1f);
    ASSERT_TRUE(zf.WriteFFTFile("DataFile:Tavrin_FFT", ad, c.block, graph, measure));
    const auto big = Lines(ReadBytes(tmp.Path("スペクトル.FFT")));
    ASSERT_EQ(big.size(), 35u + 131071u);
    EXPECT_EQ(big[34 + 131070].substr(0, big[34 + 131070].find('H')), "13107.100");
    float sum = 0.0f;
    for (int k = 1; k <= 131071; ++k) {
        sum += 0.1f;
    }
    char buf[kGeneralFormatMax];
    EXPECT_NE(std::string(buf, FormatFixed3(sum, buf)), "13107.100");
}

TEST_F(DataFileTest, ExportOverwriteDeclinedLeavesFileUnchanged) {
    OwnedBlock b(1024, 0.5f);
    SetDataFilePath(measure, tmp.Path("a.FFT"));
    WriteBytes(tmp.Path("a.FFT"), "keep");
    confirm.answer = false;
    EXPECT_TRUE(zf.WriteFFTFile("DataFile:Tavrin_FFT", ad, b.block, graph, measure));
    EXPECT_EQ(ReadBytes(tmp.Path("a.FFT")), "keep");
    EXPECT_EQ(confirm.questions.size(), 1u);
}

// spectrum --average and analyze --average end to end: data files written with the program's
// writer, the combined results against the files' own single results combined here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <vector>

#include "analysis/ConverterFigures.h"
#include "analysis/SampleConversion.h"
#include "cli/Cli.h"
#include "cli_test_helpers.h"
#include "common/RateTables.h"
#include "files/ZF_File.h"
#include "spectrum_rows.h"

namespace {

using namespace cli_test;

struct BlockShape {
    int32_t count = 2048;
    int32_t spsSel = 16;
    bool sinc3 = false;
    double amplitude = 0.5;  // V peak of the tone
    int32_t noiseCodes = 20; // uniform noise of -noiseCodes .. noiseCodes - 1 codes
    uint32_t seed = 1;
    GraphSetting graph; // the display settings stored in the file
    std::string start = "2024/01/01 0:00:00";
};

class AverageTest : public CliFolderTest {
protected:
    // A tone at bin 101.3 with its 2nd and 3rd harmonics at -90 and -100 dBc, on noise.
    std::string Write(const std::string& name, const BlockShape& s) {
        std::vector<int32_t> codes(MaxSamples, 0);
        std::vector<float> volts(MaxSamples, 0.0f);
        uint32_t r = s.seed * 2654435761u + 12345u;
        for (int32_t i = 0; i < s.count; ++i) {
            r = r * 1664525u + 1013904223u;
            const double t = 2 * M_PI * 101.3 * i / s.count;
            const double v = s.amplitude * (std::sin(t) + 3.1623e-5 * std::sin(2 * t + 0.4) +
                                            1e-5 * std::sin(3 * t + 1.0));
            const int32_t noise =
                static_cast<int32_t>(static_cast<int64_t>(r >> 8) * 2 * s.noiseCodes >> 24) -
                s.noiseCodes;
            codes[i] =
                8388608 + static_cast<int32_t>(std::lround(v / double(kVoltsPerCode))) + noise;
        }
        SampleBlock b;
        b.codes = codes.data();
        b.volts = volts.data();
        b.count = s.count;
        b.deltaF = 1.0f;
        MeasureSetting m;
        SetDataFilePath(m, Path(name));
        m.StartDateTime = s.start;
        EXPECT_TRUE(ZF_File().WriteDataFile(ZF_File::kDataHeader,
                                            ADUnitSetting{s.spsSel, s.sinc3, 0}, b, s.graph, m));
        return Path(name);
    }

    std::vector<std::string> Files(const std::vector<BlockShape>& shapes) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            names.push_back(Write(std::string(1, static_cast<char>('a' + i)) + ".DTA", shapes[i]));
        }
        return names;
    }

    // The files' own spectrum exports, each as the single-file command writes it.
    std::vector<std::vector<std::string>> SingleExports(const std::vector<std::string>& files) {
        std::vector<std::vector<std::string>> exports;
        for (const std::string& f : files) {
            const std::string fft = f + ".single.FFT";
            EXPECT_EQ(Run({"spectrum", f, "-o", fft}), kExitOk) << err.str();
            exports.push_back(ExportLines(ReadAll(fft)));
        }
        return exports;
    }

    static std::string JsonValue(const std::string& json, const std::string& key) {
        const std::regex re("\"" + key + "\": (null|[-+0-9.eE]+)");
        std::smatch m;
        return std::regex_search(json, m, re) ? m[1].str() : "missing";
    }
    static double JsonNumber(const std::string& json, const std::string& key) {
        return std::strtod(JsonValue(json, key).c_str(), nullptr);
    }
};

// Rows of `combined` that are not `combine` of the single exports' rows (within a float's
// rounding), as "row: got vs expected" texts; at most a few.
template <typename Combine>
std::vector<std::string> WrongRows(const std::vector<double>& combined,
                                   const std::vector<std::vector<double>>& singles,
                                   Combine combine) {
    std::vector<std::string> wrong;
    for (std::size_t k = 0; k < combined.size() && wrong.size() < 5; ++k) {
        std::vector<double> column;
        for (const auto& s : singles) {
            column.push_back(s.at(k));
        }
        const double expected = combine(column);
        if (!(std::fabs(combined[k] - expected) <= expected * 2e-7)) {
            char text[80];
            std::snprintf(text, sizeof text, "%zu: %.9g vs %.9g", k + 1, combined[k], expected);
            wrong.push_back(text);
        }
    }
    return wrong;
}

TEST_F(AverageTest, SpectrumAverageIsThePowerMeanOfTheFilesOwnSpectra) {
    // Noise levels far apart: a mean of amplitudes would be far from the mean of powers.
    std::vector<BlockShape> shapes(4);
    const int32_t noise[] = {2, 30, 200, 9};
    for (int i = 0; i < 4; ++i) {
        shapes[i].noiseCodes = noise[i];
        shapes[i].seed = 7 + i;
        shapes[i].start = "2024/01/0" + std::to_string(i + 1) + " 12:00:00";
    }
    // What the average need not share, the export takes from the last file.
    shapes[3].graph.fLogGraph = false;
    const std::vector<std::string> files = Files(shapes);
    const auto singles = SingleExports(files);
    std::vector<std::vector<double>> singleValues;
    for (const auto& lines : singles) {
        singleValues.push_back(ExportValues(lines));
        ASSERT_EQ(singleValues.back().size(), 1023u);
    }

    const std::string avg = Path("avg.FFT");
    std::vector<std::string> args = {"spectrum", "--average"};
    args.insert(args.end(), files.begin(), files.end());
    args.insert(args.end(), {"-o", avg});
    ASSERT_EQ(Run(args), kExitOk) << err.str();
    std::vector<std::string> lines = ExportLines(ReadAll(avg));
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[0], "DataFile:Tavrin_FFT");
    EXPECT_EQ(lines[1], "; power average of 4 blocks");
    const auto powerWrong =
        WrongRows(ExportValues(lines), singleValues, [](const std::vector<double>& v) {
            double squares = 0;
            for (double x : v) {
                squares += x * x;
            }
            return std::sqrt(squares / v.size());
        });
    EXPECT_TRUE(powerWrong.empty()) << "row " << powerWrong.front();

    // Without the comment the export is the last file's: its settings, its frequencies; only
    // the export's own name and the values differ.
    lines.erase(lines.begin() + 1);
    const std::vector<std::string>& last = singles.back();
    ASSERT_EQ(lines.size(), last.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("DataFileName:", 0) == 0) {
            continue;
        }
        const std::size_t cut = i >= FirstRow(last) ? last[i].find(", ") : std::string::npos;
        EXPECT_EQ(lines[i].substr(0, cut), last[i].substr(0, cut)) << "line " << i + 1;
    }

    const std::string peak = Path("peak.FFT");
    args.back() = peak;
    args.push_back("--peak-hold");
    ASSERT_EQ(Run(args), kExitOk) << err.str();
    const auto peakLines = ExportLines(ReadAll(peak));
    EXPECT_EQ(peakLines.at(1), "; peak hold of 4 blocks");
    const auto peakWrong =
        WrongRows(ExportValues(peakLines), singleValues, [](const std::vector<double>& v) {
            return *std::max_element(v.begin(), v.end());
        });
    EXPECT_TRUE(peakWrong.empty()) << "row " << peakWrong.front();

    // One file is its own spectrum, byte for byte, without a comment.
    ASSERT_EQ(Run({"spectrum", "--average", files[0], "-o", Path("one.FFT")}), kExitOk);
    ASSERT_EQ(Run({"spectrum", files[0], "-o", Path("plain.FFT")}), kExitOk);
    auto one = ExportLines(ReadAll(Path("one.FFT")));
    auto plain = ExportLines(ReadAll(Path("plain.FFT")));
    EXPECT_EQ(one.at(1), "A:");
    one.at(8) = plain.at(8) = ""; // the export's own name
    EXPECT_EQ(one, plain);
}

TEST_F(AverageTest, SpectrumAverageRefusesTheFirstFileThatDiffersAndWritesNothing) {
    struct Case {
        const char* what;
        BlockShape shape;
        std::string message;
    };
    std::vector<Case> cases(6);
    cases[0] = {"count", {}, "(4096 samples, not 2048)"};
    cases[0].shape.count = 4096;
    cases[1] = {"rate", {}, ""};
    cases[1].shape.spsSel = 15;
    cases[1].message =
        std::string("(rate ") + RateText(15, false) + ", not " + RateText(16, false) + ")";
    cases[2] = {"filter", {}, "(filter Sinc3, not Sinc5+Sinc1)"};
    cases[2].shape.sinc3 = true;
    cases[3] = {"window", {}, "(window hamming, not hanning)"};
    cases[3].shape.graph.whichWindowFunc = WinHamming;
    cases[4] = {"dc cut", {}, "(DC cut off, not on)"};
    cases[4].shape.graph.fDCCut_FFT = false;
    cases[5] = {"correction", {}, "(window correction on, not off)"};
    cases[5].shape.graph.fWinFuncAdjust = true;

    const std::string out1 = Path("x.FFT");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // c.DTA is the first to differ; d.DTA differs in everything but is not the first.
        BlockShape odd;
        odd.count = 1024;
        odd.spsSel = 3;
        odd.graph.whichWindowFunc = WinFlatTop;
        const auto files = Files({{}, {}, c.shape, odd});
        EXPECT_EQ(
            Run({"spectrum", "--average", files[0], files[1], files[2], files[3], "-o", out1}),
            kExitFailed);
        EXPECT_EQ(err.str(), "tavrin-cli spectrum: " + files[2] + " differs from " + files[0] +
                                 " " + c.message + "; nothing written\n");
        EXPECT_FALSE(fs::exists(out1));
    }
    // What the options set is the same for every file: the window given here makes them agree.
    const auto files = Files({{}, {}, cases[3].shape});
    EXPECT_EQ(Run({"spectrum", "--average", files[0], files[1], files[2], "-o", out1}),
              kExitFailed);
    EXPECT_EQ(Run({"spectrum", "--average", "--window", "hamming", files[0], files[1], files[2],
                   "-o", out1}),
              kExitOk)
        << err.str();
    EXPECT_EQ(ExportLines(ReadAll(out1)).at(1), "; power average of 3 blocks");

    // Nothing replaced without --force, an input never.
    std::ofstream(out1, std::ios::trunc) << "keep";
    EXPECT_EQ(Run({"spectrum", "--average", files[0], files[1], "-o", out1}), kExitFailed);
    EXPECT_NE(err.str().find("exists (use --force"), std::string::npos) << err.str();
    EXPECT_EQ(ReadAll(out1), "keep");
    EXPECT_EQ(Run({"spectrum", "--average", files[0], files[1], "-o", out1, "--force"}), kExitOk);
    const std::string before = ReadAll(files[1]);
    EXPECT_EQ(Run({"spectrum", "--average", files[0], files[1], "-o", files[1], "--force"}),
              kExitFailed);
    EXPECT_EQ(ReadAll(files[1]), before);
    // --peak-hold only combines; several files only with --average.
    EXPECT_EQ(Run({"spectrum", files[0], "--peak-hold", "-o", Path("p.FFT")}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", files[0], files[1], "-o", Path("p.FFT")}), kExitUsage);
    EXPECT_EQ(Run({"spectrum", "--help"}), kExitOk);
    EXPECT_NE(out.str().find("--peak-hold"), std::string::npos);
}

// The figures of the mean power spectrum follow from the files' own: every tone, harmonic and
// noise power is a sum of bin powers, so its mean over the files is the averaged one.
TEST_F(AverageTest, AnalyzeAverageStatesTheFiguresOfTheMeanPowerSpectrum) {
    std::vector<BlockShape> shapes(3);
    const double amplitude[] = {2.0, 1.0, 0.5};
    const int32_t noise[] = {3, 40, 150};
    for (int i = 0; i < 3; ++i) {
        shapes[i].count = 4096;
        shapes[i].amplitude = amplitude[i];
        shapes[i].noiseCodes = noise[i];
        shapes[i].seed = 30 + i;
    }
    // Their display settings differ: the analysis has a window of its own.
    shapes[1].graph.whichWindowFunc = WinFlatTop;
    const std::vector<std::string> files = Files(shapes);
    std::vector<std::string> singles;
    double pf = 0, pn = 0, ph = 0;
    for (const std::string& f : files) {
        ASSERT_EQ(Run({"analyze", "--json", f}), kExitOk) << err.str();
        singles.push_back(out.str());
        const double vrms = JsonNumber(out.str(), "fundamental_vrms");
        const double noiseV = JsonNumber(out.str(), "noise_uvrms") * 1e-6;
        pf += vrms * vrms / 3;
        pn += noiseV * noiseV / 3;
        ph += vrms * vrms * std::pow(10.0, JsonNumber(out.str(), "thd_db") / 10) / 3;
    }

    ASSERT_EQ(Run({"analyze", "--average", "--json", files[0], files[1], files[2]}), kExitOk)
        << err.str();
    const std::string json = out.str();
    EXPECT_EQ(
        json.rfind("{\"file\": \"" + files[2] + "\", \"count\": 4096, \"averaged_blocks\": 3, ", 0),
        0u)
        << json;
    EXPECT_EQ(json.back(), '\n');
    EXPECT_NEAR(JsonNumber(json, "fundamental_vrms"), std::sqrt(pf), std::sqrt(pf) * 1e-9);
    EXPECT_NEAR(JsonNumber(json, "noise_uvrms"), std::sqrt(pn) * 1e6, std::sqrt(pn) * 1e-3);
    EXPECT_NEAR(JsonNumber(json, "snr_db"), 10 * std::log10(pf / pn), 1e-8);
    EXPECT_NEAR(JsonNumber(json, "thd_db"), 10 * std::log10(ph / pf), 1e-8);
    EXPECT_NEAR(JsonNumber(json, "sinad_db"), 10 * std::log10(pf / (pn + ph)), 1e-8);
    // The code figures are the last file's.
    for (const char* key : {"rms_noise_codes", "pp_codes", "effective_resolution_bits"}) {
        EXPECT_EQ(JsonValue(json, key), JsonValue(singles[2], key)) << key;
    }

    ASSERT_EQ(Run({"analyze", "--average", files[0], files[1], files[2]}), kExitOk);
    EXPECT_EQ(out.str().rfind(files[2] + ": 4096 samples\n  averaged blocks        3 (mean power "
                                         "spectrum; codes of the last block)\n  fundamental ",
                              0),
              0u)
        << out.str();

    // One file: every byte as without --average.
    for (const bool json1 : {false, true}) {
        std::vector<std::string> plain = {"analyze", files[1]};
        if (json1) {
            plain.push_back("--json");
        }
        ASSERT_EQ(Run(plain), kExitOk);
        const std::string alone = out.str();
        plain.push_back("--average");
        ASSERT_EQ(Run(plain), kExitOk);
        EXPECT_EQ(out.str(), alone);
        EXPECT_EQ(alone.find("averaged"), std::string::npos);
    }
}

TEST_F(AverageTest, AnalyzeAverageRefusesFilesOfAnotherCountRateOrFilter) {
    BlockShape count, rate, filter;
    count.count = 4096;
    rate.spsSel = 12;
    filter.sinc3 = true;
    for (const BlockShape& odd : {count, rate, filter}) {
        const auto files = Files({{}, {}, odd, count});
        EXPECT_EQ(Run({"analyze", "--average", "--json", files[0], files[1], files[2], files[3]}),
                  kExitFailed);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str().rfind(
                      "tavrin-cli analyze: " + files[2] + " differs from " + files[0] + " (", 0),
                  0u)
            << err.str();
    }
    // A file that cannot be read stops the average too.
    const auto files = Files({{}, {}});
    EXPECT_EQ(Run({"analyze", "--average", files[0], Path("none.DTA"), files[1]}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("none.DTA rejected"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"analyze", "--help"}), kExitOk);
    EXPECT_NE(out.str().find("--average"), std::string::npos);
}

} // namespace

// tavrin-cli analyze end to end: data files written with the program's writer, their figures
// against the analyser run on the same codes, in both output forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <vector>

#include "analysis/ConverterFigures.h"
#include "analysis/SampleConversion.h"
#include "cli/Cli.h"
#include "cli_test_helpers.h"
#include "common/RateTables.h"
#include "files/ZF_File.h"

namespace {

using namespace cli_test;

class AnalyzeTest : public CliFolderTest {
protected:
    // A block of n samples at rate 16 (Sinc5): a tone of `amplitude` V at `bin` with its 2nd
    // and 3rd harmonics at -90 and -100 dBc, on a few codes of noise. The file's volts column
    // and step deliberately disagree with the codes: analyze must recompute them.
    std::string Write(const std::string& name, int32_t n, double bin, double amplitude) {
        codes.assign(MaxSamples, 0);
        std::vector<float> volts(MaxSamples, 1.25f);
        uint32_t r = 99;
        for (int32_t i = 0; i < n; ++i) {
            r = r * 1664525u + 1013904223u;
            const double t = 2 * M_PI * bin * i / n;
            const double v = amplitude * (std::sin(t) + 3.1623e-5 * std::sin(2 * t + 0.4) +
                                          1e-5 * std::sin(3 * t + 1.0));
            codes[i] = 8388608 + static_cast<int32_t>(std::lround(v / double(kVoltsPerCode))) +
                       static_cast<int32_t>(r >> 29) - 3;
        }
        EXPECT_TRUE(WriteCodesFile(Path(name), codes, volts, n, 12345.0f));
        // The figures the command must report, from the codes as written.
        std::vector<float> v(MaxSamples);
        SampleBlock b;
        b.codes = codes.data();
        b.volts = v.data();
        b.count = n;
        EXPECT_TRUE(ConvertBlock(b, SamplePeriod(16, false)));
        ConverterAnalyzer analyzer;
        EXPECT_TRUE(analyzer.Analyze(b, 6, expected));
        return Path(name);
    }

    static std::string Value(const std::string& json, const std::string& key, int nth = 0) {
        const std::regex re("\"" + key + "\": (null|[-+0-9.eE]+)");
        auto it = std::sregex_iterator(json.begin(), json.end(), re);
        for (int i = 0; i < nth && it != std::sregex_iterator(); ++i) {
            ++it;
        }
        return it == std::sregex_iterator() ? "missing" : (*it)[1].str();
    }
    static double Number(const std::string& json, const std::string& key, int nth = 0) {
        const std::string v = Value(json, key, nth);
        return v == "null" || v == "missing" ? NAN : std::strtod(v.c_str(), nullptr);
    }

    std::vector<int32_t> codes;
    ConverterFigures expected;
};

TEST_F(AnalyzeTest, JsonAndTableCarryTheFiguresOfTheCodes) {
    const std::string tone = Write("tone.DTA", 3000, 311.0, 2.0);
    const ConverterFigures t = expected;
    ASSERT_TRUE(t.dynamicApplies);
    const std::string shorted = Write("shorted.DTA", 2048, 100.0, 0.0);
    const ConverterFigures s = expected;
    ASSERT_FALSE(s.dynamicApplies);

    ASSERT_EQ(Run({"analyze", "--json", tone, shorted}), kExitOk) << err.str();
    const std::string json = out.str();
    ASSERT_EQ(json.front(), '[');
    EXPECT_NE(json.find("\"file\": \"" + tone + "\", \"count\": 3000"), std::string::npos);
    const std::pair<const char*, double> toneKeys[] = {
        {"fundamental_hz", t.fundamentalHz},
        {"fundamental_vrms", t.fundamentalVrms},
        {"snr_db", t.snrDb},
        {"thd_db", t.thdDb},
        {"sinad_db", t.sinadDb},
        {"sfdr_db", t.sfdrDb},
        {"enob_bits", t.enobBits},
        {"enob_fs_bits", t.enobFsBits},
        {"noise_uvrms", t.noiseUvrms},
        {"noise_density_nv_rthz", t.noiseDensityNvRtHz},
        {"rms_noise_codes", t.rmsNoiseCodes},
        {"pp_codes", t.ppCodes},
        {"effective_resolution_bits", t.effectiveResolutionBits},
        {"noise_free_resolution_bits", t.noiseFreeResolutionBits}};
    for (const auto& [key, value] : toneKeys) {
        EXPECT_NEAR(Number(json, key), value, std::fabs(value) * 1e-9) << key;
    }
    // The rate's step, not the file's.
    EXPECT_NEAR(t.fundamentalHz, 311.0 * 1000.0 / (SamplePeriod(16, false) * 3000), 1e-3);
    EXPECT_NEAR(Number(json, "dbc"), -90.0, 0.5);
    EXPECT_EQ(Number(json, "order", 1), 3);
    EXPECT_NEAR(Number(json, "hz", 1), t.harmonics[1].hz, 1e-9);
    // The shorted file: noise figures only.
    EXPECT_EQ(Value(json, "snr_db", 1), "null");
    EXPECT_EQ(Value(json, "enob_bits", 1), "null");
    EXPECT_EQ(Value(json, "noise_density_nv_rthz", 1), "null");
    EXPECT_NE(json.find("\"harmonics\": null"), std::string::npos);
    EXPECT_NEAR(Number(json, "rms_noise_codes", 1), s.rmsNoiseCodes, s.rmsNoiseCodes * 1e-9);
    EXPECT_NEAR(Number(json, "effective_resolution_bits", 1), s.effectiveResolutionBits, 1e-8);

    ASSERT_EQ(Run({"analyze", shorted, tone, "--harmonics", "3"}), kExitOk);
    const std::string table = out.str();
    EXPECT_NE(table.find("do not apply"), std::string::npos);
    EXPECT_NE(table.find("\n  harmonic 3            "), std::string::npos); // its own column
    EXPECT_EQ(table.find("harmonic 4 "), std::string::npos);
    char line[64];
    std::snprintf(line, sizeof line, "SFDR                   %.2f dB", t.sfdrDb);
    EXPECT_NE(table.find(line), std::string::npos) << table;
    std::snprintf(line, sizeof line, "\n  ENOB full scale        %.2f bits\n", t.enobFsBits);
    EXPECT_NE(table.find(line), std::string::npos) << table;
    std::snprintf(line, sizeof line, "\n  noise density          %.2f nV/rtHz\n",
                  t.noiseDensityNvRtHz);
    EXPECT_NE(table.find(line), std::string::npos) << table;
}

TEST_F(AnalyzeTest, RejectedFilesAndUsage) {
    const std::string tone = Write("tone.DTA", 1024, 100.0, 1.0);
    EXPECT_EQ(Run({"analyze", "--json", (dir / "none.DTA").string(), tone}), kExitFailed);
    EXPECT_NE(err.str().find("none.DTA rejected"), std::string::npos);
    EXPECT_EQ(out.str().front(), '['); // the accepted file is still reported
    EXPECT_NE(out.str().find("\"count\": 1024"), std::string::npos);

    ASSERT_EQ(Run({"analyze", "--json", tone}), kExitOk);
    EXPECT_EQ(out.str().front(), '{'); // one file: one object
    EXPECT_EQ(Run({"analyze", tone, "--harmonics", "1"}), kExitUsage);
    EXPECT_EQ(Run({"analyze", "--frobnicate", tone}), kExitUsage);
    EXPECT_EQ(Run({"analyze"}), kExitUsage);
    EXPECT_EQ(Run({"analyze", "--help"}), kExitOk);
    EXPECT_NE(out.str().find("--harmonics K"), std::string::npos);
    EXPECT_EQ(Run({"--help"}), kExitOk);
    EXPECT_NE(out.str().find("analyze IN.DTA"), std::string::npos);
}

} // namespace

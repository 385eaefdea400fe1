// The simulator's test signals end to end: what `tavrin-sim --ch0-tone ... --ch0-harmonic ...
// --ch0-noise ...` puts on the input is what the converter figures measure.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "adunit/sim/SimConfig.h"
#include "analysis/ConverterFigures.h"
#include "analysis/SampleConversion.h"

TEST(SimFigures, TonesHarmonicsAndNoiseAsAsked) {
    const char* argv[] = {"tavrin-sim", "--ch0-tone",          "1000:1",    "--ch0-harmonic",
                          "2:-100",     "--ch0-harmonic",      "3:-110:45", "--ch0-noise",
                          "3e-6",       "--no-filter-response"};
    SimConfig config = DefaultSimConfig();
    std::string error;
    bool exitNow = false;
    ASSERT_TRUE(ParseSimOptions(10, const_cast<char**>(argv), config, error, exitNow)) << error;
    ASSERT_EQ(config.channel[0].tones.size(), 3u);
    EXPECT_EQ(config.channel[0].tones[2].frequencyHz, 3000.0);
    EXPECT_EQ(config.channel[0].tones[2].phaseDeg, 45.0);

    const int32_t n = 65536;
    const double periodMs = 0.008; // 125 ksps
    SignalGenerator gen;
    gen.Setup(config.channel[0], periodMs / 1000.0, false, config.filterResponse);
    std::vector<int32_t> codes(n);
    std::vector<float> volts(n);
    for (int32_t& c : codes) {
        c = gen.Next();
    }
    SampleBlock block;
    block.codes = codes.data();
    block.volts = volts.data();
    block.count = n;
    ASSERT_TRUE(ConvertBlock(block, static_cast<float>(periodMs)));
    ConverterAnalyzer analyzer;
    ConverterFigures f;
    ASSERT_TRUE(analyzer.Analyze(block, 6, f));
    ASSERT_TRUE(f.dynamicApplies);

    // One draw of random noise: its power over ~32000 bins is known to about 1 %, and the
    // -110 dBc line shares its bins with a few nanovolts of it, hence the wider margins here.
    const double q = kVoltsPerCode;
    const double noise = 3e-6 * 3e-6 + q * q / 12;
    EXPECT_NEAR(f.fundamentalHz, 1000.0, block.deltaF / 2);
    EXPECT_NEAR(f.fundamentalVrms, std::sqrt(0.5), 1e-5);
    EXPECT_NEAR(f.snrDb, 10 * std::log10(0.5 / noise), 0.2);
    EXPECT_NEAR(f.thdDb, 10 * std::log10(1e-10 + 1e-11), 0.2);
    EXPECT_NEAR(f.sfdrDb, 100.0, 0.2);
    EXPECT_NEAR(f.noiseUvrms, std::sqrt(noise) * 1e6, 0.05);
    ASSERT_GE(f.harmonicCount, 2);
    EXPECT_NEAR(f.harmonics[0].dbc, -100.0, 0.2);
    EXPECT_NEAR(f.harmonics[1].dbc, -110.0, 0.5);
}

// Whole-window pictures of the graphs with a synthetic measurement, for a person to look at:
// with TAVRIN_GRAPH_PNG_DIR set they are written there as PNG files. Every pixel of the graphs
// and every axis label is checked by the golden pictures; here only that the whole window draws
// with every view and the peak read-out finds the tone.
#include <gtest/gtest.h>

#include "graph/graph_harness.h"

#include <QDir>
#include <cstdlib>

namespace {

struct Case {
    const char* name;
    bool log;
    bool absolute;
    bool reference;
    bool volts;
    int count = 262144;
};

} // namespace

class GraphScreenshot : public ::testing::TestWithParam<Case> {};

TEST_P(GraphScreenshot, MainWindowShowsBothGraphsWithAllAxes) {
    const Case c = GetParam();
    GraphHarness h;
    h.graphSetting.fLogGraph = c.log;
    h.graphSetting.fAbsoGraph = c.absolute;
    h.graphSetting.fSig_Volt = c.volts;
    h.graphSetting.index_FreqS = 3;               // 1 Hz
    h.graphSetting.index_FreqE = c.log ? 18 : 15; // 100 kHz / 10 kHz
    h.graphSetting.index_dB_max = c.absolute ? 2 : 2;
    h.graphSetting.index_dB_min = 16; // -140 dBV: the noise floor is on the graph
    SignalSpec s;                     // 1 kHz sine plus noise, 125 ksps, 262144 samples
    s.amplitude = 1.0;
    s.noise = 0.001;
    s.freq2Hz = 3000;
    s.amplitude2 = 0.01;
    s.count = c.count;
    h.Fill(h.curBlock, s);
    h.fDataExist = true;
    if (c.reference) {
        SignalSpec r;
        r.count = 131072;
        r.amplitude = 0.3;
        r.noise = 0.0003;
        r.freqHz = 1000;
        r.freq2Hz = 2000;
        r.amplitude2 = 0.003;
        r.seed = 9;
        h.Fill(h.refBlock, r);
        h.fRefExist = true;
    }
    const QImage shot = h.Grab();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(812, 466));
    EXPECT_NEAR(h.editPeakHz->text().toDouble(), 1000.0, h.curBlock.deltaF);

    if (const char* dir = std::getenv("TAVRIN_GRAPH_PNG_DIR")) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        const QString path = QString::fromLocal8Bit(dir) + "/" + c.name + ".png";
        EXPECT_TRUE(shot.save(path)) << path.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Views, GraphScreenshot,
                         ::testing::Values(Case{"log_abs", true, true, false, false},
                                           Case{"log_abs_ref", true, true, true, true},
                                           Case{"log_rel", true, false, false, true},
                                           Case{"log_rel_ref", true, false, true, false},
                                           Case{"lin_abs", false, true, false, true},
                                           Case{"lin_abs_ref", false, true, true, false},
                                           Case{"lin_rel", false, false, false, false},
                                           Case{"lin_rel_ref", false, false, true, true},
                                           Case{"log_abs_4096", true, true, false, true, 4096}),
                         [](const auto& info) { return std::string(info.param.name); });

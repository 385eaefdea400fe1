// The shared table of graph-section cases against the readers of both file kinds.
#include <gtest/gtest.h>

#include "files/file_test_helpers.h"
#include "files/setting_rule_cases.h"

namespace {

using setting_rules::Cases;
using setting_rules::WithGraphLines;

TEST(SettingRules, SettingAndDataReadersJudgeTheWholeSection) {
    TempDir tmp;
    ZF_File zf;
    std::vector<int32_t> codes(MaxSamples, 8388608);
    std::vector<float> volts(MaxSamples, 0.0f);
    ASSERT_TRUE(WriteCodesFile(tmp.Path("plain.DTA"), codes, volts, 1024, 1.0f));
    const std::string dataBytes = ReadBytes(tmp.Path("plain.DTA"));
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::string prf = setting_rules::WriteSettingCase(tmp.Path("case.prf"), c);
        GraphSetting g;
        MeasureSetting m;
        ADUnitSetting a;
        FileError e;
        EXPECT_EQ(zf.ReadSettingFile(prf, "Tavrinini", g, m, a, &e), c.reads) << e.reason;
        g = {};
        EXPECT_EQ(zf.ReadSettingFileToOpen(prf, g, m, a, &e), c.opens) << e.reason;
        if (!c.opens) {
            EXPECT_GT(e.line, 12) << "the complaint points into the G section";
        }

        WriteBytes(tmp.Path("case.DTA"), WithGraphLines(dataBytes, c.lines));
        DataFileRecords data;
        EXPECT_EQ(data.Read(tmp.Path("case.DTA")), c.reads);
    }
    // The reason names the values the section ended with.
    GraphSetting g;
    MeasureSetting m;
    ADUnitSetting a;
    FileError e;
    ASSERT_FALSE(zf.ReadSettingFile(setting_rules::WriteSettingCase(tmp.Path("r.prf"), Cases()[1]),
                                    "Tavrinini", g, m, a, &e));
    EXPECT_EQ(e.reason, "index_FreqE:19 is not from 6 to 18 (with fLogGraph:1) and above "
                        "index_FreqS:0");
    EXPECT_EQ(e.line, 12 + 7 + 11 + 2); // the "index_FreqE:" line among the appended ones
}

} // namespace
